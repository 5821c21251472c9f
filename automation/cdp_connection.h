#pragma once

#include <QJsonObject>
#include <QString>
#include <functional>
#include <memory>
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
// Replies to ids nobody waits for, malformed messages and unknown events are
// ignored. When the transport closes (the browser died, the pipe broke), the
// waiting call fails at once with Failure::Disconnected, and so does every
// later call.
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
    // message; false on time-out, refusal or disconnection.
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

    // The message of the last protocol error reply, for diagnostics.
    [[nodiscard]] const QString& lastError() const { return lastError_; }
    // Messages received that were not JSON objects with an id or a method.
    [[nodiscard]] int malformedMessages() const { return malformed_; }

private:
    void onMessage(const QByteArray& message);
    void onClosed();
    qint64 sendCommand(const QString& method, const QJsonObject& params, const QString& sessionId);

    std::unique_ptr<Transport> transport_;
    bool connected_ = true;
    int defaultTimeoutMs_ = kDefaultTimeoutMs;
    qint64 nextId_ = 1;

    // The one call that waits (calls do not nest).
    qint64 pendingId_ = 0;
    bool replied_ = false;
    QJsonObject reply_;

    std::vector<std::pair<int, EventHandler>> handlers_;
    int nextHandle_ = 1;
    QString lastError_;
    int malformed_ = 0;
    std::shared_ptr<bool> alive_;
};

}  // namespace automation
