#include "automation/embedded_endpoint.h"

#include <QDeadlineTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrl>

#include "automation/cdp_connection.h"
#include "automation/cdp_session.h"
#include "automation/nested_wait.h"
#include "automation/websocket_transport.h"

namespace automation {

namespace {

std::variant<QByteArray, Failure> httpGet(const QUrl& url, int timeoutMs) {
    if (isWaiting()) return Failure::Reentered;
    QNetworkAccessManager manager;
    QNetworkRequest request(url);
    request.setTransferTimeout(timeoutMs);
    std::unique_ptr<QNetworkReply> reply(manager.get(request));
    QNetworkReply* raw = reply.get();
    bool finished = false;
    QObject::connect(raw, &QNetworkReply::finished, [&] {
        finished = true;
        wakeWait();
    });
    if (!waitNested([&] { return finished; }, timeoutMs)) {
        raw->abort();
        return Failure::TimedOut;
    }
    if (raw->error() != QNetworkReply::NoError) return Failure::Disconnected;
    return raw->readAll();
}

}  // namespace

std::variant<QJsonArray, Failure> listTargets(quint16 port, int timeoutMs) {
    auto body = httpGet(QUrl(QStringLiteral("http://127.0.0.1:%1/json/list").arg(port)), timeoutMs);
    if (const auto* failure = std::get_if<Failure>(&body)) return *failure;
    const QJsonDocument document = QJsonDocument::fromJson(std::get<QByteArray>(body));
    if (!document.isArray()) return Failure::BadReply;
    return document.array();
}

namespace {

// A socket address from a listing, accepted only on this very endpoint: a
// listing that points elsewhere is not followed.
std::unique_ptr<WebSocketTransport> openSocket(const QString& address, quint16 port,
                                               int timeoutMs) {
    const QUrl url(address);
    if (address.isEmpty() || url.host() != QLatin1String("127.0.0.1") || url.port() != port)
        return nullptr;
    auto transport = std::make_unique<WebSocketTransport>();
    if (!transport->open(url, timeoutMs)) return nullptr;
    return transport;
}

int remaining(const QDeadlineTimer& deadline) {
    return int(qMax<qint64>(1, deadline.remainingTime()));
}

std::shared_ptr<CdpSession> openPage(quint16 port, int timeoutMs, const QString& field,
                                     const QString& wanted) {
    const QDeadlineTimer deadline(timeoutMs);
    auto targets = listTargets(port, timeoutMs);
    const auto* list = std::get_if<QJsonArray>(&targets);
    if (!list) return nullptr;
    QString socketUrl;
    for (const QJsonValue& entry : *list) {
        const QJsonObject target = entry.toObject();
        if (target.value("type").toString() == QLatin1String("page") &&
            target.value(field).toString() == wanted) {
            socketUrl = target.value("webSocketDebuggerUrl").toString();
            break;
        }
    }
    auto transport = openSocket(socketUrl, port, remaining(deadline));
    if (!transport) return nullptr;
    auto connection = std::make_shared<CdpConnection>(std::move(transport));
    return CdpSession::forPageEndpoint(connection, remaining(deadline));
}

}  // namespace

std::shared_ptr<CdpSession> openPageSession(quint16 port, const QString& url, int timeoutMs) {
    return openPage(port, timeoutMs, QStringLiteral("url"), url);
}

std::shared_ptr<CdpConnection> connectBrowser(quint16 port, int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    auto body =
        httpGet(QUrl(QStringLiteral("http://127.0.0.1:%1/json/version").arg(port)), timeoutMs);
    const auto* bytes = std::get_if<QByteArray>(&body);
    if (!bytes) return nullptr;
    const QString address =
        QJsonDocument::fromJson(*bytes).object().value("webSocketDebuggerUrl").toString();
    auto transport = openSocket(address, port, remaining(deadline));
    if (!transport) return nullptr;
    return std::make_shared<CdpConnection>(std::move(transport));
}

std::shared_ptr<CdpSession> openPageSessionById(quint16 port, const QString& targetId,
                                                int timeoutMs) {
    return openPage(port, timeoutMs, QStringLiteral("id"), targetId);
}

}  // namespace automation
