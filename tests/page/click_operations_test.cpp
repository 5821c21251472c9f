// Clicking links and button-like inputs by name, id, position, text and
// address, on tests/fixtures/page/clicks.html. Every row runs twice: with the
// walk read in the page, and through a model that runs no script, where the
// walk goes one candidate at a time.
#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "tests/page/no_script_object.h"
#include "tests/page/page_fixture.h"

namespace {

enum class Target { Link, Button };

struct ClickCase {
    const char* name;
    Target target;
    std::string code;
    std::int32_t codeKind;
    bool exact;
    bool clicked;
    std::string log;  // the ids clicked, each followed by ';'
};

void PrintTo(const ClickCase& row, std::ostream* out) { *out << row.name; }

class ClickTest : public testsupport::PageTest,
                  public testing::WithParamInterface<std::tuple<ClickCase, bool>> {};

TEST_P(ClickTest, ClicksFirstMatch) {
    const auto& [row, oneByOne] = GetParam();
    load(QStringLiteral("clicks.html"));
    page::WebPage* subject = &page;
    page::WebPage plain;
    if (oneByOne) {
        const automation::AutomationObject document =
            testsupport::NoScriptObject::wrap(page.document);
        plain.attach(&document);
        subject = &plain;
    }
    const long before = liveObjects();
    const bool result = row.target == Target::Link
                            ? subject->clickLink(row.code, row.codeKind, row.exact)
                            : subject->clickButton(row.code, row.codeKind, row.exact);
    EXPECT_EQ(result, row.clicked);
    EXPECT_EQ(liveObjects(), before);
    EXPECT_EQ(log(), row.log);
}

// Links in document order: home (Home), login1 and login2 (both "Login
// page"), exactLogin (login), chinese (点击登录), wide (价格１２３), emoji
// (Go 😀 now), blank (no text).
const ClickCase kLinkCases[] = {
    {"NameKindIsIdLookup", Target::Link, "home", 0, false, true, "home;"},
    {"IdKindIsNameLookup", Target::Link, "homeLink", 1, false, true, "home;"},
    {"IdKindWithIdFindsNothing", Target::Link, "home", 1, false, false, ""},
    {"ByIdAnyTag", Target::Link, "text1", 0, false, true, "text1;"},
    {"MissingId", Target::Link, "nowhere", 0, false, false, ""},
    {"IndexFirst", Target::Link, "1", 2, false, true, "home;"},
    {"IndexSecond", Target::Link, "2", 2, false, true, "login1;"},
    {"IndexLast", Target::Link, "8", 2, false, true, "blank;"},
    {"IndexPastEnd", Target::Link, "9", 2, false, false, ""},
    {"IndexZero", Target::Link, "0", 2, false, false, ""},
    {"IndexNegative", Target::Link, "-1", 2, false, false, ""},
    {"IndexLetters", Target::Link, "abc", 2, false, false, ""},
    {"IndexEmpty", Target::Link, "", 2, false, false, ""},
    {"IndexFullWidth", Target::Link, "２", 2, false, true, "login1;"},
    {"IndexLeadingBlank", Target::Link, " 2", 2, false, true, "login1;"},
    {"TitleOtherCase", Target::Link, "LOGIN", 3, false, true, "login1;"},
    {"TitleExactCase", Target::Link, "login", 3, true, true, "exactLogin;"},
    {"TitleExactOtherCaseMisses", Target::Link, "LOGIN PAGE", 3, true, false, ""},
    {"TitleSameTextFirstWins", Target::Link, "Login page", 3, true, true, "login1;"},
    {"TitleChinese", Target::Link, "登录", 3, false, true, "chinese;"},
    {"TitleFullWidth", Target::Link, "１２３", 3, false, true, "wide;"},
    {"TitleFullWidthIsNotAscii", Target::Link, "123", 3, false, false, ""},
    {"TitleEmoji", Target::Link, "😀", 3, false, true, "emoji;"},
    {"TitleEmptyContained", Target::Link, "", 3, false, true, "home;"},
    {"TitleEmptyExact", Target::Link, "", 3, true, true, "blank;"},
    {"AddressContained", Target::Link, "LOGIN?SECOND", 4, false, true, "login2;"},
    {"AddressExactNeedsWholeHref", Target::Link, "login?second", 4, true, false, ""},
    {"KindFive", Target::Link, "Home", 5, false, false, ""},
    {"KindNegative", Target::Link, "Home", -1, false, false, ""},
};

// Inputs in document order: text1 (text, "Login"), check1 (checkbox), then
// the button-like ones submit1 (type="Submit", "Login now"), plain (button,
// no value), image1 (IMAGE, pics/first.png), then textWithSrc (text with a
// src), then image2 (pics/second.png), reset1 ("Clear"), submit2 ("Login
// now"); the <button> tagButton ("Login") is a candidate for a title only
// when no input matches.
const ClickCase kButtonCases[] = {
    {"NameKindIsIdLookup", Target::Button, "text1", 0, false, true, "text1;"},
    {"IdKindIsNameLookup", Target::Button, "text1", 1, false, true, "text1;"},
    {"TagButtonById", Target::Button, "tagButton", 0, false, true, "tagButton;"},
    {"MissingId", Target::Button, "nowhere", 0, false, false, ""},
    {"IndexSkipsTextAndCheckBox", Target::Button, "1", 2, false, true, "submit1;"},
    {"IndexSecond", Target::Button, "2", 2, false, true, "plain;"},
    {"IndexImageCounts", Target::Button, "3", 2, false, true, "image1;"},
    {"IndexSkipsTextWithSrc", Target::Button, "4", 2, false, true, "image2;"},
    {"IndexLast", Target::Button, "6", 2, false, true, "submit2;"},
    {"IndexPastEnd", Target::Button, "7", 2, false, false, ""},
    {"IndexZero", Target::Button, "0", 2, false, false, ""},
    {"IndexNegative", Target::Button, "-1", 2, false, false, ""},
    {"IndexLetters", Target::Button, "abc", 2, false, false, ""},
    {"IndexEmpty", Target::Button, "", 2, false, false, ""},
    {"IndexFullWidth", Target::Button, "２", 2, false, true, "plain;"},
    {"IndexLeadingBlank", Target::Button, " 2", 2, false, true, "plain;"},
    {"TitleSkipsTextBoxAndButtonTag", Target::Button, "login", 3, false, true, "submit1;"},
    {"TitleExact", Target::Button, "Clear", 3, true, true, "reset1;"},
    {"TitleExactOtherCaseMisses", Target::Button, "login now", 3, true, false, ""},
    {"TitleButtonTagWhenNoInputMatches", Target::Button, "Login", 3, true, true, "tagButton;"},
    {"TitleSameValueFirstWins", Target::Button, "Login now", 3, true, true, "submit1;"},
    {"TitleEmptyExact", Target::Button, "", 3, true, true, "plain;"},
    {"TitleEmptyContained", Target::Button, "", 3, false, true, "submit1;"},
    {"AddressImageOnly", Target::Button, "second.png", 4, false, true, "image2;"},
    {"AddressFirstImage", Target::Button, "PICS/", 4, false, true, "image1;"},
    {"AddressNoMatch", Target::Button, "third.png", 4, false, false, ""},
    {"KindFive", Target::Button, "1", 5, false, false, ""},
    {"KindNegative", Target::Button, "1", -1, false, false, ""},
};

std::string caseName(const testing::TestParamInfo<std::tuple<ClickCase, bool>>& info) {
    const auto& [row, oneByOne] = info.param;
    return std::string(row.name) + (oneByOne ? "_OneByOne" : "_InPage");
}

INSTANTIATE_TEST_SUITE_P(Links, ClickTest,
                         testing::Combine(testing::ValuesIn(kLinkCases), testing::Bool()),
                         caseName);
INSTANTIATE_TEST_SUITE_P(Buttons, ClickTest,
                         testing::Combine(testing::ValuesIn(kButtonCases), testing::Bool()),
                         caseName);

// Buttons of newer markup (tests/fixtures/page/buttons.html): when no
// button-like input matches a title or an address, <button> elements and
// other elements with role="button" are tried in document order, their
// visible text as the title; an index still counts inputs only.
struct ButtonCase {
    const char* name;
    std::string code;
    std::int32_t codeKind;
    bool exact;
    std::string log;  // the ids clicked, each followed by ';'; empty: nothing
};

void PrintTo(const ButtonCase& row, std::ostream* out) { *out << row.name; }

class ModernButtonTest
    : public testsupport::PageTest,
      public testing::WithParamInterface<std::tuple<ButtonCase, testsupport::Walk>> {};

TEST_P(ModernButtonTest, FallsBackOnlyWhereNoInputMatches) {
    const auto& [row, walk] = GetParam();
    load(QStringLiteral("buttons.html"));
    const long before = liveObjects();
    EXPECT_EQ(subject(walk).clickButton(row.code, row.codeKind, row.exact), !row.log.empty());
    EXPECT_EQ(liveObjects(), before);
    EXPECT_EQ(log(), row.log);
}

// In document order: userBox (text input "Log In"), logIn (<button> "Log
// In"), saveSpan (role=button "Save"), searchInput (submit "Search"),
// searchButton (<button> "Search"), previewInput (text input with
// role=button, "Preview"), goImage (<img role=button src=pics/go.png>),
// imageButton (<button> holding an image pics/inside.png).
const ButtonCase kModernButtonCases[] = {
    {"TitleFindsButtonElement", "Log In", 3, false, "logIn;"},
    {"ExactTitleFindsButtonElement", "Log In", 3, true, "logIn;"},
    {"TitleFindsRoleButton", "save", 3, false, "saveSpan;"},
    {"MatchingInputStillWins", "Search", 3, false, "searchInput;"},
    {"InputWithRoleIsNoFallback", "Preview", 3, false, ""},
    {"NoTitleAnywhere", "Cancel", 3, false, ""},
    {"AddressFindsRoleButtonImage", "go.png", 4, false, "goImage;"},
    {"AddressOfImageInsideButtonMisses", "inside.png", 4, false, ""},
    {"IndexCountsInputsOnly", "1", 2, false, "searchInput;"},
    {"IndexPastTheInputs", "2", 2, false, ""},
};

INSTANTIATE_TEST_SUITE_P(Rows, ModernButtonTest,
                         testing::Combine(testing::ValuesIn(kModernButtonCases),
                                          testing::Values(testsupport::Walk::InPage,
                                                          testsupport::Walk::OneByOne)),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param).name) + "_" +
                                    testsupport::walkName(std::get<1>(info.param));
                         });

// A page whose scripts broke the built-ins that a walk could lean on still
// gets the right click: the binder uses the built-ins it captured first.
struct BrokenPageCase {
    const char* name;
    const char* breakage;  // a script the page runs before the walk
};

void PrintTo(const BrokenPageCase& row, std::ostream* out) { *out << row.name; }

class BrokenPageTest : public testsupport::PageTest,
                       public testing::WithParamInterface<BrokenPageCase> {};

TEST_P(BrokenPageTest, StillGetsTheRightClick) {
    load(QStringLiteral("clicks.html"));
    evaluate(GetParam().breakage);
    EXPECT_TRUE(page.clickLink("Login page", 3, true));
    EXPECT_TRUE(page.clickButton("Clear", 3));
    EXPECT_EQ(log(), "login1;reset1;");
}

INSTANTIATE_TEST_SUITE_P(
    Breakages, BrokenPageTest,
    testing::Values(
        BrokenPageCase{"JsonLies", "JSON.stringify = () => '[\"lie\"]'; JSON.parse = () => []"},
        BrokenPageCase{"DescriptorsHidden", "Object.getOwnPropertyDescriptor = () => undefined"},
        BrokenPageCase{"DescriptorsThrow",
                       "Object.getOwnPropertyDescriptor = () => { throw new Error('no'); }"},
        BrokenPageCase{"LowerCasingBroken",
                       "String.prototype.toLowerCase = function () { return ''; }"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ClickUnbound, EveryKindReturnsFalse) {
    page::WebPage unbound;
    for (std::int32_t kind : {0, 1, 2, 3, 4, 5}) {
        EXPECT_FALSE(unbound.clickLink("1", kind)) << kind;
        EXPECT_FALSE(unbound.clickButton("1", kind)) << kind;
    }
}

}  // namespace
