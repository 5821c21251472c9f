// The pipe transport splitting a stream into NUL-terminated messages, with a
// small size limit: whatever bytes arrive, in whatever pieces, every message
// it delivers is one whole NUL-free piece of the stream no longer than the
// limit, in order, and every over-long one is reported dropped instead.
//
// The first input byte chooses how the rest is cut into writes.
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "automation/pipe_transport.h"

namespace {

void check(bool condition) {
    if (!condition) std::abort();
}

QCoreApplication* application() {
    static int argc = 1;
    static char name[] = "pipe_transport_fuzz";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* app = new QCoreApplication(argc, argv);
    return app;
}

constexpr qsizetype kLimit = 64;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    application();
    if (size == 0 || size > 60000) return 0;  // all of it fits in the socket at once
    const std::size_t piece = 1 + data[0] % 17;
    const QByteArray stream(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));

    int ends[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) return 0;
    QByteArray delivered;
    int messages = 0;
    int dropped = 0;
    bool closed = false;
    {
        automation::PipeTransport transport(ends[0], ends[0], kLimit);
        transport.setMessageHandler([&](const QByteArray& message) {
            check(message.size() <= kLimit && !message.contains('\0'));
            delivered += message + '\0';
            ++messages;
        });
        transport.setDropHandler([&](const QByteArray& head) {
            check(head.size() <= automation::Transport::kDroppedHeadBytes);
            ++dropped;
        });
        transport.setCloseHandler([&] { closed = true; });
        for (qsizetype at = 0; at < stream.size(); at += qsizetype(piece)) {
            const QByteArray part = stream.mid(at, qsizetype(piece));
            check(::write(ends[1], part.constData(), size_t(part.size())) == part.size());
            QCoreApplication::processEvents();
        }
        ::close(ends[1]);
        while (!closed) QCoreApplication::processEvents();
    }
    // What came through is exactly the stream's short whole messages, in order.
    QByteArray expected;
    int expectedDropped = 0;
    const QList<QByteArray> parts = stream.split('\0');
    for (qsizetype i = 0; i + 1 < parts.size(); ++i) {  // the last one has no end
        if (parts[i].size() > kLimit)
            ++expectedDropped;
        else
            expected += parts[i] + '\0';
    }
    if (parts.last().size() > kLimit) ++expectedDropped;  // known too long before its end
    check(delivered == expected);
    check(dropped == expectedDropped);
    check(messages == delivered.count('\0'));
    return 0;
}
