#pragma once

#include <QByteArray>
#include <QMutex>
#include <QString>
#include <QThread>
#include <QWaitCondition>
#include <optional>
#include <vector>

namespace testsupport {

// A small HTTP server on 127.0.0.1 for browser tests: it serves the files of
// one folder and records every request it gets, so that a test can see what a
// page really sent (a submitted form, a navigation). It runs on a thread of
// its own and so answers while the test thread waits for the browser.
//
// GET of an existing file under the root gives the file; any other request
// gives a short "received" page. Every request is recorded first.
class FixtureServer {
public:
    struct Request {
        QByteArray method;
        QByteArray target;  // path and query as sent
        QByteArray body;
    };

    // Starts serving `root`; port() is 0 when the server could not listen.
    explicit FixtureServer(QString root);
    ~FixtureServer();
    FixtureServer(const FixtureServer&) = delete;
    FixtureServer& operator=(const FixtureServer&) = delete;

    [[nodiscard]] quint16 port() const { return port_; }
    // The address of `path` (with a leading "/") on `host`; "localhost" gives
    // an origin other than the default one.
    [[nodiscard]] QString url(const QString& path, const QString& host = "127.0.0.1") const;

    [[nodiscard]] std::vector<Request> requests() const;
    // Forgets the requests recorded so far (each test starts afresh).
    void clearRequests();
    // The first recorded request whose target starts with `prefix`, waiting
    // up to `timeoutMs` while the test thread's events keep running.
    std::optional<Request> waitForRequest(const QByteArray& prefix, int timeoutMs = 5000) const;

    // Called by the serving thread.
    void record(Request request);

private:
    class Thread;
    QString root_;
    quint16 port_ = 0;
    Thread* thread_ = nullptr;
    mutable QMutex mutex_;
    std::vector<Request> requests_;
};

}  // namespace testsupport
