// One late-bound read on the embedded view of the real main window: the text
// property "title" of the document that a document request to 超文本浏览框1
// gives, and one read of an element's "value". Each read is one round trip
// to the embedded engine, started from the application's own code (never
// from inside an engine callback). A third figure is the document request
// itself.
//
// Usage (under X, e.g. Xvfb with openbox, see README.md):
//   view_read_bench [reads]      default 2000
// Prints median and 95th percentile in milliseconds.
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QWebEngineView>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "app/main_window.h"
#include "app/operation_tools.h"
#include "automation/late_bound.h"
#include "platform/widget_window_system.h"

namespace {

double percentile(std::vector<double> values, double fraction) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    return values[size_t(fraction * double(values.size() - 1))];
}

int fail(const char* why) {
    std::fprintf(stderr, "view_read_bench: %s\n", why);
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (geteuid() == 0) qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication application(argc, argv);
    const int reads = argc > 1 ? std::max(10, std::atoi(argv[1])) : 2000;

    app::MainWindow window;
    app::installOperationTools(window);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) return fail("window not shown");
    QWebEngineView& view = *window.browser();
    platform::WidgetWindowSystem& windows = platform::WidgetWindowSystem::instance();
    // Set-up only (not timed): the view's binding may need a moment.
    if (!QTest::qWaitFor([&] { return windows.isConnected(&view); }, 20000))
        return fail("the view's binding is not ready");

    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("read.html")));
    if (!file.open(QIODevice::WriteOnly)) return fail("cannot write the page");
    file.write(
        "<!doctype html><meta charset=utf-8><title>读 title</title>"
        "<input id=field value=\"值 value\">");
    file.close();
    QSignalSpy loaded(&view, &QWebEngineView::loadFinished);
    view.setUrl(QUrl::fromLocalFile(file.fileName()));
    if (!loaded.wait(30000)) return fail("page did not load");

    const platform::WindowHandle documentWindow = windows.handleFor(view.focusProxy());
    const auto request = [&] {
        return windows.requestDocument(documentWindow, std::chrono::milliseconds(1000));
    };
    const automation::AutomationObject document = request();
    if (document.isEmpty()) return fail("no document");
    const automation::AutomationObject field =
        automation::callForObject(document, "getElementById", {std::string("field")});
    if (automation::readText(document, "title") != "读 title" ||
        automation::readText(field, "value") != "值 value")
        return fail("the reads give the wrong texts");

    std::vector<double> titleMs, valueMs, requestMs;
    QElapsedTimer timer;
    for (int i = 0; i < reads + 20; ++i) {
        QCoreApplication::processEvents();
        timer.start();
        const std::string title = automation::readText(document, "title");
        const double titleElapsed = double(timer.nsecsElapsed()) / 1e6;
        timer.start();
        const std::string value = automation::readText(field, "value");
        const double valueElapsed = double(timer.nsecsElapsed()) / 1e6;
        if (title.empty() || value.empty()) return fail("a read failed");
        if (i >= 20) {  // the first ones warm up
            titleMs.push_back(titleElapsed);
            valueMs.push_back(valueElapsed);
        }
    }
    for (int i = 0; i < std::max(10, reads / 10); ++i) {
        QCoreApplication::processEvents();
        timer.start();
        if (request().isEmpty()) return fail("a document request failed");
        requestMs.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::printf("%d reads on the view\n", reads);
    std::printf("readText(document, \"title\"): median %.3f ms, p95 %.3f ms\n",
                percentile(titleMs, 0.5), percentile(titleMs, 0.95));
    std::printf("readText(element, \"value\"):  median %.3f ms, p95 %.3f ms\n",
                percentile(valueMs, 0.5), percentile(valueMs, 0.95));
    std::printf("document request:            median %.3f ms, p95 %.3f ms\n",
                percentile(requestMs, 0.5), percentile(requestMs, 0.95));
    return 0;
}
