#pragma once

// A real main window with the operation tools installed and a fixture page
// loaded in its browser 超文本浏览框1, for the tests of the test button and
// the picker.
#include <gtest/gtest.h>

#include <QDir>
#include <QSignalSpy>
#include <QString>
#include <QTest>
#include <QUrl>
#include <QVariant>
#include <QWebEnginePage>
#include <QWebEngineView>

#include "app/main_window.h"
#include "app/operation_tools.h"
#include "platform/widget_window_system.h"
#include "tests/support/main_window_fixture.h"

namespace tool_window {

inline QUrl fixtureUrl(const char* relativePath) {
    return QUrl::fromLocalFile(QStringLiteral(FIXTURE_DIR "/") + QLatin1String(relativePath));
}

// The value of a page expression in the view's main world; invalid when the
// page did not answer in time.
inline QVariant evaluate(QWebEngineView& view, const QString& expression) {
    QVariant result;
    bool done = false;
    view.page()->runJavaScript(expression, [&](const QVariant& value) {
        result = value;
        done = true;
    });
    (void)QTest::qWaitFor([&] { return done; }, 5000);
    return result;
}

class ToolWindowTest : public test_support::MainWindowFixture {
protected:
    void SetUp() override {
        MainWindowFixture::SetUp();
        // Does nothing when the window installed its tools itself.
        app::installOperationTools(window());
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return platform::WidgetWindowSystem::instance().isConnected(&view()); }, 20000))
            << "the browser's DevTools session did not open";
    }

    QWebEngineView& view() { return *window().browser(); }

    // Loads a fixture page into 超文本浏览框1 and waits until it has loaded.
    void load(const char* relativePath) {
        QSignalSpy finished(&view(), &QWebEngineView::loadFinished);
        view().setUrl(fixtureUrl(relativePath));
        ASSERT_TRUE(finished.wait(20000)) << relativePath;
        ASSERT_TRUE(finished.last().first().toBool()) << relativePath;
    }

    QVariant evaluate(const QString& expression) {
        return tool_window::evaluate(view(), expression);
    }
};

}  // namespace tool_window
