// The protocol client fed what a hostile or broken peer may send, through a
// transport that hands the client the input's messages instead of a pipe's.
//
// The input is a script of messages separated by NUL bytes, in groups that
// "|" alone separates; each command the client sends makes the transport
// deliver the next group from the event loop, as a real one would. A message
// that starts with "!" is reported as dropped for its size (the rest is its
// head); "~" alone closes the channel. Each input runs a few calls and a wait
// on one connection, with bounds of 0 ms so that nothing waits in earnest.
// Nothing may crash, leak or hang, and every call must end with a reply
// object or a failure.
#include <QCoreApplication>
#include <QJsonObject>
#include <QTimer>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "automation/cdp_connection.h"

namespace {

using namespace automation;

class ScriptedTransport : public Transport {
public:
    explicit ScriptedTransport(std::vector<std::vector<QByteArray>> groups)
        : groups_(std::move(groups)) {}

    void send(const QByteArray& message) override {
        if (!open_) return;
        ++sent;
        if (message.isEmpty()) std::abort();
        QTimer::singleShot(0, &context_, [this] { deliverNextGroup(); });
    }
    void close() override {
        if (!open_) return;
        open_ = false;
        notifyClosed();
    }
    [[nodiscard]] bool isOpen() const override { return open_; }

    int sent = 0;

private:
    void deliverNextGroup() {
        if (next_ >= groups_.size()) return;
        const std::vector<QByteArray> group = groups_[next_++];
        for (const QByteArray& message : group) {
            if (!open_) return;
            if (message == "~") {
                close();
            } else if (message.startsWith('!')) {
                reportDropped(message.mid(1));
            } else {
                deliver(message);
            }
        }
    }

    std::vector<std::vector<QByteArray>> groups_;
    std::size_t next_ = 0;
    bool open_ = true;
    QObject context_;  // timers die with the transport
};

QCoreApplication* application() {
    static int argc = 1;
    static char name[] = "protocol_fuzz";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* app = new QCoreApplication(argc, argv);
    return app;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    application();
    const QByteArray input(reinterpret_cast<const char*>(data), qsizetype(size));
    std::vector<std::vector<QByteArray>> groups(1);
    for (const QByteArray& message : input.split('\0')) {
        if (message == "|")
            groups.emplace_back();
        else if (!message.isEmpty())
            groups.back().push_back(message);
    }
    auto owned = std::make_unique<ScriptedTransport>(std::move(groups));
    ScriptedTransport* transport = owned.get();
    {
        CdpConnection connection(std::move(owned));
        int events = 0;
        connection.addEventHandler(
            [&](const QString&, const QJsonObject&, const QString&) { ++events; });
        const QString methods[] = {"Runtime.callFunctionOn", "Runtime.evaluate", "Page.navigate",
                                   "DOM.describeNode"};
        for (int i = 0; i < 4; ++i) {
            const CdpResult result =
                connection.call(methods[i], {{"n", i}}, i % 2 ? QString() : QStringLiteral("S"), 0);
            if (result.index() > 1) std::abort();
            connection.post("Runtime.releaseObject", {{"objectId", "x"}});
        }
        connection.waitUntil([&] { return events > 3; }, 0);
        if (connection.isConnected() && transport->sent == 0) std::abort();
        QCoreApplication::processEvents();
    }
    QCoreApplication::processEvents();
    return 0;
}
