// What the player refuses before anything is played: every problem of every
// script at once, with its line number, exit status 2 and no browser started
// (the browser named here does not exist: trying it would give status 3).
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "tests/player/player_process.h"

namespace {

using testsupport::runScriptPlayer;
using testsupport::writeScript;

const QString kNoBrowser = QStringLiteral("/nonexistent/chromium");

struct RefusalCase {
    const char* label;
    std::string script;                   // empty: no script file is written
    QStringList options;                  // before the script
    std::vector<const char*> errorParts;  // each must appear on standard error
};

class RefusalTest : public testing::TestWithParam<RefusalCase> {};

TEST_P(RefusalTest, TellsEveryProblemAndPlaysNothing) {
    const RefusalCase& c = GetParam();
    QTemporaryDir dir;
    QStringList arguments = QStringList{"--browser", kNoBrowser} + c.options;
    if (!c.script.empty()) arguments << writeScript(dir, "s.ini", c.script);
    const auto run = runScriptPlayer(arguments, 30000);
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 2) << run.err.toStdString();
    for (const char* part : c.errorParts)
        EXPECT_TRUE(run.err.contains(QString::fromUtf8(part))) << part << "\n"
                                                               << run.err.toStdString();
    EXPECT_TRUE(run.out.isEmpty()) << run.out.toStdString();
}

const RefusalCase kRefusals[] = {
    {"NoAddress", "\r\n\r\n", {}, {"s.ini: no page address"}},
    {"TooFewFields", "http://a/\r\n点击按钮|x|1\r\n", {}, {"s.ini:2: expected kind|code"}},
    {"UnknownKind", "http://a/\r\n\r\n打开|x|1|1\r\n", {}, {"s.ini:3: unknown kind \"打开\""}},
    {"FillTextWithoutValue",
     "http://a/\r\n填表文本|kw|1|1\r\n",
     {},
     {"s.ini:2: 填表文本 needs a value", "--text"}},
    {"FillTitleWithoutValue",
     "http://a/\r\n填表标题|kw|1|1\r\n",
     {"--text", "x"},
     {"s.ini:2: 填表标题 needs a value", "--title"}},
    {"EveryProblemAtOnce",
     "http://a/\r\n点击按钮|x\r\n填表文本|kw|1|1\r\nfoo|a|b|c\r\n",
     {},
     {"s.ini:2: expected", "s.ini:3: 填表文本 needs", "s.ini:4: unknown kind",
      "nothing played: 3 problems"}},
    {"MissingFile", "", {"/nonexistent/script.ini"}, {"/nonexistent/script.ini: no such file"}},
    {"NoScript", "", {}, {"no script given", "--help"}},
    {"UnknownOption", "http://a/\r\n", {"--frobnicate"}, {"frobnicate"}},
    {"BadJobs", "http://a/\r\n", {"--jobs", "0"}, {"--jobs"}},
    {"BadTimeScale", "http://a/\r\n", {"--time-scale", "-1"}, {"--time-scale"}},
    {"BadTimeout", "http://a/\r\n", {"--timeout", "abc"}, {"--timeout"}},
    {"MissingTextFile",
     "http://a/\r\n",
     {"--text-file", "/nonexistent/t.txt"},
     {"/nonexistent/t.txt"}},
    {"TextTwice", "http://a/\r\n", {"--text", "a", "--text-file", "b"}, {"--text"}},
    {"ShowWithConnect", "http://a/\r\n", {"--show", "--connect", "http://127.0.0.1:1"}, {"--show"}},
};

INSTANTIATE_TEST_SUITE_P(Player, RefusalTest, testing::ValuesIn(kRefusals),
                         [](const testing::TestParamInfo<RefusalCase>& info) {
                             return std::string(info.param.label);
                         });

TEST(PlayerCommandLine, ProblemsOfSeveralScriptsAreAllTold) {
    QTemporaryDir dir;
    const QString a = writeScript(dir, "a.ini", "http://a/\r\n点击按钮|x\r\n");
    const QString b = writeScript(dir, "b.ini", "http://a/\r\n点击链接|x|1|1\r\n");
    QFile bad(dir.filePath("c.ini"));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("http://a/\r\n\x81\x20|x|1|1\r\n");
    bad.close();
    const auto run = runScriptPlayer(
        {"--browser", kNoBrowser, a, b, dir.filePath("c.ini"), dir.filePath("d.ini")}, 30000);
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.err.contains("a.ini:2: expected")) << run.err.toStdString();
    EXPECT_FALSE(run.err.contains("b.ini")) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("c.ini:2: the line is not valid GB18030"));
    EXPECT_TRUE(run.err.contains("d.ini: no such file"));
}

TEST(PlayerCommandLine, HelpAndVersion) {
    const auto help = runScriptPlayer({"--help"}, 30000);
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.startsWith("Usage: scriptplayer [OPTION]... SCRIPT..."));
    for (const char* option : {"--text=", "--title-file=", "--time-scale=", "--timeout=", "--show",
                               "--connect=", "--report=", "--screenshot-on-failure", "--keep-going",
                               "--jobs=", "--remote-debugging-port", "Exit status"})
        EXPECT_TRUE(help.out.contains(option)) << option;
    const auto version = runScriptPlayer({"--version"}, 30000);
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_TRUE(version.out.startsWith("scriptplayer "));
}

TEST(PlayerCommandLine, ABrowserThatCannotStartGivesStatusThree) {
    QTemporaryDir dir;
    const auto run = runScriptPlayer(
        {"--browser", kNoBrowser, writeScript(dir, "s.ini", "http://a/\r\n")}, 30000);
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 3);
    EXPECT_TRUE(run.err.contains("cannot start the browser")) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(kNoBrowser));
}

}  // namespace
