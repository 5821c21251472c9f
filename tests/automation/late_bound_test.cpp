// The late-bound operations against a real page: how names bind, which
// member kinds each operation reaches, the conversions both ways and the
// silent failures.
#include "automation/late_bound.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QJsonArray>

#include "automation/cdp_connection.h"
#include "automation/cdp_session.h"
#include "automation/remote_object.h"
#include "tests/support/browser_fixture.h"

using namespace automation;

namespace {

Arguments text(const char* value) { return {std::string(value)}; }

// Why an invocation failed, or nothing when it succeeded.
std::optional<Failure> failureOf(const AutomationObject& object, std::string_view name,
                                 std::initializer_list<MemberKind> kinds,
                                 const Arguments& arguments, ResultKind wanted) {
    const std::vector<MemberKind> kindList(kinds);
    auto outcome = object.remote()->invoke(Invocation{name, kindList, arguments, wanted});
    if (const auto* failure = std::get_if<Failure>(&outcome)) return *failure;
    return std::nullopt;
}

class LateBound : public testsupport::BrowserTest {
protected:
    void SetUp() override {
        BrowserTest::SetUp();
        if (HasFatalFailure()) return;
        document = loadFixture("automation/members.html");
        ASSERT_FALSE(document.isEmpty());
        window = readObject(document, "defaultView");
        probe = readObject(window, "probe");
        ASSERT_FALSE(probe.isEmpty());
    }

    AutomationObject element(const char* id) {
        return callForObject(document, "getElementById", text(id));
    }

    AutomationObject document;
    AutomationObject window;
    AutomationObject probe;
};

TEST_F(LateBound, NamesBindExactlyFirstThenIgnoringCase) {
    const AutomationObject box = element("box");
    const AutomationObject mixed = readObject(window, "mixedCase");
    struct Row {
        const char* name;
        const AutomationObject& object;
        const char* member;
        const char* expected;
    } rows[] = {
        {"lower id", box, "id", "box"},
        {"upper ID", box, "ID", "box"},
        {"capital Id", box, "Id", "box"},
        {"inherited accessor in other case", box, "CLASSNAME", "greeting"},
        {"getter on a plain object", probe, "READONLY", "got"},
        {"exact ID wins over Id", mixed, "ID", "upper"},
        {"exact Id wins over ID", mixed, "Id", "cap"},
        {"no exact match: first in own order", mixed, "iD", "cap"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(readText(row.object, row.member), row.expected);
    }
}

TEST_F(LateBound, UnknownNamesFailSilentlyAndCreateNothing) {
    const AutomationObject box = element("box");
    EXPECT_EQ(readText(box, "noSuchMember"), "");
    EXPECT_EQ(readNumber(box, "noSuchMember"), 0);
    EXPECT_TRUE(readObject(box, "noSuchMember").isEmpty());
    EXPECT_TRUE(readValue(box, "noSuchMember").isEmpty());
    EXPECT_FALSE(callForBool(box, "noSuchMember"));
    EXPECT_TRUE(callForObject(box, "noSuchMember").isEmpty());
    EXPECT_FALSE(writeProperty(box, "noSuchMember", std::string("x")));
    EXPECT_EQ(
        failureOf(box, "noSuchMember", {MemberKind::PropertyPut}, text("x"), ResultKind::None),
        Failure::NotBound);
    EXPECT_EQ(evaluate("'noSuchMember' in document.getElementById('box')"), QJsonValue(false));
}

TEST_F(LateBound, PropertyReadReturnsAHandlerWithoutCallingIt) {
    const AutomationObject button = element("handler");
    EXPECT_NE(readText(button, "onclick").find("window.clicks"), std::string::npos);
    EXPECT_EQ(evaluate("window.clicks === undefined"), QJsonValue(true));
    callMethod(button, "click");
    EXPECT_EQ(evaluate("window.clicks"), QJsonValue(1));
}

TEST_F(LateBound, EachOperationReachesItsMemberKinds) {
    // A read takes getters and data, a method call functions; a property
    // read given an argument fails rather than ignoring it.
    const AutomationObject box = element("box");
    EXPECT_EQ(readText(box, "getAttribute", "title"), "你好, 世界 😀");
    EXPECT_EQ(readText(box, "id", "extra"), "");
    EXPECT_EQ(failureOf(box, "id", {MemberKind::PropertyGet}, text("extra"), ResultKind::Text),
              Failure::Threw);
    // A setter-only member cannot be read; a getter-only one cannot be written.
    EXPECT_EQ(readText(probe, "writeOnly"), "");
    EXPECT_TRUE(writeProperty(probe, "WRITEONLY", std::string("w")));
    EXPECT_EQ(readText(probe, "written"), "w");
    EXPECT_FALSE(writeProperty(probe, "readOnly", std::string("x")));
    ASSERT_TRUE(evaluate("Object.defineProperty(probe, 'fixed', {value: 1, writable: false}), true")
                    .toBool());
    EXPECT_FALSE(writeProperty(probe, "fixed", 2));
    // callMethod falls back to a property read; writeProperty to a method.
    EXPECT_FALSE(failureOf(probe, "text", {MemberKind::Method, MemberKind::PropertyGet}, {},
                           ResultKind::None)
                     .has_value());
    EXPECT_TRUE(writeProperty(probe, "record", std::string("by write")));
    EXPECT_EQ(evaluate("recorded"), QJsonValue(QJsonArray{"string:by write"}));
    // A method called for nothing runs once and its result is dropped.
    callMethod(probe, "nothingBack");
    EXPECT_EQ(readNumber(probe, "called"), 1);
}

TEST_F(LateBound, ResultsConvertToTheWantedKind) {
    struct TextRow {
        const char* member;
        const char* expected;
    } texts[] = {{"text", "plain"}, {"count", "42"},      {"empty", ""},
                 {"nothing", ""},   {"flag", "true"},     {"child", "[object Object]"},
                 {"badText", ""},   {"withNul", "before"}};
    for (const TextRow& row : texts) {
        SCOPED_TRACE(row.member);
        EXPECT_EQ(readText(probe, row.member), row.expected);
    }
    struct NumberRow {
        const char* member;
        double expected;
    } numbers[] = {{"count", 42}, {"flag", -1}, {"off", 0},   {"numeric", 12.5},
                   {"wordy", 0},  {"text", 0},  {"empty", 0}, {"nothing", 0}};
    for (const NumberRow& row : numbers) {
        SCOPED_TRACE(row.member);
        EXPECT_EQ(readNumber(probe, row.member), row.expected);
    }
    struct TruthRow {
        const char* member;
        bool expected;
    } truths[] = {
        {"flag", true}, {"off", false}, {"count", true}, {"text", false}, {"empty", false}};
    for (const TruthRow& row : truths) {
        SCOPED_TRACE(row.member);
        EXPECT_EQ(callForBool(probe, row.member), row.expected);
    }
    EXPECT_FALSE(readObject(probe, "child").isEmpty());
    EXPECT_TRUE(readObject(probe, "text").isEmpty());
    EXPECT_TRUE(readObject(probe, "empty").isEmpty());
}

TEST_F(LateBound, ReadValueKeepsTheValueKind) {
    AutomationValue count = readValue(probe, "count");
    ASSERT_TRUE(std::holds_alternative<double>(count.storage()));
    EXPECT_EQ(std::get<double>(count.storage()), 42);
    EXPECT_EQ(std::get<std::string>(readValue(probe, "text").storage()), "plain");
    EXPECT_EQ(std::get<bool>(readValue(probe, "flag").storage()), true);
    EXPECT_TRUE(std::holds_alternative<AutomationValue::Null>(readValue(probe, "empty").storage()));
    EXPECT_TRUE(readValue(probe, "nothing").isEmpty());
    AutomationValue child = readValue(probe, "child");
    ASSERT_TRUE(std::holds_alternative<AutomationObject>(child.storage()));
    EXPECT_EQ(readText(std::get<AutomationObject>(child.storage()), "name"), "child");
}

TEST_F(LateBound, CheckedReadsAsMinusOneOrZero) {
    EXPECT_EQ(readValue(element("ticked"), "checked").toNumber(), -1);
    EXPECT_EQ(readValue(element("unticked"), "checked").toNumber(), 0);
}

TEST_F(LateBound, CollectionLengthAndItems) {
    const AutomationObject items = readObject(element("list"), "children");
    EXPECT_EQ(readNumber(items, "length"), 3);
    EXPECT_EQ(readText(readObject(items, "item", 2.0), "textContent"), "three");
    EXPECT_TRUE(readObject(items, "item", 3.0).isEmpty());
}

TEST_F(LateBound, TextRoundTripsThroughTheDocument) {
    const AutomationObject field = element("field");
    const std::string long_text(20000, 'x');
    struct Row {
        const char* name;
        std::string value;
    } rows[] = {
        {"Chinese", "测试成功"},
        {"emoji with modifier", "😀👍🏽"},
        {"mixed scripts", "aé中😀z"},
        {"quotes and backslashes", "\"'\\</script>"},
        {"empty", ""},
        {"long", long_text},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_TRUE(writeProperty(field, "value", row.value));
        EXPECT_EQ(readText(field, "value"), row.value);
    }
    EXPECT_EQ(readText(element("box"), "title"), "你好, 世界 😀");
}

TEST_F(LateBound, ArgumentsArriveAsTheirKinds) {
    const AutomationObject box = element("box");
    const AutomationObject empty;
    AutomationValue textValue(std::string("v"));
    AutomationValue objectValue(box.duplicate());
    AutomationValue nullValue(AutomationValue::Null{});
    AutomationValue noValue;
    struct Row {
        const char* name;
        Arguments arguments;
        QJsonArray expected;
    };
    const Row rows[] = {
        {"text", text("词"), {"string:词"}},
        {"integer", {std::int32_t(7)}, {"number:7"}},
        {"number", {2.5}, {"number:2.5"}},
        {"not a number", {std::nan("")}, {"number:NaN"}},
        {"object", {std::cref(box)}, {"object:box"}},
        {"empty object", {std::cref(empty)}, {"null"}},
        {"text value by reference", {std::ref(textValue)}, {"string:v"}},
        {"object value by reference", {std::ref(objectValue)}, {"object:box"}},
        {"null value by reference", {std::ref(nullValue)}, {"null"}},
        {"empty value by reference", {std::ref(noValue)}, {"undefined:undefined"}},
        {"four integers and an object",
         {std::int32_t(1), std::int32_t(-2), std::int32_t(3), std::int32_t(4), std::cref(box)},
         {"number:1", "number:-2", "number:3", "number:4", "object:box"}},
        {"two texts", {std::string("a"), std::string("")}, {"string:a", "string:"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        callMethod(probe, "record", row.arguments);
        EXPECT_EQ(evaluate("recorded"), QJsonValue(row.expected));
    }
}

TEST_F(LateBound, PageExceptionsBecomeSilentFailures) {
    EXPECT_FALSE(callForBool(probe, "fail"));
    EXPECT_EQ(readText(probe, "fail"), "");
    EXPECT_EQ(failureOf(probe, "fail", {MemberKind::Method}, {}, ResultKind::Boolean),
              Failure::Threw);
    // A page that throws the binder's own word is still an exception.
    EXPECT_EQ(failureOf(probe, "failWithText", {MemberKind::Method}, {}, ResultKind::None),
              Failure::Threw);
    // The text conversion itself may throw in the page.
    EXPECT_EQ(failureOf(probe, "badText", {MemberKind::PropertyGet}, {}, ResultKind::Text),
              Failure::Threw);
    EXPECT_EQ(readText(element("box"), "id"), "box");
}

TEST_F(LateBound, RunFunctionRunsInThePageWithTheObjectAsThis) {
    const AutomationObject box = element("box");
    auto outcome = box.remote()->runFunction(
        "function (suffix, times) { return this.id + suffix.repeat(times); }",
        {std::string("!"), std::int32_t(3)}, ResultKind::Text);
    ASSERT_TRUE(std::holds_alternative<AutomationValue>(outcome));
    EXPECT_EQ(std::get<std::string>(std::get<AutomationValue>(outcome).storage()), "box!!!");
    auto thrown =
        box.remote()->runFunction("function () { throw new Error('x'); }", {}, ResultKind::Text);
    EXPECT_EQ(std::get<Failure>(thrown), Failure::Threw);
    auto broken = box.remote()->runFunction("function ( {", {}, ResultKind::Text);
    EXPECT_TRUE(std::holds_alternative<Failure>(broken));
}

TEST_F(LateBound, ObjectsOfADocumentThatIsGoneFailSilently) {
    AutomationObject box = element("box");
    AutomationObject moreBox = box.duplicate();
    AutomationObject next = loadHtml("<p id=para>next</p>");
    ASSERT_FALSE(next.isEmpty());
    EXPECT_EQ(readText(box, "id"), "");
    EXPECT_EQ(failureOf(box, "id", {MemberKind::PropertyGet}, {}, ResultKind::Text),
              Failure::Disconnected);
    box.release();
    moreBox.release();  // the release reaches a dead document: harmless
    EXPECT_EQ(readText(callForObject(next, "getElementById", text("para")), "textContent"), "next");
}

TEST_F(LateBound, PageContentSecurityPolicyDoesNotStopTheLibrarysScript) {
    const AutomationObject strict = loadHtml(
        "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; script-src "
        "'none'\">"
        "<p id=para>strict</p>");
    ASSERT_FALSE(strict.isEmpty());
    const AutomationObject para = callForObject(strict, "getElementById", text("para"));
    EXPECT_EQ(readText(para, "textContent"), "strict");
    // Code run on the user's behalf may add script elements of its own.
    auto outcome = para.remote()->runFunction(
        "function (code) { const s = document.createElement('script'); s.textContent = code;"
        " document.body.appendChild(s); return String(window.ran); }",
        text("window.ran = 6 * 7"), ResultKind::Text);
    ASSERT_TRUE(std::holds_alternative<AutomationValue>(outcome));
    EXPECT_EQ(std::get<std::string>(std::get<AutomationValue>(outcome).storage()), "42");
}

// Nodes bind the members their interface declares: a form's controls named
// after its members, a document's named image and expandos on an element
// shadow nothing. Objects that are not nodes (windows, plain objects) keep
// their own members first, so a page's globals stay reachable.
TEST_F(LateBound, NodesBindTheirDeclaredMembers) {
    const AutomationObject page = loadHtml(
        "<title>declared</title><img name=title>"
        "<form id=f name=formName action=/act><input name=id value=control>"
        "<input name=action><button name=submit>s</button></form>"
        "<div id=d></div><script>"
        "const d = document.getElementById('d');"
        "d.expando = 'mine';"
        "Object.defineProperty(d, 'id', {value: 'fake'});"
        "Object.defineProperty(d, 'click', {value: () => { window.fakeClicked = true; }});"
        "window.pageGlobal = 'global';</script>");
    ASSERT_FALSE(page.isEmpty());
    const AutomationObject form = callForObject(page, "getElementById", text("f"));
    EXPECT_EQ(readText(form, "id"), "f");
    EXPECT_EQ(readText(form, "Name"), "formName");
    EXPECT_NE(readText(form, "action").find("/act"), std::string::npos);
    EXPECT_EQ(failureOf(form, "submit", {MemberKind::PropertyGet}, {}, ResultKind::Text),
              Failure::NotBound);
    EXPECT_EQ(readText(page, "title"), "declared");
    const AutomationObject divs = callForObject(page, "getElementsByTagName", text("div"));
    const AutomationObject div = callForObject(divs, "item", {0.0});
    EXPECT_EQ(readText(div, "id"), "d");
    EXPECT_EQ(readText(div, "expando"), "");
    callMethod(div, "click");
    EXPECT_EQ(evaluate("window.fakeClicked === undefined"), QJsonValue(true));
    // The unforgeable members of a node's interface are its own.
    EXPECT_NE(readText(readObject(page, "location"), "href").find("file:"), std::string::npos);
    EXPECT_EQ(readText(readObject(page, "defaultView"), "pageGlobal"), "global");
}

// readProperty reads getters and data, and never calls a method.
TEST_F(LateBound, ReadPropertyNeverCalls) {
    const AutomationObject button = element("handler");
    EXPECT_TRUE(readProperty(button, "click").isEmpty());
    EXPECT_EQ(evaluate("window.clicks === undefined"), QJsonValue(true));
    EXPECT_TRUE(
        std::holds_alternative<AutomationObject>(readProperty(button, "onclick").storage()));
    EXPECT_EQ(std::get<std::string>(readProperty(probe, "text").storage()), "plain");
}

// The batch read gives the texts of many candidates in one call, read as
// readText reads them, and hands back the very candidates it read.
TEST_F(LateBound, BatchReadsTextsAndKeepsItsCandidates) {
    const AutomationObject items = readObject(element("list"), "children");
    const std::string_view none[] = {""};
    auto read = items.remote()->readTexts(TextBatch{"textContent", 1, 5, {}, {}});
    ASSERT_TRUE(std::holds_alternative<TextBatchResult>(read));
    const auto& texts = std::get<TextBatchResult>(read);
    EXPECT_EQ(texts.visited, 2);  // the list ends after "three"
    EXPECT_EQ(texts.positions, (std::vector<std::int32_t>{1, 2}));
    EXPECT_EQ(texts.texts, (std::vector<std::string>{"two", "three"}));
    // Inserting in front does not change which object was read at 2.
    ASSERT_EQ(evaluate("list.prepend(document.createElement('li')), true"), QJsonValue(true));
    auto kept = items.remote()->keptCandidate(1);
    ASSERT_TRUE(std::holds_alternative<AutomationValue>(kept));
    EXPECT_EQ(readText(std::get<AutomationObject>(std::get<AutomationValue>(kept).storage()),
                       "textContent"),
              "three");
    // A gate keeps only candidates whose gate text, A to Z lower-cased, is
    // one of the values.
    const AutomationObject inputs = callForObject(document, "getElementsByTagName", text("input"));
    const std::string_view checkBoxes[] = {"checkbox"};
    auto gated = inputs.remote()->readTexts(TextBatch{"id", 0, 10, "type", checkBoxes});
    ASSERT_TRUE(std::holds_alternative<TextBatchResult>(gated));
    EXPECT_EQ(std::get<TextBatchResult>(gated).texts,
              (std::vector<std::string>{"ticked", "unticked"}));
    auto nothing = inputs.remote()->readTexts(TextBatch{"id", 0, 10, "type", none});
    ASSERT_TRUE(std::holds_alternative<TextBatchResult>(nothing));
    EXPECT_TRUE(std::get<TextBatchResult>(nothing).positions.empty());
    // A model without batch reads says so.
    EXPECT_EQ(std::get<Failure>(probe.remote()->readTexts(TextBatch{"text", 0, 1, {}, {}})),
              Failure::NotBound);
}

// The checked reads tell a time-out from an empty text; inside a failure
// scope every call after the first time-out fails at once.
TEST_F(LateBound, CheckedReadsAndFailureScopesKnowTheFailure) {
    ASSERT_EQ(evaluate("window.spin = {get text() { const end = Date.now() + 4000;"
                       " while (Date.now() < end) {} return 'late'; }}, true"),
              QJsonValue(true));
    const AutomationObject spin = readObject(window, "spin");
    EXPECT_EQ(std::get<std::string>(readTextChecked(probe, "empty")), "");
    EXPECT_EQ(std::get<Failure>(readTextChecked(probe, "noSuchMember")), Failure::NotBound);
    page().session().connection().setDefaultTimeout(1000);
    {
        const FailureScope scope;
        EXPECT_EQ(std::get<Failure>(readTextChecked(spin, "text")), Failure::TimedOut);
        EXPECT_EQ(FailureScope::current(), Failure::TimedOut);
        QElapsedTimer timer;
        timer.start();
        EXPECT_EQ(std::get<Failure>(readNumberChecked(probe, "count")), Failure::TimedOut);
        EXPECT_EQ(readText(probe, "text"), "");
        EXPECT_LT(timer.elapsed(), 500);
    }
    EXPECT_FALSE(FailureScope::current().has_value());
    page().session().connection().setDefaultTimeout(CdpConnection::kDefaultTimeoutMs);
}

// A page created before any document script was registered has no binder
// yet: the first call installs it.
TEST(FreshPage, FirstDocumentGetsTheBinderOnDemand) {
    testsupport::BrowserPage page;
    ASSERT_TRUE(page.isOpen());
    const AutomationObject document = page.document();
    EXPECT_EQ(readText(document, "URL"), "about:blank");
    EXPECT_EQ(readText(document, "url"), "about:blank");
}

}  // namespace
