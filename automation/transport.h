#pragma once

#include <QByteArray>
#include <functional>

namespace automation {

// A message channel to a DevTools endpoint: whole text messages out and in.
// Implementations deliver each received message once, in order, on the thread
// that owns them, from its event loop. After the channel closes (either side,
// or the peer died) send() does nothing and the close handler has run once.
// A message over the transport's size limit is not delivered; the drop
// handler hears of it instead.
class Transport {
public:
    using MessageHandler = std::function<void(const QByteArray& message)>;
    using CloseHandler = std::function<void()>;
    // A message that was too long to take: its first bytes (enough to hold
    // the id of a reply), reported as soon as it is known to be too long.
    using DropHandler = std::function<void(const QByteArray& head)>;

    virtual ~Transport() = default;

    // Queues one message; never blocks on the peer.
    virtual void send(const QByteArray& message) = 0;
    // Closes the channel; the close handler runs (once) if it had not yet.
    virtual void close() = 0;
    [[nodiscard]] virtual bool isOpen() const = 0;

    void setMessageHandler(MessageHandler handler) { onMessage_ = std::move(handler); }
    void setCloseHandler(CloseHandler handler) { onClose_ = std::move(handler); }
    void setDropHandler(DropHandler handler) { onDrop_ = std::move(handler); }

    // How many leading bytes of a dropped message are reported.
    static constexpr qsizetype kDroppedHeadBytes = 64;

protected:
    void deliver(const QByteArray& message) {
        if (onMessage_) onMessage_(message);
    }
    void reportDropped(const QByteArray& head) {
        if (onDrop_) onDrop_(head.left(kDroppedHeadBytes));
    }
    void notifyClosed() {
        if (closeNotified_) return;
        closeNotified_ = true;
        if (onClose_) onClose_();
    }

private:
    MessageHandler onMessage_;
    CloseHandler onClose_;
    DropHandler onDrop_;
    bool closeNotified_ = false;
};

}  // namespace automation
