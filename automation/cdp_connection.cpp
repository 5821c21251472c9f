#include "automation/cdp_connection.h"

#include <QJsonDocument>
#include <QJsonValue>
#include <algorithm>
#include <cmath>

#include "automation/nested_wait.h"
#include "automation/protocol_log.h"

namespace automation {

namespace {

// How many calls that ended without their reply are remembered for releasing
// the objects of their late replies.
constexpr std::size_t kAbandonedKept = 256;

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

// Methods that the page's own (script) thread must answer: while it is busy
// they wait, whatever their bound.
bool runsOnPageThread(const QString& method) {
    return method.startsWith(QLatin1String("Runtime.")) || method.startsWith(QLatin1String("DOM."));
}

// The id of a reply as the browser writes it, {"id":<digits>, first, read
// without parsing the message; nothing when the message does not start so.
std::optional<qint64> leadingReplyId(const QByteArray& message) {
    static constexpr char kStart[] = "{\"id\":";
    constexpr qsizetype kStartLength = sizeof kStart - 1;
    if (!message.startsWith(kStart)) return std::nullopt;
    qint64 id = 0;
    qsizetype at = kStartLength;
    for (; at < message.size() && at < kStartLength + 15; ++at) {
        const char c = message[at];
        if (c < '0' || c > '9') break;
        id = id * 10 + (c - '0');
    }
    if (at == kStartLength || at >= message.size()) return std::nullopt;
    if (message[at] != ',' && message[at] != '}') return std::nullopt;
    return id;
}

// About how long reading a reply takes, from parsing it to handing its text
// to the caller: some 40 ms a MiB for a large text on a loaded 2-core
// machine. Small replies count as taking no time.
qint64 readingTimeNs(const QByteArray& message) {
    constexpr qsizetype kSmall = 1024 * 1024;
    constexpr qint64 kNanosecondsPerByte = 40;
    return message.size() < kSmall ? 0 : qint64(message.size()) * kNanosecondsPerByte;
}

// A JSON number that can be a command id (ids are counted from 1).
std::optional<qint64> commandId(const QJsonValue& value) {
    if (!value.isDouble()) return std::nullopt;
    const double number = value.toDouble();
    if (!(number >= 1 && number <= 9007199254740992.0) || std::floor(number) != number)
        return std::nullopt;
    return qint64(number);
}

// Every remote object id in a reply, found without parsing it: in JSON text
// the bytes "objectId" followed by a colon can only be that key (a quote
// inside a string is always escaped), and an object id holds no quote or
// backslash.
QStringList objectIdsIn(const QByteArray& message) {
    static const QByteArray kKey = QByteArrayLiteral("\"objectId\"");
    QStringList ids;
    auto skipBlanks = [&](qsizetype at) {
        while (at < message.size() && (message[at] == ' ' || message[at] == '\t' ||
                                       message[at] == '\n' || message[at] == '\r'))
            ++at;
        return at;
    };
    for (qsizetype at = message.indexOf(kKey); at >= 0; at = message.indexOf(kKey, at)) {
        at = skipBlanks(at + kKey.size());
        if (at >= message.size() || message[at] != ':') continue;
        at = skipBlanks(at + 1);
        if (at >= message.size() || message[at] != '"') continue;
        const qsizetype start = at + 1;
        qsizetype end = start;
        while (end < message.size() && message[end] != '"' && message[end] != '\\') ++end;
        if (end < message.size() && message[end] == '"' && end > start && end - start <= 256)
            ids.append(QString::fromUtf8(message.mid(start, end - start)));
        at = end;
    }
    return ids;
}

}  // namespace

CdpConnection::CdpConnection(std::unique_ptr<Transport> transport)
    : transport_(std::move(transport)), alive_(std::make_shared<bool>(true)) {
    connected_ = transport_ && transport_->isOpen();
    if (!transport_) return;
    transport_->setMessageHandler([this](const QByteArray& message) { onMessage(message); });
    transport_->setDropHandler([this](const QByteArray& head) { onDropped(head); });
    transport_->setCloseHandler([this] { onClosed(); });
}

CdpConnection::~CdpConnection() {
    *alive_ = false;
    if (transport_) {
        transport_->setMessageHandler({});
        transport_->setDropHandler({});
        transport_->setCloseHandler({});
        transport_->close();
    }
}

void CdpConnection::close() {
    if (transport_) transport_->close();
    onClosed();
}

void CdpConnection::onClosed() {
    if (connected_) qCInfo(protocolLog) << "connection closed";
    connected_ = false;
    wakeWait();
}

qint64 CdpConnection::sendCommand(const QString& method, const QJsonObject& params,
                                  const QString& sessionId) {
    const qint64 id = nextId_++;
    QJsonObject command{{"id", id}, {"method", method}};
    if (!params.isEmpty()) command.insert("params", params);
    if (!sessionId.isEmpty()) command.insert("sessionId", sessionId);
    qCDebug(protocolLog) << "->" << id << method << sessionId;
    transport_->send(QJsonDocument(command).toJson(QJsonDocument::Compact));
    return id;
}

CdpResult CdpConnection::call(const QString& method, const QJsonObject& params,
                              const QString& sessionId, int timeoutMs) {
    if (!connected_) {
        qCInfo(protocolLog) << method << "failed: Disconnected (the connection is closed)";
        return Failure::Disconnected;
    }
    if (isWaiting()) {
        qCInfo(protocolLog) << method << "failed: Reentered (made while another call waits)";
        return Failure::Reentered;
    }
    if (runsOnPageThread(method) && unresponsive_.contains(sessionId)) {
        qCInfo(protocolLog) << method << "failed: TimedOut at once (the page has not answered"
                            << "call" << unresponsive_.value(sessionId) << "since it timed out)"
                            << sessionId;
        return Failure::TimedOut;
    }
    const int bound = timeoutMs < 0 ? defaultTimeoutMs_ : timeoutMs;
    pendingDeadline_ = QDeadlineTimer(bound, Qt::PreciseTimer);
    replied_ = false;
    reply_ = {};
    pendingFailure_.reset();
    pendingWhy_.clear();
    pendingSession_ = sessionId;
    pendingId_ = sendCommand(method, params, sessionId);
    const auto alive = alive_;
    waitNested([&] { return !*alive || replied_ || pendingFailure_ || !connected_; }, bound);
    if (!*alive) return Failure::Disconnected;
    const qint64 id = pendingId_;
    pendingId_ = 0;

    if (replied_) {
        QJsonObject reply = std::move(reply_);
        reply_ = {};
        if (reply.contains("error")) {
            lastError_ = reply.value("error").toObject().value("message").toString();
            const Failure failure =
                saysGone(lastError_) ? Failure::Disconnected : Failure::BadReply;
            qCInfo(protocolLog) << method << id << "failed:" << failureName(failure)
                                << "(error reply:" << lastError_ << ")";
            return failure;
        }
        const QJsonValue result = reply.value("result");
        if (!result.isObject()) {
            qCInfo(protocolLog) << method << id << "failed: BadReply (no result object)";
            return Failure::BadReply;
        }
        return result.toObject();
    }
    if (pendingFailure_) {
        qCInfo(protocolLog) << method << id << "failed:" << failureName(*pendingFailure_) << "("
                            << pendingWhy_ << ")";
        return *pendingFailure_;
    }
    if (!connected_) {
        qCInfo(protocolLog) << method << id << "failed: Disconnected (closed while waiting)";
        return Failure::Disconnected;
    }
    // No reply yet: it may still come, with objects that nobody will hold.
    abandon(id, sessionId);
    if (lastWaitEnd() == WaitEnd::Quitting) {
        qCInfo(protocolLog) << method << id << "failed: TimedOut (the application is quitting)";
        return Failure::TimedOut;
    }
    if (runsOnPageThread(method)) unresponsive_.insert(sessionId, id);
    qCInfo(protocolLog) << method << id << "failed: TimedOut (no reply within" << bound << "ms)"
                        << sessionId;
    return Failure::TimedOut;
}

void CdpConnection::post(const QString& method, const QJsonObject& params,
                         const QString& sessionId) {
    if (!connected_) {
        qCDebug(protocolLog) << method << "not posted: the connection is closed";
        return;
    }
    sendCommand(method, params, sessionId);
}

bool CdpConnection::waitUntil(const std::function<bool()>& done, int timeoutMs) {
    if (done()) return true;
    if (!connected_) {
        qCInfo(protocolLog) << "wait failed: Disconnected (the connection is closed)";
        return false;
    }
    if (isWaiting()) {
        qCInfo(protocolLog) << "wait failed: Reentered (asked for while another call waits)";
        return false;
    }
    const auto alive = alive_;
    const int bound = timeoutMs < 0 ? defaultTimeoutMs_ : timeoutMs;
    waitNested([&] { return !*alive || !connected_ || done(); }, bound);
    if (!*alive) return false;
    if (done()) return true;
    if (!connected_)
        qCInfo(protocolLog) << "wait failed: Disconnected (closed while waiting)";
    else if (lastWaitEnd() == WaitEnd::Quitting)
        qCInfo(protocolLog) << "wait failed: TimedOut (the application is quitting)";
    else
        qCInfo(protocolLog) << "wait failed: TimedOut (not done within" << bound << "ms)";
    return false;
}

int CdpConnection::addEventHandler(EventHandler handler) {
    const int handle = nextHandle_++;
    handlers_.emplace_back(handle, std::move(handler));
    return handle;
}

void CdpConnection::removeEventHandler(int handle) {
    std::erase_if(handlers_, [handle](const auto& entry) { return entry.first == handle; });
}

void CdpConnection::abandon(qint64 id, const QString& sessionId) {
    abandoned_.emplace_back(id, sessionId);
    if (abandoned_.size() > kAbandonedKept) abandoned_.pop_front();
}

void CdpConnection::takeReply(QJsonObject reply) {
    reply_ = std::move(reply);
    replied_ = true;
    wakeWait();
}

void CdpConnection::takeLateReply(qint64 id, const QByteArray& message) {
    const auto entry = std::find_if(abandoned_.begin(), abandoned_.end(),
                                    [id](const auto& abandoned) { return abandoned.first == id; });
    if (entry == abandoned_.end()) {
        qCDebug(protocolLog) << "<-" << id << "a reply nobody waits for," << message.size()
                             << "bytes, not read";
        return;
    }
    const QString sessionId = entry->second;
    abandoned_.erase(entry);
    ++lateReplies_;
    // The page answers again.
    if (unresponsive_.value(sessionId, 0) == id) unresponsive_.remove(sessionId);
    const QStringList objectIds = objectIdsIn(message);
    qCInfo(protocolLog) << "late reply to" << id << "(" << message.size() << "bytes ) not read;"
                        << objectIds.size() << "object(s) in it released" << sessionId;
    for (const QString& objectId : objectIds)
        post("Runtime.releaseObject", {{"objectId", objectId}}, sessionId);
}

void CdpConnection::onDropped(const QByteArray& head) {
    const std::optional<qint64> id = leadingReplyId(head);
    if (!id) {
        qCInfo(protocolLog) << "an oversized message that is no reply was dropped";
        return;
    }
    if (pendingId_ != 0 && *id == pendingId_ && !replied_ && !pendingFailure_) {
        pendingFailure_ = Failure::BadReply;
        pendingWhy_ = QStringLiteral("its reply was over the message size limit and dropped");
        wakeWait();
        return;
    }
    // A late reply: the page answered, but the objects in it cannot be known.
    const auto entry = std::find_if(abandoned_.begin(), abandoned_.end(),
                                    [&](const auto& abandoned) { return abandoned.first == *id; });
    if (entry == abandoned_.end()) return;
    if (unresponsive_.value(entry->second, 0) == *id) unresponsive_.remove(entry->second);
    qCInfo(protocolLog) << "late reply to" << *id << "dropped for its size" << entry->second;
    abandoned_.erase(entry);
}

void CdpConnection::onMessage(const QByteArray& message) {
    const std::optional<qint64> leadingId = leadingReplyId(message);
    const bool forPending = pendingId_ != 0 && !replied_ && !pendingFailure_;
    if (leadingId && (!forPending || *leadingId != pendingId_)) {
        takeLateReply(*leadingId, message);
        return;
    }
    if (forPending && leadingId &&
        (pendingDeadline_.hasExpired() ||
         pendingDeadline_.remainingTimeNSecs() < readingTimeNs(message))) {
        // It came too late to be read within the bound (or after it, before
        // the wait noticed): the call has timed out, and reading the reply
        // now would only make it later.
        pendingFailure_ = Failure::TimedOut;
        pendingWhy_ = QStringLiteral("the reply came too late to be read within the bound");
        abandon(*leadingId, pendingSession_);
        takeLateReply(*leadingId, message);
        wakeWait();
        return;
    }
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(message, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) {
        ++malformed_;
        qCInfo(protocolLog) << "malformed message ignored:" << error.errorString()
                            << message.left(64);
        return;
    }
    QJsonObject object = document.object();
    const QJsonValue idValue = object.value("id");
    if (!idValue.isUndefined()) {
        const std::optional<qint64> id = commandId(idValue);
        if (!id) {
            ++malformed_;
            qCInfo(protocolLog) << "message with a malformed id ignored:" << message.left(64);
            return;
        }
        if (forPending && *id == pendingId_) {
            qCDebug(protocolLog) << "<-" << *id << message.size() << "bytes";
            takeReply(std::move(object));
        } else {
            takeLateReply(*id, message);
        }
        return;
    }
    const QJsonValue method = object.value("method");
    if (!method.isString()) {
        ++malformed_;
        qCInfo(protocolLog) << "message with neither id nor method ignored:" << message.left(64);
        return;
    }
    const QString sessionId = object.value("sessionId").toString();
    const QJsonObject params = object.value("params").toObject();
    qCDebug(protocolLog) << "<-" << method.toString() << sessionId;
    onEvent(method.toString(), params, sessionId);
    const auto handlers = handlers_;  // a handler may remove itself
    const auto alive = alive_;
    for (const auto& [handle, handler] : handlers) {
        handler(method.toString(), params, sessionId);
        if (!*alive) return;
    }
    wakeWait();
}

void CdpConnection::onEvent(const QString& method, const QJsonObject& params,
                            const QString& sessionId) {
    // A page whose busy script is gone for good: a new document committed in
    // its main frame, its renderer crashed or the session went away.
    QString recovered;
    if (method == QLatin1String("Page.frameNavigated") &&
        !params.value("frame").toObject().contains("parentId"))
        recovered = sessionId;
    else if (method == QLatin1String("Inspector.targetCrashed"))
        recovered = sessionId;
    else if (method == QLatin1String("Target.detachedFromTarget"))
        recovered = params.value("sessionId").toString();
    else
        return;
    if (unresponsive_.remove(recovered) > 0)
        qCInfo(protocolLog) << method << "- the page is no longer taken to be busy" << recovered;
}

}  // namespace automation
