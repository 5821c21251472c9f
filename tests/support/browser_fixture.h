#pragma once

#include <gtest/gtest.h>

#include <QJsonValue>
#include <QString>
#include <memory>
#include <string_view>

#include "automation/automation_object.h"

class QTemporaryDir;

namespace automation {
class ChromiumLauncher;
class CdpSession;
}  // namespace automation

namespace testsupport {

// The headless Chromium shared by all tests of this executable: started at
// first use, stopped when the application ends. Null when it cannot start.
automation::ChromiumLauncher* sharedBrowser();

// The file:// address of a file under tests/fixtures, e.g.
// fixtureUrl("automation/members.html").
QString fixtureUrl(std::string_view relativePath);

// A fresh page (its own target) in the shared browser, closed on destruction.
// Every load waits for the document's load event (at most the connection's
// default bound) and returns the new document, empty on failure.
class BrowserPage {
public:
    BrowserPage();
    ~BrowserPage();
    BrowserPage(const BrowserPage&) = delete;
    BrowserPage& operator=(const BrowserPage&) = delete;

    // False when the browser or the page could not be had.
    [[nodiscard]] bool isOpen() const { return session_ != nullptr; }
    [[nodiscard]] automation::CdpSession& session() const { return *session_; }
    [[nodiscard]] const std::shared_ptr<automation::CdpSession>& sharedSession() const {
        return session_;
    }

    // Adds a script that runs in every document loaded from now on, before
    // the document's own scripts.
    bool addScriptToNewDocuments(const QString& source);

    automation::AutomationObject loadFixture(std::string_view relativePath);
    // Loads `html` (UTF-8) as a file:// document of its own.
    automation::AutomationObject loadHtml(std::string_view html);
    automation::AutomationObject loadUrl(const QString& url);
    // The current document.
    automation::AutomationObject document();

    // The value of a page expression (promises awaited), JSON-converted;
    // undefined when it threw or the page did not answer.
    QJsonValue evaluate(std::string_view expression);

private:
    std::shared_ptr<automation::CdpSession> session_;
    std::unique_ptr<QTemporaryDir> htmlDir_;
    int htmlFiles_ = 0;
};

// A GoogleTest fixture with a fresh BrowserPage per test.
class BrowserTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    [[nodiscard]] BrowserPage& page() { return *page_; }
    automation::AutomationObject loadFixture(std::string_view relativePath) {
        return page_->loadFixture(relativePath);
    }
    automation::AutomationObject loadHtml(std::string_view html) { return page_->loadHtml(html); }
    QJsonValue evaluate(std::string_view expression) { return page_->evaluate(expression); }

private:
    std::unique_ptr<BrowserPage> page_;
};

}  // namespace testsupport
