// "确  定" appends one script line built from the operation row.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QPlainTextEdit>
#include <QTest>

#include "tests/support/main_window_fixture.h"

namespace {

struct ComposeCase {
    const char* label;
    int kind;  // item of the kind list
    const char* code;
    const char* codeKind;
    const char* seconds;
    const char* scriptBefore;
    const char* scriptAfter;
};

const ComposeCase kCases[] = {
    {"ClickButtonLogin", 3, "login", "1", "10", "", "点击按钮|login|1|10\r\n"},
    {"EmptyFields", 0, "", "", "", "", "填表文本|||\r\n"},
    {"PipeInCodeKeptAsIs", 4, "a|b", "1", "10", "", "执行脚本|a|b|1|10\r\n"},
    {"FieldsNotTrimmed", 2, " 链接 ", "x", "-3", "", "点击链接| 链接 |x|-3\r\n"},
    {"ContinuesLastLineWithoutBreak", 0, "kw", "1", "5", "http://a", "http://a填表文本|kw|1|5\r\n"},
    {"StartsNewLineAfterBreak", 1, "title", "3", "8", "http://a\r\n",
     "http://a\r\n填表标题|title|3|8\r\n"},
};

class ComposeTest : public test_support::MainWindowFixture,
                    public testing::WithParamInterface<ComposeCase> {};

TEST_P(ComposeTest, AppendsTheLineAndLeavesTheRowAlone) {
    const ComposeCase& c = GetParam();
    qobject_cast<QComboBox*>(window().control("组合框1"))->setCurrentIndex(c.kind);
    window().setControlText("编辑框2", c.code);
    window().setControlText("编辑框9", c.codeKind);
    window().setControlText("编辑框7", c.seconds);
    window().setControlText("编辑框8", c.scriptBefore);

    click("按钮3");

    EXPECT_EQ(window().controlText("编辑框8"), c.scriptAfter);
    auto* script = qobject_cast<QPlainTextEdit*>(window().control("编辑框8"));
    EXPECT_TRUE(script->textCursor().atEnd());
    EXPECT_FALSE(script->document()->isUndoAvailable());
    // The operation row keeps its fields.
    EXPECT_EQ(window().comboSelection("组合框1"), c.kind);
    EXPECT_EQ(window().controlText("编辑框2"), c.code);
    EXPECT_EQ(window().controlText("编辑框9"), c.codeKind);
    EXPECT_EQ(window().controlText("编辑框7"), c.seconds);
}

INSTANTIATE_TEST_SUITE_P(Lines, ComposeTest, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<ComposeCase>& info) {
                             return std::string(info.param.label);
                         });

using ComposeSequenceTest = test_support::MainWindowFixture;

TEST_F(ComposeSequenceTest, TypedAddressThenTwoOperationsMakeAScript) {
    QWidget* script = window().control("编辑框8");
    script->setFocus();
    QTest::keyClicks(script, "http://bbs.example.com/");
    QTest::keyClick(script, Qt::Key_Return);
    window().setControlText("编辑框2", "content_box");
    window().setControlText("编辑框7", "5");
    click("按钮3");
    qobject_cast<QComboBox*>(window().control("组合框1"))->setCurrentIndex(3);
    window().setControlText("编辑框2", "post_button");
    window().setControlText("编辑框7", "8");
    click("按钮3");
    EXPECT_EQ(
        window().controlText("编辑框8"),
        "http://bbs.example.com/\r\n填表文本|content_box|1|5\r\n点击按钮|post_button|1|8\r\n");
}

}  // namespace
