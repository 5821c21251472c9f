// The collection walks that clickLink, clickButton, findForm, submitForm,
// findFrame and selectBox share, in both walk modes: matches past the first
// chunk, texts cut at a NUL, a page that changes its collection while it is
// walked, lengths that lie, and pages or browsers that stop answering in the
// middle of a walk.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTimer>
#include <string>
#include <tuple>

#include "automation/cdp_connection.h"
#include "automation/cdp_session.h"
#include "automation/chromium_process.h"
#include "page/companions.h"
#include "tests/page/page_fixture.h"

namespace {

using testsupport::Walk;

class WalkTest : public testsupport::PageTest, public testing::WithParamInterface<Walk> {
protected:
    page::WebPage& subject() { return PageTest::subject(GetParam()); }
};

TEST_P(WalkTest, MatchesPastTheFirstChunk) {
    load(QStringLiteral("walks.html?links=800&buttons=600"));
    const long before = liveObjects();
    EXPECT_TRUE(subject().clickLink("link 700", 3, true));
    EXPECT_EQ(liveObjects(), before);
    EXPECT_TRUE(subject().clickLink("#a799", 4));
    // Button-like inputs are counted across chunks: the 200th is s199, at
    // position 399 among 600 inputs.
    EXPECT_TRUE(subject().clickButton("200", 2));
    EXPECT_TRUE(subject().clickButton("button 250", 3, true));
    EXPECT_FALSE(subject().clickButton("301", 2));
    EXPECT_FALSE(subject().clickLink("link 800", 3, true));
    EXPECT_EQ(liveObjects(), before);
    EXPECT_EQ(log(), "a700;a799;s199;s250;");
}

TEST_P(WalkTest, TextsEndAtTheirFirstNul) {
    // Links: "Home\0Page" (nul), then "Page" (page).
    load(QStringLiteral("walks.html?nul=1"));
    const long before = liveObjects();
    EXPECT_TRUE(subject().clickLink("Page", 3));
    EXPECT_TRUE(subject().clickLink("Home", 3, true));
    EXPECT_FALSE(subject().clickLink(std::string("Home\0Page", 9), 3, true));
    EXPECT_EQ(liveObjects(), before);
    EXPECT_EQ(log(), "page;nul;");
}

TEST_P(WalkTest, ActsOnTheCandidateItTested) {
    // Reading the compared text of each "target" element puts a decoy in
    // front of the collection: fetching the match again by position would
    // get the decoy.
    load(QStringLiteral("mutating.html"));
    const long before = liveObjects();
    EXPECT_TRUE(subject().clickLink("target", 3, true));
    EXPECT_TRUE(subject().clickButton("target", 3, true));
    {
        page::SelectBox box = subject().selectBox("target", 0);
        EXPECT_EQ(automation::readText(box.selectElement, "id"), "targetSelect");
    }
    EXPECT_EQ(liveObjects(), before);
    EXPECT_EQ(log(), "target;targetButton;");
    EXPECT_TRUE(subject().submitForm("target", 0));
    const auto request = server().waitForRequest("/submit");
    ASSERT_TRUE(request.has_value());
    EXPECT_EQ(request->target, "/submit/target?q=2");
}

INSTANTIATE_TEST_SUITE_P(Modes, WalkTest, testing::Values(Walk::InPage, Walk::OneByOne),
                         [](const auto& info) { return testsupport::walkName(info.param); });

struct LengthCase {
    const char* name;
    const char* length;  // what the collections' "length" answers, as script
    bool lastClicked;    // whether the third and last link is reached
};

void PrintTo(const LengthCase& row, std::ostream* out) { *out << row.name; }

class HostileLengthTest : public testsupport::PageTest,
                          public testing::WithParamInterface<std::tuple<LengthCase, Walk>> {};

// Three links; the page makes every collection claim another length. The
// walk takes what truncates to a count, walks nothing for what does not, and
// ends at the first position that holds no candidate, however long the
// collection claims to be.
TEST_P(HostileLengthTest, WalksWhatIsThereAndEnds) {
    const auto& [row, walk] = GetParam();
    load(QStringLiteral("walks.html?links=3"));
    const std::string lie = std::string(
                                "Object.defineProperty(HTMLCollection.prototype, 'length', "
                                "{configurable: true, get() { return ") +
                            row.length + "; }}), 'done'";
    ASSERT_EQ(evaluate(lie.c_str()), "done");
    page::WebPage& driven = subject(walk);
    const long before = liveObjects();
    EXPECT_EQ(driven.clickLink("link 2", 3, true), row.lastClicked);
    EXPECT_FALSE(driven.clickLink("absent", 3, true));
    EXPECT_FALSE(driven.clickButton("absent", 3, true));
    EXPECT_EQ(liveObjects(), before);
    EXPECT_EQ(log(), row.lastClicked ? "a2;" : "");
}

INSTANTIATE_TEST_SUITE_P(Lengths, HostileLengthTest,
                         testing::Combine(testing::Values(LengthCase{"Fraction", "2.7", false},
                                                          LengthCase{"MinusOne", "-1", false},
                                                          LengthCase{"MinusHalf", "-0.5", false},
                                                          LengthCase{"NotANumber", "NaN", false},
                                                          LengthCase{"Infinity", "Infinity", false},
                                                          LengthCase{"Huge", "1e12", true}),
                                          testing::Values(Walk::InPage, Walk::OneByOne)),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param).name) +
                                    testsupport::walkName(std::get<1>(info.param));
                         });

class StalledWalkTest : public testsupport::PageTest, public testing::WithParamInterface<Walk> {};

// The page loops for longer than the bound when the walk reads the second
// link's text, and has replaced String.prototype.toLowerCase as well. The
// walk stops at that time-out instead of paying one bound for each of the
// 28 links that are left.
TEST_P(StalledWalkTest, StopsAtTheFirstTimeOut) {
    constexpr int kBoundMs = 2000;
    load(QStringLiteral("walks.html?links=30"));
    ASSERT_EQ(evaluate(R"((() => {
        const original = Object.getOwnPropertyDescriptor(HTMLElement.prototype, 'innerText');
        Object.defineProperty(HTMLElement.prototype, 'innerText', {configurable: true, get() {
          if (this.id === 'a1') { const end = Date.now() + 5000; while (Date.now() < end) {} }
          return original.get.call(this);
        }});
        String.prototype.toLowerCase = () => { throw new Error('replaced'); };
        return 'done';
    })())"),
              "done");
    page::WebPage& driven = subject(GetParam());
    browserPage->session().connection().setDefaultTimeout(kBoundMs);
    QElapsedTimer timer;
    timer.start();
    EXPECT_FALSE(driven.clickLink("absent", 3, true));
    EXPECT_LT(timer.elapsed(), kBoundMs * 3 / 2);
    browserPage->session().connection().setDefaultTimeout(
        automation::CdpConnection::kDefaultTimeoutMs);
}

INSTANTIATE_TEST_SUITE_P(Modes, StalledWalkTest, testing::Values(Walk::InPage, Walk::OneByOne),
                         [](const auto& info) { return testsupport::walkName(info.param); });

// A browser of the test's own, killed while the walk waits on the second
// link's text: the walk makes no call after that one.
TEST(BrowserGoneMidWalk, StopsTheWalk) {
    automation::ChromiumLauncher browser;
    ASSERT_TRUE(browser.start()) << browser.errorText().toStdString();
    const auto session = browser.newPage();
    ASSERT_NE(session, nullptr);
    std::string html =
        "<!DOCTYPE html><script>"
        "const original = Object.getOwnPropertyDescriptor(HTMLElement.prototype, 'innerText');"
        "Object.defineProperty(HTMLElement.prototype, 'innerText', {get() {"
        "  if (this.id === 'a1') { const end = Date.now() + 20000; while (Date.now() < end) {} }"
        "  return original.get.call(this); }});"
        "</script>";
    for (int i = 0; i < 30; ++i) {
        html += "<a id=a" + std::to_string(i) + " href=#>link " + std::to_string(i) + "</a>";
    }
    ASSERT_TRUE(session->navigate(
        QStringLiteral("data:text/html,") +
        QString::fromUtf8(QUrl::toPercentEncoding(QString::fromStdString(html)))));
    const automation::AutomationObject document =
        testsupport::NoScriptObject::wrap(session->document());
    page::WebPage plain;
    ASSERT_TRUE(plain.attach(&document));
    session->connection().setDefaultTimeout(120000);

    testsupport::NoScriptObject::invocations = 0;
    QTimer::singleShot(500, [&] { browser.kill(); });
    EXPECT_FALSE(plain.clickLink("absent", 3, true));
    EXPECT_FALSE(browser.isRunning());
    // getElementsByTagName, length, then item and innerText for two links.
    EXPECT_EQ(testsupport::NoScriptObject::invocations, 6);
}

}  // namespace
