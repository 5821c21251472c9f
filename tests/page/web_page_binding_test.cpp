// Binding a page object to a document: by a document object, or by a browser
// window found in a hand-built window tree (the real widget tree is covered in
// tests/platform). The documents are stand-in objects; what matters here is
// which one the page ends up holding and who still holds a reference.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "automation/automation_value.h"
#include "page/web_page.h"
#include "tests/support/fake_window_system.h"

namespace {

using automation::AutomationObject;
using page::WebPage;
using platform::WindowHandle;
using testing_support::FakeWindowSystem;

constexpr const char* kBrowser = "Internet Explorer_Server";

// A document stand-in: answers nothing, but its lifetime shows whether any
// holder still refers to it.
class StandInDocument final : public automation::RemoteObject {
public:
    std::variant<automation::AutomationValue, automation::Failure> invoke(
        const automation::Invocation& /*invocation*/) override {
        return automation::Failure::NotBound;
    }
};

struct Documents {
    std::shared_ptr<StandInDocument> a = std::make_shared<StandInDocument>();
    std::shared_ptr<StandInDocument> b = std::make_shared<StandInDocument>();
    AutomationObject holderA{a};
    AutomationObject holderB{b};
};

// ---------------------------------------------------------------------------
// Walking the window tree.

struct WalkCase {
    std::string name;
    std::function<void(FakeWindowSystem&)> build;
    WindowHandle window;
    WindowHandle found;                // findBrowserWindow
    std::vector<WindowHandle> listed;  // listBrowserWindows into an empty list
};

class WindowWalk : public testing::TestWithParam<WalkCase> {};

TEST_P(WindowWalk, FindsAndListsBrowserWindows) {
    const WalkCase& c = GetParam();
    FakeWindowSystem windows;
    c.build(windows);
    WebPage page;

    EXPECT_EQ(page.findBrowserWindow(c.window), c.found);
    std::vector<WindowHandle> listed;
    EXPECT_EQ(page.listBrowserWindows(c.window, listed), !c.listed.empty());
    EXPECT_EQ(listed, c.listed);
}

constexpr WindowHandle kTopBit = 0x80000010u;

INSTANTIATE_TEST_SUITE_P(
    Trees, WindowWalk,
    testing::Values(
        WalkCase{"NoChildren", [](FakeWindowSystem& w) { w.add(0, 1, "Frame"); }, 1, 0, {}},
        WalkCase{"WindowItselfIsNeverTested",
                 [](FakeWindowSystem& w) { w.add(0, 5, kBrowser); },
                 5,
                 0,
                 {}},
        WalkCase{"DeepNesting",
                 [](FakeWindowSystem& w) {
                     w.add(0, 1, "Frame");
                     w.add(1, 2, "Group");
                     w.add(2, 3, "Group");
                     w.add(3, 4, "View");
                     w.add(4, 5, kBrowser);
                 },
                 1,
                 5,
                 {5}},
        // The first branch in Z order wins even when the other browser sits
        // higher up: the search is depth first.
        WalkCase{"TwoBrowsersInZOrder",
                 [](FakeWindowSystem& w) {
                     w.add(0, 1, "Frame");
                     w.add(1, 2, "Group");
                     w.add(2, 3, kBrowser);
                     w.add(1, 4, kBrowser);
                 },
                 1,
                 3,
                 {3, 4}},
        WalkCase{"BrowserInsideBrowser",
                 [](FakeWindowSystem& w) {
                     w.add(0, 1, "Frame");
                     w.add(1, 2, kBrowser);
                     w.add(2, 3, kBrowser);
                 },
                 1,
                 2,
                 {2, 3}},
        // Visiting order: a window, the windows below it, then its sibling.
        WalkCase{"ListInVisitingOrder",
                 [](FakeWindowSystem& w) {
                     w.add(0, 1, "Frame");
                     w.add(1, 2, kBrowser);
                     w.add(2, 3, "Group");
                     w.add(3, 4, kBrowser);
                     w.add(1, 5, kBrowser);
                 },
                 1,
                 2,
                 {2, 4, 5}},
        WalkCase{"TopBitHandleEndsOnlyTheFindWalk",
                 [](FakeWindowSystem& w) {
                     w.add(0, 1, "Frame");
                     w.add(1, 2, "Group");
                     w.add(1, kTopBit, kBrowser);
                     w.add(1, 4, kBrowser);
                 },
                 1,
                 0,
                 {kTopBit, 4}},
        WalkCase{"TopBitHandleBelowAChild",
                 [](FakeWindowSystem& w) {
                     w.add(0, 1, "Frame");
                     w.add(1, 2, "Group");
                     w.add(2, kTopBit, "Group");
                     w.add(kTopBit, 3, kBrowser);
                     w.add(1, 4, kBrowser);
                 },
                 1,
                 4,
                 {3, 4}},
        WalkCase{"ClassNameComparedExactly",
                 [](FakeWindowSystem& w) {
                     w.add(0, 1, "Frame");
                     w.add(1, 2, "internet explorer_server");
                     w.add(1, 3, "Internet Explorer_Server ");
                     w.add(1, 4, std::string(kBrowser) + std::string(260, 'x'));
                     w.add(1, 5, kBrowser);
                 },
                 1,
                 5,
                 {5}},
        WalkCase{"UnreadableClassNameStillSearchedBelow",
                 [](FakeWindowSystem& w) {
                     w.add(0, 1, "Frame");
                     w.addUnnamed(1, 2);
                     w.add(2, 3, kBrowser);
                 },
                 1,
                 3,
                 {3}},
        WalkCase{"WindowZeroMeansTopLevelWindows",
                 [](FakeWindowSystem& w) {
                     w.add(0, 10, "Frame");
                     w.add(0, 20, "Frame");
                     w.add(20, 21, kBrowser);
                 },
                 0,
                 21,
                 {21}}),
    [](const testing::TestParamInfo<WalkCase>& info) { return info.param.name; });

TEST(ListBrowserWindows, AppendsAfterHandlesAlreadyInTheList) {
    FakeWindowSystem windows;
    windows.add(0, 1, "Frame");
    windows.add(1, 2, kBrowser);
    windows.add(0, 3, "Frame");
    WebPage page;

    std::vector<WindowHandle> list{99};
    EXPECT_TRUE(page.listBrowserWindows(1, list));
    EXPECT_EQ(list, (std::vector<WindowHandle>{99, 2}));

    // No browser below: an earlier handle alone makes the result true.
    std::vector<WindowHandle> held{99};
    EXPECT_TRUE(page.listBrowserWindows(3, held));
    EXPECT_EQ(held, std::vector<WindowHandle>{99});
    std::vector<WindowHandle> empty;
    EXPECT_FALSE(page.listBrowserWindows(3, empty));
}

// ---------------------------------------------------------------------------
// Binding.

enum class Bound { Nothing, A, B };
enum class DocumentArgument { Omitted, A, Empty };

struct AttachCase {
    std::string name;
    std::function<void(FakeWindowSystem&, Documents&)> build;
    Bound before;  // what the page holds before attach
    DocumentArgument documentObject;
    std::optional<WindowHandle> window;
    bool result;
    Bound after;
    std::vector<WindowHandle> asked;  // windows asked for their document
};

class Attach : public testing::TestWithParam<AttachCase> {};

TEST_P(Attach, BindsAsExpected) {
    const AttachCase& c = GetParam();
    FakeWindowSystem windows;
    Documents docs;
    c.build(windows, docs);
    WebPage page;
    if (c.before == Bound::A) page.document = docs.holderA.duplicate();
    if (c.before == Bound::B) page.document = docs.holderB.duplicate();

    AutomationObject empty;
    const AutomationObject* given = nullptr;
    if (c.documentObject == DocumentArgument::A) given = &docs.holderA;
    if (c.documentObject == DocumentArgument::Empty) given = &empty;

    EXPECT_EQ(page.attach(given, c.window), c.result);
    EXPECT_EQ(windows.documentRequests(), c.asked);
    switch (c.after) {
        case Bound::Nothing:
            EXPECT_TRUE(page.document.isEmpty());
            break;
        case Bound::A:
            EXPECT_EQ(page.document.remote(), docs.holderA.remote());
            break;
        case Bound::B:
            EXPECT_EQ(page.document.remote(), docs.holderB.remote());
            break;
    }

    // The page holds exactly the references it should: once the test's own
    // holders let go, only the bound document is still alive.
    std::weak_ptr<StandInDocument> a = docs.a, b = docs.b;
    docs.a.reset();
    docs.b.reset();
    docs.holderA.release();
    docs.holderB.release();
    windows.setDocument(2, AutomationObject{});
    windows.setDocument(5, AutomationObject{});
    EXPECT_EQ(!a.expired(), c.after == Bound::A);
    EXPECT_EQ(!b.expired(), c.after == Bound::B);
}

// Window 1 hosts a browser four levels down (5); window 6 has none; window 7
// is a browser that does not answer. Browser 5 answers with document B.
void standardTree(FakeWindowSystem& w, Documents& d) {
    w.add(0, 1, "Frame");
    w.add(1, 2, "Group");
    w.add(2, 3, "Group");
    w.add(3, 4, "View");
    w.add(4, 5, kBrowser);
    w.add(5, 8, kBrowser);
    w.add(0, 6, "Frame");
    w.add(6, 9, "Label");
    w.add(0, 7, kBrowser);
    w.setDocument(5, d.holderB);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Attach,
    testing::Values(AttachCase{"DocumentObject",
                               standardTree,
                               Bound::B,
                               DocumentArgument::A,
                               std::nullopt,
                               true,
                               Bound::A,
                               {}},
                    AttachCase{"EmptyDocumentObjectUnbinds",
                               standardTree,
                               Bound::A,
                               DocumentArgument::Empty,
                               std::nullopt,
                               false,
                               Bound::Nothing,
                               {}},
                    AttachCase{"DocumentObjectWinsOverWindow",
                               standardTree,
                               Bound::Nothing,
                               DocumentArgument::A,
                               WindowHandle{1},
                               true,
                               Bound::A,
                               {}},
                    AttachCase{"NeitherKeepsBinding",
                               standardTree,
                               Bound::A,
                               DocumentArgument::Omitted,
                               std::nullopt,
                               false,
                               Bound::A,
                               {}},
                    AttachCase{"HostWindowFoundHoweverDeep",
                               standardTree,
                               Bound::A,
                               DocumentArgument::Omitted,
                               WindowHandle{1},
                               true,
                               Bound::B,
                               {5}},
                    // The browser window is asked itself, not the browser below it.
                    AttachCase{"BrowserWindowAskedWithoutSearch",
                               standardTree,
                               Bound::Nothing,
                               DocumentArgument::Omitted,
                               WindowHandle{5},
                               true,
                               Bound::B,
                               {5}},
                    AttachCase{"NoBrowserBelowKeepsBinding",
                               standardTree,
                               Bound::A,
                               DocumentArgument::Omitted,
                               WindowHandle{6},
                               false,
                               Bound::A,
                               {}},
                    AttachCase{"SilentBrowserKeepsBinding",
                               standardTree,
                               Bound::A,
                               DocumentArgument::Omitted,
                               WindowHandle{7},
                               false,
                               Bound::A,
                               {7}},
                    AttachCase{"WindowZeroSearchesTopLevelWindows",
                               standardTree,
                               Bound::Nothing,
                               DocumentArgument::Omitted,
                               WindowHandle{0},
                               true,
                               Bound::B,
                               {5}}),
    [](const testing::TestParamInfo<AttachCase>& info) { return info.param.name; });

TEST(DocumentFromWindow, FillsTheGivenHolderOnly) {
    FakeWindowSystem windows;
    Documents docs;
    standardTree(windows, docs);
    WebPage page;

    AutomationObject destination;
    EXPECT_TRUE(page.documentFromWindow(1, destination));
    EXPECT_EQ(destination.remote(), docs.holderB.remote());
    EXPECT_TRUE(page.document.isEmpty());

    // Nothing below: the destination keeps what it held.
    AutomationObject kept = docs.holderA.duplicate();
    EXPECT_FALSE(page.documentFromWindow(6, kept));
    EXPECT_EQ(kept.remote(), docs.holderA.remote());
}

// ---------------------------------------------------------------------------
// Copy and teardown.

TEST(PageLifetime, CopySurvivesTeardownOfTheOriginal) {
    Documents docs;
    std::weak_ptr<StandInDocument> watched = docs.a;
    docs.a.reset();
    std::optional<WebPage> original(std::in_place);
    ASSERT_TRUE(original->attach(&docs.holderA));
    docs.holderA.release();

    WebPage copy = original->copy();
    original.reset();
    EXPECT_FALSE(watched.expired());
    EXPECT_EQ(copy.document.remote(), watched.lock());

    copy.destroy();
    EXPECT_TRUE(copy.document.isEmpty());
    EXPECT_TRUE(watched.expired());
    copy.destroy();  // a second teardown is harmless
}

TEST(PageLifetime, NewAndCopiedUnboundPagesAreUnbound) {
    WebPage page;
    EXPECT_TRUE(page.document.isEmpty());
    EXPECT_TRUE(page.copy().document.isEmpty());
}

TEST(PageLifetime, ReattachToOwnDocumentStaysBound) {
    Documents docs;
    WebPage page;
    ASSERT_TRUE(page.attach(&docs.holderA));
    EXPECT_TRUE(page.attach(&page.document));
    EXPECT_EQ(page.document.remote(), docs.holderA.remote());
}

}  // namespace
