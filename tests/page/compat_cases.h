#pragma once

// The compatibility layer's cases, one row per member or behaviour: a fixture
// page under tests/fixtures, an expression evaluated in it after it loaded,
// and the JSON the expression must give. The same rows run in the launched
// browser and in the embedded view.
#include <ostream>
#include <string>
#include <vector>

namespace compat_cases {

struct PageCase {
    std::string name;
    std::string fixture;
    std::string expression;
    std::string expected;
};

inline void PrintTo(const PageCase& c, std::ostream* out) { *out << c.name; }

inline constexpr const char* kElements = "compat/elements.html";
inline constexpr const char* kFrames = "compat/frames.html";
inline constexpr const char* kUnaffected = "compat/unaffected.html";

// The host element of the last pop-up shown: the layer puts it at the end of
// the top document's root element.
inline constexpr const char* kPopupHost = "document.documentElement.lastElementChild";

inline const std::vector<PageCase>& pageCases() {
    static const std::vector<PageCase> cases{
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
                 R"(["page popup", "page value", "page all", "object"])"}};
    return cases;
}

}  // namespace compat_cases
