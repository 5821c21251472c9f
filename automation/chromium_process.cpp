#include "automation/chromium_process.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include "automation/cdp_connection.h"
#include "automation/cdp_session.h"
#include "automation/pipe_transport.h"

namespace automation {

namespace {

// In the child, between fork and exec: the browser reads our commands from
// descriptor 3 and writes its messages to descriptor 4. Both are the child's
// end of one socket pair. Only async-signal-safe calls here.
void mapPipeDescriptors(int childEnd) {
    const int high = fcntl(childEnd, F_DUPFD, 10);
    if (high < 0) _exit(127);
    if (dup2(high, 3) < 0 || dup2(high, 4) < 0) _exit(127);
    close(high);
}

}  // namespace

ChromiumLauncher::ChromiumLauncher() : ChromiumLauncher(Options{}) {}

ChromiumLauncher::ChromiumLauncher(Options options) : options_(std::move(options)) {}

ChromiumLauncher::~ChromiumLauncher() { stop(); }

QStringList ChromiumLauncher::defaultArguments() {
    return {"--headless",
            "--no-sandbox",
            "--disable-gpu",
            "--disable-quic",
            "--no-first-run",
            "--no-default-browser-check",
            "--disable-background-networking",
            "--disable-component-update",
            "--disable-sync",
            "--disable-extensions",
            "--mute-audio",
            "--remote-debugging-pipe"};
}

bool ChromiumLauncher::start() {
    if (isRunning()) return true;
    error_.clear();
    userDataDir_ = std::make_unique<QTemporaryDir>();
    if (!userDataDir_->isValid()) {
        error_ = QStringLiteral("cannot create a user data directory");
        return false;
    }
    int ends[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) {
        error_ = QStringLiteral("cannot create the DevTools pipe");
        return false;
    }
    const int ours = ends[0];
    const int childEnd = ends[1];

    process_ = std::make_unique<QProcess>();
    process_->setProgram(options_.executable);
    QStringList arguments = defaultArguments();
    if (!options_.headless) arguments.removeAll(QStringLiteral("--headless"));
    arguments << QStringLiteral("--user-data-dir=%1").arg(userDataDir_->path())
              << options_.extraArguments << QStringLiteral("about:blank");
    process_->setArguments(arguments);
    process_->setStandardOutputFile(QProcess::nullDevice());
    process_->setStandardErrorFile(QProcess::nullDevice());
    process_->setStandardInputFile(QProcess::nullDevice());
    // The browser's own temporary files go inside our directory too, so that
    // nothing is left behind even when it is killed.
    const QString temporary = QDir(userDataDir_->path()).filePath(QStringLiteral("tmp"));
    QDir().mkpath(temporary);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("TMPDIR"), temporary);
    process_->setProcessEnvironment(environment);
    process_->setChildProcessModifier([childEnd] { mapPipeDescriptors(childEnd); });

    connection_ = std::make_shared<CdpConnection>(std::make_unique<PipeTransport>(ours, ours));
    // A browser that ends, however, closes the connection at once; waiting
    // for the socket to see the end could take longer when helpers linger.
    std::weak_ptr<CdpConnection> weak = connection_;
    QObject::connect(process_.get(), &QProcess::finished, [weak] {
        if (auto connection = weak.lock()) connection->close();
    });
    QObject::connect(process_.get(), &QProcess::errorOccurred,
                     [weak](QProcess::ProcessError error) {
                         if (error != QProcess::FailedToStart) return;
                         if (auto connection = weak.lock()) connection->close();
                     });

    process_->start();
    const bool started = process_->waitForStarted(options_.startTimeoutMs);
    ::close(childEnd);
    if (!started) {
        error_ =
            QStringLiteral("cannot start %1: %2").arg(options_.executable, process_->errorString());
        stop();
        return false;
    }
    const CdpResult version =
        connection_->call("Browser.getVersion", {}, {}, options_.startTimeoutMs);
    if (!std::holds_alternative<QJsonObject>(version)) {
        error_ = QStringLiteral("the browser did not answer on its DevTools pipe");
        stop();
        return false;
    }
    return true;
}

void ChromiumLauncher::stop() {
    if (process_) {
        if (process_->state() != QProcess::NotRunning) {
            if (connection_ && connection_->isConnected()) connection_->post("Browser.close");
            if (!process_->waitForFinished(5000)) {
                process_->terminate();
                if (!process_->waitForFinished(3000)) {
                    process_->kill();
                    process_->waitForFinished(3000);
                }
            }
        }
        QObject::disconnect(process_.get(), nullptr, nullptr, nullptr);
    }
    if (connection_) connection_->close();
    process_.reset();
    removeUserDataDir();
}

void ChromiumLauncher::removeUserDataDir() {
    if (!userDataDir_) return;
    // After a crash or a kill the browser's helper processes may still write
    // into the directory for a moment: try again briefly before giving up.
    userDataDir_->setAutoRemove(false);
    QDir directory(userDataDir_->path());
    for (int attempt = 0; attempt < 30 && directory.exists() && !directory.removeRecursively();
         ++attempt)
        QThread::msleep(100);
    userDataDir_.reset();
}

void ChromiumLauncher::kill() {
    if (process_ && process_->state() != QProcess::NotRunning) process_->kill();
}

bool ChromiumLauncher::isRunning() const {
    return process_ && process_->state() == QProcess::Running && connection_ &&
           connection_->isConnected();
}

qint64 ChromiumLauncher::processId() const { return process_ ? process_->processId() : 0; }

std::shared_ptr<CdpSession> ChromiumLauncher::newPage(int timeoutMs) {
    if (!isRunning()) return nullptr;
    return CdpSession::createPage(connection_, timeoutMs);
}

}  // namespace automation
