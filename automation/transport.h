#pragma once

#include <QByteArray>
#include <functional>

namespace automation {

// A message channel to a DevTools endpoint: whole text messages out and in.
// Implementations deliver each received message once, in order, on the thread
// that owns them, from its event loop. After the channel closes (either side,
// or the peer died) send() does nothing and the close handler has run once.
class Transport {
public:
    using MessageHandler = std::function<void(const QByteArray& message)>;
    using CloseHandler = std::function<void()>;

    virtual ~Transport() = default;

    // Queues one message; never blocks on the peer.
    virtual void send(const QByteArray& message) = 0;
    // Closes the channel; the close handler runs (once) if it had not yet.
    virtual void close() = 0;
    [[nodiscard]] virtual bool isOpen() const = 0;

    void setMessageHandler(MessageHandler handler) { onMessage_ = std::move(handler); }
    void setCloseHandler(CloseHandler handler) { onClose_ = std::move(handler); }

protected:
    void deliver(const QByteArray& message) {
        if (onMessage_) onMessage_(message);
    }
    void notifyClosed() {
        if (closeNotified_) return;
        closeNotified_ = true;
        if (onClose_) onClose_();
    }

private:
    MessageHandler onMessage_;
    CloseHandler onClose_;
    bool closeNotified_ = false;
};

}  // namespace automation
