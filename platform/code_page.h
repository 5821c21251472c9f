#pragma once

#include <string>
#include <string_view>

namespace platform {

// The program's 8-bit code page for files and texts that leave the program:
// GB18030, which is byte for byte GBK for every GBK character and can still
// hold every other Unicode character. Inside the program texts are UTF-8.

// UTF-8 to GB18030 bytes. Malformed UTF-8 sequences become U+FFFD first, so
// the result is always a complete, decodable text.
std::string utf8ToCodePage(std::string_view utf8);

// GB18030 bytes to UTF-8. Byte sequences that are not GB18030 become U+FFFD;
// a character cut off at the end (81, 81 30, 81 30 81) becomes exactly one
// U+FFFD.
std::string codePageToUtf8(std::string_view bytes);

}  // namespace platform
