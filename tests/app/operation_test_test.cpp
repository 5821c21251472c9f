// The test button 按钮4 in the real window: the composed operation runs on the
// page in 超文本浏览框1, "测试结束" closes every test, and the page object
// keeps nothing after the click.
#include "app/operation_test.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QGuiApplication>
#include <QScreen>
#include <QTest>
#include <functional>
#include <vector>

#include "embedded/view_binding.h"
#include "tests/app/tool_window.h"

namespace {

using test_support::ModalAnswers;
using test_support::SeenModal;

struct OperationCase {
    const char* name;
    const char* kind;      // the item of 组合框1
    const char* code;      // 编辑框2
    const char* codeKind;  // 编辑框9
    // A page expression and the text it must come to once the test is over.
    const char* check;
    const char* expected;
};

// The page starts with empty inputs, no clicks and the title "operation".
const char* const kState =
    "JSON.stringify([document.getElementById('kw') && document.getElementById('kw').value,"
    " document.getElementById('other') && document.getElementById('other').value,"
    " window.clicks, document.title])";

const OperationCase kCases[] = {
    {"FillTextById", "填表文本", "kw", "0", kState, R"(["测试成功","",[],"operation"])"},
    {"FillTitleByName", "填表标题", "user", "1", kState, R"(["","测试成功",[],"operation"])"},
    // The full-width digit reads as 1, the lookup by name; read as 0 it
    // would look for the id "user" and find nothing.
    {"FullWidthCodeKind", "填表文本", "user", "１", kState, R"(["","测试成功",[],"operation"])"},
    {"NoNumberCountsAsZero", "填表文本", "kw", "abc", kState, R"(["测试成功","",[],"operation"])"},
    {"ClickLinkById", "点击链接", "home", "0", kState, R"(["","",["home"],"operation"])"},
    {"ClickLinkByTitle", "点击链接", "下一", "3", "document.getElementById('arrived') !== null",
     "true"},
    {"ClickButtonByName", "点击按钮", "cancelButton", "1", kState,
     R"(["","",["cancel"],"operation"])"},
    {"ClickButtonByTitle", "点击按钮", "登录", "3", kState, R"(["","",["login"],"operation"])"},
    {"ButtonNotFound", "点击按钮", "nothing", "1", kState, R"(["","",[],"operation"])"},
    // The code kind of a script is not read, whatever it holds.
    {"RunScript", "执行脚本", "document.title = '脚本' + (1 + 1); clicks.push('script')", "垃圾",
     kState, R"(["","",["script"],"脚本2"])"},
};

class OperationTest : public tool_window::ToolWindowTest,
                      public testing::WithParamInterface<OperationCase> {
protected:
    void SetUp() override {
        ToolWindowTest::SetUp();
        if (HasFatalFailure()) return;
        load("operation/form.html");
    }

    void compose(const char* kind, const char* code, const char* codeKind) {
        auto* combo = qobject_cast<QComboBox*>(window().control("组合框1"));
        ASSERT_NE(combo, nullptr);
        combo->setCurrentIndex(combo->findText(QString::fromUtf8(kind)));
        ASSERT_GE(combo->currentIndex(), 0) << kind;
        window().setControlText("编辑框2", code);
        window().setControlText("编辑框9", codeKind);
    }

    // Clicks 按钮4 as a user does and answers the closing message; the
    // message boxes seen in that time.
    std::vector<SeenModal> clickTest(std::function<bool()> whileShown = {}) {
        ModalAnswers answers({ModalAnswers::ok()}, std::move(whileShown));
        click("按钮4");
        (void)QTest::qWaitFor([&] { return !answers.seen().empty(); }, 10000);
        return answers.seen();
    }

    static void expectClosingMessage(const std::vector<SeenModal>& seen) {
        ASSERT_EQ(seen.size(), 1u);
        EXPECT_EQ(seen[0].kind, "message");
        EXPECT_EQ(seen[0].title, "信息：");
        EXPECT_EQ(seen[0].text, "测试结束");
    }
};

TEST_P(OperationTest, ChangesThePageAndSaysTheTestIsOver) {
    const OperationCase& row = GetParam();
    compose(row.kind, row.code, row.codeKind);
    expectClosingMessage(clickTest());
    // A click may navigate; the page comes to its state after the test.
    QString state;
    (void)QTest::qWaitFor(
        [&] {
            state = evaluate(QString::fromUtf8(row.check)).toString();
            return state == QString::fromUtf8(row.expected);
        },
        10000);
    EXPECT_EQ(state, QString::fromUtf8(row.expected));
}

INSTANTIATE_TEST_SUITE_P(Kinds, OperationTest, testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(OperationTest, NothingRunsWithoutASelectedKindButTheMessageShows) {
    compose("点击按钮", "login", "0");
    qobject_cast<QComboBox*>(window().control("组合框1"))->setCurrentIndex(-1);
    expectClosingMessage(clickTest());
    QTest::qWait(200);
    EXPECT_EQ(evaluate(QString::fromUtf8(kState)).toString(), R"(["","",[],"operation"])");
}

TEST_F(OperationTest, TwoTestsInARowLeaveNothingBehind) {
    const long before = embedded::ViewBinding::liveObjects();
    compose("点击按钮", "login", "0");
    for (int round = 1; round <= 2; ++round) {
        SCOPED_TRACE(round);
        long duringMessage = 0;
        expectClosingMessage(clickTest([&] {
            duringMessage = embedded::ViewBinding::liveObjects();
            return false;
        }));
        // While the message shows, the page object still holds its document;
        // once the click is over it and every object it reached are gone.
        EXPECT_GT(duringMessage, before);
        EXPECT_EQ(embedded::ViewBinding::liveObjects(), before);
    }
    EXPECT_EQ(evaluate("JSON.stringify(window.clicks)").toString(), R"(["login","login"])");
}

TEST_F(OperationTest, ScreenshotAfterATest) {
    compose("填表文本", "kw", "0");
    expectClosingMessage(clickTest());
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return evaluate("document.getElementById('kw').value").toString() == "测试成功"; },
        5000));
    QTest::qWait(200);  // let the page paint the new value
    QDir().mkpath(QStringLiteral(TEST_ARTEFACT_DIR));
    const QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(0);
    EXPECT_TRUE(shot.save(QStringLiteral(TEST_ARTEFACT_DIR "/operation_test_after.png")));
}

}  // namespace
