#pragma once

#include <QString>
#include <QStringList>
#include <memory>

class QProcess;
class QTemporaryDir;

namespace automation {

class CdpConnection;
class CdpSession;

// A headless Chromium that we start ourselves and talk to over its DevTools
// pipe (no port is opened). The browser gets a fresh user data directory,
// removed again when the launcher is destroyed, which also stops the browser.
// When the browser dies, the connection closes at once: a waiting call fails
// with Failure::Disconnected and so does every later one.
class ChromiumLauncher {
public:
    struct Options {
        QString executable = QStringLiteral("/usr/bin/chromium");
        QStringList extraArguments;
        int startTimeoutMs = 30000;
        // False: the browser shows its windows (it then needs a display).
        bool headless = true;
    };

    ChromiumLauncher();
    explicit ChromiumLauncher(Options options);
    ~ChromiumLauncher();
    ChromiumLauncher(const ChromiumLauncher&) = delete;
    ChromiumLauncher& operator=(const ChromiumLauncher&) = delete;

    // Starts the browser and waits until it answers on the pipe. False (and
    // errorText() says why) when it cannot be started or does not answer.
    bool start();
    // Stops the browser (politely first) and waits for it to end.
    void stop();
    // Kills the browser at once, as a crash would.
    void kill();

    [[nodiscard]] bool isRunning() const;
    [[nodiscard]] qint64 processId() const;
    [[nodiscard]] const QString& errorText() const { return error_; }

    // The browser-level connection; null before start().
    [[nodiscard]] const std::shared_ptr<CdpConnection>& connection() const { return connection_; }
    // A new blank page with its own session; null when the browser is gone.
    std::shared_ptr<CdpSession> newPage(int timeoutMs = -1);

    // The arguments every launched browser gets (besides the pipe and the
    // user data directory).
    static QStringList defaultArguments();

private:
    void removeUserDataDir();

    Options options_;
    std::unique_ptr<QTemporaryDir> userDataDir_;
    std::unique_ptr<QProcess> process_;
    std::shared_ptr<CdpConnection> connection_;
    QString error_;
};

}  // namespace automation
