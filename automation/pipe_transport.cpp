#include "automation/pipe_transport.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <cerrno>

namespace automation {

namespace {

void setNonBlocking(int fd) {
    const int flags = fcntl(fd, F_GETFL);
    if (flags >= 0) fcntl(fd, F_SETFL, flags | O_NONBLOCK);
}

// Writes without raising SIGPIPE when the peer is gone: sockets take
// MSG_NOSIGNAL; for a plain pipe we fall back to write().
ssize_t writeSome(int fd, const char* data, size_t size) {
    ssize_t written = ::send(fd, data, size, MSG_NOSIGNAL);
    if (written < 0 && errno == ENOTSOCK) written = ::write(fd, data, size);
    return written;
}

}  // namespace

PipeTransport::PipeTransport(int readFd, int writeFd, qsizetype maxMessageBytes)
    : maxMessageBytes_(maxMessageBytes), readFd_(readFd), writeFd_(writeFd) {
    setNonBlocking(readFd_);
    if (writeFd_ != readFd_) setNonBlocking(writeFd_);
    readNotifier_ = std::make_unique<QSocketNotifier>(readFd_, QSocketNotifier::Read);
    QObject::connect(readNotifier_.get(), &QSocketNotifier::activated, [this] { readAvailable(); });
    writeNotifier_ = std::make_unique<QSocketNotifier>(writeFd_, QSocketNotifier::Write);
    writeNotifier_->setEnabled(false);
    QObject::connect(writeNotifier_.get(), &QSocketNotifier::activated, [this] { flush(); });
}

PipeTransport::~PipeTransport() {
    readNotifier_.reset();
    writeNotifier_.reset();
    if (readFd_ >= 0) ::close(readFd_);
    if (writeFd_ >= 0 && writeFd_ != readFd_) ::close(writeFd_);
}

bool PipeTransport::isOpen() const { return readNotifier_ != nullptr; }

void PipeTransport::send(const QByteArray& message) {
    if (!isOpen()) return;
    outbox_.append(message);
    outbox_.append('\0');
    flush();
}

void PipeTransport::flush() {
    while (isOpen() && !outbox_.isEmpty()) {
        const ssize_t written = writeSome(writeFd_, outbox_.constData(), size_t(outbox_.size()));
        if (written > 0) {
            outbox_.remove(0, written);
        } else if (written < 0 && errno == EINTR) {
            continue;
        } else if (written < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            writeNotifier_->setEnabled(true);
            return;
        } else {
            close();
            return;
        }
    }
    if (writeNotifier_) writeNotifier_->setEnabled(false);
}

void PipeTransport::readAvailable() {
    char chunk[65536];
    for (;;) {
        const ssize_t got = ::read(readFd_, chunk, sizeof chunk);
        if (got > 0) {
            inbox_.append(chunk, got);
            splitMessages();
            if (!isOpen()) return;  // a handler closed us
            continue;
        }
        if (got < 0 && errno == EINTR) continue;
        if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;
        close();  // end of stream or a hard error: the browser is gone
        return;
    }
}

void PipeTransport::splitMessages() {
    for (;;) {
        const qsizetype end = inbox_.indexOf('\0', scanned_);
        if (end < 0) {
            scanned_ = inbox_.size();
            if (scanned_ > maxMessageBytes_) {
                // Too big to keep: forget what we have and skip to its end.
                discarding_ = true;
                inbox_.clear();
                scanned_ = 0;
            }
            return;
        }
        const QByteArray message = inbox_.left(end);
        inbox_.remove(0, end + 1);
        scanned_ = 0;
        if (discarding_ || message.size() > maxMessageBytes_) {
            discarding_ = false;
            continue;
        }
        deliver(message);
        if (!isOpen()) return;
    }
}

void PipeTransport::close() {
    if (!isOpen()) return;
    readNotifier_->setEnabled(false);
    writeNotifier_->setEnabled(false);
    // The notifiers may be the sender of the signal we are in: delete later.
    readNotifier_.release()->deleteLater();
    writeNotifier_.release()->deleteLater();
    outbox_.clear();
    inbox_.clear();
    notifyClosed();
}

}  // namespace automation
