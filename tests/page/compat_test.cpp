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
#include "tests/page/compat_cases.h"
#include "tests/support/browser_fixture.h"

namespace {

using automation::AutomationObject;
using automation::AutomationValue;

using compat_cases::kElements;
using compat_cases::kFrames;
using compat_cases::PageCase;
using compat_cases::pageCases;

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
    const QJsonValue got = evaluate(c.expression);
    EXPECT_EQ(got, expected)
        << c.expression << "\n gave "
        << QJsonDocument(QJsonArray{got}).toJson(QJsonDocument::Compact).toStdString();
}

INSTANTIATE_TEST_SUITE_P(Page, CompatibilityMembers, testing::ValuesIn(pageCases()),
                         [](const testing::TestParamInfo<PageCase>& info) {
                             return info.param.name;
                         });

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
