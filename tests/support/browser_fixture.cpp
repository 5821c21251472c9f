#include "tests/support/browser_fixture.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QUrl>

#include "automation/cdp_session.h"
#include "automation/chromium_process.h"

namespace testsupport {

namespace {

std::unique_ptr<automation::ChromiumLauncher>& browserSlot() {
    static std::unique_ptr<automation::ChromiumLauncher> browser;
    return browser;
}

// The browser must stop while the application (and its event dispatcher)
// still exists, not at static destruction.
void stopSharedBrowser() { browserSlot().reset(); }

}  // namespace

automation::ChromiumLauncher* sharedBrowser() {
    auto& browser = browserSlot();
    if (browser && browser->isRunning()) return browser.get();
    browser = std::make_unique<automation::ChromiumLauncher>();
    if (!browser->start()) {
        ADD_FAILURE() << "cannot start Chromium: " << browser->errorText().toStdString();
        browser.reset();
        return nullptr;
    }
    static bool cleanupRegistered = false;
    if (!cleanupRegistered && QCoreApplication::instance()) {
        qAddPostRoutine(stopSharedBrowser);
        cleanupRegistered = true;
    }
    return browser.get();
}

QString fixtureUrl(std::string_view relativePath) {
    const QString path =
        QDir(QStringLiteral(FIXTURE_DIR))
            .filePath(QString::fromUtf8(relativePath.data(), qsizetype(relativePath.size())));
    return QUrl::fromLocalFile(path).toString();
}

BrowserPage::BrowserPage() {
    if (auto* browser = sharedBrowser()) session_ = browser->newPage();
}

BrowserPage::~BrowserPage() {
    if (session_) session_->closePage();
}

bool BrowserPage::addScriptToNewDocuments(const QString& source) {
    return session_ && session_->addScriptToNewDocuments(source);
}

automation::AutomationObject BrowserPage::loadUrl(const QString& url) {
    if (!session_ || !session_->navigate(url)) return {};
    return session_->document();
}

automation::AutomationObject BrowserPage::loadFixture(std::string_view relativePath) {
    return loadUrl(fixtureUrl(relativePath));
}

automation::AutomationObject BrowserPage::loadHtml(std::string_view html) {
    if (!htmlDir_) htmlDir_ = std::make_unique<QTemporaryDir>();
    const QString path = htmlDir_->filePath(QStringLiteral("page%1.html").arg(++htmlFiles_));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return {};
    file.write(html.data(), qint64(html.size()));
    file.close();
    return loadUrl(QUrl::fromLocalFile(path).toString());
}

automation::AutomationObject BrowserPage::document() {
    return session_ ? session_->document() : automation::AutomationObject();
}

QJsonValue BrowserPage::evaluate(std::string_view expression) {
    if (!session_) return QJsonValue::Undefined;
    auto value =
        session_->evaluate(QString::fromUtf8(expression.data(), qsizetype(expression.size())));
    if (auto* json = std::get_if<QJsonValue>(&value)) return *json;
    return QJsonValue::Undefined;
}

void BrowserTest::SetUp() {
    page_ = std::make_unique<BrowserPage>();
    ASSERT_TRUE(page_->isOpen()) << "no page in the shared Chromium";
}

void BrowserTest::TearDown() { page_.reset(); }

}  // namespace testsupport
