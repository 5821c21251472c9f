// UTF-8 <-> GB18030, the program's code page for script files.
#include "platform/code_page.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <string>

namespace {

std::string hex(const std::string& bytes) {
    return QByteArray::fromStdString(bytes).toHex().toStdString();
}

struct Case {
    const char* label;
    const char* utf8;
    const char* gb18030Hex;
};

// Expected bytes from an independent converter (iconv).
const Case kCases[] = {
    {"ascii with CR LF", "a|b\r\n", "617c620d0a"},
    {"GBK characters", "点击按钮|登录框|1|10\r\n", "b5e3bbf7b0b4c5a57cb5c7c2bcbff27c317c31300d0a"},
    {"outside GBK two bytes", "€é", "a2e3a8a6"},
    {"four-byte forms", "\u0080\U00010000", "8130813090308130"},
    {"empty", "", ""},
};

class CodePageTest : public testing::TestWithParam<Case> {};

TEST_P(CodePageTest, EncodesAndDecodesBack) {
    const Case& c = GetParam();
    const std::string bytes = platform::utf8ToCodePage(c.utf8);
    EXPECT_EQ(hex(bytes), c.gb18030Hex);
    EXPECT_EQ(platform::codePageToUtf8(bytes), c.utf8);
}

INSTANTIATE_TEST_SUITE_P(Texts, CodePageTest, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<Case>& info) {
                             return "case" + std::to_string(info.index);
                         });

TEST(CodePage, KeepsNulBytes) {
    const std::string text("a\0b", 3);
    EXPECT_EQ(platform::utf8ToCodePage(text), text);
}

TEST(CodePage, MalformedInputBecomesReplacementCharacter) {
    // A stray UTF-8 continuation byte, then a GB18030 lead byte with nothing after it.
    EXPECT_EQ(hex(platform::utf8ToCodePage("a\x80z")),
              "61"
              "8431a437"
              "7a");
}

struct DecodeCase {
    const char* name;
    std::string bytes;
    std::string utf8;
};

class CodePageDecodeTest : public testing::TestWithParam<DecodeCase> {};

TEST_P(CodePageDecodeTest, DecodesBrokenInput) {
    EXPECT_EQ(hex(platform::codePageToUtf8(GetParam().bytes)), hex(GetParam().utf8));
}

// A character cut off at the end is one U+FFFD, however much of it is there;
// an invalid byte inside the text replaces only the bytes that cannot start
// anything, and what follows is read again (as in the browsers' decoder).
INSTANTIATE_TEST_SUITE_P(
    Texts, CodePageDecodeTest,
    testing::Values(DecodeCase{"LeadByteAtEnd", "a\x81", "a\uFFFD"},
                    DecodeCase{"TwoOfFourAtEnd", "\x81\x30", "\uFFFD"},
                    DecodeCase{"ThreeOfFourAtEnd", "\x81\x30\x81", "\uFFFD"},
                    DecodeCase{"CutOffAfterText", "ab\x81\x30\x81", "ab\uFFFD"},
                    DecodeCase{"WholeFourBytes", "\x81\x30\x81\x30", "\u0080"},
                    DecodeCase{"TwoBytesThenCutOff", "\xb5\xe3\x81", "点\uFFFD"},
                    DecodeCase{"NulAtEnd", std::string("a\0", 2), std::string("a\0", 2)},
                    DecodeCase{"BrokenInside", "\x81\x30z", "\uFFFD0z"},
                    DecodeCase{"InvalidByte",
                               "\xff"
                               "1",
                               "\uFFFD"
                               "1"},
                    DecodeCase{"Empty", "", ""}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
