// Remote objects are released in the page when their last holder lets go.
// The page watches one object through a WeakRef: after a forced garbage
// collection it is gone exactly when no remote reference to it is left, so a
// leaked object id anywhere keeps it alive and shows.
#include <gtest/gtest.h>

#include "automation/cdp_remote_object.h"
#include "automation/cdp_session.h"
#include "automation/late_bound.h"
#include "tests/support/browser_fixture.h"

using namespace automation;

namespace {

constexpr char kPage[] = R"(<!DOCTYPE html><meta charset="utf-8"><script>
  window.makeTarget = () => {
    const target = {name: "target", self() { return this; }, throwSelf() { throw this; }};
    window.holder = {target};
    window.watch = new WeakRef(target);
    return true;
  };
  window.dropTarget = () => { delete window.holder.target; return true; };
</script>)";

class RemoteObjectLifetime : public testsupport::BrowserTest {
protected:
    void SetUp() override {
        BrowserTest::SetUp();
        if (HasFatalFailure()) return;
        const AutomationObject document = loadHtml(kPage);
        ASSERT_FALSE(document.isEmpty());
        ASSERT_EQ(evaluate("makeTarget()"), QJsonValue(true));
        holder = readObject(readObject(document, "defaultView"), "holder");
        ASSERT_FALSE(holder.isEmpty());
    }

    bool targetCollected() {
        const CdpResult collected = page().session().call("HeapProfiler.collectGarbage");
        EXPECT_TRUE(std::holds_alternative<QJsonObject>(collected));
        return evaluate("window.watch.deref() === undefined") == QJsonValue(true);
    }

    AutomationObject holder;
};

TEST_F(RemoteObjectLifetime, AHeldObjectSurvivesCollectionUntilReleased) {
    AutomationObject target = readObject(holder, "target");
    AutomationObject second = target.duplicate();
    ASSERT_EQ(evaluate("dropTarget()"), QJsonValue(true));
    EXPECT_FALSE(targetCollected());
    target.release();
    EXPECT_FALSE(targetCollected());  // the duplicate still holds it
    second.release();
    EXPECT_TRUE(targetCollected());
}

TEST_F(RemoteObjectLifetime, ThousandsOfCallsLeaveNoObjectsBehind) {
    const long liveBefore = CdpRemoteObject::liveCount();
    for (int i = 0; i < 1000; ++i) {
        const AutomationObject target = readObject(holder, "target");
        ASSERT_EQ(readText(target, "name"), "target");
        const AutomationObject self = callForObject(target, "self");
        ASSERT_FALSE(self.isEmpty());
        AutomationValue value = readValue(holder, "target");
        ASSERT_TRUE(std::holds_alternative<AutomationObject>(value.storage()));
        // A member that throws the object must not leave the exception behind.
        ASSERT_FALSE(callForBool(target, "throwSelf"));
        AutomationValue copy = value.duplicate();
    }
    EXPECT_EQ(CdpRemoteObject::liveCount(), liveBefore);
    ASSERT_EQ(evaluate("dropTarget()"), QJsonValue(true));
    EXPECT_TRUE(targetCollected());
}

}  // namespace
