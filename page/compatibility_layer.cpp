#include "page/compatibility_layer.h"

#include <QFile>

namespace page {

const QString& compatibilityLayerSource() {
    // Compiled in as a resource of this library, so it cannot be missing at
    // run time; it is read once.
    static const QString source = [] {
        QFile file(QStringLiteral(":/page/compat.js"));
        if (!file.open(QIODevice::ReadOnly)) return QString();
        return QString::fromUtf8(file.readAll());
    }();
    return source;
}

}  // namespace page
