// The code-page conversion on any bytes: what comes out is always well-formed;
// valid UTF-8 goes to GB18030 and back unchanged; a character cut off at the
// end of GB18030 bytes decodes to exactly one U+FFFD after the text before it.
#include <QByteArray>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/code_page.h"

namespace {

void check(bool condition) {
    if (!condition) std::abort();
}

bool isWellFormedUtf8(const std::string& text) {
    const QString decoded = QString::fromUtf8(text.data(), qsizetype(text.size()));
    return decoded.toStdString() == text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);

    // Any bytes as GB18030.
    const std::string decoded = platform::codePageToUtf8(input);
    check(isWellFormedUtf8(decoded));

    // Any bytes as UTF-8: malformed parts become U+FFFD, then everything
    // survives the round trip.
    const std::string encoded = platform::utf8ToCodePage(input);
    const std::string back = platform::codePageToUtf8(encoded);
    check(isWellFormedUtf8(back));
    const std::string wellFormed =
        QString::fromUtf8(input.data(), qsizetype(input.size())).toStdString();
    check(back == wellFormed);

    // Cutting the last character of a valid text short.
    if (!wellFormed.empty()) {
        const QString text = QString::fromStdString(wellFormed);
        const qsizetype lastLength = text.at(text.size() - 1).isLowSurrogate() ? 2 : 1;
        const QString head = text.left(text.size() - lastLength);
        const std::string headBytes = platform::utf8ToCodePage(head.toStdString());
        const std::string lastBytes = encoded.substr(headBytes.size());
        check(encoded.compare(0, headBytes.size(), headBytes) == 0);
        for (std::size_t keep = 1; keep < lastBytes.size(); ++keep) {
            const std::string cut = headBytes + lastBytes.substr(0, keep);
            check(platform::codePageToUtf8(cut) == head.toStdString() + "\xEF\xBF\xBD");
        }
    }
    return 0;
}
