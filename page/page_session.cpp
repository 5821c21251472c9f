#include "page/page_session.h"

#include <QDeadlineTimer>
#include <QJsonDocument>
#include <QLoggingCategory>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QUrl>

#include "automation/cdp_connection.h"
#include "automation/cdp_session.h"
#include "automation/chromium_process.h"
#include "automation/nested_wait.h"
#include "automation/websocket_transport.h"
#include "page/compatibility_layer.h"
#include "page/web_page.h"

Q_LOGGING_CATEGORY(lcPageSession, "scriptmaker.page.session", QtWarningMsg)

namespace page {

namespace {

using automation::CdpResult;

void fail(QString* error, const QString& reason) {
    qCInfo(lcPageSession).noquote() << reason;
    if (error) *error = reason;
}

void note(QString* error, const QString& reason) {
    if (error) *error = reason;
}

// How long the tasks that an action queued get to run before the action
// counts as one that started no navigation. Bounded on its own: a page that
// replaced its timers must not hold the caller for the whole load time-out.
constexpr int kSettleTimeoutMs = 1000;

int remaining(const QDeadlineTimer& deadline) {
    return int(qMax<qint64>(1, deadline.remainingTime()));
}

// GET of a small JSON document, waiting in the library's nested wait.
bool httpGet(const QUrl& url, int timeoutMs, QByteArray& body, QString& reason) {
    QNetworkAccessManager manager;
    QNetworkRequest request(url);
    request.setTransferTimeout(timeoutMs);
    std::unique_ptr<QNetworkReply> reply(manager.get(request));
    bool finished = false;
    QObject::connect(reply.get(), &QNetworkReply::finished, [&] {
        finished = true;
        automation::wakeWait();
    });
    if (!automation::waitNested([&] { return finished; }, timeoutMs)) {
        reply->abort();
        reason = QStringLiteral("no answer within %1 ms").arg(timeoutMs);
        return false;
    }
    if (reply->error() != QNetworkReply::NoError) {
        reason = reply->errorString();
        return false;
    }
    body = reply->readAll();
    return true;
}

// The browser's socket address that an http endpoint names, on the host
// and port the user gave: a browser answers with the address it believes
// it has, which behind a forwarded port or a grid node is not the one that
// reaches it, and a listing must not send us elsewhere anyway.
bool socketAddressOf(const QUrl& endpoint, const QDeadlineTimer& deadline, QUrl& socket,
                     QString& reason) {
    QUrl version = endpoint;
    version.setPath(QStringLiteral("/json/version"));
    QByteArray body;
    if (!httpGet(version, remaining(deadline), body, reason)) return false;
    const QString address =
        QJsonDocument::fromJson(body).object().value("webSocketDebuggerUrl").toString();
    const QUrl named(address);
    if (address.isEmpty() || !named.isValid()) {
        reason = QStringLiteral("%1 names no browser socket (is it a DevTools endpoint?)")
                     .arg(version.toString());
        return false;
    }
    socket = endpoint;
    socket.setScheme(endpoint.scheme() == QLatin1String("https") ? QStringLiteral("wss")
                                                                 : QStringLiteral("ws"));
    socket.setPath(named.path());
    return true;
}

}  // namespace

std::unique_ptr<PageSession> PageSession::launch(const LaunchOptions& options, QString* error) {
    automation::ChromiumLauncher::Options launch;
    launch.executable = options.executable;
    launch.headless = !options.visible;
    launch.extraArguments = options.extraArguments;
    launch.startTimeoutMs = options.startTimeoutMs;
    auto browser = std::make_shared<automation::ChromiumLauncher>(launch);
    if (!browser->start()) {
        fail(error, browser->errorText());
        return nullptr;
    }
    auto session = browser->newPage(options.startTimeoutMs);
    if (!session) {
        fail(error, QStringLiteral("the browser opened no page"));
        return nullptr;
    }
    std::unique_ptr<PageSession> page(new PageSession);
    page->browser_ = std::move(browser);
    page->session_ = std::move(session);
    page->ownsPage_ = true;
    if (!page->prepare(error)) return nullptr;
    return page;
}

std::unique_ptr<PageSession> PageSession::connect(const QString& endpoint, int timeoutMs,
                                                  QString* error) {
    const QDeadlineTimer deadline(timeoutMs);
    const QUrl url(endpoint, QUrl::StrictMode);
    const QString scheme = url.scheme();
    const bool http = scheme == QLatin1String("http") || scheme == QLatin1String("https");
    const bool socket = scheme == QLatin1String("ws") || scheme == QLatin1String("wss");
    if (!url.isValid() || url.host().isEmpty() || (!http && !socket)) {
        fail(error, QStringLiteral("\"%1\" is not a DevTools endpoint: give http://host:port or "
                                   "ws://host:port/devtools/browser/<id>")
                        .arg(endpoint));
        return nullptr;
    }
    QUrl socketUrl = url;
    QString reason;
    if (http && !socketAddressOf(url, deadline, socketUrl, reason)) {
        fail(error, QStringLiteral("cannot reach %1: %2").arg(endpoint, reason));
        return nullptr;
    }
    auto transport = std::make_unique<automation::WebSocketTransport>();
    if (!transport->open(socketUrl, remaining(deadline))) {
        fail(error, QStringLiteral("cannot open the DevTools socket %1").arg(socketUrl.toString()));
        return nullptr;
    }
    auto connection = std::make_shared<automation::CdpConnection>(std::move(transport));
    const bool pageEndpoint = socketUrl.path().startsWith(QLatin1String("/devtools/page/"));
    auto session = pageEndpoint
                       ? automation::CdpSession::forPageEndpoint(connection, remaining(deadline))
                       : automation::CdpSession::createPage(connection, remaining(deadline));
    if (!session) {
        fail(error, QStringLiteral("%1 opened no page for us").arg(endpoint));
        return nullptr;
    }
    std::unique_ptr<PageSession> page(new PageSession);
    page->session_ = std::move(session);
    page->ownsPage_ = !pageEndpoint;
    if (!page->prepare(error)) return nullptr;
    return page;
}

std::unique_ptr<PageSession> PageSession::adopt(std::shared_ptr<automation::CdpSession> session,
                                                QString* error) {
    if (!session || !session->isConnected()) {
        fail(error, QStringLiteral("no page session"));
        return nullptr;
    }
    std::unique_ptr<PageSession> page(new PageSession);
    page->session_ = std::move(session);
    if (!page->prepare(error)) return nullptr;
    return page;
}

bool PageSession::prepare(QString* error) {
    eventHandler_ = session_->connection().addEventHandler(
        [this](const QString& method, const QJsonObject& params, const QString& sessionId) {
            if (sessionId == session_->sessionId()) onEvent(method, params);
        });
    const CdpResult tree = session_->call(QStringLiteral("Page.getFrameTree"));
    if (const auto* result = std::get_if<QJsonObject>(&tree)) {
        mainFrame_ =
            result->value("frameTree").toObject().value("frame").toObject().value("id").toString();
    }
    if (mainFrame_.isEmpty()) {
        fail(error, QStringLiteral("the page does not tell its frames"));
        return false;
    }
    if (!session_->addScriptToNewDocuments(compatibilityLayerSource())) {
        fail(error, QStringLiteral("the page refused the compatibility layer"));
        return false;
    }
    // The document that is already there gets it too (twice is harmless).
    session_->evaluate(compatibilityLayerSource());
    return true;
}

std::unique_ptr<PageSession> PageSession::openAnotherPage(QString* error) {
    if (!isConnected() || session_->sessionId().isEmpty()) {
        fail(error, QStringLiteral("no browser to open another page in"));
        return nullptr;
    }
    auto session = automation::CdpSession::createPage(session_->sharedConnection());
    if (!session) {
        fail(error, QStringLiteral("the browser opened no page"));
        return nullptr;
    }
    std::unique_ptr<PageSession> page(new PageSession);
    page->browser_ = browser_;
    page->session_ = std::move(session);
    page->ownsPage_ = true;
    if (!page->prepare(error)) return nullptr;
    return page;
}

PageSession::~PageSession() { close(); }

void PageSession::close() {
    // The last session of a launched browser stops the browser, which
    // closes the page anyway: no need to wait for the page to close first.
    const bool stopsBrowser = browser_ && browser_.use_count() == 1;
    if (session_) {
        session_->connection().removeEventHandler(eventHandler_);
        if (ownsPage_ && !stopsBrowser && session_->isConnected()) session_->closePage();
        session_.reset();
    }
    if (stopsBrowser) browser_->stop();
    browser_.reset();
}

int PageSession::defaultTimeout() const { return session_->connection().defaultTimeout(); }

bool PageSession::isConnected() const { return session_ && session_->isConnected(); }

void PageSession::onEvent(const QString& method, const QJsonObject& params) {
    // Only the main frame's navigations matter: a frame that loads inside
    // the page leaves the document bound.
    if (method == QLatin1String("Page.frameRequestedNavigation")) {
        if (params.value("frameId").toString() == mainFrame_ &&
            params.value("disposition").toString(QStringLiteral("currentTab")) ==
                QLatin1String("currentTab"))
            ++requests_;
    } else if (method == QLatin1String("Page.frameStartedLoading")) {
        if (params.value("frameId").toString() == mainFrame_) ++requests_;
    } else if (method == QLatin1String("Page.frameStoppedLoading") ||
               method == QLatin1String("Page.navigatedWithinDocument")) {
        // A navigation within the document ends there, with no new one.
        if (params.value("frameId").toString() == mainFrame_) ++stops_;
    } else if (method == QLatin1String("Page.frameNavigated")) {
        const QJsonObject frame = params.value("frame").toObject();
        if (frame.value("id").toString() == mainFrame_) {
            committed_ = frame.value("loaderId").toString();
            ++commits_;
        }
    } else if (method == QLatin1String("Page.lifecycleEvent")) {
        if (params.value("frameId").toString() == mainFrame_ &&
            params.value("name").toString() == QLatin1String("load"))
            loaded_.insert(params.value("loaderId").toString());
    }
}

bool PageSession::navigate(const QString& address, QString* error, int timeoutMs) {
    QString reason;
    const bool loaded = load(address, reason, timeoutMs);
    if (!loaded) {
        lastError_ = reason;
        fail(error, reason);
    }
    return loaded;
}

bool PageSession::load(const QString& address, QString& reason, int timeoutMs) {
    QString* error = &reason;
    if (!isConnected()) {
        note(error, QStringLiteral("the browser went away"));
        return false;
    }
    if (timeoutMs < 0) timeoutMs = defaultTimeout();
    const QDeadlineTimer deadline(timeoutMs);
    loaded_.clear();
    const CdpResult navigated =
        session_->call(QStringLiteral("Page.navigate"), {{"url", address}}, timeoutMs);
    const auto* result = std::get_if<QJsonObject>(&navigated);
    if (!result) {
        const auto failure = std::get<automation::Failure>(navigated);
        note(
            error,
            !isConnected() ? QStringLiteral("the browser went away")
            : failure == automation::Failure::TimedOut
                ? QStringLiteral("%1 did not load within %2 s").arg(address).arg(timeoutMs / 1000.0)
                : QStringLiteral("the browser refused to load %1").arg(address));
        return false;
    }
    const QString errorText = result->value("errorText").toString();
    if (!errorText.isEmpty()) {
        note(error, QStringLiteral("cannot load %1: %2").arg(address, errorText));
        return false;
    }
    // A navigation within the document (a fragment) makes no new document.
    if (!result->contains("loaderId")) return true;
    const QString loader = result->value("loaderId").toString();
    if (session_->connection().waitUntil([&] { return loaded_.contains(loader); },
                                         remaining(deadline)))
        return true;
    note(error,
         isConnected()
             ? QStringLiteral("%1 did not load within %2 s").arg(address).arg(timeoutMs / 1000.0)
             : QStringLiteral("the browser went away"));
    return false;
}

bool PageSession::rebind(WebPage& page) {
    page.destroy();
    if (!isConnected()) return false;
    const automation::AutomationObject document = session_->document();
    if (document.isEmpty()) {
        qCInfo(lcPageSession) << "the page has no document to bind";
        return false;
    }
    return page.attach(&document);
}

PageSession::Navigation PageSession::followNavigation(const std::function<void()>& action,
                                                      int timeoutMs) {
    if (timeoutMs < 0) timeoutMs = defaultTimeout();
    const int requestsBefore = requests_;
    const int stopsBefore = stops_;
    const int commitsBefore = commits_;
    action();
    if (!isConnected()) return Navigation::Gone;
    const QDeadlineTimer deadline(timeoutMs);
    if (requests_ == requestsBefore) {
        // A form submits, and a script may navigate, from a task of its
        // own: let the tasks that the action queued run before deciding.
        // The answer does not matter (a navigation that commits meanwhile
        // destroys the context the promise lives in).
        session_->call(QStringLiteral("Runtime.evaluate"),
                       {{"expression", "new Promise(r => setTimeout(() => setTimeout(r, 0), 0))"},
                        {"awaitPromise", true}},
                       qMin(remaining(deadline), kSettleTimeoutMs));
        if (!isConnected()) return Navigation::Gone;
        if (requests_ == requestsBefore) return Navigation::None;
    }
    const auto loaded = [&] { return commits_ != commitsBefore && loaded_.contains(committed_); };
    const auto stopped = [&] { return commits_ == commitsBefore && stops_ != stopsBefore; };
    session_->connection().waitUntil([&] { return loaded() || stopped(); }, remaining(deadline));
    if (loaded()) return Navigation::Loaded;
    if (!isConnected()) return Navigation::Gone;
    if (stopped()) return Navigation::Stopped;
    qCInfo(lcPageSession) << "a navigation did not load within" << timeoutMs << "ms";
    return Navigation::TimedOut;
}

QByteArray PageSession::screenshot() {
    if (!isConnected()) return {};
    const CdpResult shot =
        session_->call(QStringLiteral("Page.captureScreenshot"), {{"format", "png"}});
    const auto* result = std::get_if<QJsonObject>(&shot);
    if (!result) {
        qCInfo(lcPageSession) << "the page gave no screenshot";
        return {};
    }
    return QByteArray::fromBase64(result->value("data").toString().toLatin1());
}

}  // namespace page
