// The script format: composing lines, reading scripts (as a table of cases)
// and reading files.
#include "script/script_format.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <string>
#include <vector>

namespace {

using script::Kind;

QByteArray gb18030(const std::string& utf8) { return script::encodeScript(utf8); }

struct ExpectedStep {
    int line;
    Kind kind;
    const char* code;
    int codeKind;
    int seconds;
};

struct ExpectedProblem {
    int line;
    const char* messagePart;
};

struct ParseCase {
    const char* label;
    QByteArray bytes;
    const char* address;
    std::vector<ExpectedStep> steps;
    std::vector<ExpectedProblem> problems;
};

const std::vector<ParseCase>& parseCases() {
    static const std::vector<ParseCase> cases = {
        {"CodeWithBarsSurvives",
         gb18030("http://a/\r\n执行脚本|if (a || b) x = \"|\";|JavaScript|3\r\n"),
         "http://a/",
         {{2, Kind::RunScript, "if (a || b) x = \"|\";", 0, 3}},
         {}},
        {"FullWidthDigitsCount",
         gb18030("http://a/\r\n点击按钮|login|１|　１０\r\n"),
         "http://a/",
         {{2, Kind::ClickButton, "login", 1, 10}},
         {}},
        {"CrLfLines",
         gb18030("http://a/\r\n填表文本|kw|1|5\r\n点击链接|下一页|3|0\r\n"),
         "http://a/",
         {{2, Kind::FillText, "kw", 1, 5}, {3, Kind::ClickLink, "下一页", 3, 0}},
         {}},
        {"LfLines",
         gb18030("http://a/\n填表文本|kw|1|5\n点击链接|下一页|3|0\n"),
         "http://a/",
         {{2, Kind::FillText, "kw", 1, 5}, {3, Kind::ClickLink, "下一页", 3, 0}},
         {}},
        {"NoFinalLineBreak",
         gb18030("http://a/\r\n填表标题|t|0|2"),
         "http://a/",
         {{2, Kind::FillTitle, "t", 0, 2}},
         {}},
        {"BlankLinesSkippedButCounted",
         gb18030("\r\n  \r\nhttp://a/\r\n\r\n点击按钮|b|2|1\r\n\r\n"),
         "http://a/",
         {{5, Kind::ClickButton, "b", 2, 1}},
         {}},
        {"AddressOnly", gb18030("http://a/\r\n"), "http://a/", {}, {}},
        {"EmptyFieldsAndNoNumbers",
         gb18030("http://a/\r\n填表文本|||\r\n点击链接|x|-2|abc"),
         "http://a/",
         {{2, Kind::FillText, "", 0, 0}, {3, Kind::ClickLink, "x", -2, 0}},
         {}},
        {"ChineseKindsAndCodesInGb18030",
         QByteArray::fromHex("687474703a2f2f612f0d0a"                      // http://a/ CR LF
                             "b5e3bbf7b0b4c5a57cb5c7c2bcbff27c317c3130"),  // 点击按钮|登录框|1|10
         "http://a/",
         {{2, Kind::ClickButton, "登录框", 1, 10}},
         {}},
        {"EmptyFile", QByteArray(), "", {}, {{0, "no page address"}}},
        {"OnlyBlankLines", gb18030("\r\n \r\n"), "", {}, {{0, "no page address"}}},
        {"TooFewFields",
         gb18030("http://a/\r\n点击按钮|login|1\r\n"),
         "http://a/",
         {},
         {{2, "found 3 fields"}}},
        {"UnknownKind",
         gb18030("http://a/\r\n点击图片|x|1|1\r\n"),
         "http://a/",
         {},
         {{2, "unknown kind \"点击图片\""}}},
        {"KindComparedByteForByte",
         gb18030("http://a/\r\n 点击按钮|x|1|1\r\n"),
         "http://a/",
         {},
         {{2, "unknown kind \" 点击按钮\""}}},
        {"NotGb18030",
         QByteArray("http://a/\r\n") + QByteArray::fromHex("b5e37c7c317c") + '\x81' + '\x20' +
             "\r\n",
         "http://a/",
         {},
         {{2, "not valid GB18030"}}},
        {"EveryProblemAtOnce",
         gb18030("http://a/\r\n点击按钮|x\r\n填表文本|ok|1|1\r\nfoo|a|b|c\r\n") +
             QByteArray::fromHex("ff"),
         "http://a/",
         {{3, Kind::FillText, "ok", 1, 1}},
         {{2, "found 2 fields"}, {4, "unknown kind"}, {5, "not valid GB18030"}}},
    };
    return cases;
}

class ParseTest : public testing::TestWithParam<ParseCase> {};

TEST_P(ParseTest, ReadsStepsAndProblems) {
    const ParseCase& c = GetParam();
    const script::Script parsed = script::parseScript(c.bytes);
    EXPECT_EQ(parsed.address, c.address);
    ASSERT_EQ(parsed.steps.size(), c.steps.size());
    for (std::size_t i = 0; i < c.steps.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(parsed.steps[i].lineNumber, c.steps[i].line);
        EXPECT_EQ(parsed.steps[i].kind, c.steps[i].kind);
        EXPECT_EQ(parsed.steps[i].code, c.steps[i].code);
        EXPECT_EQ(parsed.steps[i].codeKind, c.steps[i].codeKind);
        EXPECT_EQ(parsed.steps[i].seconds, c.steps[i].seconds);
    }
    ASSERT_EQ(parsed.problems.size(), c.problems.size());
    for (std::size_t i = 0; i < c.problems.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(parsed.problems[i].lineNumber, c.problems[i].line);
        EXPECT_TRUE(
            parsed.problems[i].message.contains(QString::fromUtf8(c.problems[i].messagePart)))
            << parsed.problems[i].message.toStdString();
    }
    EXPECT_EQ(parsed.isPlayable(), c.problems.empty());
}

INSTANTIATE_TEST_SUITE_P(Scripts, ParseTest, testing::ValuesIn(parseCases()),
                         [](const testing::TestParamInfo<ParseCase>& info) {
                             return std::string(info.param.label);
                         });

TEST(ComposeLine, JoinsTheFieldsAsTheyStandAndEndsWithCrLf) {
    EXPECT_EQ(script::composeLine("点击按钮", "login", "1", "10"), "点击按钮|login|1|10\r\n");
    EXPECT_EQ(script::composeLine("填表文本", "", "", ""), "填表文本|||\r\n");
    EXPECT_EQ(script::composeLine("点击链接", " 链接 ", "x", "-3"), "点击链接| 链接 |x|-3\r\n");
}

TEST(ComposeLine, ComposedLinesReadBackWhole) {
    const std::string code = "a || b | c";
    const std::string text = "http://a/\r\n" + script::composeLine("执行脚本", code, "0", "2") +
                             script::composeLine("填表标题", "标题", "３", "7");
    const script::Script parsed = script::parseScript(script::encodeScript(text));
    ASSERT_TRUE(parsed.isPlayable());
    ASSERT_EQ(parsed.steps.size(), 2u);
    EXPECT_EQ(parsed.steps[0].code, code);
    EXPECT_EQ(parsed.steps[0].codeKindText, "0");
    EXPECT_EQ(parsed.steps[0].secondsText, "2");
    EXPECT_EQ(parsed.steps[1].code, "标题");
    EXPECT_EQ(parsed.steps[1].codeKind, 3);
}

TEST(ScriptFile, WritesExactlyTheBytesAndReadsThemBack) {
    QTemporaryDir dir;
    const QString path = dir.filePath("a.ini");
    const QByteArray bytes = script::encodeScript("http://a/\r\n点击按钮|登录框|1|10");
    // No byte-order mark, no final line break added, GBK bytes for GBK text.
    EXPECT_EQ(bytes, QByteArray("http://a/\r\n") +
                         QByteArray::fromHex("b5e3bbf7b0b4c5a57cb5c7c2bcbff27c317c3130"));
    ASSERT_TRUE(script::writeScriptFile(path, bytes));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), bytes);
    const script::Script parsed = script::readScriptFile(path);
    ASSERT_TRUE(parsed.isPlayable());
    EXPECT_EQ(parsed.steps.at(0).code, "登录框");
}

TEST(ScriptFile, MissingOrUnreadableFileIsAProblem) {
    QTemporaryDir dir;
    const script::Script missing = script::readScriptFile(dir.filePath("none.ini"));
    ASSERT_EQ(missing.problems.size(), 1u);
    EXPECT_EQ(missing.problems[0].message, "no such file");
    // A directory exists but cannot be read as a file.
    const script::Script directory = script::readScriptFile(dir.path());
    ASSERT_EQ(directory.problems.size(), 1u);
    EXPECT_TRUE(directory.problems[0].message.startsWith("cannot read"));
}

TEST(ScriptFile, FailedWriteLeavesTheOldFileAndSaysWhy) {
    QTemporaryDir dir;
    QString error;
    EXPECT_FALSE(script::writeScriptFile(dir.filePath("missing/a.ini"), "x", &error));
    EXPECT_FALSE(error.isEmpty());
}

}  // namespace
