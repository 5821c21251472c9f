#include "automation/websocket_transport.h"

#include <QEventLoop>
#include <QTimer>
#include <QWebSocket>

#include "automation/nested_wait.h"
#include "automation/protocol_log.h"

namespace automation {

WebSocketTransport::WebSocketTransport() : socket_(std::make_unique<QWebSocket>()) {
    socket_->setMaxAllowedIncomingMessageSize(quint64(kMaxMessageBytes));
    socket_->setMaxAllowedIncomingFrameSize(quint64(kMaxMessageBytes));
    QObject::connect(socket_.get(), &QWebSocket::textMessageReceived,
                     [this](const QString& message) { deliver(message.toUtf8()); });
    QObject::connect(socket_.get(), &QWebSocket::binaryMessageReceived,
                     [this](const QByteArray& message) { deliver(message); });
    QObject::connect(socket_.get(), &QWebSocket::disconnected, [this] {
        if (open_)
            qCInfo(protocolLog) << "socket closed:" << socket_->closeCode()
                                << socket_->closeReason() << socket_->errorString();
        open_ = false;
        notifyClosed();
    });
}

WebSocketTransport::~WebSocketTransport() {
    if (socket_) {
        QObject::disconnect(socket_.get(), nullptr, nullptr, nullptr);
        socket_->abort();
    }
}

bool WebSocketTransport::open(const QUrl& url, int timeoutMs) {
    if (open_) return true;
    bool connected = false;
    bool finished = false;
    const auto onConnected = QObject::connect(socket_.get(), &QWebSocket::connected, [&] {
        connected = true;
        finished = true;
        wakeWait();
    });
    const auto onError = QObject::connect(
        socket_.get(), QOverload<QAbstractSocket::SocketError>::of(&QWebSocket::error),
        [&](QAbstractSocket::SocketError) {
            finished = true;
            wakeWait();
        });
    socket_->open(url);
    const bool waited = waitNested([&] { return finished; }, timeoutMs);
    QObject::disconnect(onConnected);
    QObject::disconnect(onError);
    if (!waited || !connected) {
        qCInfo(protocolLog) << "cannot open" << url.toString() << ":"
                            << (!waited && !finished ? "no answer in time"
                                                     : socket_->errorString());
        socket_->abort();
        notifyClosed();
        return false;
    }
    open_ = true;
    return true;
}

void WebSocketTransport::send(const QByteArray& message) {
    if (!open_) return;
    socket_->sendTextMessage(QString::fromUtf8(message));
}

void WebSocketTransport::close() {
    if (!open_) {
        notifyClosed();
        return;
    }
    open_ = false;
    socket_->abort();
    notifyClosed();
}

bool WebSocketTransport::isOpen() const { return open_; }

}  // namespace automation
