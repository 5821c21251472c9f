// "保存": the name dialog, the file in "dat", the messages and the window
// staying on top after a successful save.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTest>
#include <functional>
#include <string_view>

#include "tests/support/main_window_fixture.h"

namespace {

using test_support::ModalAnswers;
using test_support::SeenModal;

const QString kNoName = QStringLiteral("脚本的保存的名称你还没有输入");
const QString kSaved = QStringLiteral("保存成功");

class SaveTest : public test_support::MainWindowFixture {
protected:
    // Clicks "保存" while `answers` answer the dialogs; returns what was seen.
    std::vector<SeenModal> save(std::vector<ModalAnswers::Answer> answers) {
        ModalAnswers modal(std::move(answers), [this] { return window().isAlwaysOnTop(); });
        click("按钮1");
        return modal.seen();
    }
    void makeDat() { ASSERT_TRUE(workDir().mkdir("dat")); }
    QByteArray read(const QString& path) {
        QFile file(workDir().filePath(path));
        EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
        return file.readAll();
    }
    // Every file below the work directory, relative to it.
    QStringList allFiles() {
        QStringList files;
        const QDir root = workDir();
        std::function<void(const QString&)> walk = [&](const QString& path) {
            const QDir dir(path);
            for (const QFileInfo& entry :
                 dir.entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden)) {
                files << root.relativeFilePath(entry.filePath());
                if (entry.isDir()) walk(entry.filePath());
            }
        };
        walk(root.path());
        files.sort();
        return files;
    }
    bool onTopAtX() { return test_support::netWmState(window()).contains("_NET_WM_STATE_ABOVE"); }
};

TEST_F(SaveTest, WritesTheScriptInTheCodePageAndStaysOnTop) {
    makeDat();
    window().setControlText("编辑框8", "http://bbs.example.com/\r\n点击按钮|登录框|1|10\r\n");
    const QRect frame = window().frameGeometry();

    const auto seen = save({ModalAnswers::typeAndAccept("a"), ModalAnswers::ok()});

    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].kind, "input");
    EXPECT_EQ(seen[0].title, QStringLiteral("请输入："));
    EXPECT_EQ(seen[0].text, QStringLiteral("请输入脚本的保存的名称"));
    EXPECT_TRUE(seen[0].buttons.contains(QStringLiteral("确认输入(&O)")));
    EXPECT_TRUE(seen[0].buttons.contains(QStringLiteral("取消(&C)")));
    EXPECT_TRUE(seen[0].applicationModal);

    EXPECT_EQ(seen[1].kind, "message");
    EXPECT_EQ(seen[1].title, QStringLiteral("信息："));
    EXPECT_EQ(seen[1].text, kSaved);
    EXPECT_EQ(seen[1].buttons, QStringList{"OK"});
    EXPECT_FALSE(seen[1].hasIcon);
    EXPECT_FALSE(seen[1].hasOwner);
    EXPECT_TRUE(seen[1].applicationModal);
    EXPECT_FALSE(seen[1].mainWindowOnTop) << "out of the top layer while the message shows";

    // GB18030 bytes of the box's text, CR LF kept, nothing added.
    const QByteArray expected = "http://bbs.example.com/\r\n" +
                                QByteArray::fromHex("b5e3bbf7b0b4c5a57cb5c7c2bcbff27c317c31300d0a");
    EXPECT_EQ(read("dat/a.ini"), expected);
    EXPECT_EQ(allFiles(), (QStringList{"dat", "dat/a.ini"}));

    EXPECT_TRUE(window().isAlwaysOnTop());
    EXPECT_TRUE(QTest::qWaitFor([&] { return onTopAtX(); }));
    QTest::qWait(100);
    EXPECT_TRUE(window().isVisible());
    EXPECT_EQ(window().frameGeometry(), frame);
    // The script box keeps its text.
    EXPECT_EQ(window().controlText("编辑框8"),
              "http://bbs.example.com/\r\n点击按钮|登录框|1|10\r\n");
}

TEST_F(SaveTest, EmptyBoxGivesEmptyFile) {
    makeDat();
    const auto seen = save({ModalAnswers::typeAndAccept("empty"), ModalAnswers::ok()});
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[1].text, kSaved);
    EXPECT_TRUE(QFile::exists(workDir().filePath("dat/empty.ini")));
    EXPECT_EQ(read("dat/empty.ini"), QByteArray());
}

TEST_F(SaveTest, ReplacesAnExistingFileAndKeepsNamesAsTyped) {
    makeDat();
    QFile old(workDir().filePath("dat/a.ini.ini"));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("an older and longer script");
    old.close();
    window().setControlText("编辑框8", "new");

    const auto seen = save({ModalAnswers::typeAndAccept("a.ini"), ModalAnswers::ok()});
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[1].text, kSaved);
    EXPECT_EQ(read("dat/a.ini.ini"), "new");

    // Blanks and Chinese are kept in the name.
    const auto again = save({ModalAnswers::typeAndAccept(" 脚本 "), ModalAnswers::ok()});
    ASSERT_EQ(again.size(), 2u);
    EXPECT_EQ(read(QStringLiteral("dat/ 脚本 .ini")), "new");
}

struct NoNameCase {
    const char* label;
    ModalAnswers::Answer answer;
};

class SaveWithoutNameTest : public SaveTest, public testing::WithParamInterface<NoNameCase> {};

TEST_P(SaveWithoutNameTest, SaysNoNameAndTouchesNothing) {
    makeDat();
    window().setControlText("编辑框8", "script");
    const auto seen = save({GetParam().answer, ModalAnswers::ok()});
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[1].kind, "message");
    EXPECT_EQ(seen[1].title, QStringLiteral("信息："));
    EXPECT_EQ(seen[1].text, kNoName);
    EXPECT_EQ(allFiles(), QStringList{"dat"});
    EXPECT_FALSE(window().isAlwaysOnTop());
}

INSTANTIATE_TEST_SUITE_P(Answers, SaveWithoutNameTest,
                         testing::Values(NoNameCase{"Cancelled", ModalAnswers::cancel()},
                                         NoNameCase{"ClosedBox", ModalAnswers::closeBox()},
                                         NoNameCase{"EmptyName", ModalAnswers::typeAndAccept("")}),
                         [](const testing::TestParamInfo<NoNameCase>& info) {
                             return std::string(info.param.label);
                         });

struct FailureCase {
    const char* label;
    std::string_view name;
    bool makeDat;
    const char* messageStart;
};

class SaveFailureTest : public SaveTest, public testing::WithParamInterface<FailureCase> {};

TEST_P(SaveFailureTest, TellsWhyAndWritesNothing) {
    const FailureCase& c = GetParam();
    if (c.makeDat) {
        makeDat();
        // A directory in the way of the file: it cannot be replaced by a file.
        ASSERT_TRUE(workDir().mkpath("dat/taken.ini"));
    }
    const QStringList before = allFiles();
    window().setControlText("编辑框8", "script");

    const auto seen = save(
        {ModalAnswers::typeAndAccept(QString::fromUtf8(c.name.data(), qsizetype(c.name.size()))),
         ModalAnswers::ok()});

    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[1].kind, "message");
    EXPECT_EQ(seen[1].title, QStringLiteral("信息："));
    EXPECT_TRUE(seen[1].text.startsWith(QString::fromUtf8(c.messageStart)))
        << seen[1].text.toStdString();
    EXPECT_NE(seen[1].text, kSaved);
    EXPECT_EQ(allFiles(), before);
    EXPECT_FALSE(QFile::exists(workDir().filePath("x.ini")));
    EXPECT_FALSE(window().isAlwaysOnTop());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SaveFailureTest,
    testing::Values(FailureCase{"MissingDat", "a", false, "脚本保存失败："},
                    FailureCase{"DirectoryInTheWay", "taken", true, "脚本保存失败："},
                    FailureCase{"SlashInName", "../x", true, "脚本的名称不能用作文件名"},
                    FailureCase{"Dot", ".", true, "脚本的名称不能用作文件名"},
                    FailureCase{"DotDot", "..", true, "脚本的名称不能用作文件名"},
                    FailureCase{"Nul", std::string_view("a\0b", 3), true,
                                "脚本的名称不能用作文件名"}),
    [](const testing::TestParamInfo<FailureCase>& info) { return std::string(info.param.label); });

TEST_F(SaveTest, MissingDatMessageNamesThePath) {
    const auto seen = save({ModalAnswers::typeAndAccept("a"), ModalAnswers::ok()});
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_TRUE(seen[1].text.contains(workDir().filePath("dat/a.ini")))
        << seen[1].text.toStdString();
}

}  // namespace
