#include "platform/code_page.h"

#include <QByteArray>
#include <QByteArrayView>
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
    QString text =
        decoder.decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
    // The decoder holds back the start of a character that the input cut off,
    // waiting for the rest. Whether it holds anything shows when a NUL, which
    // continues no character, is fed after the text: alone it comes back as
    // itself. Held bytes are one cut-off character, so they become exactly
    // one U+FFFD (what the decoder makes of the NUL then is not kept).
    const QString tail = decoder.decode(QByteArrayView("\0", 1));
    if (tail != QString(QChar(0))) text.append(QChar::ReplacementCharacter);
    return text.toStdString();
}

}  // namespace platform
