// Esc closes the main window from any control; inside the browser only when
// the page does not take the key.
#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>
#include <QUrl>
#include <QWebEnginePage>
#include <QWebEngineView>

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

}  // namespace
