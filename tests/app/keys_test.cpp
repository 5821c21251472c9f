// Esc closes the main window from any control; inside the browser only when
// the page, or the frame that has the key, does not take it.
#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>
#include <QUrl>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineView>

#include "tests/support/fixture_server.h"
#include "tests/support/main_window_fixture.h"

namespace {

class EscapeFromControlTest : public test_support::MainWindowFixture,
                              public testing::WithParamInterface<const char*> {};

TEST_P(EscapeFromControlTest, ClosesTheWindow) {
    QWidget* control = window().control(GetParam());
    ASSERT_NE(control, nullptr);
    window().activateWindow();
    control->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return control->hasFocus(); }));
    QTest::keyClick(control, Qt::Key_Escape);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !window().isVisible(); }));
}

std::string controlLabel(const testing::TestParamInfo<const char*>& info) {
    static const char* const labels[] = {"ScriptBox", "AddressBox", "HelpBox", "SaveButton",
                                         "KindList"};
    return labels[info.index];
}

INSTANTIATE_TEST_SUITE_P(Controls, EscapeFromControlTest,
                         testing::Values("编辑框8", "编辑框1", "编辑框10", "按钮1", "组合框1"),
                         controlLabel);

class EscapeInBrowserTest : public test_support::MainWindowFixture {
protected:
    QWidget* loadKeysPage(const QString& fragment) {
        QWebEngineView* view = window().browser();
        QSignalSpy loaded(view, &QWebEngineView::loadFinished);
        QUrl url = QUrl::fromLocalFile(QStringLiteral(FIXTURE_DIR "/app/keys.html"));
        url.setFragment(fragment);
        view->load(url);
        EXPECT_TRUE(loaded.wait(20000));
        EXPECT_TRUE(QTest::qWaitFor([&] { return view->focusProxy() != nullptr; }));
        window().activateWindow();
        view->setFocus();
        QWidget* proxy = view->focusProxy();
        EXPECT_TRUE(QTest::qWaitFor([&] { return proxy && proxy->hasFocus(); }));
        return proxy;
    }
};

TEST_F(EscapeInBrowserTest, ClosesWhenThePageLetsTheKeyThrough) {
    QWidget* page = loadKeysPage(QString());
    ASSERT_NE(page, nullptr);
    QTest::keyClick(page, Qt::Key_Escape);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !window().isVisible(); }, 10000));
    EXPECT_EQ(window().browser()->title(), "keydown:Escape");
}

TEST_F(EscapeInBrowserTest, StaysOpenWhenThePageTakesTheKey) {
    QWidget* page = loadKeysPage(QStringLiteral("keep"));
    ASSERT_NE(page, nullptr);
    QTest::keyClick(page, Qt::Key_Escape);
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return window().browser()->title() == "keydown:Escape"; }, 10000));
    // A key the page lets through afterwards still arrives after the Esc;
    // once it has been handled the Esc has surely been answered too.
    QTest::keyClick(page, Qt::Key_A);
    ASSERT_TRUE(QTest::qWaitFor([&] { return window().browser()->title() == "keydown:a"; }, 10000));
    QTest::qWait(200);
    EXPECT_TRUE(window().isVisible());
}

// Esc pressed inside a frame: the watcher hears every frame, of the page's
// origin or another, and the window stays when the frame takes the key.
struct FrameEscapeCase {
    const char* name;
    const char* frameHost;  // "127.0.0.1" is the top page's origin
    const char* fragment;   // "keep": the frame cancels Esc
    bool closes;
};

const FrameEscapeCase kFrameEscapes[] = {
    {"SameOriginFrameTakesIt", "127.0.0.1", "keep", false},
    {"OtherOriginFrameTakesIt", "localhost", "keep", false},
    {"SameOriginFrameLetsItThrough", "127.0.0.1", "", true},
    {"OtherOriginFrameLetsItThrough", "localhost", "", true},
};

class EscapeInFrameTest : public test_support::MainWindowFixture,
                          public testing::WithParamInterface<FrameEscapeCase> {
protected:
    // The page's count of Esc key-downs with a verdict, read in the
    // application's world where the watcher keeps it.
    int escapeVerdicts() {
        int count = -1;
        bool done = false;
        window().browser()->page()->runJavaScript(
            QStringLiteral(
                "typeof scriptMakerEscapes === 'function' ? scriptMakerEscapes()[0] : -1"),
            QWebEngineScript::ApplicationWorld, [&](const QVariant& value) {
                count = value.toInt();
                done = true;
            });
        (void)QTest::qWaitFor([&] { return done; }, 5000);
        return count;
    }
};

TEST_P(EscapeInFrameTest, ClosesOnlyWhenTheFrameLetsTheKeyThrough) {
    const FrameEscapeCase& row = GetParam();
    testsupport::FixtureServer server(QStringLiteral(FIXTURE_DIR));
    ASSERT_NE(server.port(), 0);
    QString frame = server.url(QStringLiteral("/app/keys_child.html"), row.frameHost);
    if (*row.fragment) frame += QStringLiteral("#") + row.fragment;
    QWebEngineView* view = window().browser();
    QSignalSpy loaded(view, &QWebEngineView::loadFinished);
    view->load(QUrl(server.url(QStringLiteral("/app/keys_frames.html")) +
                    QStringLiteral("?frame=") +
                    QString::fromLatin1(QUrl::toPercentEncoding(frame))));
    ASSERT_TRUE(loaded.wait(20000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return view->focusProxy() != nullptr; }));
    window().activateWindow();
    QWidget* page = view->focusProxy();
    // A click into the frame's field gives the frame the keys; a key it sees
    // comes back in the top page's title.
    const auto frameHasKeys = [&] {
        QTest::mouseClick(page, Qt::LeftButton, {}, QPoint(100, 100));
        QTest::keyClick(page, Qt::Key_B);
        return QTest::qWaitFor([&] { return view->title() == "keydown:b"; }, 1000);
    };
    ASSERT_TRUE(QTest::qWaitFor(frameHasKeys, 20000));

    QTest::keyClick(page, Qt::Key_Escape);
    ASSERT_TRUE(QTest::qWaitFor([&] { return view->title() == "keydown:Escape"; }, 10000));
    if (row.closes) {
        EXPECT_TRUE(QTest::qWaitFor([&] { return !window().isVisible(); }, 10000));
        return;
    }
    // The top page has its verdict on the Esc; the watcher reads it within
    // a few tens of milliseconds, and the window stays.
    ASSERT_TRUE(QTest::qWaitFor([&] { return escapeVerdicts() == 1; }, 10000)) << escapeVerdicts();
    EXPECT_FALSE(QTest::qWaitFor([&] { return !window().isVisible(); }, 500));
}

INSTANTIATE_TEST_SUITE_P(Frames, EscapeInFrameTest, testing::ValuesIn(kFrameEscapes),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
