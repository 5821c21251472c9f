// The shared text rules: reading a number, containment, lower-casing and
// byte equality, on ASCII, Chinese, full-width forms and emoji.
#include "page/text_rules.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

using page::text::contains;
using page::text::equalBytes;
using page::text::toInteger;
using page::text::toLowerAscii;

struct IntegerCase {
    const char* name;
    std::string text;
    std::int32_t expected;
};

class ToIntegerTest : public testing::TestWithParam<IntegerCase> {};

TEST_P(ToIntegerTest, ReadsLeadingNumber) {
    EXPECT_EQ(toInteger(GetParam().text), GetParam().expected) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ToIntegerTest,
    testing::Values(IntegerCase{"Plain", "2", 2}, IntegerCase{"Zero", "0", 0},
                    IntegerCase{"Negative", "-1", -1}, IntegerCase{"PlusSign", "+7", 7},
                    IntegerCase{"LeadingBlank", " 2", 2}, IntegerCase{"LeadingTabs", "\t\n 12", 12},
                    IntegerCase{"TrailingText", "12abc", 12}, IntegerCase{"Letters", "abc", 0},
                    IntegerCase{"Empty", "", 0}, IntegerCase{"OnlyBlanks", "   ", 0},
                    IntegerCase{"SignAlone", "-", 0}, IntegerCase{"BlankAfterSign", "- 3", 0},
                    IntegerCase{"FullWidthDigit", "２", 2},
                    IntegerCase{"FullWidthNumber", "１２３", 123},
                    IntegerCase{"FullWidthMinus", "－５", -5},
                    IntegerCase{"IdeographicSpace", "\u3000３", 3},
                    IntegerCase{"MixedWidthDigits", "1２3", 123},
                    IntegerCase{"ChineseFirst", "第2", 0}, IntegerCase{"ChineseAfter", "3个", 3},
                    IntegerCase{"EmojiFirst", "😀1", 0}, IntegerCase{"EmojiAfter", "4😀", 4},
                    // A character just past the full-width block is not a digit.
                    IntegerCase{"BeyondFullWidthBlock", "\uFF5F1", 0},
                    IntegerCase{"MalformedUtf8",
                                "\xFF"
                                "1",
                                0},
                    IntegerCase{"TruncatedUtf8", "\xEF\xBC", 0},
                    // Overlong forms spell ASCII with too many bytes; they are
                    // malformed, never the character they seem to spell.
                    IntegerCase{"OverlongDigit", "\xC0\xB2", 0},
                    IntegerCase{"OverlongDigitAfterDigit", "1\xC0\xB2", 1},
                    IntegerCase{"OverlongDigitThreeBytes", "\xE0\x80\xB2", 0},
                    IntegerCase{"OverlongDigitFourBytes", "\xF0\x80\x80\xB2", 0},
                    IntegerCase{"OverlongMinus",
                                "\xC0\xAD"
                                "5",
                                0},
                    IntegerCase{"OverlongBlank",
                                "\xC0\xA0"
                                "5",
                                0},
                    IntegerCase{"OverlongFullWidthDigit", "\xF0\x8F\xBC\x92", 0},
                    IntegerCase{"Surrogate",
                                "\xED\xA0\x80"
                                "1",
                                0},
                    IntegerCase{"BeyondUnicode",
                                "\xF4\x90\x80\x80"
                                "1",
                                0},
                    IntegerCase{"Largest", "2147483647", 2147483647},
                    IntegerCase{"Lowest", "-2147483648", INT32_MIN},
                    IntegerCase{"ClampedHigh", "99999999999", INT32_MAX},
                    IntegerCase{"ClampedLow", "-99999999999", INT32_MIN}),
    [](const auto& info) { return std::string(info.param.name); });

struct ContainsCase {
    const char* name;
    std::string haystack;
    std::string needle;
    bool expected;
};

class ContainsTest : public testing::TestWithParam<ContainsCase> {};

TEST_P(ContainsTest, FindsNeedle) {
    const auto& row = GetParam();
    EXPECT_EQ(contains(row.haystack, row.needle), row.expected)
        << "haystack '" << row.haystack << "' needle '" << row.needle << "'";
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ContainsTest,
    testing::Values(
        ContainsCase{"Ascii", "Login page", "page", true},
        ContainsCase{"OtherCase", "Login page", "LOG", true},
        ContainsCase{"Whole", "abc", "abc", true}, ContainsCase{"Absent", "abc", "abd", false},
        ContainsCase{"NeedleLonger", "ab", "abc", false},
        ContainsCase{"AtEnd", "xxabc", "BC", true}, ContainsCase{"EmptyNeedle", "abc", "", true},
        ContainsCase{"EmptyHaystack", "", "a", false}, ContainsCase{"BothEmpty", "", "", false},
        ContainsCase{"Chinese", "点击登录按钮", "登录", true},
        ContainsCase{"ChineseAbsent", "点击登录按钮", "注册", false},
        // 登 is E7 99 BB and 录 E5 BD 95: the needle BB E5 BD 95 is a byte
        // match that starts inside 登.
        ContainsCase{"NotInsideCharacter", "登录", "\xBB\xE5\xBD\x95", false},
        ContainsCase{"FullWidthIsNotAscii", "ＡＢＣ", "abc", false},
        // Only A to Z fold: full-width letters compare as they are.
        ContainsCase{"FullWidthCaseKept", "ＡＢＣ", "ａｂｃ", false},
        ContainsCase{"FullWidthSame", "价格１２３元", "１２３", true},
        ContainsCase{"Emoji", "ok 😀 done", "😀", true},
        ContainsCase{"EmojiTail", "😀", "\x98\x80", false},
        ContainsCase{"AccentedNotFolded", "École", "école", false},
        ContainsCase{"MixedScripts", "Go 前往 NOW", "前往 now", true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TextRules, LowerCasingTouchesOnlyAToZ) {
    EXPECT_EQ(toLowerAscii("INPUT"), "input");
    EXPECT_EQ(toLowerAscii("Submit-Image_09"), "submit-image_09");
    EXPECT_EQ(toLowerAscii("ÀÉ ＡＢ 中文 😀"), "ÀÉ ＡＢ 中文 😀");
    EXPECT_EQ(toLowerAscii(""), "");
}

TEST(TextRules, EqualityIsByteForByte) {
    EXPECT_TRUE(equalBytes("login", "login"));
    EXPECT_FALSE(equalBytes("login", "Login"));
    EXPECT_FALSE(equalBytes("login", "login "));
    EXPECT_TRUE(equalBytes("", ""));
    EXPECT_TRUE(equalBytes("中文", "中文"));
    EXPECT_FALSE(equalBytes("１", "1"));
}

}  // namespace
