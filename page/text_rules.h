#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The text rules that every page operation shares, in one place. Texts are
// UTF-8 throughout; the rules were first stated for a double-byte code page
// and keep their meaning here:
//
// - a character is never split: a match starts only where a character starts;
// - only the ASCII letters A to Z have a letter case;
// - full-width forms of ASCII characters read as those characters wherever a
//   text is read as a number.
namespace page::text {

// The text read as a 32-bit integer: leading blanks are skipped, then an
// optional sign and the leading decimal digits are taken; a text that does not
// begin with a number gives 0. Full-width forms U+FF01 to U+FF5E count as the
// ASCII characters U+0021 to U+007E and the ideographic space U+3000 as a
// blank, so "２" and "　２" both read as 2. Values beyond the 32-bit range are
// clamped to it.
std::int32_t toInteger(std::string_view text);

// Whether `needle` occurs in `haystack`, comparing A to Z without regard to
// case and every other byte as it is. A match never starts inside a multi-byte
// character. An empty needle occurs in every non-empty text and in no empty
// text.
bool contains(std::string_view haystack, std::string_view needle);

// `text` with A to Z turned into a to z; every other byte is kept.
std::string toLowerAscii(std::string_view text);

// Byte-for-byte equality, letter case included; an absent text is the empty
// text, so callers pass "" for what the document did not supply.
bool equalBytes(std::string_view left, std::string_view right);

// The match rule of the locating walks: byte equality when `exact`, else
// containment.
bool matches(std::string_view haystack, std::string_view needle, bool exact);

}  // namespace page::text
