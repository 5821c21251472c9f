// Members bind as the document interface declares them, in both walk modes:
// a form whose controls are named id, name, action, method, value, type and
// submit, a document with an image named "title", and elements with
// expandos named href, innerText, click, type, value and name
// (tests/fixtures/page/shadowed.html).
#include <gtest/gtest.h>

#include <string>

#include "page/companions.h"
#include "tests/page/page_fixture.h"

namespace {

using automation::AutomationObject;
using automation::readText;
using testsupport::Walk;

class DeclaredMembersTest : public testsupport::PageTest, public testing::WithParamInterface<Walk> {
protected:
    void SetUp() override {
        PageTest::SetUp();
        if (HasFatalFailure()) return;
        load(QStringLiteral("shadowed.html"));
        before = liveObjects();
    }
    page::WebPage& subject() { return PageTest::subject(GetParam()); }

    long before = 0;
};

TEST_P(DeclaredMembersTest, FormsKeepTheirOwnMembers) {
    {
        const AutomationObject form = subject().findForm("configForm", 1);
        ASSERT_FALSE(form.isEmpty());
        EXPECT_EQ(readText(form, "id"), "configForm");
        EXPECT_EQ(readText(form, "NAME"), "config");
        EXPECT_EQ(readText(form, "method"), "post");
        EXPECT_EQ(readText(form, "action"), server().url("/submit/config").toStdString());
        EXPECT_EQ(readText(subject().findForm("config", 0), "id"), "configForm");
        EXPECT_EQ(readText(subject().findForm("loginForm", 1), "id"), "loginForm");
        EXPECT_TRUE(subject().findForm("hidden-id", 1).isEmpty());
    }
    EXPECT_EQ(liveObjects(), before);
}

TEST_P(DeclaredMembersTest, SubmitFormSubmitsTheForm) {
    EXPECT_TRUE(subject().submitForm("configForm", 1));
    EXPECT_EQ(liveObjects(), before);
    const auto request = server().waitForRequest("/submit");
    ASSERT_TRUE(request.has_value());
    EXPECT_EQ(request->method, "POST");
    EXPECT_EQ(request->target, "/submit/config");
    EXPECT_EQ(request->body,
              "id=hidden-id&name=control-name&action=control-action&method=control-method&"
              "value=control-value&type=control-type");
}

TEST_P(DeclaredMembersTest, ExpandosShadowNothing) {
    EXPECT_TRUE(subject().clickLink("Real text", 3, true));
    EXPECT_FALSE(subject().clickLink("Fake text", 3, true));
    EXPECT_TRUE(subject().clickLink("/real-address", 4));
    EXPECT_FALSE(subject().clickLink("/fake-address", 4));
    EXPECT_TRUE(subject().clickButton("Real value", 3, true));
    EXPECT_TRUE(subject().clickButton("link", 0));
    {
        page::SelectBox box = subject().selectBox("choice", 0);
        EXPECT_EQ(readText(box.selectElement, "id"), "choiceSelect");
    }
    EXPECT_EQ(subject().pageText("title"), "Shadowed");
    EXPECT_EQ(liveObjects(), before);
    EXPECT_EQ(log(), "link;link;button;link;");
}

INSTANTIATE_TEST_SUITE_P(Modes, DeclaredMembersTest, testing::Values(Walk::InPage, Walk::OneByOne),
                         [](const auto& info) { return testsupport::walkName(info.param); });

}  // namespace
