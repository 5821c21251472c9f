// The main() of every test executable: a QApplication (the widgets, the
// embedded engine and the protocol client's nested waits all need one), then
// GoogleTest.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>

int main(int argc, char** argv) {
    // The embedded engine refuses to start as root with its sandbox on.
    if (geteuid() == 0) qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication application(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
