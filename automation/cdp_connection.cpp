#include "automation/cdp_connection.h"

#include <QJsonDocument>
#include <QJsonValue>

#include "automation/nested_wait.h"

namespace automation {

namespace {

bool saysGone(const QString& message) {
    static const char* const kGone[] = {"Cannot find context",
                                        "Could not find object",
                                        "No target with given id",
                                        "Session with given id not found",
                                        "Inspected target navigated or closed",
                                        "Execution context was destroyed",
                                        "No session with given id"};
    for (const char* text : kGone)
        if (message.contains(QLatin1String(text), Qt::CaseInsensitive)) return true;
    return false;
}

}  // namespace

CdpConnection::CdpConnection(std::unique_ptr<Transport> transport)
    : transport_(std::move(transport)), alive_(std::make_shared<bool>(true)) {
    connected_ = transport_ && transport_->isOpen();
    if (!transport_) return;
    transport_->setMessageHandler([this](const QByteArray& message) { onMessage(message); });
    transport_->setCloseHandler([this] { onClosed(); });
}

CdpConnection::~CdpConnection() {
    *alive_ = false;
    if (transport_) {
        transport_->setMessageHandler({});
        transport_->setCloseHandler({});
        transport_->close();
    }
}

void CdpConnection::close() {
    if (transport_) transport_->close();
    onClosed();
}

void CdpConnection::onClosed() {
    connected_ = false;
    wakeWait();
}

qint64 CdpConnection::sendCommand(const QString& method, const QJsonObject& params,
                                  const QString& sessionId) {
    const qint64 id = nextId_++;
    QJsonObject command{{"id", id}, {"method", method}};
    if (!params.isEmpty()) command.insert("params", params);
    if (!sessionId.isEmpty()) command.insert("sessionId", sessionId);
    transport_->send(QJsonDocument(command).toJson(QJsonDocument::Compact));
    return id;
}

CdpResult CdpConnection::call(const QString& method, const QJsonObject& params,
                              const QString& sessionId, int timeoutMs) {
    if (!connected_) return Failure::Disconnected;
    if (isWaiting()) return Failure::Reentered;
    pendingId_ = sendCommand(method, params, sessionId);
    replied_ = false;
    reply_ = {};
    const auto alive = alive_;
    waitNested([&] { return !*alive || replied_ || !connected_; },
               timeoutMs < 0 ? defaultTimeoutMs_ : timeoutMs);
    if (!*alive) return Failure::Disconnected;
    pendingId_ = 0;
    if (!replied_) return connected_ ? Failure::TimedOut : Failure::Disconnected;
    QJsonObject reply = std::move(reply_);
    reply_ = {};
    if (reply.contains("error")) {
        lastError_ = reply.value("error").toObject().value("message").toString();
        return saysGone(lastError_) ? Failure::Disconnected : Failure::BadReply;
    }
    const QJsonValue result = reply.value("result");
    if (!result.isObject()) return Failure::BadReply;
    return result.toObject();
}

void CdpConnection::post(const QString& method, const QJsonObject& params,
                         const QString& sessionId) {
    if (!connected_) return;
    sendCommand(method, params, sessionId);
}

bool CdpConnection::waitUntil(const std::function<bool()>& done, int timeoutMs) {
    if (done()) return true;
    if (!connected_ || isWaiting()) return false;
    const auto alive = alive_;
    waitNested([&] { return !*alive || !connected_ || done(); },
               timeoutMs < 0 ? defaultTimeoutMs_ : timeoutMs);
    return *alive && done();
}

int CdpConnection::addEventHandler(EventHandler handler) {
    const int handle = nextHandle_++;
    handlers_.emplace_back(handle, std::move(handler));
    return handle;
}

void CdpConnection::removeEventHandler(int handle) {
    std::erase_if(handlers_, [handle](const auto& entry) { return entry.first == handle; });
}

void CdpConnection::onMessage(const QByteArray& message) {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(message, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) {
        ++malformed_;
        return;
    }
    QJsonObject object = document.object();
    const QJsonValue id = object.value("id");
    if (id.isDouble()) {
        if (pendingId_ != 0 && id.toDouble() == double(pendingId_) && !replied_) {
            reply_ = std::move(object);
            replied_ = true;
            wakeWait();
        }
        return;  // a reply to a posted command, or a late one: dropped
    }
    const QJsonValue method = object.value("method");
    if (!method.isString()) {
        ++malformed_;
        return;
    }
    const QString sessionId = object.value("sessionId").toString();
    const QJsonObject params = object.value("params").toObject();
    const auto handlers = handlers_;  // a handler may remove itself
    const auto alive = alive_;
    for (const auto& [handle, handler] : handlers) {
        handler(method.toString(), params, sessionId);
        if (!*alive) return;
    }
    wakeWait();
}

}  // namespace automation
