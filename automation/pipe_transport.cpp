#include "automation/pipe_transport.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <cerrno>
#include <cstring>

#include "automation/protocol_log.h"

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
    *alive_ = false;
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
            qCInfo(protocolLog) << "pipe write failed:"
                                << (written < 0 ? strerror(errno) : "nothing written");
            close();
            return;
        }
    }
    if (writeNotifier_) writeNotifier_->setEnabled(false);
}

void PipeTransport::readAvailable() {
    if (chunk_.size() != kReadBytes) chunk_.resize(kReadBytes);
    ssize_t got = 0;
    do {
        got = ::read(readFd_, chunk_.data(), size_t(chunk_.size()));
    } while (got < 0 && errno == EINTR);
    if (got > 0) {
        consume(chunk_.constData(), qsizetype(got));
        return;  // the notifier fires again while more is waiting
    }
    if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;
    if (got == 0) {
        qCInfo(protocolLog) << "pipe closed by the browser"
                            << (inbox_.isEmpty() && !discarding_
                                    ? ""
                                    : "(a message cut off at the end is dropped)");
    } else {
        qCInfo(protocolLog) << "pipe read failed:" << strerror(errno);
    }
    close();  // end of stream or a hard error: the browser is gone
}

bool PipeTransport::consume(const char* data, qsizetype size) {
    const std::shared_ptr<bool> alive = alive_;
    while (size > 0) {
        const auto* nul = static_cast<const char*>(std::memchr(data, '\0', size_t(size)));
        const qsizetype length = nul ? qsizetype(nul - data) : size;
        if (discarding_) {
            discarded_ += length;
            if (!nul) return true;
            qCDebug(protocolLog) << "skipped the rest of an oversized message," << discarded_
                                 << "bytes in all";
            discarding_ = false;
            discarded_ = 0;
        } else if (inbox_.size() + length > maxMessageBytes_) {
            // Too long to keep: tell who waits for it at once, forget what
            // we have and skip to its end.
            QByteArray head = inbox_.left(kDroppedHeadBytes);
            head.append(data, qMin(length, kDroppedHeadBytes - head.size()));
            discarded_ = inbox_.size() + length;
            inbox_ = QByteArray();
            discarding_ = nul == nullptr;
            qCInfo(protocolLog) << "dropped a message longer than" << maxMessageBytes_
                                << "bytes:" << head.left(32);
            reportDropped(head);
            if (!*alive || !isOpen()) return false;
        } else if (!nul) {
            inbox_.append(data, length);
            return true;
        } else {
            QByteArray message;
            if (inbox_.isEmpty()) {
                message = QByteArray(data, length);
            } else {
                inbox_.append(data, length);
                message.swap(inbox_);
            }
            deliver(message);
            if (!*alive || !isOpen()) return false;
        }
        data += length + 1;
        size -= length + 1;
    }
    return true;
}

void PipeTransport::close() {
    if (!isOpen()) return;
    readNotifier_->setEnabled(false);
    writeNotifier_->setEnabled(false);
    // The notifiers may be the sender of the signal we are in: delete later.
    readNotifier_.release()->deleteLater();
    writeNotifier_.release()->deleteLater();
    outbox_.clear();
    inbox_ = QByteArray();
    chunk_ = QByteArray();
    discarding_ = false;
    notifyClosed();
}

}  // namespace automation
