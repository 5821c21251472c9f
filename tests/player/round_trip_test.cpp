// A script composed and saved with the real script maker window is played by
// the player against fixture pages, and the pages end where the script says:
// the login form arrives with the filled values, the link is followed and
// the next form arrives with the text and the script's value.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QUrlQuery>

#include "tests/player/player_process.h"
#include "tests/support/fixture_server.h"
#include "tests/support/main_window_fixture.h"

namespace {

using test_support::ModalAnswers;

class RoundTripTest : public test_support::MainWindowFixture {
protected:
    // Fills the operation row and clicks "确  定", as a user does.
    void compose(int kind, const char* code, const char* codeKind, const char* seconds) {
        qobject_cast<QComboBox*>(window().control("组合框1"))->setCurrentIndex(kind);
        window().setControlText("编辑框2", code);
        window().setControlText("编辑框9", codeKind);
        window().setControlText("编辑框7", seconds);
        click("按钮3");
    }
    static QString field(const QByteArray& encoded, const char* name) {
        return QUrlQuery(QString::fromUtf8(encoded).replace('+', ' '))
            .queryItemValue(name, QUrl::FullyDecoded);
    }
};

TEST_F(RoundTripTest, ASavedScriptPlaysToTheEnd) {
    testsupport::FixtureServer server(QStringLiteral(FIXTURE_DIR "/player"));
    ASSERT_NE(server.port(), 0);
    ASSERT_TRUE(workDir().mkdir("dat"));

    window().setControlText("编辑框8", server.url("/login.html").toStdString() + "\r\n");
    compose(0, "user", "0", "1");     // 填表文本 by id
    compose(1, "pass", "1", "0");     // 填表标题 by name
    compose(3, "登录", "3", "0");     // 点击按钮 by title
    compose(2, "下一步", "3", "0");   // 点击链接 by title
    compose(0, "comment", "1", "0");  // 填表文本 by name, on the page after two navigations
    compose(4, "document.getElementById('extra').value = '' || 'x|y'", "垃圾", "0");  // 执行脚本
    compose(3, "post", "0", "0");  // 点击按钮 by id
    {
        ModalAnswers answers({ModalAnswers::typeAndAccept("往返"), ModalAnswers::ok()});
        click("按钮1");
        ASSERT_EQ(answers.seen().size(), 2u);
        EXPECT_EQ(answers.seen()[1].text, QStringLiteral("保存成功"));
    }

    const auto run =
        testsupport::runScriptPlayer({"--text", "留言内容", "--title", "密码", "--time-scale", "0",
                                      workDir().filePath("dat/往返.ini")});
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0) << run.out.toStdString() << run.err.toStdString();
    EXPECT_TRUE(run.out.contains("7 of 7 steps ok")) << run.out.toStdString();

    const auto login = server.waitForRequest("/next.html?");
    ASSERT_TRUE(login);
    const QByteArray query = login->target.mid(login->target.indexOf('?') + 1);
    EXPECT_EQ(field(query, "user"), QStringLiteral("留言内容"));
    EXPECT_EQ(field(query, "pass"), QStringLiteral("密码"));
    EXPECT_TRUE(server.waitForRequest("/post.html"));
    const auto posted = server.waitForRequest("/submit/comment");
    ASSERT_TRUE(posted);
    EXPECT_EQ(field(posted->body, "comment"), QStringLiteral("留言内容"));
    EXPECT_EQ(field(posted->body, "extra"), QStringLiteral("x|y"));
}

}  // namespace
