// Start-up of the script maker: from starting the process to the main window
// shown with its browser ready (the engine has loaded a first document and
// answered a script), and the resident memory at that moment. Each run is a
// fresh process; the figures are the median of the runs.
//
//   startup_bench [runs]      (default 7; needs an X display)
//
// Not a test: it only measures and prints.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTest>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "app/main_window.h"
#include "app/script_directory.h"

namespace {

constexpr const char* kChildFlag = "--child";

// Resident memory of a process in KiB, from /proc; 0 when it is gone.
qint64 residentKiB(const QString& pid) {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly)) return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').first().toLongLong();
    return 0;
}

// The process and all its descendants (the engine runs helper processes).
qint64 treeResidentKiB(const QString& pid) {
    qint64 total = residentKiB(pid);
    QDir tasks(QStringLiteral("/proc/%1/task").arg(pid));
    for (const QString& task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile children(tasks.filePath(task + "/children"));
        if (!children.open(QIODevice::ReadOnly)) continue;
        for (const QByteArray& child : children.readAll().split(' '))
            if (!child.trimmed().isEmpty())
                total += treeResidentKiB(QString::fromLatin1(child.trimmed()));
    }
    return total;
}

// One run: start the window, wait for the browser, report memory, quit.
int child(int argc, char** argv) {
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication application(argc, argv);
    app::enterScriptHome();
    app::MainWindow window;
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) return 2;
    bool loaded = false;
    QObject::connect(window.browser(), &QWebEngineView::loadFinished, [&] { loaded = true; });
    window.browser()->load(QUrl(QStringLiteral("about:blank")));
    if (!QTest::qWaitFor([&] { return loaded; }, 30000)) return 3;
    bool answered = false;
    window.browser()->page()->runJavaScript(QStringLiteral("1 + 1"),
                                            [&](const QVariant&) { answered = true; });
    if (!QTest::qWaitFor([&] { return answered; }, 30000)) return 4;
    const QString self = QString::number(QCoreApplication::applicationPid());
    std::printf("READY %lld %lld\n", residentKiB(self), treeResidentKiB(self));
    std::fflush(stdout);
    return 0;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && qstrcmp(argv[1], kChildFlag) == 0) return child(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 7;
    QCoreApplication application(argc, argv);
    std::vector<double> millis, mainMiB, treeMiB;
    for (int run = 0; run < runs; ++run) {
        QProcess process;
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QElapsedTimer clock;
        clock.start();
        process.start(QCoreApplication::applicationFilePath(), {QString::fromLatin1(kChildFlag)});
        QByteArray line;
        while (!line.contains('\n') && process.waitForReadyRead(60000)) line += process.readLine();
        const double elapsed = clock.nsecsElapsed() / 1e6;
        process.waitForFinished(60000);
        const QList<QByteArray> fields = line.trimmed().split(' ');
        if (fields.size() != 3 || fields[0] != "READY") {
            std::fprintf(stderr, "run %d failed (exit %d)\n", run + 1, process.exitCode());
            return 1;
        }
        millis.push_back(elapsed);
        mainMiB.push_back(fields[1].toDouble() / 1024);
        treeMiB.push_back(fields[2].toDouble() / 1024);
        std::printf("run %d: %.0f ms, resident %.0f MiB (with engine processes %.0f MiB)\n",
                    run + 1, elapsed, mainMiB.back(), treeMiB.back());
    }
    std::printf(
        "median of %d runs: %.0f ms to the window with a ready browser; resident %.0f MiB, "
        "%.0f MiB with the engine's processes\n",
        runs, median(millis), median(mainMiB), median(treeMiB));
    return 0;
}
