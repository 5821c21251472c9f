#pragma once

#include <QUrl>
#include <memory>

#include "automation/transport.h"

class QWebSocket;

namespace automation {

// A DevTools endpoint that already listens (the embedded engine's, or a
// browser the user started with a debugging port), over a WebSocket. A
// message over kMaxMessageBytes makes the socket close (the waiting call then
// fails as disconnected); the next session opens a new one.
class WebSocketTransport : public Transport {
public:
    static constexpr qint64 kMaxMessageBytes = qint64(256) * 1024 * 1024;

    WebSocketTransport();
    ~WebSocketTransport() override;

    // Connects to `url` (ws://127.0.0.1:<port>/devtools/...), waiting in a
    // nested event loop that excludes user input for at most `timeoutMs`.
    // False when the endpoint did not accept in time; the transport is then
    // closed.
    bool open(const QUrl& url, int timeoutMs);

    void send(const QByteArray& message) override;
    void close() override;
    [[nodiscard]] bool isOpen() const override;

private:
    std::unique_ptr<QWebSocket> socket_;
    bool open_ = false;
};

}  // namespace automation
