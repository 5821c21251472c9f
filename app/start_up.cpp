#include "app/start_up.h"

#include <QApplication>
#include <QDir>
#include <cstdio>

#include "app/main_window.h"
#include "app/operation_tools.h"
#include "app/script_directory.h"

namespace app {

namespace {

bool isDebuggingSwitch(const QByteArray& argument) {
    return argument.startsWith("--remote-debugging") || argument.startsWith("-remote-debugging");
}

}  // namespace

void refuseDebuggingEndpoint(int& argc, char** argv) {
    qunsetenv("QTWEBENGINE_REMOTE_DEBUGGING");
    const QList<QByteArray> flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS").split(' ');
    QList<QByteArray> kept;
    for (const QByteArray& flag : flags) {
        if (!flag.isEmpty() && !isDebuggingSwitch(flag)) kept << flag;
    }
    if (kept.isEmpty()) {
        qunsetenv("QTWEBENGINE_CHROMIUM_FLAGS");
    } else {
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", kept.join(' '));
    }
    int out = argc > 0 ? 1 : 0;
    for (int in = out; in < argc; ++in) {
        if (!isDebuggingSwitch(QByteArray(argv[in]))) argv[out++] = argv[in];
    }
    if (out < argc) argv[out] = nullptr;
    argc = out;
}

int runScriptMaker(int& argc, char** argv) {
    // The embedded browser is reached through its own pages, never through a
    // debugging endpoint: whatever asks the engine for one is dropped.
    refuseDebuggingEndpoint(argc, argv);
    // The embedded engine shares its GL context with the widgets.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication application(argc, argv);
    // Scripts are saved relative to the current directory: the program's own
    // when it has a "dat" beside it, else the user's data folder.
    if (QString error; !enterScriptHome(&error)) {
        std::fprintf(stderr, "scriptmaker: %s; scripts are saved below %s\n", qPrintable(error),
                     qPrintable(QDir::currentPath()));
    }
    MainWindow window;
    installOperationTools(window);
    window.show();
    return application.exec();
}

}  // namespace app
