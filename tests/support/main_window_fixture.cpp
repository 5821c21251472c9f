#include "tests/support/main_window_fixture.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialogButtonBox>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <algorithm>

namespace test_support {

namespace {

bool underWindowManager() {
    QProcess xprop;
    xprop.start(QStringLiteral("xprop"),
                {QStringLiteral("-root"), QStringLiteral("_NET_SUPPORTING_WM_CHECK")});
    return xprop.waitForFinished(5000) && xprop.readAllStandardOutput().contains("window id");
}

QStringList buttonTexts(QWidget* dialog) {
    QStringList texts;
    for (auto* button : dialog->findChildren<QAbstractButton*>()) texts << button->text();
    return texts;
}

QAbstractButton* buttonWithText(QWidget* dialog, const QString& text) {
    for (auto* button : dialog->findChildren<QAbstractButton*>())
        if (button->text() == text) return button;
    return nullptr;
}

}  // namespace

void showAndSettle(app::MainWindow& window) {
    window.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
    if (underWindowManager()) {
        EXPECT_TRUE(QTest::qWaitFor([&] {
            return window.frameGeometry().size() ==
                   QSize(app::MainWindow::kOuterWidth, app::MainWindow::kOuterHeight);
        }));
    }
    QTest::qWait(50);
}

void MainWindowFixture::SetUp() {
    ASSERT_TRUE(workDir_.isValid());
    previousDir_ = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(workDir_.path()));
    window_ = std::make_unique<app::MainWindow>();
    showAndSettle(*window_);
}

void MainWindowFixture::TearDown() {
    window_.reset();
    QDir::setCurrent(previousDir_);
}

void MainWindowFixture::click(const char* name) {
    QWidget* control = window_->control(name);
    ASSERT_NE(control, nullptr) << name;
    QTest::mouseClick(control, Qt::LeftButton);
}

ModalAnswers::ModalAnswers(std::vector<Answer> answers, std::function<bool()> onTopProbe)
    : answers_(std::move(answers)), onTopProbe_(std::move(onTopProbe)), timer_(new QTimer) {
    timer_->setInterval(20);
    QObject::connect(timer_, &QTimer::timeout, [this] { poll(); });
    timer_->start();
}

ModalAnswers::~ModalAnswers() { delete timer_; }

void ModalAnswers::poll() {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || modal == current_ || !modal->isVisible()) return;
    current_ = modal;

    SeenModal seen;
    seen.title = modal->windowTitle();
    seen.buttons = buttonTexts(modal);
    seen.hasOwner = modal->parentWidget() != nullptr;
    seen.applicationModal = modal->windowModality() == Qt::ApplicationModal;
    seen.mainWindowOnTop = onTopProbe_ ? onTopProbe_() : false;
    auto* input = qobject_cast<QInputDialog*>(modal);
    auto* message = qobject_cast<QMessageBox*>(modal);
    if (input) {
        seen.kind = QStringLiteral("input");
        seen.text = input->labelText();
    } else if (message) {
        seen.kind = QStringLiteral("message");
        seen.text = message->text();
        seen.hasIcon = message->icon() != QMessageBox::NoIcon;
    } else {
        seen.kind = QStringLiteral("other");
    }
    seen_.push_back(seen);

    if (answers_.empty()) {
        modal->close();
        return;
    }
    const Answer answer = answers_.front();
    answers_.erase(answers_.begin());
    switch (answer.action) {
        case Action::TypeAndAccept: {
            auto* field = modal->findChild<QLineEdit*>();
            if (field && input) {
                // QTest types printable ASCII only; other texts are pasted.
                const bool typeable =
                    std::all_of(answer.text.begin(), answer.text.end(),
                                [](QChar c) { return c >= ' ' && c < QChar(0x7f); });
                if (!typeable)
                    field->setText(answer.text);
                else
                    QTest::keyClicks(field, answer.text);
                if (auto* accept = buttonWithText(modal, input->okButtonText()))
                    QTest::mouseClick(accept, Qt::LeftButton);
            }
            break;
        }
        case Action::Cancel:
            if (auto* cancel = input ? buttonWithText(modal, input->cancelButtonText()) : nullptr)
                QTest::mouseClick(cancel, Qt::LeftButton);
            break;
        case Action::CloseBox:
            modal->close();
            break;
        case Action::ClickOk:
            if (auto* ok = message ? message->button(QMessageBox::Ok) : nullptr)
                QTest::mouseClick(ok, Qt::LeftButton);
            break;
    }
    // A box that the answer did not close is closed anyway: a test must end.
    if (modal->isVisible()) modal->close();
}

QString netWmState(const QWidget& window) {
    QProcess xprop;
    xprop.start(QStringLiteral("xprop"), {QStringLiteral("-id"), QString::number(window.winId()),
                                          QStringLiteral("_NET_WM_STATE")});
    if (!xprop.waitForFinished(5000)) return {};
    return QString::fromUtf8(xprop.readAllStandardOutput());
}

}  // namespace test_support
