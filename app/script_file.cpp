#include "app/script_file.h"

#include <QSaveFile>

namespace app {

QString scriptPath(const QString& name) {
    return QStringLiteral("dat/") + name + QStringLiteral(".ini");
}

bool isUsableScriptName(const QString& name) {
    return !name.isEmpty() && !name.contains(QLatin1Char('/')) && !name.contains(QChar(0)) &&
           name != QLatin1String(".") && name != QLatin1String("..");
}

bool writeScriptFile(const QString& path, const QByteArray& bytes, QString* error) {
    QSaveFile file(path);
    const bool written =
        file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
    if (!written && error) *error = file.errorString();
    return written;
}

}  // namespace app
