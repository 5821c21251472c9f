// One pick of the element picker in the real window: from one movement of the
// real pointer over the page in 超文本浏览框1 (an X pointer warp while the
// left button is held on 图片框2) until all five fields show the element
// under it, with the outline drawn on the page and the code's lookup counts
// in the code field's tooltip, as the picker does during every drag. The
// page holds 5,000 elements. A second figure times the pick itself
// (pickElementAt with the outline, called with the pointer already in place).
//
// Usage (under X, e.g. Xvfb with openbox, see README.md):
//   pick_bench [movements]      default 300
// Prints median and 95th percentile in milliseconds.
#include <unistd.h>

#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "app/element_picker.h"
#include "app/main_window.h"
#include "app/operation_tools.h"
#include "platform/widget_window_system.h"

namespace {

constexpr int kElements = 5000;

struct Target {
    QPoint screen;
    std::string outerHtml;
};

double percentile(std::vector<double> values, double fraction) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    return values[size_t(fraction * double(values.size() - 1))];
}

// 5,000 elements: inputs with ids and names, links, and nameless spans.
QString bigPage() {
    QString html = QStringLiteral("<!doctype html><meta charset=utf-8><title>pick</title><body>");
    for (int i = 0; i < kElements; ++i) {
        switch (i % 3) {
            case 0:
                html += QStringLiteral("<input id=i%1 name=n%1 value=v%1 size=6>").arg(i);
                break;
            case 1:
                html += QStringLiteral("<a id=a%1 href=#%1>链接%1</a> ").arg(i);
                break;
            default:
                html += QStringLiteral("<span>块%1</span> ").arg(i);
                break;
        }
    }
    return html + QStringLiteral("</body>");
}

QVariant evaluate(QWebEngineView& view, const QString& expression) {
    QVariant result;
    bool done = false;
    view.page()->runJavaScript(expression, [&](const QVariant& value) {
        result = value;
        done = true;
    });
    (void)QTest::qWaitFor([&] { return done; }, 10000);
    return result;
}

// Elements fully inside the view whose middle hits the element itself.
std::vector<Target> visibleTargets(QWebEngineView& view) {
    const QString expression = QStringLiteral(R"(JSON.stringify(
        Array.from(document.body.children).filter(e => {
          const r = e.getBoundingClientRect();
          return r.width > 4 && r.height > 4 && r.right < innerWidth && r.bottom < innerHeight &&
                 document.elementFromPoint(r.left + r.width / 2, r.top + r.height / 2) === e;
        }).slice(0, 60).map(e => {
          const r = e.getBoundingClientRect();
          return [r.left + r.width / 2, r.top + r.height / 2, e.outerHTML];
        })))");
    std::vector<Target> targets;
    const QJsonArray list =
        QJsonDocument::fromJson(evaluate(view, expression).toString().toUtf8()).array();
    for (const QJsonValue& entry : list) {
        const QJsonArray row = entry.toArray();
        targets.push_back(
            {view.mapToGlobal(QPoint(int(row.at(0).toDouble()), int(row.at(1).toDouble()))),
             row.at(2).toString().toStdString()});
    }
    return targets;
}

bool xdotool(const QStringList& arguments) {
    return QProcess::execute(QStringLiteral("xdotool"), arguments) == 0;
}

int fail(const char* why) {
    std::fprintf(stderr, "pick_bench: %s\n", why);
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (geteuid() == 0) qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication application(argc, argv);
    const int movements = argc > 1 ? std::max(2, std::atoi(argv[1])) : 300;

    app::MainWindow window;
    app::installOperationTools(window);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) return fail("window not shown");
    QWebEngineView& view = *window.browser();
    if (!QTest::qWaitFor(
            [&] { return platform::WidgetWindowSystem::instance().isConnected(&view); }, 20000))
        return fail("the embedded view is not bound");

    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("pick.html")));
    if (!file.open(QIODevice::WriteOnly)) return fail("cannot write the page");
    file.write(bigPage().toUtf8());
    file.close();
    QSignalSpy loaded(&view, &QWebEngineView::loadFinished);
    view.setUrl(QUrl::fromLocalFile(file.fileName()));
    if (!loaded.wait(30000)) return fail("page did not load");
    QTest::qWait(300);
    const int count =
        evaluate(view, QStringLiteral("document.getElementsByTagName('*').length")).toInt();
    const std::vector<Target> targets = visibleTargets(view);
    if (targets.size() < 2) return fail("no elements in view");

    // The left button goes down on the picture, as a user starts a drag.
    auto* picture = qobject_cast<QLabel*>(window.control("图片框2"));
    app::ElementPicker* picker = app::elementPickerOf(window);
    QCursor::setPos(picture->mapToGlobal(picture->rect().center()));
    QTest::qWait(100);
    if (!xdotool({"mousedown", "1"}) || !QTest::qWaitFor([&] { return picker->dragging(); }, 5000))
        return fail("the drag did not start");

    // Between two movements the window paints what the last pick wrote, as
    // it does between frames; that paint is timed on its own, outside the
    // movement.
    const auto settle = [&] {
        QCoreApplication::processEvents();
        QTest::qWait(2);
    };
    std::vector<double> movementMs, pickMs, paintMs;
    int missed = 0;
    // Every element of the page has an id or a name or neither; each way
    // the code field gets its tooltip.
    const auto toolTipCounts = [&] { return !window.control("编辑框2")->toolTip().isEmpty(); };
    QElapsedTimer timer;
    for (int i = 0; i < movements + 10; ++i) {
        const Target& target = targets[size_t(i) % targets.size()];
        settle();
        timer.start();
        QCursor::setPos(target.screen);
        while (window.controlText("编辑框6") != target.outerHtml && timer.elapsed() < 2000)
            QCoreApplication::processEvents();
        const double elapsed = double(timer.nsecsElapsed()) / 1e6;
        if (window.controlText("编辑框6") != target.outerHtml || !toolTipCounts()) ++missed;
        if (i >= 10) movementMs.push_back(elapsed);  // the first ones warm up
    }
    for (int i = 0; i < movements; ++i) {
        settle();
        timer.start();
        const QPoint at = QCursor::pos();
        app::PickOptions outlined;
        outlined.highlight = true;
        (void)app::pickElementAt(window, {at.x(), at.y()}, outlined);
        pickMs.push_back(double(timer.nsecsElapsed()) / 1e6);
        timer.start();
        QCoreApplication::processEvents();
        paintMs.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    xdotool({"mouseup", "1"});
    (void)QTest::qWaitFor([&] { return !picker->dragging(); }, 5000);
    const bool outlined = !QTest::qWaitFor(
        [&] {
            return !evaluate(view, QStringLiteral("document.documentElement.lastElementChild"
                                                  ".localName === 'script-maker-mark'"))
                        .toBool();
        },
        3000);

    std::printf("page: %d elements, %zu distinct targets, %d movements\n", count, targets.size(),
                movements);
    std::printf("movement to five fields filled: median %.3f ms, p95 %.3f ms (missed %d)\n",
                percentile(movementMs, 0.5), percentile(movementMs, 0.95), missed);
    std::printf("picks answered %d, dropped %d, longest hold %.3f ms\n", picker->stats().picks,
                picker->stats().dropped, double(picker->stats().longestPick.count()) / 1e3);
    std::printf("pickElementAt with the outline: median %.3f ms, p95 %.3f ms\n",
                percentile(pickMs, 0.5), percentile(pickMs, 0.95));
    std::printf("window paint after a pick:      median %.3f ms, p95 %.3f ms\n",
                percentile(paintMs, 0.5), percentile(paintMs, 0.95));
    if (outlined) std::printf("the outline stayed after the release\n");
    return missed == 0 && !outlined ? 0 : 1;
}
