// Element lookup and element properties on tests/fixtures/page/elements.html.
#include <gtest/gtest.h>

#include <string>

#include "tests/page/page_fixture.h"

namespace {

using automation::AutomationObject;
using automation::readText;

using ElementTest = testsupport::PageTest;

struct FindCase {
    const char* name;
    std::string code;
    std::int32_t codeKind;
    std::string foundId;  // empty: nothing is found
};

void PrintTo(const FindCase& row, std::ostream* out) { *out << row.name; }

class FindElementTest : public testsupport::PageTest,
                        public testing::WithParamInterface<FindCase> {};

TEST_P(FindElementTest, FindsByItsOwnReadingOfTheKind) {
    load(QStringLiteral("elements.html"));
    const AutomationObject element = page.findElement(GetParam().code, GetParam().codeKind);
    EXPECT_EQ(element.isEmpty(), GetParam().foundId.empty());
    EXPECT_EQ(readText(element, "id"), GetParam().foundId);
}

// Kind 1 is the lookup by name; every other number the lookup by id.
INSTANTIATE_TEST_SUITE_P(
    Kinds, FindElementTest,
    testing::Values(
        FindCase{"NameFirstInDocumentOrder", "shared", 1, "box"},
        FindCase{"IdKindZero", "box", 0, "box"}, FindCase{"IdKindTwo", "box", 2, "box"},
        FindCase{"IdKindThree", "box", 3, "box"}, FindCase{"IdKindFour", "box", 4, "box"},
        FindCase{"IdKindNegative", "box", -1, "box"}, FindCase{"IdKindSeven", "box", 7, "box"},
        FindCase{"NameGivenToIdLookup", "shared", 0, ""},
        FindCase{"IdGivenToNameLookup", "box", 1, ""}, FindCase{"IdIsCaseSensitive", "BOX", 0, ""},
        FindCase{"ChineseId", "中文", 0, "中文"}, FindCase{"ChineseName", "名字", 1, "中文"},
        FindCase{"EmptyId", "", 0, ""}, FindCase{"EmptyName", "", 1, ""}),
    [](const auto& info) { return std::string(info.param.name); });

struct ValueCase {
    const char* name;
    std::string code;
    std::int32_t codeKind;
    std::string value;
    bool written;
    // The values of #box and #second afterwards.
    std::string box;
    std::string second;
};

void PrintTo(const ValueCase& row, std::ostream* out) { *out << row.name; }

class SetValueTest : public testsupport::PageTest, public testing::WithParamInterface<ValueCase> {};

TEST_P(SetValueTest, WritesTheFoundElement) {
    const ValueCase& row = GetParam();
    load(QStringLiteral("elements.html"));
    EXPECT_EQ(page.setValue(row.code, row.codeKind, row.value), row.written);
    EXPECT_EQ(evaluate("document.getElementById('box').value"), row.box);
    EXPECT_EQ(evaluate("document.getElementById('second').value"), row.second);
    EXPECT_EQ(page.getValue(row.code, row.codeKind), row.written ? row.value : "");
}

INSTANTIATE_TEST_SUITE_P(
    Codes, SetValueTest,
    testing::Values(ValueCase{"ById", "box", 0, "new", true, "new", "second value"},
                    ValueCase{"ByNameFirstOnly", "shared", 1, "named", true, "named",
                              "second value"},
                    ValueCase{"EmptyValue", "second", 0, "", true, "first value", ""},
                    ValueCase{"Chinese", "second", 0, "新的值😀", true, "first value", "新的值😀"},
                    ValueCase{"Missing", "nowhere", 0, "x", false, "first value", "second value"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ElementTest, GetValueReadsTheFoundElement) {
    load(QStringLiteral("elements.html"));
    EXPECT_EQ(page.getValue("shared", 1), "first value");
    EXPECT_EQ(page.getValue("中文", 0), "汉字值");
    EXPECT_EQ(page.getValue("nowhere", 0), "");
}

TEST_F(ElementTest, ElementFromPointPassesCoordinatesThrough) {
    load(QStringLiteral("elements.html"));
    EXPECT_EQ(readText(page.elementFromPoint(420, 310), "id"), "spot");
    EXPECT_TRUE(page.elementFromPoint(-50, -50).isEmpty());
}

TEST_F(ElementTest, TextGettersReadHtmlAndText) {
    load(QStringLiteral("elements.html"));
    const AutomationObject label = byId("label");
    EXPECT_EQ(page.innerHtml(label), "Label <b>bold</b>");
    EXPECT_EQ(page.innerText(label), "Label bold");
    EXPECT_EQ(page.outerHtml(label), "<span id=\"label\">Label <b>bold</b></span>");
    EXPECT_EQ(page.outerText(label), "Label bold");
}

TEST_F(ElementTest, TextSettersReplaceContentOrElement) {
    load(QStringLiteral("elements.html"));
    EXPECT_TRUE(page.setInnerHtml(byId("label"), "<i>中</i>"));
    EXPECT_EQ(evaluate("document.getElementById('label').innerHTML"), "<i>中</i>");
    EXPECT_TRUE(page.setInnerText(byId("label"), "a<b"));
    EXPECT_EQ(evaluate("document.getElementById('label').innerHTML"), "a&lt;b");
    EXPECT_TRUE(page.setOuterHtml(byId("block"), "<p id=\"swapped\">s</p>"));
    EXPECT_EQ(evaluate("document.getElementById('swapped').outerHTML"), "<p id=\"swapped\">s</p>");
    EXPECT_EQ(evaluate("String(document.getElementById('block'))"), "null");
    EXPECT_TRUE(page.setOuterText(byId("label"), "plain"));
    EXPECT_EQ(evaluate("String(document.getElementById('label'))"), "null");
    EXPECT_NE(evaluate("document.body.textContent").find("plain"), std::string::npos);
}

TEST_F(ElementTest, EmptyElementGivesEmptyTextsAndFalse) {
    load(QStringLiteral("elements.html"));
    const AutomationObject none;
    EXPECT_EQ(page.innerHtml(none), "");
    EXPECT_EQ(page.innerText(none), "");
    EXPECT_EQ(page.outerHtml(none), "");
    EXPECT_EQ(page.outerText(none), "");
    EXPECT_FALSE(page.setInnerHtml(none, "x"));
    EXPECT_FALSE(page.setInnerText(none, "x"));
    EXPECT_FALSE(page.setOuterHtml(none, "x"));
    EXPECT_FALSE(page.setOuterText(none, "x"));
    EXPECT_FALSE(page.setVisible(none, true));
    EXPECT_FALSE(page.fireEvent(none, "onclick"));
    page.focus(none);
}

TEST_F(ElementTest, FireEventReachesTheHandler) {
    load(QStringLiteral("elements.html"));
    const AutomationObject target = byId("target");
    EXPECT_TRUE(page.fireEvent(target, "onclick"));
    EXPECT_TRUE(page.fireEvent(target, "onmouseover"));
    EXPECT_EQ(log(), "click;over;");
    // No member of that name: an empty event object, and the call still goes
    // out (an event nobody listens to).
    EXPECT_TRUE(page.fireEvent(target, "onnothing"));
    EXPECT_EQ(log(), "click;over;");
}

// The event's member is read as a property only: naming a method ("click",
// "focus", "submit") never calls it, and no such event name is valid.
TEST_F(ElementTest, FireEventNeverPerformsTheNamedMethod) {
    load(QStringLiteral("elements.html"));
    const AutomationObject target = byId("target");
    const AutomationObject box = byId("box");
    page.focus(byId("second"));
    const long before = liveObjects();
    EXPECT_FALSE(page.fireEvent(target, "click"));
    EXPECT_FALSE(page.fireEvent(box, "focus"));
    EXPECT_EQ(liveObjects(), before);
    EXPECT_EQ(log(), "");
    EXPECT_EQ(evaluate("document.activeElement.id"), "second");
    // The handler itself travels as the event object.
    EXPECT_TRUE(page.fireEvent(target, "onclick"));
    EXPECT_EQ(liveObjects(), before);
    EXPECT_EQ(log(), "click;");
}

TEST_F(ElementTest, FocusMovesTheFocus) {
    load(QStringLiteral("elements.html"));
    page.focus(byId("second"));
    EXPECT_EQ(evaluate("document.activeElement.id"), "second");
}

struct VisibleCase {
    const char* name;
    std::string id;
    bool visible;
    const char* check;  // page expression read afterwards
    std::string expected;
};

void PrintTo(const VisibleCase& row, std::ostream* out) { *out << row.name; }

class SetVisibleTest : public testsupport::PageTest,
                       public testing::WithParamInterface<VisibleCase> {};

TEST_P(SetVisibleTest, HidesInputsByTypeAndOthersByDisplay) {
    const VisibleCase& row = GetParam();
    load(QStringLiteral("elements.html"));
    EXPECT_TRUE(page.setVisible(byId(row.id), row.visible));
    EXPECT_EQ(evaluate(row.check), row.expected);
}

// The document reports tag names in capitals (INPUT): they are lower-cased
// before the comparison.
INSTANTIATE_TEST_SUITE_P(
    Elements, SetVisibleTest,
    testing::Values(VisibleCase{"PasswordHidden", "pw", false, "document.getElementById('pw').type",
                                "hidden"},
                    VisibleCase{"PasswordShownAsTextBox", "pw", true,
                                "document.getElementById('pw').type", "text"},
                    VisibleCase{"InputKeepsItsStyle", "box", false,
                                "document.getElementById('box').style.display", ""},
                    VisibleCase{"SpanShownAsBlock", "label", true,
                                "document.getElementById('label').style.display", "block"},
                    VisibleCase{"InlineDivHidden", "block", false,
                                "document.getElementById('block').style.display", "none"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ElementTest, HiddenPasswordComesBackAsTextBox) {
    load(QStringLiteral("elements.html"));
    ASSERT_TRUE(page.setVisible(byId("pw"), false));
    ASSERT_TRUE(page.setVisible(byId("pw"), true));
    EXPECT_EQ(evaluate("document.getElementById('pw').type"), "text");
}

TEST_F(ElementTest, DocumentPropertyReadsMemberWithArgument) {
    load(QStringLiteral("elements.html"));
    EXPECT_EQ(page.documentProperty("queryCommandSupported", "bold"), "true");
    EXPECT_EQ(page.documentProperty("QUERYCOMMANDSUPPORTED", "bold"), "true");
    EXPECT_EQ(page.documentProperty("noSuchMember", "x"), "");
    EXPECT_EQ(page.documentProperty("", "x"), "");
}

TEST_F(ElementTest, ElementsByTagNameGivesTheCollection) {
    load(QStringLiteral("elements.html"));
    EXPECT_EQ(automation::readNumber(page.elementsByTagName("input"), "length"), 4);
    EXPECT_EQ(automation::readNumber(page.elementsByTagName("INPUT"), "length"), 4);
    const AutomationObject none = page.elementsByTagName("nosuchtag");
    EXPECT_FALSE(none.isEmpty());
    EXPECT_EQ(automation::readNumber(none, "length"), 0);
}

}  // namespace
