// The main window as a whole: title, frame, place on the screen, the layout
// rule through maximising, minimising and restoring, the window operations,
// and screenshots for a human to look at.
#include "app/main_window.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QUrl>
#include <QWebEngineView>

#include "app/caption_label.h"
#include "app/help_text.h"
#include "tests/support/main_window_fixture.h"

namespace {

using test_support::MainWindowFixture;

constexpr const char* kHelp = "编辑框10";
constexpr const char* kBrowser = "超文本浏览框1";

QRect geometryOf(app::MainWindow& window, const char* name) {
    return window.control(name)->geometry();
}

// The layout rule's result for the current client area.
void expectLayoutFitsClientArea(app::MainWindow& window) {
    const int width = window.clientWidth();
    const int height = window.clientHeight();
    EXPECT_EQ(geometryOf(window, kHelp), QRect(696, 32, std::max(0, width - 696), 248));
    EXPECT_EQ(geometryOf(window, kBrowser),
              QRect(16, 287, std::max(0, width - 16), std::max(0, height - 287)));
}

void saveScreenshot(app::MainWindow& window, const QString& fileName) {
    QTest::qWait(300);  // let the last paint reach the screen
    const QRect frame = window.frameGeometry();
    const QPixmap shot =
        window.screen()->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
    QDir().mkpath(QStringLiteral(TEST_ARTEFACT_DIR));
    EXPECT_TRUE(shot.save(QStringLiteral(TEST_ARTEFACT_DIR "/") + fileName));
}

using MainWindowTest = MainWindowFixture;

TEST_F(MainWindowTest, HasTitleAndFixedFrameWithMinimiseAndMaximise) {
    EXPECT_EQ(window().windowTitle(),
              QStringLiteral("脚本制作       最大化后可以看到脚本制作帮助"));
    const Qt::WindowFlags flags = window().windowFlags();
    EXPECT_TRUE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_TRUE(flags & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(flags & Qt::WindowStaysOnTopHint);
    EXPECT_FALSE(window().isAlwaysOnTop());
    EXPECT_TRUE(window().isActiveWindow() || window().isVisible());

    // What the window manager is told: no resize handles, but the title bar
    // with its menu and the minimise and maximise boxes.
    QProcess xprop;
    xprop.start(QStringLiteral("xprop"), {QStringLiteral("-id"), QString::number(window().winId()),
                                          QStringLiteral("_MOTIF_WM_HINTS")});
    ASSERT_TRUE(xprop.waitForFinished(5000));
    const QString hints = QString::fromUtf8(xprop.readAllStandardOutput()).section('=', 1);
    const QStringList values = hints.split(',', Qt::SkipEmptyParts);
    ASSERT_GE(values.size(), 3) << hints.toStdString();
    bool ok = false;
    const unsigned decorations = values[2].trimmed().toUInt(&ok, 16);
    ASSERT_TRUE(ok) << hints.toStdString();
    EXPECT_EQ(decorations & 0x04u, 0u) << "resize handles";
    EXPECT_EQ(decorations & (0x08u | 0x10u | 0x20u | 0x40u), 0x78u) << "title, menu, min, max";
}

TEST_F(MainWindowTest, StartsCentredAtItsOuterSizeWithTheLayoutApplied) {
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(window().frameGeometry(),
              QRect((screen.width() - 695) / 2, (screen.height() - 587) / 2, 695, 587));
    EXPECT_EQ(window().clientWidth(), window().width());
    EXPECT_EQ(window().clientHeight(), window().height());
    EXPECT_LT(window().clientWidth(), 696);
    EXPECT_EQ(geometryOf(window(), kHelp).width(), 0);
    expectLayoutFitsClientArea(window());
}

TEST_F(MainWindowTest, LayoutFollowsMaximiseRestoreAndMinimise) {
    const QRect normalFrame = window().frameGeometry();
    const QRect normalBrowser = geometryOf(window(), kBrowser);

    window().showMaximized();
    ASSERT_TRUE(QTest::qWaitFor([&] { return window().isMaximized() && window().width() > 696; }));
    QTest::qWait(100);
    EXPECT_GT(geometryOf(window(), kHelp).width(), 0);
    expectLayoutFitsClientArea(window());

    window().showNormal();
    ASSERT_TRUE(QTest::qWaitFor([&] { return window().frameGeometry() == normalFrame; }));
    EXPECT_EQ(geometryOf(window(), kHelp).width(), 0);
    EXPECT_EQ(geometryOf(window(), kBrowser), normalBrowser);

    window().showMinimized();
    ASSERT_TRUE(QTest::qWaitFor([&] { return window().isMinimized(); }));
    EXPECT_EQ(window().clientWidth(), 0);
    EXPECT_EQ(window().clientHeight(), 0);
    EXPECT_EQ(geometryOf(window(), kHelp), QRect(696, 32, 0, 248));
    EXPECT_EQ(geometryOf(window(), kBrowser), QRect(16, 287, 0, 0));

    window().showNormal();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window().isMinimized() && window().isVisible(); }));
    QTest::qWait(100);
    EXPECT_EQ(window().frameGeometry(), normalFrame);
    EXPECT_EQ(geometryOf(window(), kBrowser), normalBrowser);
    expectLayoutFitsClientArea(window());
}

TEST_F(MainWindowTest, ScreenshotsNormalAndMaximised) {
    saveScreenshot(window(), QStringLiteral("main_window_normal.png"));
    window().showMaximized();
    ASSERT_TRUE(QTest::qWaitFor([&] { return window().isMaximized() && window().width() > 696; }));
    saveScreenshot(window(), QStringLiteral("main_window_maximised.png"));
}

TEST_F(MainWindowTest, StartsWithTheInitialTexts) {
    EXPECT_EQ(window().comboItemText("组合框1", window().comboSelection("组合框1")), "填表文本");
    EXPECT_EQ(window().controlText("编辑框9"), "1");
    EXPECT_EQ(window().controlText("编辑框7"), "10");
    EXPECT_EQ(window().focusWidget(), window().control("编辑框8"));
    for (const char* empty :
         {"编辑框1", "编辑框2", "编辑框3", "编辑框4", "编辑框5", "编辑框6", "编辑框8"})
        EXPECT_EQ(window().controlText(empty), "") << empty;
    // The help box gives its text back with CR LF line ends.
    EXPECT_EQ(window().controlText(kHelp), app::helpText().toStdString());
}

TEST_F(MainWindowTest, ComboOperationsAndOutOfRangeItems) {
    EXPECT_EQ(window().comboSelection("组合框1"), 0);
    EXPECT_EQ(window().comboItemText("组合框1", 4), "执行脚本");
    EXPECT_EQ(window().comboItemText("组合框1", -1), "");
    EXPECT_EQ(window().comboItemText("组合框1", 5), "");
    EXPECT_EQ(window().comboSelection("编辑框8"), -1);  // not a combo box
}

TEST_F(MainWindowTest, SizeOperationsClampAndKeepTheRest) {
    struct Case {
        const char* label;
        int requested;
        int expected;
    };
    const Case cases[] = {{"negative", -5, 0},
                          {"zero", 0, 0},
                          {"ordinary", 123, 123},
                          {"limit", 32627, 32627},
                          {"above limit", 40000, 32627}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        window().setControlWidth("编辑框1", c.requested);
        EXPECT_EQ(geometryOf(window(), "编辑框1"), QRect(373, 256, c.expected, 20));
        window().setControlHeight("标签6", c.requested);
        EXPECT_EQ(geometryOf(window(), "标签6"), QRect(376, 231, 40, c.expected));
    }
    EXPECT_EQ(window().controlLeft("编辑框4"), 65);  // relative to its group box
    EXPECT_EQ(window().controlTop("编辑框4"), 16);
}

TEST_F(MainWindowTest, TextOperationsOnEditBoxes) {
    // Single-line boxes take long texts whole (no typing limit).
    const std::string longText(40000, 'x');
    window().setControlText("编辑框1", longText);
    EXPECT_EQ(window().controlText("编辑框1"), longText);

    struct Case {
        const char* label;
        const char* given;
        const char* read;
    };
    const Case multiLine[] = {
        {"CR LF kept", "a\r\nb\r\n", "a\r\nb\r\n"},
        {"lone LF becomes CR LF", "a\nb", "a\r\nb"},
        {"lone CR becomes CR LF", "a\rb", "a\r\nb"},
        {"no-break space kept", "a\u00a0b", "a\u00a0b"},
        {"empty", "", ""},
    };
    for (const Case& c : multiLine) {
        SCOPED_TRACE(c.label);
        window().setControlText("编辑框8", c.given);
        EXPECT_EQ(window().controlText("编辑框8"), c.read);
    }

    // Appending continues the last line, puts the caret at the end and
    // cannot be undone.
    auto* script = qobject_cast<QPlainTextEdit*>(window().control("编辑框8"));
    window().setControlText("编辑框8", "");
    script->setFocus();
    QTest::keyClicks(script, "http://a");
    window().appendControlText("编辑框8", "x|y\r\n");
    EXPECT_EQ(window().controlText("编辑框8"), "http://ax|y\r\n");
    EXPECT_EQ(script->textCursor().position(), script->document()->characterCount() - 1);
    EXPECT_FALSE(script->document()->isUndoAvailable());

    window().setControlText("编辑框2", "ab");
    window().appendControlText("编辑框2", "c");
    EXPECT_EQ(window().controlText("编辑框2"), "abc");
    EXPECT_EQ(qobject_cast<QLineEdit*>(window().control("编辑框2"))->cursorPosition(), 3);

    // Unknown names and other kinds give the empty result and change nothing.
    window().setControlText("没有这个", "x");
    EXPECT_EQ(window().controlText("没有这个"), "");
    EXPECT_EQ(window().controlText("按钮1"), "");
}

TEST_F(MainWindowTest, EnterInMultiLineBoxGivesCrLfAndStaysInSingleLineBox) {
    auto* script = window().control("编辑框8");
    script->setFocus();
    QTest::keyClicks(script, "ab");
    QTest::keyClick(script, Qt::Key_Return);
    QTest::keyClicks(script, "cd");
    QTest::keyClick(script, Qt::Key_Return, Qt::ShiftModifier);
    QTest::keyClicks(script, "e");
    EXPECT_EQ(window().controlText("编辑框8"), "ab\r\ncd\r\ne");

    QWidget* address = window().control("编辑框1");
    address->activateWindow();
    address->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return address->hasFocus(); }));
    QTest::keyClick(address, Qt::Key_Return);
    QTest::keyClick(address, Qt::Key_F1);
    EXPECT_TRUE(address->hasFocus());
    EXPECT_TRUE(window().isVisible());
}

TEST_F(MainWindowTest, EnterInTheAddressBoxOpensThePage) {
    auto* address = qobject_cast<QLineEdit*>(window().control("编辑框1"));
    ASSERT_NE(address, nullptr);
    const QUrl page = QUrl::fromLocalFile(QStringLiteral(FIXTURE_DIR "/picker/elements.html"));
    address->setText(page.toString());
    address->activateWindow();
    address->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return address->hasFocus(); }));
    auto* view = window().browser();
    QSignalSpy loaded(view, &QWebEngineView::loadFinished);
    QTest::keyClick(address, Qt::Key_Return);
    ASSERT_TRUE(QTest::qWaitFor([&] { return view->url() == page; }, 10000))
        << view->url().toString().toStdString();
    EXPECT_TRUE(loaded.wait(10000) || !loaded.isEmpty());
    EXPECT_TRUE(address->hasFocus());
}

// Captions keep their ink clear of the controls around them: the operation
// row's words of the fields above them, the details group's captions of its
// frame line, and every kind of the list of the list's arrow.
TEST_F(MainWindowTest, CaptionsAreNotClippedByTheControlsAroundThem) {
    auto* caption = dynamic_cast<app::CaptionLabel*>(window().control("标签8"));
    ASSERT_NE(caption, nullptr);
    const QList<QRect> inks = caption->runInk();
    ASSERT_EQ(inks.size(), 5);  // 网页操作类： 代码： 代码种类： 时间： 秒
    for (const QRect& ink : inks) {
        const QRect inWindow = ink.translated(caption->pos());
        for (const char* field : {"组合框1", "编辑框2", "编辑框9", "编辑框7"}) {
            // Not covered, and not touching either.
            EXPECT_FALSE(inWindow.adjusted(-1, 0, 1, 0).intersects(geometryOf(window(), field)))
                << field << " meets the caption's ink at " << inWindow.x() << "+"
                << inWindow.width();
        }
    }

    auto* group = dynamic_cast<app::FrameGroupBox*>(window().control("分组框2"));
    ASSERT_NE(group, nullptr);
    for (const char* label : {"标签1", "标签5"})
        EXPECT_LT(group->frameTop() + 1, geometryOf(window(), label).top()) << label;

    auto* kinds = dynamic_cast<app::KindComboBox*>(window().control("组合框1"));
    ASSERT_NE(kinds, nullptr);
    for (int i = 0; i < kinds->count(); ++i) {
        EXPECT_LE(kinds->fontMetrics().horizontalAdvance(kinds->itemText(i)),
                  kinds->textRect().width())
            << kinds->itemText(i).toStdString();
    }
    saveScreenshot(window(), QStringLiteral("main_window_captions.png"));
}

TEST_F(MainWindowTest, ControlHandlesAreStableAndDistinct) {
    const auto browser = window().controlHandle(kBrowser);
    EXPECT_NE(browser, 0u);
    EXPECT_EQ(window().controlHandle(kBrowser), browser);
    EXPECT_NE(window().controlHandle("编辑框8"), browser);
    EXPECT_EQ(window().controlHandle("没有这个"), 0u);
}

TEST_F(MainWindowTest, AlwaysOnTopNeitherMovesNorResizes) {
    const QRect frame = window().frameGeometry();
    window().setAlwaysOnTop(true);
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return test_support::netWmState(window()).contains("_NET_WM_STATE_ABOVE"); }));
    QTest::qWait(100);
    EXPECT_TRUE(window().isVisible());
    EXPECT_EQ(window().frameGeometry(), frame);

    window().setAlwaysOnTop(false);
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return !test_support::netWmState(window()).contains("_NET_WM_STATE_ABOVE"); }));
    EXPECT_EQ(window().frameGeometry(), frame);
}

}  // namespace
