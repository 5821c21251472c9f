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
    // A NUL after the text cannot continue a multi-byte character, so a
    // character cut off at the end is decoded as U+FFFD instead of being
    // held back for input that never comes; the NUL is dropped again.
    QByteArray input(bytes.data(), static_cast<qsizetype>(bytes.size()));
    input.append('\0');
    QString text = decoder.decode(input);
    if (text.endsWith(QChar(0))) text.chop(1);
    return text.toStdString();
}

}  // namespace platform
