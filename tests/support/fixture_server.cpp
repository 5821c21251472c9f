#include "tests/support/fixture_server.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QUrl>
#include <memory>

namespace testsupport {

namespace {

// Largest request head or body a fixture page can send; more is cut off.
constexpr qsizetype kMaxRequest = 1 << 20;

}  // namespace

class FixtureServer::Thread : public QThread {
public:
    Thread(FixtureServer& owner, QString root) : owner_(owner), root_(std::move(root)) {}

    // Blocks until the server listens (or failed to); returns the port.
    quint16 startAndWait() {
        QMutexLocker lock(&mutex_);
        start();
        while (!ready_) started_.wait(&mutex_);
        return port_;
    }

protected:
    void run() override {
        QTcpServer server;
        const bool listening = server.listen(QHostAddress::LocalHost, 0);
        {
            QMutexLocker lock(&mutex_);
            port_ = listening ? server.serverPort() : 0;
            ready_ = true;
            started_.wakeAll();
        }
        if (!listening) return;
        QObject::connect(&server, &QTcpServer::newConnection, [&server, this] {
            while (QTcpSocket* socket = server.nextPendingConnection()) serve(socket);
        });
        exec();
    }

private:
    void serve(QTcpSocket* socket) {
        auto buffer = std::make_shared<QByteArray>();
        QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, buffer] {
            buffer->append(socket->readAll());
            const qsizetype headEnd = buffer->indexOf("\r\n\r\n");
            if (headEnd < 0) {
                if (buffer->size() > kMaxRequest) socket->abort();
                return;
            }
            const QByteArray head = buffer->left(headEnd);
            qsizetype contentLength = 0;
            for (const QByteArray& line : head.split('\n')) {
                const QByteArray trimmed = line.trimmed();
                if (trimmed.toLower().startsWith("content-length:")) {
                    contentLength = trimmed.mid(15).trimmed().toLongLong();
                }
            }
            contentLength = std::clamp<qsizetype>(contentLength, 0, kMaxRequest);
            if (buffer->size() - (headEnd + 4) < contentLength) return;

            const QList<QByteArray> requestLine = head.left(head.indexOf('\r')).split(' ');
            Request request;
            request.method = requestLine.value(0);
            request.target = requestLine.value(1);
            request.body = buffer->mid(headEnd + 4, contentLength);
            buffer->clear();
            respond(socket, request);
            owner_.record(std::move(request));
        });
    }

    void respond(QTcpSocket* socket, const Request& request) {
        QByteArray body = "<!DOCTYPE html><title>received</title><p>received</p>";
        QByteArray type = "text/html; charset=utf-8";
        int status = 200;
        if (request.method == "GET") {
            const qsizetype query = request.target.indexOf('?');
            const QString path =
                QUrl::fromPercentEncoding(query < 0 ? request.target : request.target.left(query));
            const QString cleaned = QDir::cleanPath(path);
            const QFileInfo file(root_ + cleaned);
            // Only files below the root are served.
            if (!cleaned.startsWith(QLatin1String("/..")) && file.isFile()) {
                QFile content(file.absoluteFilePath());
                if (content.open(QIODevice::ReadOnly)) {
                    body = content.readAll();
                    type = QMimeDatabase().mimeTypeForFile(file).name().toUtf8();
                    if (type.startsWith("text/")) type += "; charset=utf-8";
                }
            } else if (path != QLatin1String("/") && !path.startsWith(QLatin1String("/submit"))) {
                status = 404;
                body = "not found";
            }
        }
        QByteArray response = "HTTP/1.1 " + QByteArray::number(status) +
                              (status == 200 ? " OK" : " Not Found") + "\r\nContent-Type: " + type +
                              "\r\nContent-Length: " + QByteArray::number(body.size()) +
                              "\r\nCache-Control: no-store\r\nConnection: close\r\n\r\n" + body;
        socket->write(response);
        socket->disconnectFromHost();
    }

    FixtureServer& owner_;
    QString root_;
    QMutex mutex_;
    QWaitCondition started_;
    bool ready_ = false;
    quint16 port_ = 0;
};

FixtureServer::FixtureServer(QString root) : root_(std::move(root)) {
    thread_ = new Thread(*this, root_);
    port_ = thread_->startAndWait();
}

FixtureServer::~FixtureServer() {
    thread_->quit();
    thread_->wait();
    delete thread_;
}

QString FixtureServer::url(const QString& path, const QString& host) const {
    return QStringLiteral("http://%1:%2%3").arg(host).arg(port_).arg(path);
}

void FixtureServer::record(Request request) {
    QMutexLocker lock(&mutex_);
    requests_.push_back(std::move(request));
}

void FixtureServer::clearRequests() {
    QMutexLocker lock(&mutex_);
    requests_.clear();
}

std::vector<FixtureServer::Request> FixtureServer::requests() const {
    QMutexLocker lock(&mutex_);
    return requests_;
}

std::optional<FixtureServer::Request> FixtureServer::waitForRequest(const QByteArray& prefix,
                                                                    int timeoutMs) const {
    std::optional<Request> found;
    (void)QTest::qWaitFor(
        [&] {
            for (const Request& request : requests()) {
                if (request.target.startsWith(prefix)) {
                    found = request;
                    return true;
                }
            }
            return false;
        },
        timeoutMs);
    return found;
}

}  // namespace testsupport
