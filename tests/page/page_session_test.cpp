// The library's entry: a page in a launched browser with the compatibility
// layer in every document, navigation with its load, following the
// navigations that operations start, and re-binding a WebPage.
#include "page/page_session.h"

#include <gtest/gtest.h>

#include <QJsonValue>
#include <QTcpServer>

#include "automation/cdp_remote_object.h"
#include "automation/cdp_session.h"
#include "automation/chromium_process.h"
#include "automation/late_bound.h"
#include "page/web_page.h"
#include "tests/support/fixture_server.h"

namespace {

using page::PageSession;
using Navigation = PageSession::Navigation;

class PageSessionTest : public testing::Test {
protected:
    // One launched browser for the suite; each test opens a page of its own.
    static void SetUpTestSuite() {
        QString error;
        first() = PageSession::launch({}, &error);
        ASSERT_TRUE(first()) << error.toStdString();
    }
    static void TearDownTestSuite() { first().reset(); }
    static std::unique_ptr<PageSession>& first() {
        static std::unique_ptr<PageSession> session;
        return session;
    }
    static testsupport::FixtureServer& server() {
        static testsupport::FixtureServer fixtures(QStringLiteral(FIXTURE_DIR "/player"));
        return fixtures;
    }

    void SetUp() override {
        ASSERT_TRUE(first());
        ASSERT_NE(server().port(), 0);
        server().clearRequests();
        QString error;
        session = first()->openAnotherPage(&error);
        ASSERT_TRUE(session) << error.toStdString();
        liveBefore = automation::CdpRemoteObject::liveCount();
    }
    void TearDown() override {
        page.destroy();
        // Every object that the operations obtained was released again.
        EXPECT_EQ(automation::CdpRemoteObject::liveCount(), liveBefore);
        session.reset();
    }

    QString url(const char* path) { return server().url(QString::fromLatin1(path)); }
    void open(const char* path) {
        QString error;
        ASSERT_TRUE(session->navigate(url(path), &error)) << error.toStdString();
        ASSERT_TRUE(session->rebind(page));
    }
    std::string title() { return automation::readText(page.document, "title"); }
    QJsonValue evaluate(const char* expression) {
        auto value = session->session().evaluate(QString::fromLatin1(expression));
        const auto* json = std::get_if<QJsonValue>(&value);
        return json ? *json : QJsonValue(QJsonValue::Undefined);
    }

    std::unique_ptr<PageSession> session;
    page::WebPage page;
    long liveBefore = 0;
};

TEST_F(PageSessionTest, OpensAPageWithTheCompatibilityLayerAndBindsItsDocument) {
    open("/login.html");
    EXPECT_EQ(title(), "login");
    EXPECT_TRUE(page.setValue("user", 0, "张三"));
    EXPECT_EQ(page.getValue("user", 0), "张三");
    // The old document-model members are there before the page's scripts.
    EXPECT_EQ(evaluate("typeof document.parentWindow + ' ' + typeof window.execScript"),
              QJsonValue("object function"));
    // The page is a target of its own, not the first session's.
    EXPECT_NE(session->session().targetId(), first()->session().targetId());
}

TEST_F(PageSessionTest, FollowsALinkAndRebindsToTheNewDocument) {
    open("/next.html");
    page::WebPage old = page.copy();
    EXPECT_EQ(session->followNavigation([&] { EXPECT_TRUE(page.clickLink("下一步", 3)); }),
              Navigation::Loaded);
    // The new document has loaded: its field is there at once.
    ASSERT_TRUE(session->rebind(page));
    EXPECT_EQ(title(), "post");
    EXPECT_TRUE(page.setValue("commentBox", 0, "hello"));
    EXPECT_EQ(evaluate("document.getElementById('commentBox').value"), QJsonValue("hello"));
    EXPECT_EQ(evaluate("typeof document.parentWindow"), QJsonValue("object"));
    // The page bound before the navigation is left with a dead document.
    EXPECT_EQ(automation::readText(old.document, "title"), "");
    old.destroy();
}

TEST_F(PageSessionTest, FollowsAFormThatSubmitsFromAScript) {
    open("/login.html");
    page.setValue("user", 0, "u1");
    EXPECT_EQ(session->followNavigation(
                  [&] { page.runScript("document.forms[0].submit()", "JavaScript"); }),
              Navigation::Loaded);
    ASSERT_TRUE(server().waitForRequest("/next.html?user=u1"));
    ASSERT_TRUE(session->rebind(page));
    EXPECT_EQ(title(), "next");
}

TEST_F(PageSessionTest, AnActionWithoutNavigationIsNotWaitedFor) {
    open("/next.html");
    // A link to "#" stays in the document; a failed click does nothing.
    const Navigation fragment = session->followNavigation([&] { page.clickLink("stay", 0); });
    EXPECT_TRUE(fragment == Navigation::None || fragment == Navigation::Stopped) << int(fragment);
    EXPECT_EQ(session->followNavigation([&] { page.clickLink("nothing here", 3); }),
              Navigation::None);
    EXPECT_EQ(title(), "next");
}

TEST_F(PageSessionTest, ALoadThatFailsSaysWhy) {
    QTcpServer closed;
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost));
    const quint16 port = closed.serverPort();
    closed.close();
    QString error;
    EXPECT_FALSE(session->navigate(QStringLiteral("http://127.0.0.1:%1/").arg(port), &error));
    EXPECT_TRUE(error.contains("ERR_CONNECTION_REFUSED")) << error.toStdString();
    EXPECT_EQ(session->lastError(), error);
}

TEST_F(PageSessionTest, GivesAScreenshot) {
    open("/login.html");
    const QByteArray png = session->screenshot();
    EXPECT_TRUE(png.startsWith("\x89PNG\r\n\x1a\n"));
}

TEST(PageSessionEndpoint, RefusesWhatIsNotAnEndpointAndSaysWhy) {
    struct Case {
        QString endpoint;
        QString reasonPart;
    };
    QTcpServer closed;
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost));
    const QString closedPort = QString::number(closed.serverPort());
    closed.close();
    const Case cases[] = {
        {"file:///tmp", "is not a DevTools endpoint"},
        {"127.0.0.1:9222", "is not a DevTools endpoint"},
        {"http://127.0.0.1:" + closedPort, "cannot reach"},
        {"ws://127.0.0.1:" + closedPort + "/devtools/browser/x", "cannot open the DevTools socket"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.endpoint.toStdString());
        QString error;
        EXPECT_FALSE(PageSession::connect(c.endpoint, 5000, &error));
        EXPECT_TRUE(error.contains(c.reasonPart)) << error.toStdString();
    }
}

TEST(PageSessionLaunch, ABrowserThatCannotStartSaysWhy) {
    PageSession::LaunchOptions options;
    options.executable = QStringLiteral("/nonexistent/chromium");
    QString error;
    EXPECT_FALSE(PageSession::launch(options, &error));
    EXPECT_TRUE(error.contains("/nonexistent/chromium")) << error.toStdString();
}

TEST(PageSessionAdopt, TakesOverASessionAndInstallsTheLayerInItsCurrentDocument) {
    automation::ChromiumLauncher browser;
    ASSERT_TRUE(browser.start()) << browser.errorText().toStdString();
    auto raw = browser.newPage();
    ASSERT_TRUE(raw);
    ASSERT_TRUE(raw->navigate("data:text/html,<title>plain</title>"));
    auto session = PageSession::adopt(raw);
    ASSERT_TRUE(session);
    page::WebPage page;
    ASSERT_TRUE(session->rebind(page));
    EXPECT_EQ(automation::readText(page.document, "title"), "plain");
    auto value = raw->evaluate("typeof document.parentWindow");
    ASSERT_TRUE(std::holds_alternative<QJsonValue>(value));
    EXPECT_EQ(std::get<QJsonValue>(value), QJsonValue("object"));
    // A browser that goes away leaves the page unbound, with no hang.
    browser.kill();
    EXPECT_FALSE(session->rebind(page));
    EXPECT_TRUE(page.document.isEmpty());
    EXPECT_FALSE(session->isConnected());
}

}  // namespace
