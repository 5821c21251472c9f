// The embedded browser is silent: page dialogs are not shown.
#include <gtest/gtest.h>

#include <QApplication>
#include <QSignalSpy>
#include <QTest>
#include <QWebEngineView>

#include "tests/support/main_window_fixture.h"

namespace {

using BrowserViewTest = test_support::MainWindowFixture;

TEST_F(BrowserViewTest, PageDialogsAreNotShownAndAnswerAsCancelled) {
    test_support::ModalAnswers modal({});
    QSignalSpy loaded(window().browser(), &QWebEngineView::loadFinished);
    window().browser()->load(QUrl::fromLocalFile(QStringLiteral(FIXTURE_DIR "/app/dialogs.html")));
    ASSERT_TRUE(loaded.wait(20000));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return window().browser()->title().startsWith(QStringLiteral("confirm:")); }));
    EXPECT_EQ(window().browser()->title(), QStringLiteral("confirm:false prompt:null"));
    QTest::qWait(100);
    EXPECT_TRUE(modal.seen().empty()) << modal.seen().front().title.toStdString();
    EXPECT_DOUBLE_EQ(window().browser()->zoomFactor(), 1.0);
}

}  // namespace
