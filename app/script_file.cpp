#include "app/script_file.h"

namespace app {

QString scriptPath(const QString& name) {
    return QStringLiteral("dat/") + name + QStringLiteral(".ini");
}

bool isUsableScriptName(const QString& name) {
    return !name.isEmpty() && !name.contains(QLatin1Char('/')) && !name.contains(QChar(0)) &&
           name != QLatin1String(".") && name != QLatin1String("..");
}

}  // namespace app
