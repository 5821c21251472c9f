// Reaching a page over a DevTools endpoint that already listens: a browser
// started with a debugging port. (The embedded engine has no endpoint.)
#include <gtest/gtest.h>

#include <QTcpServer>
#include <QUuid>

#include "automation/cdp_session.h"
#include "automation/chromium_process.h"
#include "automation/embedded_endpoint.h"
#include "automation/late_bound.h"
#include "tests/support/browser_fixture.h"

using namespace automation;

namespace {

quint16 freePort() {
    QTcpServer server;
    return server.listen(QHostAddress::LocalHost, 0) ? server.serverPort() : 0;
}

QString uniqueBlank() {
    return "about:blank#" + QUuid::createUuid().toString(QUuid::WithoutBraces);
}

TEST(DebuggingPort, PageIsFoundByItsAddressAndKeepsItsTargetAcrossNavigations) {
    const quint16 port = freePort();
    ASSERT_NE(port, 0);
    ChromiumLauncher::Options options;
    options.extraArguments << QStringLiteral("--remote-debugging-port=%1").arg(port);
    ChromiumLauncher browser(options);
    ASSERT_TRUE(browser.start()) << browser.errorText().toStdString();
    auto piped = browser.newPage();
    ASSERT_NE(piped, nullptr);
    const QString address = uniqueBlank();
    ASSERT_TRUE(piped->navigate(address));

    auto session = openPageSession(port, address, 5000);
    ASSERT_NE(session, nullptr);
    EXPECT_EQ(session->targetId(), QString());  // a page endpoint needs no session id
    EXPECT_EQ(readText(session->document(), "URL"), address.toStdString());

    // Navigated over the socket, the page gets the binder in its new document.
    ASSERT_TRUE(session->navigate(testsupport::fixtureUrl("automation/members.html")));
    const AutomationObject document = session->document();
    EXPECT_EQ(readText(callForObject(document, "getElementById", {std::string("box")}), "ID"),
              "box");
    auto again = openPageSessionById(port, piped->targetId(), 5000);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(readText(again->document(), "title"), "members");
}

TEST(DebuggingPort, BrowserEndpointCreatesPagesOfItsOwn) {
    const quint16 port = freePort();
    ChromiumLauncher::Options options;
    options.extraArguments << QStringLiteral("--remote-debugging-port=%1").arg(port);
    ChromiumLauncher browser(options);
    ASSERT_TRUE(browser.start()) << browser.errorText().toStdString();
    auto connection = connectBrowser(port, 5000);
    ASSERT_NE(connection, nullptr);
    auto session = CdpSession::createPage(connection);
    ASSERT_NE(session, nullptr);
    ASSERT_TRUE(session->navigate(testsupport::fixtureUrl("automation/members.html")));
    EXPECT_EQ(readText(session->document(), "TITLE"), "members");
    EXPECT_EQ(connectBrowser(freePort(), 2000), nullptr);
}

TEST(DebuggingPort, MissingPageOrEndpointGivesNoSession) {
    const quint16 port = freePort();
    ChromiumLauncher::Options options;
    options.extraArguments << QStringLiteral("--remote-debugging-port=%1").arg(port);
    ChromiumLauncher browser(options);
    ASSERT_TRUE(browser.start()) << browser.errorText().toStdString();
    EXPECT_EQ(openPageSession(port, uniqueBlank(), 5000), nullptr);
    EXPECT_EQ(openPageSession(freePort(), "about:blank", 2000), nullptr);
    EXPECT_TRUE(std::holds_alternative<Failure>(listTargets(freePort(), 2000)));
}

}  // namespace
