// The shared text rules on any bytes: no crash, and each rule agrees with a
// plain restatement of it. toInteger is checked against Qt's own UTF-8
// decoder: malformed input (overlong forms, surrogates, cut-off sequences)
// must end a number exactly where a character that is no digit would.
#include <QString>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <string>
#include <string_view>

#include "page/text_rules.h"

namespace {

void check(bool condition) {
    if (!condition) std::abort();
}

// The number rule on text decoded by Qt: full-width forms and the
// ideographic space folded, every other character beyond ASCII (U+FFFD for
// malformed bytes included) a character that is neither blank, sign nor digit.
std::int32_t referenceInteger(std::string_view utf8) {
    const QString text = QString::fromUtf8(utf8.data(), qsizetype(utf8.size()));
    std::string folded;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char32_t c = text.at(i).unicode();
        if (c < 0x80)
            folded += char(c);
        else if (c >= 0xFF01 && c <= 0xFF5E)
            folded += char(c - 0xFF01 + 0x21);
        else if (c == 0x3000)
            folded += ' ';
        else
            folded += '\x01';
    }
    std::size_t at = 0;
    while (at < folded.size() &&
           std::string_view(" \t\n\v\f\r").find(folded[at]) != std::string_view::npos)
        ++at;
    bool negative = false;
    if (at < folded.size() && (folded[at] == '+' || folded[at] == '-'))
        negative = folded[at++] == '-';
    std::int64_t value = 0;
    for (; at < folded.size() && folded[at] >= '0' && folded[at] <= '9'; ++at) {
        value = value * 10 + (folded[at] - '0');
        if (value > std::int64_t(1) << 40) value = std::int64_t(1) << 40;
    }
    if (negative) value = -value;
    if (value > std::numeric_limits<std::int32_t>::max())
        return std::numeric_limits<std::int32_t>::max();
    if (value < std::numeric_limits<std::int32_t>::min())
        return std::numeric_limits<std::int32_t>::min();
    return std::int32_t(value);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    using namespace page::text;

    check(toInteger(input) == referenceInteger(input));

    const std::string lowered = toLowerAscii(input);
    check(lowered.size() == input.size());
    for (std::size_t i = 0; i < input.size(); ++i) {
        const char c = input[i];
        check(lowered[i] == ((c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c));
    }

    // The input as haystack and needle, split at its first NUL.
    const std::size_t split = input.find('\0');
    const std::string_view haystack = input.substr(0, split);
    const std::string_view needle =
        split == std::string_view::npos ? std::string_view() : input.substr(split + 1);
    const bool found = contains(haystack, needle);
    check(found == contains(toLowerAscii(haystack), toLowerAscii(needle)));
    if (needle.empty()) check(found == !haystack.empty());
    if (found) check(toLowerAscii(haystack).find(toLowerAscii(needle)) != std::string::npos);
    // A text holds itself, unless it starts with a stray continuation byte:
    // no match starts on one.
    if (!haystack.empty() && (static_cast<unsigned char>(haystack[0]) & 0xC0) != 0x80)
        check(contains(haystack, haystack));
    check(matches(haystack, needle, true) == (haystack == needle));
    check(matches(haystack, needle, false) == found);
    return 0;
}
