#include "app/start_up.h"

#include <QApplication>
#include <QDir>

#include "app/main_window.h"
#include "app/operation_tools.h"

namespace app {

bool enterProgramDirectory() { return QDir::setCurrent(QCoreApplication::applicationDirPath()); }

int runScriptMaker(int& argc, char** argv) {
    // The embedded engine shares its GL context with the widgets.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication application(argc, argv);
    enterProgramDirectory();
    MainWindow window;
    installOperationTools(window);
    window.show();
    return application.exec();
}

}  // namespace app
