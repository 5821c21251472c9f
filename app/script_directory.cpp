#include "app/script_directory.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace app {

namespace {

constexpr auto kScriptFolder = "dat";
constexpr auto kProgramFolder = "scriptmaker";

bool hasWritableScriptFolder(const QString& directory) {
    const QFileInfo folder(QDir(directory).filePath(kScriptFolder));
    return folder.isDir() && folder.isWritable();
}

}  // namespace

QString scriptHomeFor(const QString& programDirectory, const QString& dataHome) {
    if (hasWritableScriptFolder(programDirectory)) return QDir::cleanPath(programDirectory);
    return QDir::cleanPath(QDir(dataHome).filePath(kProgramFolder));
}

QString userDataHome() {
    const QString fromEnvironment = qEnvironmentVariable("XDG_DATA_HOME");
    if (QDir::isAbsolutePath(fromEnvironment)) return fromEnvironment;
    return QDir::home().filePath(".local/share");
}

bool enterScriptHome(QString* error) {
    const QString home = scriptHomeFor(QCoreApplication::applicationDirPath(), userDataHome());
    if (!QDir(home).mkpath(kScriptFolder)) {
        if (error) *error = QStringLiteral("cannot create %1/%2").arg(home, kScriptFolder);
        return false;
    }
    if (!QDir::setCurrent(home)) {
        if (error) *error = QStringLiteral("cannot enter %1").arg(home);
        return false;
    }
    return true;
}

}  // namespace app
