#include "automation/cdp_session.h"

#include <QDeadlineTimer>
#include <QJsonArray>
#include <algorithm>
#include <limits>

#include "automation/binder.h"
#include "automation/cdp_remote_object.h"
#include "automation/protocol_log.h"

namespace automation {

CdpSession::CdpSession(std::shared_ptr<CdpConnection> connection, QString targetId,
                       QString sessionId, bool ownsTarget)
    : connection_(std::move(connection)),
      targetId_(std::move(targetId)),
      sessionId_(std::move(sessionId)),
      ownsTarget_(ownsTarget) {
    eventHandler_ = connection_->addEventHandler(
        [this](const QString& method, const QJsonObject& params, const QString& sessionId) {
            if (sessionId != sessionId_) return;
            if (method == QLatin1String("Page.loadEventFired")) {
                ++loadEvents_;
            } else if (method == QLatin1String("Page.lifecycleEvent") &&
                       params.value("name").toString() == QLatin1String("load")) {
                loadedLoaders_.insert(params.value("loaderId").toString());
            } else if (method == QLatin1String("Page.javascriptDialogOpening") && acceptDialogs_) {
                // Nobody can answer a dialog in a headless page, and the page
                // stands still until someone does: accept it at once (a
                // prompt gets its default text).
                connection_->post(
                    "Page.handleJavaScriptDialog",
                    {{"accept", true}, {"promptText", params.value("defaultPrompt").toString()}},
                    sessionId_);
            }
        });
}

CdpSession::~CdpSession() {
    connection_->removeEventHandler(eventHandler_);
    if (ownsTarget_ && !closed_) connection_->post("Target.closeTarget", {{"targetId", targetId_}});
}

namespace {

// What is left of a set-up's bound for its next step; at least 1 ms, so that
// a step past the bound still fails by time rather than waiting the default.
int remainingMs(const QDeadlineTimer& deadline) {
    if (deadline.isForever()) return -1;  // each step the connection's default
    return int(std::clamp<qint64>(deadline.remainingTime(), 1, std::numeric_limits<int>::max()));
}

// A bound the caller gives covers the whole set-up; without one, each step
// waits the connection's default, as every other call does.
QDeadlineTimer setUpDeadline(int timeoutMs) {
    return timeoutMs < 0 ? QDeadlineTimer(QDeadlineTimer::Forever)
                         : QDeadlineTimer(timeoutMs, Qt::PreciseTimer);
}

}  // namespace

std::shared_ptr<CdpSession> CdpSession::createPage(std::shared_ptr<CdpConnection> connection,
                                                   int timeoutMs) {
    if (!connection) return nullptr;
    const QDeadlineTimer deadline = setUpDeadline(timeoutMs);
    const CdpResult created = connection->call("Target.createTarget", {{"url", "about:blank"}}, {},
                                               remainingMs(deadline));
    const auto* target = std::get_if<QJsonObject>(&created);
    if (!target) {
        qCInfo(protocolLog) << "no new page: the browser did not create a target";
        return nullptr;
    }
    const QString targetId = target->value("targetId").toString();
    const CdpResult attached =
        connection->call("Target.attachToTarget", {{"targetId", targetId}, {"flatten", true}}, {},
                         remainingMs(deadline));
    const auto* attachment = std::get_if<QJsonObject>(&attached);
    if (!attachment) {
        qCInfo(protocolLog) << "no new page: cannot attach to target" << targetId;
        connection->post("Target.closeTarget", {{"targetId", targetId}});
        return nullptr;
    }
    std::shared_ptr<CdpSession> session(
        new CdpSession(connection, targetId, attachment->value("sessionId").toString(), true));
    session->setAcceptDialogs(true);
    if (!session->prepare(deadline)) return nullptr;  // closes the target
    return session;
}

std::shared_ptr<CdpSession> CdpSession::forPageEndpoint(std::shared_ptr<CdpConnection> connection,
                                                        int timeoutMs) {
    if (!connection) return nullptr;
    const QDeadlineTimer deadline = setUpDeadline(timeoutMs);
    std::shared_ptr<CdpSession> session(new CdpSession(std::move(connection), {}, {}, false));
    if (!session->prepare(deadline)) return nullptr;
    return session;
}

bool CdpSession::prepare(const QDeadlineTimer& deadline) {
    // Load events tell navigate() when a document is ready; the binder goes
    // into every later document; a page's content security policy must not
    // stop the library's own scripts. Every step shares the caller's bound.
    if (!std::holds_alternative<QJsonObject>(call("Page.enable", {}, remainingMs(deadline)))) {
        qCInfo(protocolLog) << "page set-up failed: Page.enable" << sessionId_;
        return false;
    }
    if (!addScriptToNewDocuments(binder::installScript(), remainingMs(deadline))) {
        qCInfo(protocolLog) << "page set-up failed: the binder was not added" << sessionId_;
        return false;
    }
    if (deadline.hasExpired()) {
        qCInfo(protocolLog) << "page set-up failed: out of time" << sessionId_;
        return false;
    }
    lifecycleEvents_ = std::holds_alternative<QJsonObject>(
        call("Page.setLifecycleEventsEnabled", {{"enabled", true}}, remainingMs(deadline)));
    if (deadline.hasExpired()) {
        qCInfo(protocolLog) << "page set-up failed: out of time" << sessionId_;
        return false;
    }
    call("Page.setBypassCSP", {{"enabled", true}}, remainingMs(deadline));
    return true;
}

CdpResult CdpSession::call(const QString& method, const QJsonObject& params, int timeoutMs) {
    if (closed_) {
        qCInfo(protocolLog) << method << "failed: Disconnected (the page was closed)";
        return Failure::Disconnected;
    }
    return connection_->call(method, params, sessionId_, timeoutMs);
}

void CdpSession::post(const QString& method, const QJsonObject& params) {
    if (closed_) return;
    connection_->post(method, params, sessionId_);
}

bool CdpSession::isConnected() const { return !closed_ && connection_->isConnected(); }

bool CdpSession::addScriptToNewDocuments(const QString& source, int timeoutMs) {
    return std::holds_alternative<QJsonObject>(
        call("Page.addScriptToEvaluateOnNewDocument", {{"source", source}}, timeoutMs));
}

bool CdpSession::navigate(const QString& url, int timeoutMs) {
    if (timeoutMs < 0) timeoutMs = connection_->defaultTimeout();
    const int loadsBefore = loadEvents_;
    loadedLoaders_.clear();
    const QDeadlineTimer deadline(timeoutMs, Qt::PreciseTimer);
    const CdpResult navigated = call("Page.navigate", {{"url", url}}, timeoutMs);
    const auto* result = std::get_if<QJsonObject>(&navigated);
    if (!result) return false;
    if (const QString error = result->value("errorText").toString(); !error.isEmpty()) {
        qCInfo(protocolLog) << "navigation failed:" << error << sessionId_;
        return false;
    }
    // A navigation within the document (a fragment) makes no new document.
    if (!result->contains("loaderId")) return true;
    // With lifecycle events the wait is for the load of this very navigation
    // (its loader), not for a late load of an earlier one.
    const QString loaderId = result->value("loaderId").toString();
    if (lifecycleEvents_)
        return connection_->waitUntil([&] { return loadedLoaders_.contains(loaderId); },
                                      remainingMs(deadline));
    return connection_->waitUntil([&] { return loadEvents_ != loadsBefore; },
                                  remainingMs(deadline));
}

AutomationObject CdpSession::document(int timeoutMs) {
    const CdpResult evaluated = call("Runtime.evaluate", {{"expression", "document"}}, timeoutMs);
    const auto* result = std::get_if<QJsonObject>(&evaluated);
    if (!result) return {};
    if (result->contains("exceptionDetails")) {
        qCInfo(protocolLog) << "no document: reading it threw" << sessionId_;
        return {};
    }
    const QString objectId = result->value("result").toObject().value("objectId").toString();
    if (objectId.isEmpty()) {
        qCInfo(protocolLog) << "no document: the reply holds no object" << sessionId_;
        return {};
    }
    return AutomationObject(std::make_shared<CdpRemoteObject>(shared_from_this(), objectId));
}

std::variant<QJsonValue, Failure> CdpSession::evaluate(const QString& expression, int timeoutMs) {
    const CdpResult evaluated = call(
        "Runtime.evaluate",
        {{"expression", expression}, {"returnByValue", true}, {"awaitPromise", true}}, timeoutMs);
    if (const auto* failure = std::get_if<Failure>(&evaluated)) return *failure;
    const QJsonObject& result = std::get<QJsonObject>(evaluated);
    if (result.contains("exceptionDetails")) return Failure::Threw;
    return result.value("result").toObject().value("value");
}

void CdpSession::closePage() {
    if (closed_) return;
    if (ownsTarget_) connection_->call("Target.closeTarget", {{"targetId", targetId_}});
    closed_ = true;
}

}  // namespace automation
