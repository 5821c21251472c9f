#pragma once

#include <QByteArray>
#include <memory>

#include "automation/transport.h"

class QSocketNotifier;

namespace automation {

// The DevTools pipe of a browser we started: each message is one JSON text
// terminated by a NUL byte. The transport owns the descriptors it is given
// (closed on destruction) and never blocks: writes are buffered and flushed
// when the descriptor is writable, reads happen when data is there.
//
// A message longer than kMaxMessageBytes is dropped whole: the drop handler
// hears of it (with its first bytes) as soon as its length passes the limit,
// and the rest of it is skipped without being kept. A truncated message at
// the end of the stream is dropped.
//
// Each time the descriptor is readable the transport reads once (at most
// kReadBytes) and returns to the event loop, so that a long message never
// holds the loop: a waiting call's timer still fires while it streams in.
class PipeTransport : public Transport {
public:
    static constexpr qsizetype kMaxMessageBytes = qsizetype(256) * 1024 * 1024;
    static constexpr qsizetype kReadBytes = qsizetype(1024) * 1024;

    // `readFd` carries the browser's messages to us, `writeFd` ours to the
    // browser; they may be the same descriptor (a socket).
    PipeTransport(int readFd, int writeFd, qsizetype maxMessageBytes = kMaxMessageBytes);
    ~PipeTransport() override;

    void send(const QByteArray& message) override;
    void close() override;
    [[nodiscard]] bool isOpen() const override;

private:
    void readAvailable();
    void flush();
    // Splits freshly read bytes into messages; false when a handler closed
    // or destroyed the transport meanwhile.
    bool consume(const char* data, qsizetype size);

    qsizetype maxMessageBytes_;
    int readFd_ = -1;
    int writeFd_ = -1;
    std::unique_ptr<QSocketNotifier> readNotifier_;
    std::unique_ptr<QSocketNotifier> writeNotifier_;
    QByteArray chunk_;         // the read buffer
    QByteArray inbox_;         // the start of a message whose end has not come yet
    bool discarding_ = false;  // inside an oversized message, skipping to its NUL
    qsizetype discarded_ = 0;  // bytes of that message so far
    QByteArray outbox_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace automation
