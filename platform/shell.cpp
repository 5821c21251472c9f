#include "platform/shell.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QProcess>
#include <QString>
#include <QUrl>

namespace platform {

bool shellOpen(std::string_view target) {
    const QString text = QString::fromUtf8(target.data(), static_cast<qsizetype>(target.size()));
    if (text.isEmpty()) return false;

    const QFileInfo file(text);
    if (file.exists()) {
        if (file.isFile() && file.isExecutable()) {
            return QProcess::startDetached(file.absoluteFilePath(), {}, QString());
        }
        return QDesktopServices::openUrl(QUrl::fromLocalFile(file.absoluteFilePath()));
    }

    // Only a full address is opened: a bare word is not guessed into one.
    const QUrl url(text, QUrl::StrictMode);
    if (!url.isValid() || url.scheme().isEmpty()) return false;
    return QDesktopServices::openUrl(url);
}

}  // namespace platform
