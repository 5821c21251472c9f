#include "page/text_rules.h"

#include <limits>

namespace page::text {

namespace {

constexpr bool isContinuationByte(unsigned char byte) { return (byte & 0xC0) == 0x80; }

constexpr char foldAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

constexpr bool isBlank(char32_t c) {
    return c == U' ' || c == U'\t' || c == U'\n' || c == U'\v' || c == U'\f' || c == U'\r';
}

// Reads one character at `position`, advancing it, with the full-width forms
// folded to ASCII. Malformed UTF-8 (a stray or missing continuation byte, a
// sequence cut off at the end, an overlong form such as C0 B2 for "2", a
// surrogate or a value beyond U+10FFFF) yields U+FFFD, which is neither blank,
// sign nor digit and so ends any number.
char32_t nextFoldedCharacter(std::string_view text, std::size_t& position) {
    const auto lead = static_cast<unsigned char>(text[position]);
    if (lead < 0x80) {
        ++position;
        return lead;
    }
    std::size_t length = 0;
    char32_t value = 0;
    char32_t smallest = 0;  // the lowest value that needs this many bytes
    if ((lead & 0xE0) == 0xC0) {
        length = 2;
        value = lead & 0x1F;
        smallest = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        value = lead & 0x0F;
        smallest = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        value = lead & 0x07;
        smallest = 0x10000;
    } else {
        ++position;
        return 0xFFFD;
    }
    if (position + length > text.size()) {
        position = text.size();
        return 0xFFFD;
    }
    for (std::size_t i = 1; i < length; ++i) {
        const auto byte = static_cast<unsigned char>(text[position + i]);
        if (!isContinuationByte(byte)) {
            position += i;
            return 0xFFFD;
        }
        value = (value << 6) | (byte & 0x3F);
    }
    position += length;
    if (value < smallest || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0xFFFD;
    if (value >= 0xFF01 && value <= 0xFF5E) return value - 0xFF01 + 0x21;
    if (value == 0x3000) return U' ';
    return value;
}

}  // namespace

std::int32_t toInteger(std::string_view text) {
    std::size_t position = 0;
    char32_t c = 0;
    do {
        if (position >= text.size()) return 0;
        c = nextFoldedCharacter(text, position);
    } while (isBlank(c));

    bool negative = false;
    if (c == U'+' || c == U'-') {
        negative = c == U'-';
        if (position >= text.size()) return 0;
        c = nextFoldedCharacter(text, position);
    }
    // Accumulate as a negative number so that the lowest value fits.
    constexpr std::int64_t lowest = std::numeric_limits<std::int32_t>::min();
    std::int64_t value = 0;
    while (c >= U'0' && c <= U'9') {
        value = value * 10 - static_cast<std::int64_t>(c - U'0');
        if (value < lowest) value = lowest - 1;  // saturated; stays below the range
        if (position >= text.size()) break;
        c = nextFoldedCharacter(text, position);
    }
    if (negative)
        return value < lowest ? std::numeric_limits<std::int32_t>::min()
                              : static_cast<std::int32_t>(value);
    if (-value > std::numeric_limits<std::int32_t>::max())
        return std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(-value);
}

bool contains(std::string_view haystack, std::string_view needle) {
    if (haystack.empty()) return false;
    if (needle.empty()) return true;
    if (needle.size() > haystack.size()) return false;
    const std::size_t lastStart = haystack.size() - needle.size();
    for (std::size_t start = 0; start <= lastStart; ++start) {
        if (isContinuationByte(static_cast<unsigned char>(haystack[start]))) continue;
        std::size_t i = 0;
        while (i < needle.size() && foldAscii(haystack[start + i]) == foldAscii(needle[i])) ++i;
        if (i == needle.size()) return true;
    }
    return false;
}

std::string toLowerAscii(std::string_view text) {
    std::string lowered(text);
    for (char& c : lowered) c = foldAscii(c);
    return lowered;
}

bool equalBytes(std::string_view left, std::string_view right) { return left == right; }

bool matches(std::string_view haystack, std::string_view needle, bool exact) {
    return exact ? equalBytes(haystack, needle) : contains(haystack, needle);
}

}  // namespace page::text
