// Playing scripts in a launched headless Chromium against fixture pages of a
// local HTTP server: navigations between steps, waiting for late elements,
// failures with their reason, screenshot and JUnit report, and a browser that
// dies in the middle of a run.
#include <gtest/gtest.h>
#include <signal.h>

#include <QFile>
#include <QProcess>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QUrlQuery>

#include "tests/player/junit_reader.h"
#include "tests/player/player_process.h"
#include "tests/support/fixture_server.h"

namespace {

using testsupport::readJUnit;
using testsupport::runScriptPlayer;
using testsupport::writeScript;

class PlayTest : public testing::Test {
protected:
    static testsupport::FixtureServer& server() {
        static testsupport::FixtureServer fixtures(QStringLiteral(FIXTURE_DIR "/player"));
        return fixtures;
    }
    void SetUp() override {
        ASSERT_NE(server().port(), 0);
        server().clearRequests();
        ASSERT_TRUE(dir.isValid());
    }
    std::string address(const char* path) { return server().url(path).toStdString(); }
    QString script(const std::string& lines) {
        return writeScript(dir, QStringLiteral("s.ini"), lines);
    }
    static QUrlQuery query(const QByteArray& encoded) {
        return QUrlQuery(QString::fromUtf8(encoded).replace('+', ' '));
    }
    static QString field(const QUrlQuery& query, const char* name) {
        return query.queryItemValue(name, QUrl::FullyDecoded);
    }

    QTemporaryDir dir;
};

TEST_F(PlayTest, FollowsANavigationAndFillsTheNextPage) {
    QFile text(dir.filePath("comment.txt"));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("第一行\n第二行\n");
    text.close();
    const QString path = script(address("/login.html") +
                                "\r\n"
                                "填表文本|user|0|0\r\n"
                                "填表标题|pass|0|0\r\n"
                                "点击按钮|登录|3|0\r\n"
                                "点击链接|下一步|3|0\r\n"
                                "填表文本|comment|1|0\r\n"
                                "执行脚本|document.getElementById('extra').value = "
                                "['a', 'b'].join('||')|JavaScript|0\r\n"
                                "点击按钮|post|0|0");
    const auto run = runScriptPlayer(
        {"--text-file", dir.filePath("comment.txt"), "--title", "张三", "--time-scale", "0", path});
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0) << run.out.toStdString() << run.err.toStdString();

    // The login form went out with both filled values, then the next page
    // was followed and its form posted with the text and the script's value.
    const auto login = server().waitForRequest("/next.html?");
    ASSERT_TRUE(login);
    const QUrlQuery sent = query(login->target.mid(login->target.indexOf('?') + 1));
    // A one-line field drops the line break; the text area below keeps it.
    EXPECT_EQ(field(sent, "user"), QStringLiteral("第一行第二行"));
    EXPECT_EQ(field(sent, "pass"), QStringLiteral("张三"));
    ASSERT_TRUE(server().waitForRequest("/post.html"));
    const auto posted = server().waitForRequest("/submit/comment");
    ASSERT_TRUE(posted);
    EXPECT_EQ(posted->method, "POST");
    const QUrlQuery form = query(posted->body);
    EXPECT_EQ(field(form, "comment"), QStringLiteral("第一行\r\n第二行"));
    EXPECT_EQ(field(form, "extra"), QStringLiteral("a||b"));

    EXPECT_TRUE(run.out.contains(QStringLiteral("3/7  line 4  点击按钮  \"登录\"  ok")))
        << run.out.toStdString();
    EXPECT_TRUE(run.out.contains(QStringLiteral("7 of 7 steps ok")));
    EXPECT_FALSE(run.out.contains("\r")) << "no progress line when the output is not a terminal";
}

TEST_F(PlayTest, WaitsForAnElementThatAppearsLate) {
    const QString path = script(address("/late.html") +
                                "\r\n"
                                "填表文本|late|0|0\r\n"
                                "执行脚本|document.forms[0].submit()|JavaScript|0\r\n");
    const auto run = runScriptPlayer({"--text", "到了", "--time-scale", "0", path});
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0) << run.out.toStdString();
    const auto sent = server().waitForRequest("/submit/late?");
    ASSERT_TRUE(sent);
    EXPECT_EQ(field(query(sent->target.mid(sent->target.indexOf('?') + 1)), "late"),
              QStringLiteral("到了"));
}

struct FailureCase {
    const char* label;
    bool keepGoing;
};

class FailureTest : public PlayTest, public testing::WithParamInterface<FailureCase> {};

TEST_P(FailureTest, ReportsTheReasonScreenshotAndJUnit) {
    const bool keepGoing = GetParam().keepGoing;
    const QString path = script(address("/login.html") +
                                "\r\n"
                                "填表文本|user|0|0\r\n"
                                "点击按钮|nowhere|0|0\r\n"
                                "填表文本|pass|0|0\r\n");
    const QString shots = dir.filePath("shots");
    const QString report = dir.filePath("report.xml");
    QStringList arguments{"--text",
                          "x",
                          "--timeout",
                          "1",
                          "--time-scale",
                          "0",
                          "--report",
                          report,
                          "--screenshot-on-failure",
                          shots};
    if (keepGoing) arguments << "--keep-going";
    const auto run = runScriptPlayer(arguments << path);
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.out.contains(QStringLiteral("2/3  line 3  点击按钮  \"nowhere\"  failed")))
        << run.out.toStdString();
    EXPECT_TRUE(run.out.contains("element not found after 1 s"));

    const QString shot = QDir(shots).filePath("s-step2-line3.png");
    QFile png(shot);
    ASSERT_TRUE(png.open(QIODevice::ReadOnly)) << shot.toStdString();
    EXPECT_TRUE(png.readAll().startsWith("\x89PNG\r\n\x1a\n"));
    EXPECT_EQ(QDir(shots).entryList(QDir::Files).size(), 1);

    const auto junit = readJUnit(report);
    ASSERT_TRUE(junit.wellFormed);
    ASSERT_EQ(junit.suites.size(), 1u);
    const auto& suite = junit.suites[0];
    EXPECT_EQ(suite.name, path);
    EXPECT_EQ(suite.tests, 3);
    EXPECT_EQ(suite.failures, 1);
    EXPECT_EQ(suite.skipped, keepGoing ? 0 : 1);
    ASSERT_EQ(suite.cases.size(), 3u);
    EXPECT_FALSE(suite.cases[0].failed);
    EXPECT_TRUE(suite.cases[1].failed);
    EXPECT_EQ(suite.cases[1].failureMessage, "element not found after 1 s");
    EXPECT_TRUE(suite.cases[1].failureText.contains(shot));
    EXPECT_TRUE(suite.cases[1].name.contains(QStringLiteral("line 3: 点击按钮 nowhere")));
    EXPECT_EQ(suite.cases[2].skipped, !keepGoing);
    EXPECT_FALSE(suite.cases[2].failed);
}

INSTANTIATE_TEST_SUITE_P(Player, FailureTest,
                         testing::Values(FailureCase{"StopsAtTheFailure", false},
                                         FailureCase{"KeepsGoing", true}),
                         [](const testing::TestParamInfo<FailureCase>& info) {
                             return std::string(info.param.label);
                         });

TEST_F(PlayTest, AnAddressOnlyHasNothingToDo) {
    const auto run = runScriptPlayer({script("\r\n" + address("/login.html") + "\r\n\r\n")});
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0) << run.out.toStdString();
    EXPECT_TRUE(run.out.contains("0 of 0 steps ok"));
    EXPECT_TRUE(server().waitForRequest("/login.html"));
}

TEST_F(PlayTest, AnAddressThatDoesNotLoadFailsTheScript) {
    QTcpServer closed;
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost));
    const std::string port = std::to_string(closed.serverPort());
    closed.close();
    const QString report = dir.filePath("r.xml");
    const auto run = runScriptPlayer(
        {"--report", report, script("http://127.0.0.1:" + port + "/\r\n点击链接|x|3|0\r\n")});
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.out.contains("not played: line 1: cannot load")) << run.out.toStdString();
    EXPECT_TRUE(run.out.contains("ERR_CONNECTION_REFUSED"));
    const auto junit = readJUnit(report);
    ASSERT_EQ(junit.suites.size(), 1u);
    EXPECT_EQ(junit.suites[0].failures, 1);
}

// The browser processes that the player started itself.
QList<qint64> childrenOf(qint64 pid) {
    QFile file(QStringLiteral("/proc/%1/task/%1/children").arg(pid));
    QList<qint64> children;
    if (!file.open(QIODevice::ReadOnly)) return children;
    for (const QByteArray& id : file.readAll().simplified().split(' '))
        if (!id.isEmpty()) children << id.toLongLong();
    return children;
}

TEST_F(PlayTest, ABrowserKilledInTheMiddleEndsTheRunWithTheReason) {
    const QString path = script(address("/login.html") +
                                "\r\n"
                                "填表文本|user|0|600\r\n"
                                "填表文本|pass|0|0\r\n");
    QProcess player;
    player.setProgram(QStringLiteral(SCRIPTPLAYER_PATH));
    player.setArguments({"--text", "x", path});
    QByteArray out;
    QObject::connect(&player, &QProcess::readyReadStandardOutput,
                     [&] { out += player.readAllStandardOutput(); });
    player.start();
    // Step 1 is done and its ten-minute pause runs.
    ASSERT_TRUE(QTest::qWaitFor([&] { return out.contains("1/2"); }, 60000)) << out.data();
    const QList<qint64> browsers = childrenOf(player.processId());
    ASSERT_FALSE(browsers.isEmpty());
    for (qint64 browser : browsers) ::kill(pid_t(browser), SIGKILL);

    ASSERT_TRUE(player.waitForFinished(60000)) << "the player hung after the browser died";
    out += player.readAllStandardOutput();
    EXPECT_EQ(player.exitCode(), 3);
    EXPECT_TRUE(out.contains("2/2  line 3  填表文本  \"pass\"  failed")) << out.data();
    EXPECT_TRUE(out.contains("the browser went away"));
}

}  // namespace

namespace {

TEST_F(PlayTest, ShowsALiveProgressLineOnATerminalOnly) {
    // script(1) gives the player a terminal of its own.
    const QString path = script(address("/login.html") + "\r\n填表文本|user|0|1\r\n");
    QProcess terminal;
    terminal.start("script", {"-qec",
                              QStringLiteral("'%1' --text x --time-scale 0.5 '%2'")
                                  .arg(QStringLiteral(SCRIPTPLAYER_PATH), path),
                              "/dev/null"});
    ASSERT_TRUE(terminal.waitForFinished(120000));
    const QByteArray out = terminal.readAllStandardOutput();
    EXPECT_EQ(terminal.exitCode(), 0) << out.data();
    // The pause counts down on one line that is rewritten in place.
    EXPECT_TRUE(out.contains("\r1/1  line 2  pause 0.")) << out.data();
    EXPECT_TRUE(out.contains("\033[K"));
    EXPECT_TRUE(out.contains("1/1  line 2  填表文本  \"user\"  ok"));
}

TEST_F(PlayTest, PlaysInAVisibleBrowserWindow) {
    const QString path =
        script(address("/login.html") + "\r\n填表文本|user|0|0\r\n点击按钮|login|0|0\r\n");
    const auto run = runScriptPlayer({"--show", "--text", "看得见", "--time-scale", "0", path});
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0) << run.out.toStdString() << run.err.toStdString();
    EXPECT_TRUE(server().waitForRequest("/next.html?user=%E7%9C%8B%E5%BE%97%E8%A7%81"));
}

}  // namespace
