#include "platform/code_page.h"

#include <QByteArray>
#include <QString>
#include <QStringDecoder>
#include <QStringEncoder>

namespace platform {

namespace {

constexpr const char* kCodePageName = "GB18030";

}  // namespace

std::string utf8ToCodePage(std::string_view utf8) {
    const QString text = QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
    QStringEncoder encoder(kCodePageName);
    const QByteArray bytes = encoder.encode(text);
    return bytes.toStdString();
}

std::string codePageToUtf8(std::string_view bytes) {
    QStringDecoder decoder(kCodePageName);
    const QString text =
        decoder.decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
    return text.toStdString();
}

}  // namespace platform
