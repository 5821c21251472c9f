#include "app/start_up.h"

#include <QApplication>
#include <QDir>
#include <cstdio>

#include "app/main_window.h"
#include "app/operation_tools.h"
#include "app/script_directory.h"
#include "automation/embedded_endpoint.h"

namespace app {

int runScriptMaker(int& argc, char** argv) {
    // The embedded engine opens its DevTools endpoint (loopback only) on a
    // port that must be chosen before it starts.
    automation::reserveEmbeddedDebuggingPort();
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
