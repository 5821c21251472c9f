#pragma once

// The fixture of the page operation tests: the shared launched Chromium, a
// fresh page per test with the compatibility layer installed, fixture pages
// served over HTTP on 127.0.0.1 by one fixture server per test executable
// (so forms really submit and frames of another origin exist), and a WebPage
// bound to the loaded document.
#include <gtest/gtest.h>

#include <QJsonValue>
#include <QString>
#include <memory>
#include <ostream>
#include <string>

#include "automation/automation_object.h"
#include "automation/cdp_remote_object.h"
#include "automation/late_bound.h"
#include "page/compatibility_layer.h"
#include "page/web_page.h"
#include "tests/page/no_script_object.h"
#include "tests/support/browser_fixture.h"
#include "tests/support/fixture_server.h"

namespace testsupport {

// How a test drives the walks: read in the page a chunk at a time, or
// through a model that runs no script, one candidate at a time.
enum class Walk { InPage, OneByOne };

inline const char* walkName(Walk walk) { return walk == Walk::InPage ? "InPage" : "OneByOne"; }
inline void PrintTo(Walk walk, std::ostream* out) { *out << walkName(walk); }

class PageTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(server().port(), 0) << "the fixture server did not start";
        server().clearRequests();
        browserPage = std::make_unique<BrowserPage>();
        ASSERT_TRUE(browserPage->isOpen()) << "no browser page";
        ASSERT_TRUE(browserPage->addScriptToNewDocuments(page::compatibilityLayerSource()));
    }

    void TearDown() override {
        plain.destroy();
        page.destroy();
        browserPage.reset();
    }

    // One server for the whole executable; it serves tests/fixtures/page.
    static FixtureServer& server() {
        static FixtureServer fixtures(QStringLiteral(FIXTURE_DIR "/page"));
        return fixtures;
    }

    // Loads a fixture page over HTTP and binds `page` to its document.
    void load(const QString& fixture) {
        const automation::AutomationObject document =
            browserPage->loadUrl(server().url(QLatin1Char('/') + fixture));
        ASSERT_FALSE(document.isEmpty()) << qPrintable(fixture);
        ASSERT_TRUE(page.attach(&document));
    }

    // A page expression as text ("" when it fails or is not a text).
    std::string evaluate(const char* expression) {
        return browserPage->evaluate(expression).toString().toStdString();
    }

    // What the fixture's #log element holds.
    std::string log() { return evaluate("document.getElementById('log').textContent"); }

    // An element by id, found without the operations under test.
    automation::AutomationObject byId(const std::string& id) {
        return automation::callForObject(page.document, "getElementById", {id});
    }

    // The page object that drives the walks as `walk` says: `page` itself,
    // or one bound to the same document through a model that runs no script.
    page::WebPage& subject(Walk walk) {
        if (walk == Walk::InPage) return page;
        const automation::AutomationObject wrapped = NoScriptObject::wrap(page.document);
        plain.attach(&wrapped);
        return plain;
    }

    // Remote objects held in this process: after a page operation and its
    // results are gone, the count is back where it was.
    static long liveObjects() { return automation::CdpRemoteObject::liveCount(); }

    std::unique_ptr<BrowserPage> browserPage;
    page::WebPage page;
    page::WebPage plain;
};

}  // namespace testsupport
