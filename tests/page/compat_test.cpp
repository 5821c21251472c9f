// The compatibility layer in the real browser: each row loads a small fixture
// page with the layer installed and checks one member or behaviour from inside
// the page. Late-bound rows below call the members the way the page
// operations do, by name through the binder.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <string>

#include "automation/automation_value.h"
#include "automation/cdp_session.h"
#include "automation/late_bound.h"
#include "page/compatibility_layer.h"
#include "tests/support/browser_fixture.h"

namespace {

using automation::AutomationObject;
using automation::AutomationValue;

struct PageCase {
    std::string name;
    std::string fixture;     // under tests/fixtures
    std::string expression;  // evaluated in the page after it loaded
    std::string expected;    // JSON
};

void PrintTo(const PageCase& c, std::ostream* out) { *out << c.name; }

class CompatibilityLayer : public testsupport::BrowserTest {
protected:
    void SetUp() override {
        BrowserTest::SetUp();
        ASSERT_TRUE(page().isOpen());
        ASSERT_FALSE(page::compatibilityLayerSource().isEmpty());
        ASSERT_TRUE(page().addScriptToNewDocuments(page::compatibilityLayerSource()));
    }

    static QJsonValue json(const std::string& text) {
        return QJsonDocument::fromJson(QByteArray::fromStdString("[" + text + "]")).array().at(0);
    }
};

class CompatibilityMembers : public CompatibilityLayer,
                             public testing::WithParamInterface<PageCase> {};

TEST_P(CompatibilityMembers, BehaveAsTheOlderModel) {
    const PageCase& c = GetParam();
    ASSERT_FALSE(loadFixture(c.fixture).isEmpty());
    const QJsonValue expected = json(c.expected);
    ASSERT_FALSE(expected.isUndefined()) << "bad expectation " << c.expected;
    EXPECT_EQ(evaluate(c.expression), expected) << c.expression << "\n gave "
                                                << QJsonDocument(QJsonArray{evaluate(c.expression)})
                                                       .toJson(QJsonDocument::Compact)
                                                       .toStdString();
}

const char* const kElements = "compat/elements.html";
const char* const kFrames = "compat/frames.html";
const char* const kUnaffected = "compat/unaffected.html";

// The host element of the last pop-up shown: the layer puts it at the end of
// the top document's root element.
const char* const kPopupHost = "document.documentElement.lastElementChild";

INSTANTIATE_TEST_SUITE_P(
    Page, CompatibilityMembers,
    testing::Values(
        PageCase{"ParentWindowIsTheWindow", kElements, "document.parentWindow === window", "true"},
        PageCase{"FramesCountAndItem", kFrames,
                 "[document.frames.length, document.frames.item(1) === window.frames[1],"
                 " document.frames.item(1.0).name]",
                 R"([3, true, "two"])"},
        PageCase{"FramesItemWithoutArgumentIsTheFirst", kFrames,
                 "document.frames.item() === window.frames[0]", "true"},
        PageCase{"FramesItemByName", kFrames, "document.frames.item('third') === window.frames[2]",
                 "true"},
        PageCase{"FramesItemOutOfRange", kFrames,
                 "[document.frames.item(3), document.frames.item(-1)]", "[null, null]"},
        PageCase{"FramesOfAPageWithoutFrames", kElements, "document.frames.length", "0"},
        // A frame's own element named "id" still wins over the host's id.
        PageCase{"FrameWindowsAnswerTheirHostId", kFrames,
                 "[0, 1, 2].map((i) => { const id = document.frames.item(i).id;"
                 " return typeof id === 'string' ? id : id.tagName; })",
                 R"(["first", "P", ""])"},
        PageCase{"TopWindowHasNoId", kFrames, "'id' in window", "false"},
        PageCase{"AllIsTheDescendantsInDocumentOrder", kElements,
                 "(() => { const all = document.getElementById('outer').all;"
                 " return Array.from({length: all.length}, (_, i) => all.item(i).id); })()",
                 R"(["para", "bold", "span"])"},
        PageCase{"AllIsLive", kElements,
                 "(() => { const all = document.getElementById('outer').all;"
                 " document.getElementById('span').append(document.createElement('i'));"
                 " return all.length; })()",
                 "4"},
        PageCase{"AllItemByIdAndWithoutArgument", kElements,
                 "[document.body.all.item('bold').tagName, document.body.all.item().id]",
                 R"(["B", "outer"])"},
        PageCase{"TagsInDocumentOrder", kElements,
                 "(() => { const t = document.body.all.tags('input');"
                 " return [t.length, t.item(0).value, t.item(1).value,"
                 " document.body.all.tags('SELECT').item().id]; })()",
                 R"([2, "p1", "p2", "choice"])"},
        PageCase{"TagsOnTheDocumentsAll", kElements, "document.all.tags('b').item().id",
                 R"("bold")"},
        PageCase{"ItemWithoutArgumentGivesTheFirst", kElements,
                 "[document.getElementsByName('pick').item().value,"
                 " document.forms.item().id,"
                 " document.getElementById('choice').options.item().text,"
                 " document.getElementById('choice').item().value,"
                 " document.getElementById('form').elements.item().id,"
                 " document.querySelectorAll('b').item().id]",
                 R"(["p1", "form", "Alpha", "a", "choice", "bold"])"},
        PageCase{"ItemOfAnEmptyCollection", kElements, "document.getElementsByName('none').item()",
                 "null"},
        PageCase{"FireEventDispatchesABubblingMouseEvent", kElements,
                 "[document.getElementById('target').fireEvent('onclick', null), log]",
                 R"([true, ["click true true true", "body target"]])"},
        PageCase{"FireEventNameIgnoresCase", kElements,
                 "[document.getElementById('target').fireEvent('onClick'), log[0]]",
                 R"([true, "click true true true"])"},
        PageCase{"FireEventCancelledGivesFalse", kElements,
                 "document.getElementById('link').fireEvent('onclick')", "false"},
        PageCase{"FireEventTakesCoordinatesFromTheTemplate", kElements,
                 "(document.getElementById('target').fireEvent('onmousedown',"
                 " {clientX: 5, clientY: 6}), log)",
                 R"(["mousedown 5 6"])"},
        PageCase{"FireEventOfOtherEventsIsAPlainEvent", kElements,
                 "(document.getElementById('target').fireEvent('onchange'), log)",
                 R"(["change Event"])"},
        PageCase{"FireEventWithoutOnPrefixThrows", kElements,
                 "(() => { try { document.body.fireEvent('click'); return 'ran'; }"
                 " catch (e) { return e.name; } })()",
                 R"("TypeError")"},
        PageCase{"ExecScriptReplacesAWindowFunction", kElements,
                 "(window.execScript('function alert(){return 7;}', 'JScript'), alert())", "7"},
        PageCase{"ExecScriptLanguageIgnoresCase", kElements,
                 "(execScript('var a1 = 1', 'javascript'), execScript('var a2 = 2', 'JAVASCRIPT'),"
                 " execScript('var a3 = 3'), [a1, a2, a3])",
                 "[1, 2, 3]"},
        PageCase{"ExecScriptOtherLanguagesDoNothing", kElements,
                 "[execScript('var vb = 1', 'VBScript'), typeof vb]", R"([null, "undefined"])"},
        PageCase{"ExecScriptErrorsReachTheCaller", kElements,
                 "(() => { try { execScript('this is not script', 'JScript'); return 'ran'; }"
                 " catch (e) { return e.name; } })()",
                 R"("SyntaxError")"},
        PageCase{"PopupBodyAcceptsColoursWithoutHash", kElements,
                 "(() => { const body = createPopup().document.body;"
                 " body.style.backgroundColor = 'FFFFFF'; body.style.border = 'solid C0C0C0 1px';"
                 " body.style.zIndex = '100000';"
                 " return [body.style.backgroundColor, body.style.border, body.style.zIndex]; })()",
                 R"j(["rgb(255, 255, 255)", "1px solid rgb(192, 192, 192)", "100000"])j"},
        PageCase{
            "PopupShowsAtViewportPoint", kElements,
            std::string("(() => { const p = createPopup(); p.document.body.innerHTML = '<b>x</b>';"
                        " p.show(10, 20, 100, 50); const r = ") +
                kPopupHost +
                ".getBoundingClientRect();"
                " return [p.isOpen, r.left, r.top, r.width, r.height]; })()",
            "[true, 10, 20, 100, 50]"},
        PageCase{"PopupShowsRelativeToAnchor", kElements,
                 std::string("(() => { const a = document.getElementById('target');"
                             " const p = createPopup(); p.show(3, 4, 10, 10, a);"
                             " const r = ") +
                     kPopupHost +
                     ".getBoundingClientRect(), b = a.getBoundingClientRect();"
                     " return [r.left - b.left, r.top - b.top]; })()",
                 "[3, 4]"},
        PageCase{"PopupHides", kElements,
                 std::string("(() => { const p = createPopup(); p.show(0, 0, 10, 10); p.hide();"
                             " return [p.isOpen, getComputedStyle(") +
                     kPopupHost + ").display]; })()",
                 R"([false, "none"])"},
        PageCase{
            "PopupContentIsHiddenFromPageQueries", kElements,
            "(() => { const p = createPopup(); p.document.body.innerHTML = '<b id=\"in\">x</b>';"
            " p.show(0, 0, 10, 10); return document.getElementById('in'); })()",
            "null"},
        PageCase{"SelectionTextAndHtml", kElements,
                 "(() => { const r = document.createRange();"
                 " r.selectNodeContents(document.getElementById('para'));"
                 " getSelection().removeAllRanges(); getSelection().addRange(r);"
                 " const range = document.selection.createRange();"
                 " return [range.text, range.htmlText, document.selection.type]; })()",
                 R"(["one two three", "one <b id=\"bold\">two</b> three", "Text"])"},
        PageCase{"PasteHtmlReplacesTheSelection", kElements,
                 "(() => { const r = document.createRange();"
                 " r.selectNode(document.getElementById('bold'));"
                 " getSelection().removeAllRanges(); getSelection().addRange(r);"
                 " document.selection.createRange().pasteHTML('<i>new</i>');"
                 " return document.getElementById('para').innerHTML; })()",
                 R"("one <i>new</i> three")"},
        PageCase{"SelectionInsideATextArea", kElements,
                 "(() => { const area = document.getElementById('area'); area.focus();"
                 " area.setSelectionRange(6, 11); const range = document.selection.createRange();"
                 " const text = range.text; range.pasteHTML('there');"
                 " return [text, area.value]; })()",
                 R"(["world", "hello there"])"},
        PageCase{
            "NoSelectionGivesEmptyTexts", kElements,
            "(() => { getSelection().removeAllRanges(); const r = document.selection.createRange();"
            " return [r.text, r.htmlText, document.selection.type]; })()",
            R"(["", "", "None"])"},
        // A standard page is unaffected.
        PageCase{"StandardItemCallsUnchanged", kElements,
                 "[document.getElementsByName('pick').item(1).value,"
                 " document.getElementsByName('pick').item(9), document.forms.item.length,"
                 " typeof document.all, document.all.length > 0]",
                 R"(["p2", null, 1, "undefined", true])"},
        // Only names that the standard objects do not have themselves.
        PageCase{"AddedMembersAreNotEnumerable", kElements,
                 "(() => { const seen = [];"
                 " const look = (object, names) => { for (const n in object)"
                 " if (names.includes(n)) seen.push(n); };"
                 " look(document.body, ['all', 'fireEvent']);"
                 " look(document, ['frames', 'parentWindow', 'selection', 'fireEvent']);"
                 " look(window, ['execScript', 'createPopup', 'id']);"
                 " look(document.all, ['tags']);"
                 " look(document.body.all, ['root', 'elements']);"
                 " return seen; })()",
                 "[]"},
        PageCase{"PageDefinitionsOfTheSameNamesWin", kUnaffected,
                 "[createPopup(), execScript, document.getElementById('list').all,"
                 " selectionSeen]",
                 R"(["page popup", "page value", "page all", "object"])"}),
    [](const testing::TestParamInfo<PageCase>& info) { return info.param.name; });

// ---------------------------------------------------------------------------
// The members as the page operations reach them: by name, through the binder.

TEST_F(CompatibilityLayer, FramesWalkedByLateBoundCalls) {
    const AutomationObject document = loadFixture(kFrames);
    const AutomationObject frames = automation::readObject(document, "frames");
    EXPECT_EQ(automation::readNumber(frames, "length"), 3);
    const AutomationObject frame = automation::callForObject(frames, "item", {0.0});
    EXPECT_EQ(automation::readText(frame, "name"), "one");
    EXPECT_EQ(automation::readText(frame, "ID"), "first");
    const AutomationObject host = automation::readObject(frame, "frameElement");
    EXPECT_EQ(automation::readText(host, "tagName"), "IFRAME");
}

TEST_F(CompatibilityLayer, FireEventWithTheElementsOwnMemberAsTemplate) {
    const AutomationObject document = loadFixture(kElements);
    const AutomationObject target =
        automation::callForObject(document, "getElementById", {std::string("target")});
    AutomationValue handler = automation::readValue(target, "onclick");
    EXPECT_TRUE(
        automation::callForBool(target, "FireEvent", {std::string("onclick"), std::ref(handler)}));
    EXPECT_EQ(evaluate("log[0]"), QJsonValue("click true true true"));
}

TEST_F(CompatibilityLayer, SelectionTextReadAsText) {
    const AutomationObject document = loadFixture(kElements);
    evaluate(
        "(() => { const r = document.createRange();"
        " r.selectNodeContents(document.getElementById('bold'));"
        " getSelection().removeAllRanges(); getSelection().addRange(r); })()");
    const AutomationObject selection = automation::readObject(document, "selection");
    const AutomationObject range = automation::callForObject(selection, "createRange");
    EXPECT_EQ(automation::readText(range, "Text"), "two");
    EXPECT_EQ(automation::readText(range, "htmlText"), "two");
}

TEST_F(CompatibilityLayer, PopupStyleWrittenWithBareColours) {
    const AutomationObject document = loadFixture(kElements);
    const AutomationObject window = automation::readObject(document, "parentWindow");
    const AutomationObject popup = automation::callForObject(window, "createPopup");
    const AutomationObject body =
        automation::readObject(automation::readObject(popup, "document"), "body");
    const AutomationObject style = automation::readObject(body, "style");
    EXPECT_TRUE(automation::writeProperty(style, "backgroundColor", std::string("000000")));
    EXPECT_TRUE(automation::writeProperty(style, "border", std::string("solid C0C0C0 0px")));
    EXPECT_EQ(automation::readText(style, "backgroundColor"), "rgb(0, 0, 0)");
    EXPECT_EQ(automation::readText(style, "border"), "0px solid rgb(192, 192, 192)");
    automation::callMethod(popup, "show",
                           {std::int32_t{1}, std::int32_t{2}, std::int32_t{30}, std::int32_t{40}});
    EXPECT_EQ(automation::readNumber(popup, "isOpen"), -1);
}

// Script run on the user's behalf must run whatever the page's content
// policy says about eval.
TEST_F(CompatibilityLayer, ExecScriptRunsWhereEvalIsForbidden) {
    // Without the session's policy bypass, the page's own policy is in force.
    page().session().call("Page.setBypassCSP", QJsonObject{{"enabled", false}});
    const AutomationObject document = loadFixture("compat/csp_no_eval.html");
    ASSERT_EQ(evaluate("evalBlocked"), QJsonValue(true));
    const AutomationObject window = automation::readObject(document, "parentWindow");
    automation::callMethod(
        window, "execScript",
        {std::string("function confirm(){return 'replaced';}"), std::string("JScript")});
    EXPECT_EQ(evaluate("confirm()"), QJsonValue("replaced"));
}

TEST_F(CompatibilityLayer, ExecScriptRunsWhereAllScriptIsForbidden) {
    // The library's sessions lift page policies; this page forbids every script.
    const AutomationObject document = loadFixture("compat/csp_strict.html");
    const AutomationObject window = automation::readObject(document, "parentWindow");
    automation::callMethod(window, "execScript",
                           {std::string("window.ran = 'yes'"), std::string("JavaScript")});
    EXPECT_EQ(evaluate("window.ran"), QJsonValue("yes"));
}

}  // namespace
