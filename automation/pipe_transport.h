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
// A message longer than kMaxMessageBytes is dropped whole (its reply, if it
// was one, is then never seen and the waiting call runs into its time
// bound); a truncated message at the end of the stream is dropped.
class PipeTransport : public Transport {
public:
    static constexpr qsizetype kMaxMessageBytes = qsizetype(256) * 1024 * 1024;

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
    void splitMessages();

    qsizetype maxMessageBytes_;
    int readFd_ = -1;
    int writeFd_ = -1;
    std::unique_ptr<QSocketNotifier> readNotifier_;
    std::unique_ptr<QSocketNotifier> writeNotifier_;
    QByteArray inbox_;
    qsizetype scanned_ = 0;    // bytes of inbox_ known to hold no NUL
    bool discarding_ = false;  // inside an oversized message, skipping to its NUL
    QByteArray outbox_;
};

}  // namespace automation
