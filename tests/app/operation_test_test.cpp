// The test button 按钮4 in the real window: the composed operation runs on the
// page in 超文本浏览框1, the closing message begins with "测试结束" and says
// on its second line what the test did, the element acted on flashes, and
// the page object keeps nothing after the click.
#include "app/operation_test.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QGuiApplication>
#include <QScreen>
#include <QTest>
#include <QUrl>
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
    // The second line of the closing message.
    const char* said;
};

// The page starts with empty inputs, no clicks and the title "operation".
const char* const kState =
    "JSON.stringify([document.getElementById('kw') && document.getElementById('kw').value,"
    " document.getElementById('other') && document.getElementById('other').value,"
    " window.clicks, document.title])";

const OperationCase kCases[] = {
    {"FillTextById", "填表文本", "kw", "0", kState, R"(["测试成功","",[],"operation"])",
     "已填写：代码“kw”按 ID 查找（代码种类 0）找到的元素填入了“测试成功”。"},
    {"FillTitleByName", "填表标题", "user", "1", kState, R"(["","测试成功",[],"operation"])",
     "已填写：代码“user”按名称查找（代码种类 1）找到的元素填入了“测试成功”。"},
    // The full-width digit reads as 1, the lookup by name; read as 0 it
    // would look for the id "user" and find nothing.
    {"FullWidthCodeKind", "填表文本", "user", "１", kState, R"(["","测试成功",[],"operation"])",
     "已填写：代码“user”按名称查找（代码种类 1）找到的元素填入了“测试成功”。"},
    {"NoNumberCountsAsZero", "填表文本", "kw", "abc", kState, R"(["测试成功","",[],"operation"])",
     "已填写：代码“kw”按 ID 查找（代码种类 0）找到的元素填入了“测试成功”。"},
    // "user" is a name, not an id: the lookup by id finds nothing.
    {"FillNotFound", "填表文本", "user", "0", kState, R"(["","",[],"operation"])",
     "没有找到元素：代码“user”，按 ID 查找（代码种类 0）。"},
    // A link is found but has no value to fill.
    {"FillFoundButNotFillable", "填表文本", "home", "0", kState, R"(["","",[],"operation"])",
     "找到了元素，但它不能填写：代码“home”，按 ID 查找（代码种类 0）。"},
    {"ClickLinkById", "点击链接", "home", "0", kState, R"(["","",["home"],"operation"])",
     "已点击链接：代码“home”，按 ID 查找（代码种类 0）。"},
    {"ClickLinkByTitle", "点击链接", "下一", "3", "document.getElementById('arrived') !== null",
     "true", "已点击链接：代码“下一”，按标题查找（代码种类 3）。"},
    {"ClickLinkWithAKindItHasNot", "点击链接", "home", "7", kState, R"(["","",[],"operation"])",
     "没有找到元素：代码“home”，代码种类 7 不能用于点击（只能是 0 到 4）。"},
    {"ClickButtonByName", "点击按钮", "cancelButton", "1", kState,
     R"(["","",["cancel"],"operation"])",
     "已点击按钮：代码“cancelButton”，按名称查找（代码种类 1）。"},
    {"ClickButtonByTitle", "点击按钮", "登录", "3", kState, R"(["","",["login"],"operation"])",
     "已点击按钮：代码“登录”，按标题查找（代码种类 3）。"},
    {"ButtonNotFound", "点击按钮", "nothing", "1", kState, R"(["","",[],"operation"])",
     "没有找到元素：代码“nothing”，按名称查找（代码种类 1）。"},
    // The code kind of a script is not read, whatever it holds.
    {"RunScript", "执行脚本", "document.title = '脚本' + (1 + 1); clicks.push('script')", "垃圾",
     kState, R"(["","",["script"],"脚本2"])", "已在网页中执行脚本。"},
};

class OperationTest : public tool_window::ToolWindowTest {
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

    static void expectClosingMessage(const std::vector<SeenModal>& seen, const char* said) {
        ASSERT_EQ(seen.size(), 1u);
        EXPECT_EQ(seen[0].kind, "message");
        EXPECT_EQ(seen[0].title, "信息：");
        EXPECT_EQ(seen[0].text, QStringLiteral("测试结束\n") + QString::fromUtf8(said));
    }

    // Records in the page every mark element the program adds to the root
    // element and every one it removes.
    void watchMarks() {
        evaluate(QStringLiteral(
            "window.marks = {added: 0, removed: 0};"
            "new MutationObserver((records) => { for (const r of records) {"
            "  for (const n of r.addedNodes) if (n.localName === 'script-maker-mark') "
            "marks.added++;"
            "  for (const n of r.removedNodes) if (n.localName === 'script-maker-mark')"
            "    marks.removed++; } }).observe(document.documentElement, {childList: true});"
            "true"));
    }
};

class KindTest : public OperationTest, public testing::WithParamInterface<OperationCase> {};

TEST_P(KindTest, ChangesThePageAndSaysWhatTheTestDid) {
    const OperationCase& row = GetParam();
    compose(row.kind, row.code, row.codeKind);
    expectClosingMessage(clickTest(), row.said);
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

INSTANTIATE_TEST_SUITE_P(Kinds, KindTest, testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(OperationTest, NothingRunsWithoutASelectedKindButTheMessageShows) {
    compose("点击按钮", "login", "0");
    qobject_cast<QComboBox*>(window().control("组合框1"))->setCurrentIndex(-1);
    expectClosingMessage(clickTest(), "没有选择网页操作类，什么也没有做。");
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
                             }),
                             "已点击按钮：代码“login”，按 ID 查找（代码种类 0）。");
        // While the message shows, the page object still holds its document;
        // once the click is over it and every object it reached are gone.
        EXPECT_GT(duringMessage, before);
        EXPECT_EQ(embedded::ViewBinding::liveObjects(), before);
    }
    EXPECT_EQ(evaluate("JSON.stringify(window.clicks)").toString(), R"(["login","login"])");
}

// The element a fill or a click acted on flashes: the page gets a mark
// element of the program's own, which goes again by itself.
struct FlashCase {
    const char* name;
    const char* kind;
    const char* code;
    const char* codeKind;
};

const FlashCase kFlashCases[] = {
    {"Fill", "填表文本", "kw", "0"},
    {"ClickByTitle", "点击按钮", "取消", "3"},
};

class FlashTest : public OperationTest, public testing::WithParamInterface<FlashCase> {};

TEST_P(FlashTest, TheElementActedOnFlashesAndTheMarkGoesAgain) {
    const FlashCase& row = GetParam();
    watchMarks();
    compose(row.kind, row.code, row.codeKind);
    ASSERT_EQ(clickTest().size(), 1u);
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return evaluate("marks.added").toInt() == 1 && evaluate("marks.removed").toInt() == 1;
        },
        5000))
        << "added " << evaluate("marks.added").toInt() << ", removed "
        << evaluate("marks.removed").toInt();
}

INSTANTIATE_TEST_SUITE_P(ActedOn, FlashTest, testing::ValuesIn(kFlashCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(OperationTest, NothingFlashesWhenNothingWasFound) {
    watchMarks();
    compose("点击按钮", "nothing", "1");
    ASSERT_EQ(clickTest().size(), 1u);
    // A flash is asked of the page before the message shows, and the page
    // runs its scripts in order: this read comes after any flash.
    EXPECT_EQ(evaluate("marks.added").toInt(), 0);
}

TEST_F(OperationTest, WithoutAPageTheMessageSaysSo) {
    load("operation/form.html");
    view().setUrl(QUrl(QStringLiteral("about:blank")));
    ASSERT_TRUE(QTest::qWaitFor([&] { return view().url().toString() == "about:blank"; }, 5000));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return evaluate("location.href").toString() == "about:blank"; }, 5000));
    compose("填表文本", "kw", "0");
    expectClosingMessage(clickTest(), "没有网页：浏览框里还没有打开网页，或网页没有应答。");
}

TEST_F(OperationTest, ScreenshotOfTheMessage) {
    compose("填表文本", "kw", "0");
    QDir().mkpath(QStringLiteral(TEST_ARTEFACT_DIR));
    bool saved = false;
    const auto seen = clickTest([&] {
        // The box framed by the window manager, then the picture.
        QWidget* box = QApplication::activeModalWidget();
        saved = box != nullptr && QTest::qWaitForWindowExposed(box) &&
                QTest::qWaitFor([&] { return box->frameGeometry() != box->geometry(); }, 5000);
        // ... and the filled value painted in its field on the screen.
        const QRect field =
            QRect(0, 0, evaluate("document.getElementById('kw').offsetWidth").toInt(),
                  evaluate("document.getElementById('kw').offsetHeight").toInt())
                .translated(view().mapToGlobal(
                    QPoint(evaluate("document.getElementById('kw').offsetLeft").toInt(),
                           evaluate("document.getElementById('kw').offsetTop").toInt())));
        const auto paintedText = [&] {
            const QImage shot = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
            for (int y = field.top() + 3; y < field.bottom() - 3; ++y)
                for (int x = field.left() + 3; x < field.right() - 3; ++x)
                    if (qGray(shot.pixel(x, y)) < 96) return true;
            return false;
        };
        saved = saved && QTest::qWaitFor(paintedText, 5000) &&
                QGuiApplication::primaryScreen()->grabWindow(0).save(
                    QStringLiteral(TEST_ARTEFACT_DIR "/operation_test_message.png"));
        return false;
    });
    expectClosingMessage(seen,
                         "已填写：代码“kw”按 ID 查找（代码种类 0）找到的元素填入了“测试成功”。");
    EXPECT_TRUE(saved);
}

}  // namespace
