// Playing at a DevTools endpoint that already listens: a Chromium that the
// test starts with --remote-debugging-port on 127.0.0.1, reached by its
// http:// address or its ws:// browser address; endpoints that do not answer.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

#include "automation/chromium_process.h"
#include "tests/player/player_process.h"
#include "tests/support/fixture_server.h"

namespace {

using testsupport::runScriptPlayer;
using testsupport::writeScript;

// A headless Chromium with a debugging port that the system chooses.
class ListeningBrowser {
public:
    ListeningBrowser() {
        QStringList arguments = automation::ChromiumLauncher::defaultArguments();
        arguments.removeAll(QStringLiteral("--remote-debugging-pipe"));
        arguments << "--remote-debugging-address=127.0.0.1"
                  << "--remote-debugging-port=0"
                  << "--user-data-dir=" + profile_.path() << "about:blank";
        process_.setProgram(QStringLiteral("/usr/bin/chromium"));
        process_.setArguments(arguments);
        process_.setStandardOutputFile(QProcess::nullDevice());
        process_.setStandardErrorFile(QProcess::nullDevice());
        process_.start();
        // The browser writes its port and browser address into the profile.
        QFile active(QDir(profile_.path()).filePath("DevToolsActivePort"));
        ready_ = QTest::qWaitFor(
            [&] {
                if (!active.open(QIODevice::ReadOnly)) return false;
                const QList<QByteArray> lines = active.readAll().split('\n');
                active.close();
                if (lines.size() < 2 || lines[1].isEmpty()) return false;
                port_ = lines[0].toUShort();
                browserPath_ = QString::fromLatin1(lines[1]);
                return port_ != 0;
            },
            30000);
    }
    ~ListeningBrowser() {
        process_.kill();
        process_.waitForFinished();
    }
    [[nodiscard]] quint16 port() const { return ready_ ? port_ : 0; }
    [[nodiscard]] QString httpAddress() const {
        return QStringLiteral("http://127.0.0.1:%1").arg(port_);
    }
    [[nodiscard]] QString socketAddress() const {
        return QStringLiteral("ws://127.0.0.1:%1%2").arg(port_).arg(browserPath_);
    }

    // The addresses of the pages the browser has open now.
    QStringList pageUrls() {
        QNetworkAccessManager manager;
        QNetworkReply* reply = manager.get(QNetworkRequest(QUrl(httpAddress() + "/json/list")));
        if (!QTest::qWaitFor([&] { return reply->isFinished(); }, 10000)) return {"no answer"};
        QStringList urls;
        for (const QJsonValue& target : QJsonDocument::fromJson(reply->readAll()).array())
            if (target.toObject().value("type").toString() == "page")
                urls << target.toObject().value("url").toString();
        reply->deleteLater();
        return urls;
    }

private:
    QTemporaryDir profile_;
    QProcess process_;
    quint16 port_ = 0;
    QString browserPath_;
    bool ready_ = false;
};

testsupport::FixtureServer& server() {
    static testsupport::FixtureServer fixtures(QStringLiteral(FIXTURE_DIR "/player"));
    return fixtures;
}

struct EndpointCase {
    const char* label;
    bool socket;  // the ws:// browser address instead of http://
};

class ConnectTest : public testing::TestWithParam<EndpointCase> {};

TEST_P(ConnectTest, PlaysInAPageOfItsOwnAndClosesIt) {
    ASSERT_NE(server().port(), 0);
    server().clearRequests();
    ListeningBrowser browser;
    ASSERT_NE(browser.port(), 0) << "the browser did not open its debugging port";
    const QStringList pagesBefore = browser.pageUrls();
    QTemporaryDir dir;
    const QString path = writeScript(dir, "c.ini",
                                     server().url("/login.html").toStdString() +
                                         "\r\n填表文本|user|0|0\r\n点击按钮|登录|3|0\r\n");
    const QString endpoint = GetParam().socket ? browser.socketAddress() : browser.httpAddress();
    const auto run = runScriptPlayer({"--connect", endpoint, "--text", "远程", path});
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0) << run.out.toStdString() << run.err.toStdString();
    EXPECT_TRUE(server().waitForRequest("/next.html?user=%E8%BF%9C%E7%A8%8B"));
    // The player's page is gone again; the browser's own page is left alone.
    // (The browser may list a closed target for a moment.)
    EXPECT_TRUE(QTest::qWaitFor([&] { return browser.pageUrls() == pagesBefore; }, 10000))
        << browser.pageUrls().join(' ').toStdString();
}

INSTANTIATE_TEST_SUITE_P(Player, ConnectTest,
                         testing::Values(EndpointCase{"HttpAddress", false},
                                         EndpointCase{"BrowserSocketAddress", true}),
                         [](const testing::TestParamInfo<EndpointCase>& info) {
                             return std::string(info.param.label);
                         });

TEST(PlayerConnect, AnEndpointThatDoesNotAnswerGivesStatusThree) {
    ASSERT_NE(server().port(), 0);
    QTcpServer closed;
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost));
    const QString closedPort = QString::number(closed.serverPort());
    closed.close();
    QTemporaryDir dir;
    const QString path = writeScript(dir, "c.ini", "http://127.0.0.1/\r\n点击链接|x|3|0\r\n");
    const QString endpoints[] = {
        "http://127.0.0.1:" + closedPort,                        // nobody listens
        "ws://127.0.0.1:" + closedPort + "/devtools/browser/x",  // nobody listens
        server().url(""),                                        // not a DevTools endpoint
    };
    for (const QString& endpoint : endpoints) {
        SCOPED_TRACE(endpoint.toStdString());
        const auto run = runScriptPlayer({"--connect", endpoint, path});
        ASSERT_TRUE(run.finished);
        EXPECT_EQ(run.exitCode, 3);
        EXPECT_TRUE(run.err.contains("cannot use the browser at")) << run.err.toStdString();
        EXPECT_TRUE(run.out.isEmpty()) << run.out.toStdString();
    }
}

}  // namespace
