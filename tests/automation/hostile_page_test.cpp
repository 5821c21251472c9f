// A page that replaces the builtins a binder would lean on (Object.prototype
// members, Function.prototype.call/apply, JSON, Reflect, String, iterators)
// before any call is made: late binding still works, and what the page
// itself breaks fails silently without harming the client.
#include <gtest/gtest.h>

#include "automation/late_bound.h"
#include "tests/support/browser_fixture.h"

using namespace automation;

namespace {

class HostilePage : public testsupport::BrowserTest {
protected:
    void SetUp() override {
        BrowserTest::SetUp();
        if (HasFatalFailure()) return;
        document = loadFixture("automation/hostile.html");
        ASSERT_FALSE(document.isEmpty());
        // The damage is really done.
        ASSERT_EQ(
            evaluate("typeof Function.prototype.call === 'function' && window.JSON === undefined"),
            QJsonValue(true));
    }

    AutomationObject element(const char* id) {
        return callForObject(document, "getElementById", {std::string(id)});
    }

    AutomationObject document;
};

TEST_F(HostilePage, ReadsCallsAndWritesStillBind) {
    const AutomationObject box = element("box");
    ASSERT_FALSE(box.isEmpty());
    EXPECT_EQ(readText(box, "ID"), "box");
    EXPECT_EQ(readText(box, "className"), "greeting");
    EXPECT_EQ(readText(box, "getAttribute", "class"), "greeting");
    EXPECT_EQ(readNumber(readObject(element("list"), "children"), "LENGTH"), 3);
    EXPECT_EQ(readValue(element("ticked"), "checked").toNumber(), -1);
    const AutomationObject field = element("field");
    EXPECT_TRUE(writeProperty(field, "value", std::string("写入 ✓")));
    EXPECT_EQ(readText(field, "Value"), "写入 ✓");
    EXPECT_FALSE(writeProperty(field, "noSuchMember", std::string("x")));
}

TEST_F(HostilePage, WhatThePageBreaksFailsQuietly) {
    const AutomationObject probe = readObject(readObject(document, "defaultView"), "probe");
    ASSERT_FALSE(probe.isEmpty());
    EXPECT_FALSE(callForBool(probe, "fail"));
    // A proxy that throws from every trap.
    const AutomationObject proxy = readObject(probe, "proxy");
    EXPECT_FALSE(proxy.isEmpty());
    EXPECT_EQ(readText(proxy, "anything"), "");
    EXPECT_FALSE(writeProperty(proxy, "anything", 1));
    // An object with no usable text or number.
    EXPECT_EQ(readText(probe, "liar"), "");
    EXPECT_EQ(readNumber(probe, "liar"), 0);
    // The client is unharmed.
    EXPECT_EQ(readText(element("box"), "id"), "box");
}

}  // namespace
