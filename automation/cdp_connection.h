#pragma once

#include <QDeadlineTimer>
#include <QHash>
#include <QJsonObject>
#include <QString>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <variant>
#include <vector>

#include "automation/remote_object.h"
#include "automation/transport.h"

namespace automation {

// The result object of a protocol call, or why there is none.
using CdpResult = std::variant<QJsonObject, Failure>;

// One DevTools protocol connection over a transport, used from the thread
// that created it. Calls are synchronous: call() sends the command and waits
// for its reply in a nested event loop that excludes user input (see
// nested_wait.h), at most its time bound. A call made while any nested wait
// runs fails at once with Failure::Reentered.
//
// Every failure is logged with its cause in the "scriptmaker.protocol"
// category (protocol_log.h).
//
// Replies to ids nobody waits for are not parsed: a reply's id is read from
// its first bytes. Malformed messages and unknown events are ignored. When the
// transport closes (the browser died, the pipe broke), the waiting call fails
// at once with Failure::Disconnected, and so does every later call. When the
// transport drops the waiting call's reply for its size, the call fails at
// once with Failure::BadReply.
//
// A call that ends without its reply (time-out, quit) leaves the reply to come
// later: object ids in it are released (Runtime.releaseObject), since nobody
// holds them.
//
// A page that does not answer a call that its own thread must answer (the
// Runtime and DOM domains) within the bound is taken to be busy: until that
// late reply arrives (or the page commits a new document, or its renderer
// crashes), later calls of those domains on the same page fail at once with
// Failure::TimedOut instead of waiting their whole bound again. The page's
// own script is left alone: one that is only slow recovers by itself.
class CdpConnection {
public:
    static constexpr int kDefaultTimeoutMs = 10000;

    explicit CdpConnection(std::unique_ptr<Transport> transport);
    ~CdpConnection();
    CdpConnection(const CdpConnection&) = delete;
    CdpConnection& operator=(const CdpConnection&) = delete;

    // Sends `method` with `params` to the flattened session `sessionId` (empty:
    // the endpoint itself) and waits for the reply. `timeoutMs` < 0 means the
    // connection's default bound. A protocol error reply gives
    // Failure::Disconnected when it says the object, its context or the
    // session is gone, else Failure::BadReply; lastError() has its message.
    CdpResult call(const QString& method, const QJsonObject& params = {},
                   const QString& sessionId = {}, int timeoutMs = -1);

    // Sends a command whose reply nobody waits for (releasing objects). Does
    // nothing once disconnected; never waits.
    void post(const QString& method, const QJsonObject& params = {}, const QString& sessionId = {});

    // Waits (as call() does) until `done` is true, re-checked after every
    // message; false on time-out, refusal, quit or disconnection.
    bool waitUntil(const std::function<bool()>& done, int timeoutMs);

    using EventHandler = std::function<void(const QString& method, const QJsonObject& params,
                                            const QString& sessionId)>;
    // Registers a handler for protocol events; it must not make calls.
    int addEventHandler(EventHandler handler);
    void removeEventHandler(int handle);

    [[nodiscard]] bool isConnected() const { return connected_; }
    void close();

    [[nodiscard]] int defaultTimeout() const { return defaultTimeoutMs_; }
    void setDefaultTimeout(int timeoutMs) { defaultTimeoutMs_ = timeoutMs; }

    // Whether calls to the page of `sessionId` fail at once because it has
    // not answered since a call to it timed out.
    [[nodiscard]] bool isUnresponsive(const QString& sessionId = {}) const {
        return unresponsive_.contains(sessionId);
    }

    // The message of the last protocol error reply, for diagnostics.
    [[nodiscard]] const QString& lastError() const { return lastError_; }
    // Messages received that were not JSON objects with an id or a method.
    [[nodiscard]] int malformedMessages() const { return malformed_; }
    // Replies that came after their call had ended, and were not parsed.
    [[nodiscard]] int lateReplies() const { return lateReplies_; }

private:
    void onMessage(const QByteArray& message);
    void onDropped(const QByteArray& head);
    void onClosed();
    void onEvent(const QString& method, const QJsonObject& params, const QString& sessionId);
    void takeReply(QJsonObject reply);
    void takeLateReply(qint64 id, const QByteArray& message);
    void abandon(qint64 id, const QString& sessionId);
    qint64 sendCommand(const QString& method, const QJsonObject& params, const QString& sessionId);

    std::unique_ptr<Transport> transport_;
    bool connected_ = true;
    int defaultTimeoutMs_ = kDefaultTimeoutMs;
    qint64 nextId_ = 1;

    // The one call that waits (calls do not nest).
    qint64 pendingId_ = 0;
    QString pendingSession_;
    QDeadlineTimer pendingDeadline_;
    bool replied_ = false;
    QJsonObject reply_;
    std::optional<Failure> pendingFailure_;  // the call failed before a reply came
    QString pendingWhy_;

    // Calls that ended without their reply, oldest first, by id: the session
    // whose objects a late reply may carry.
    std::deque<std::pair<qint64, QString>> abandoned_;
    // Pages that did not answer in time: session id -> the id of the call
    // whose late reply shows the page is answering again.
    QHash<QString, qint64> unresponsive_;

    std::vector<std::pair<int, EventHandler>> handlers_;
    int nextHandle_ = 1;
    QString lastError_;
    int malformed_ = 0;
    int lateReplies_ = 0;
    std::shared_ptr<bool> alive_;
};

}  // namespace automation
