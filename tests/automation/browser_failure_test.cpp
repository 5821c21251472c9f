// A real browser that hangs, dies or is asked re-entrantly: calls end within
// their bound with the right reason, later calls fail at once, releasing
// objects afterwards is harmless, and nothing hangs.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTest>
#include <QTimer>

#include "automation/cdp_connection.h"
#include "automation/cdp_session.h"
#include "automation/chromium_process.h"
#include "automation/late_bound.h"
#include "tests/support/browser_fixture.h"

using namespace automation;

namespace {

constexpr char kPage[] = R"(<!DOCTYPE html><title>failing</title><div id="box">box</div><script>
  window.spin = () => { for (;;) {} };
  window.ask = () => [alert("hello"), confirm("sure?"), prompt("name?", "default")].join("|");
  window.slow = ms => { const end = Date.now() + Number(ms); while (Date.now() < end) {} return "slow"; };
  window.makeBig = mib => { window.big = "x".repeat(Number(mib) * 1024 * 1024); return "made"; };
</script>)";

Failure failureOf(const AutomationObject& object, std::string_view name,
                  const Arguments& arguments = {}) {
    const MemberKind kinds[] = {MemberKind::Method};
    auto outcome = object.remote()->invoke(Invocation{name, kinds, arguments, ResultKind::Text});
    const auto* failure = std::get_if<Failure>(&outcome);
    return failure ? *failure : Failure::BadReply;
}

// A browser of the test's own, so that it may be killed.
class BrowserFailure : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(browser.start()) << browser.errorText().toStdString();
        session = browser.newPage();
        ASSERT_NE(session, nullptr);
        ASSERT_TRUE(session->navigate("data:text/html," + QString::fromLatin1(kPage)));
        document = session->document();
        window = readObject(document, "defaultView");
        ASSERT_FALSE(window.isEmpty());
    }

    ChromiumLauncher browser;
    std::shared_ptr<CdpSession> session;
    AutomationObject document;
    AutomationObject window;
};

TEST_F(BrowserFailure, KilledMidCallFailsThatCallAndEveryLaterOne) {
    AutomationObject box = callForObject(document, "getElementById", {std::string("box")});
    ASSERT_FALSE(box.isEmpty());
    // The bound is long: the call must end because the browser died.
    session->connection().setDefaultTimeout(120000);
    QTimer::singleShot(300, [&] { browser.kill(); });
    EXPECT_EQ(failureOf(window, "spin"), Failure::Disconnected);
    EXPECT_FALSE(browser.isRunning());
    EXPECT_EQ(failureOf(window, "slow", {std::int32_t(1)}), Failure::Disconnected);
    EXPECT_EQ(readText(box, "id"), "");
    EXPECT_TRUE(session->document().isEmpty());
    EXPECT_EQ(browser.newPage(), nullptr);
    box.release();  // releasing into a dead browser: harmless
    document.release();
}

qint64 millisecondsOf(const std::function<void()>& work) {
    QElapsedTimer timer;
    timer.start();
    work();
    return timer.elapsed();
}

TEST_F(BrowserFailure, FrozenPageCostsOneBoundAndLaterCallsFailAtOnce) {
    session->connection().setDefaultTimeout(1000);
    EXPECT_EQ(failureOf(window, "spin"), Failure::TimedOut);
    // The page is still spinning: the next calls on it do not wait again.
    EXPECT_TRUE(session->connection().isUnresponsive(session->sessionId()));
    const qint64 next = millisecondsOf([&] {
        EXPECT_EQ(failureOf(document, "createElement", {std::string("p")}), Failure::TimedOut);
    });
    EXPECT_LT(next, 500);
    EXPECT_EQ(readText(document, "title"), "");
    // A new page in the same browser still answers.
    session->connection().setDefaultTimeout(CdpConnection::kDefaultTimeoutMs);
    auto other = browser.newPage();
    ASSERT_NE(other, nullptr);
    ASSERT_TRUE(other->navigate("data:text/html,<title>fine</title>"));
    EXPECT_EQ(readText(other->document(), "title"), "fine");
}

TEST_F(BrowserFailure, SlowPageAnswersAgainOnceItIsFree) {
    session->connection().setDefaultTimeout(300);
    QElapsedTimer busy;
    busy.start();
    EXPECT_EQ(failureOf(window, "slow", {std::int32_t(1500)}), Failure::TimedOut);
    // While the page is busy, calls fail at once; when it is free (its late
    // reply came), they are answered again.
    session->connection().setDefaultTimeout(CdpConnection::kDefaultTimeoutMs);
    int fastFailures = 0;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            QElapsedTimer call;
            call.start();
            const std::string title = readText(document, "title");
            if (title.empty()) {
                EXPECT_LT(call.elapsed(), 500);
                ++fastFailures;
            }
            return !title.empty();
        },
        10000));
    EXPECT_GT(fastFailures, 0);
    EXPECT_GE(busy.elapsed(), 1400);  // the answer came when the page was free, not before
    EXPECT_FALSE(session->connection().isUnresponsive(session->sessionId()));
    EXPECT_EQ(session->connection().lateReplies(), 1);
}

TEST_F(BrowserFailure, CallFromAHandlerDuringAWaitIsRefused) {
    std::optional<Failure> nested;
    std::string nestedText = "not run";
    QTimer::singleShot(0, [&] {
        nested = failureOf(window, "slow", {std::int32_t(1)});
        nestedText = readText(document, "title");
    });
    EXPECT_EQ(readText(window, "slow", "300"), "slow");
    EXPECT_EQ(nested, Failure::Reentered);
    EXPECT_EQ(nestedText, "");
    EXPECT_EQ(readText(window, "slow", "1"), "slow");
}

// A reply of a given size in MiB, made by the page: it is read within the
// bound, or the call ends at the bound; either way the call after it is not
// held up by what is still coming.
class LargeReply : public BrowserFailure, public testing::WithParamInterface<int> {};

TEST_P(LargeReply, EndsWithinItsBoundAndSparesTheNextCall) {
    const int mib = GetParam();
    ASSERT_EQ(readText(window, "makeBig", std::to_string(mib)), "made");
    constexpr int kBound = 5000;
    session->connection().setDefaultTimeout(kBound);
    std::string big;
    const qint64 read = millisecondsOf([&] { big = readText(window, "big"); });
    RecordProperty("read_ms", int(read));
    EXPECT_LE(read, kBound * 11 / 10);
    EXPECT_TRUE(big.empty() || big.size() == size_t(mib) * 1024 * 1024);
    // Answered, or refused at once while the page is still busy with it.
    const qint64 next = millisecondsOf([&] { readText(document, "title"); });
    RecordProperty("next_ms", int(next));
    EXPECT_LT(next, 500);
}

INSTANTIATE_TEST_SUITE_P(Sizes, LargeReply, testing::Values(50, 300),
                         [](const auto& info) { return std::to_string(info.param) + "MiB"; });

TEST_F(BrowserFailure, DialogsInALaunchedPageAreAcceptedInsteadOfBlocking) {
    EXPECT_EQ(readText(window, "ask"), "|true|default");
}

TEST(ChromiumLauncher, MissingExecutableFailsToStartWithAReason) {
    ChromiumLauncher::Options options;
    options.executable = "/nonexistent/chromium";
    ChromiumLauncher browser(options);
    EXPECT_FALSE(browser.start());
    EXPECT_FALSE(browser.errorText().isEmpty());
    EXPECT_EQ(browser.newPage(), nullptr);
}

}  // namespace
