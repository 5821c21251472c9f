#include "app/main_window.h"

#include <QComboBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTextCursor>
#include <QTextDocument>
#include <QWebEngineView>
#include <algorithm>

#include "app/browser_escape.h"
#include "app/message_box.h"
#include "app/script_handlers.h"
#include "app/x11_window_hints.h"
#include "platform/widget_window_system.h"

namespace app {

namespace {

const QString kTitle = QStringLiteral("脚本制作       最大化后可以看到脚本制作帮助");

QString toQString(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The widget keeps paragraph separators (and, after Shift+Enter, line
// separators) inside; outside, every line ends in CR LF.
QString withCrLf(QString widgetText) {
    widgetText.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    widgetText.replace(QChar::LineSeparator, QLatin1Char('\n'));
    return widgetText.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
}

// CR LF, a lone CR and a lone LF all become the widget's line break.
QString withoutCrLf(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
}

int clampExtent(int value) { return std::clamp(value, 0, MainWindow::kMaxControlExtent); }

QPoint centredTopLeft() {
    // The whole screen, not the work area; integer division as specified for
    // the form's start position.
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    return {screen.x() + (screen.width() - MainWindow::kOuterWidth) / 2,
            screen.y() + (screen.height() - MainWindow::kOuterHeight) / 2};
}

}  // namespace

MainWindow::MainWindow(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint) {
    setWindowTitle(kTitle);
    buildForm(*this);
    connectHandlers();
    new BrowserEscapeWatcher(browser_, [this] { close(); });
    // Typing starts in the script box; the help box, first in the tab order,
    // is not even visible before the window is maximised.
    control("编辑框8")->setFocus();
    // Until the window manager has framed the window its frame size is
    // unknown: the client area takes the whole outer size for now, and
    // fitOuterFrame() corrects it once the frame is there.
    resize(kOuterWidth, kOuterHeight);
    move(centredTopLeft());
    applyLayout();
}

MainWindow::~MainWindow() = default;

void MainWindow::addControl(QWidget* control) {
    controls_.insert(control->objectName(), control);
    // Esc closes the window from every control. The browser is left out: it
    // gets keys first and passes back only those its page did not take.
    if (control != browser_ && control->objectName() != QStringLiteral("超文本浏览框1"))
        control->installEventFilter(this);
}

void MainWindow::connectHandlers() {
    const auto onClick = [this](const char* button, void (*handler)(MainWindow&)) {
        if (auto* push = qobject_cast<QPushButton*>(control(button)))
            connect(push, &QPushButton::clicked, this, [this, handler] { handler(*this); });
    };
    onClick("按钮3", composeScriptLine);
    onClick("按钮1", saveScript);
    onClick("按钮2", openAddress);
    // Enter in the address box opens the address, as "打开" does.
    if (auto* address = qobject_cast<QLineEdit*>(control("编辑框1")))
        connect(address, &QLineEdit::returnPressed, this, [this] { openAddress(*this); });
}

QWidget* MainWindow::control(std::string_view name) const {
    return controls_.value(toQString(name), nullptr);
}

QWebEngineView* MainWindow::browser() const { return browser_; }

std::string MainWindow::controlText(std::string_view name) const {
    QWidget* widget = control(name);
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) return edit->text().toStdString();
    if (auto* edit = qobject_cast<QPlainTextEdit*>(widget))
        return withCrLf(edit->document()->toRawText()).toStdString();
    return {};
}

void MainWindow::setControlText(std::string_view name, std::string_view text) {
    QWidget* widget = control(name);
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        edit->setText(toQString(text));
    } else if (auto* edit = qobject_cast<QPlainTextEdit*>(widget)) {
        edit->setPlainText(withoutCrLf(toQString(text)));
    }
}

void MainWindow::appendControlText(std::string_view name, std::string_view text) {
    QWidget* widget = control(name);
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        // setText also clears the box's undo history.
        edit->setText(edit->text() + toQString(text));
        edit->end(false);
    } else if (auto* edit = qobject_cast<QPlainTextEdit*>(widget)) {
        QTextDocument* document = edit->document();
        // Switching undo off for the insertion also drops the history, so
        // neither this step nor what came before can be undone.
        document->setUndoRedoEnabled(false);
        QTextCursor cursor(document);
        cursor.movePosition(QTextCursor::End);
        cursor.insertText(withoutCrLf(toQString(text)));
        document->setUndoRedoEnabled(true);
        edit->setTextCursor(cursor);
        edit->ensureCursorVisible();
    }
}

int MainWindow::comboSelection(std::string_view name) const {
    auto* combo = qobject_cast<QComboBox*>(control(name));
    return combo ? combo->currentIndex() : -1;
}

std::string MainWindow::comboItemText(std::string_view name, int index) const {
    auto* combo = qobject_cast<QComboBox*>(control(name));
    if (!combo || index < 0 || index >= combo->count()) return {};
    return combo->itemText(index).toStdString();
}

int MainWindow::controlLeft(std::string_view name) const {
    QWidget* widget = control(name);
    return widget ? widget->x() : 0;
}

int MainWindow::controlTop(std::string_view name) const {
    QWidget* widget = control(name);
    return widget ? widget->y() : 0;
}

void MainWindow::setControlWidth(std::string_view name, int width) {
    if (QWidget* widget = control(name)) widget->resize(clampExtent(width), widget->height());
}

void MainWindow::setControlHeight(std::string_view name, int height) {
    if (QWidget* widget = control(name)) widget->resize(widget->width(), clampExtent(height));
}

int MainWindow::clientWidth() const { return isMinimized() ? 0 : width(); }

int MainWindow::clientHeight() const { return isMinimized() ? 0 : height(); }

void MainWindow::setAlwaysOnTop(bool onTop) {
    alwaysOnTop_ = onTop;
    if (requestStaysAbove(*this, onTop)) {
        // Keep Qt's idea of the flags in step without re-creating the window.
        Qt::WindowFlags flags = windowFlags();
        flags.setFlag(Qt::WindowStaysOnTopHint, onTop);
        overrideWindowFlags(flags);
    } else if (!isVisible()) {
        setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
    }
}

platform::WindowHandle MainWindow::controlHandle(std::string_view name) const {
    QWidget* widget = control(name);
    return widget ? platform::WidgetWindowSystem::instance().handleFor(widget) : 0;
}

void MainWindow::showMessage(std::string_view text) const { app::showMessage(toQString(text)); }

void MainWindow::applyLayout() {
    constexpr const char* help = "编辑框10";
    constexpr const char* browser = "超文本浏览框1";
    setControlWidth(help, clientWidth() - controlLeft(help));
    setControlHeight(browser, clientHeight() - controlTop(browser));
    setControlWidth(browser, clientWidth() - controlLeft(browser));
}

void MainWindow::fitOuterFrame() {
    if (frameFitted_ || !isVisible() || windowState() != Qt::WindowNoState) return;
    const QSize frame = frameGeometry().size() - geometry().size();
    if (frame.isNull()) return;  // no frame yet (or no window manager)
    frameFitted_ = true;
    resize(kOuterWidth - frame.width(), kOuterHeight - frame.height());
    move(centredTopLeft());
    setFixedFrameHints(*this);
}

bool MainWindow::event(QEvent* event) {
    const bool handled = QWidget::event(event);
    switch (event->type()) {
        case QEvent::Show:
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::WindowActivate:
        case QEvent::UpdateRequest:
            fitOuterFrame();
            break;
        default:
            break;
    }
    return handled;
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    applyLayout();
}

void MainWindow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange) applyLayout();
}

void MainWindow::keyPressEvent(QKeyEvent* event) {
    // Reaches here with the focus on the window itself, and for keys that
    // the browser's page did not take (the view hands those to its parent;
    // Esc it never hands back, see BrowserEscapeWatcher).
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        close();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace app
