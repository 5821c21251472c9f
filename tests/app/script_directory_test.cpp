#include "app/script_directory.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace {

struct HomeCase {
    const char* name;
    // What stands at "<program>/dat": nothing, a folder or a plain file.
    enum { Nothing, Folder, File } dat;
    bool programHome;  // true: the program's directory is the home
};

class ScriptHomeTest : public testing::TestWithParam<HomeCase> {};

TEST_P(ScriptHomeTest, ChoosesTheFolderThatHoldsAWritableDat) {
    QTemporaryDir program;
    QTemporaryDir data;
    ASSERT_TRUE(program.isValid() && data.isValid());
    const QString datPath = QDir(program.path()).filePath("dat");
    if (GetParam().dat == HomeCase::Folder) {
        ASSERT_TRUE(QDir().mkdir(datPath));
    }
    if (GetParam().dat == HomeCase::File) {
        QFile file(datPath);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    const QString expected = GetParam().programHome
                                 ? QDir::cleanPath(program.path())
                                 : QDir::cleanPath(QDir(data.path()).filePath("scriptmaker"));
    EXPECT_EQ(app::scriptHomeFor(program.path(), data.path()), expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, ScriptHomeTest,
                         testing::Values(HomeCase{"BuiltProgramWithDat", HomeCase::Folder, true},
                                         HomeCase{"InstalledProgram", HomeCase::Nothing, false},
                                         HomeCase{"DatIsAFile", HomeCase::File, false}),
                         [](const auto& info) { return std::string(info.param.name); });

class EnvironmentVariable {
public:
    EnvironmentVariable(const char* name, const QByteArray& value)
        : name_(name), had_(qEnvironmentVariableIsSet(name)), old_(qgetenv(name)) {
        qputenv(name_, value);
    }
    ~EnvironmentVariable() {
        if (had_) {
            qputenv(name_, old_);
        } else {
            qunsetenv(name_);
        }
    }
    EnvironmentVariable(const EnvironmentVariable&) = delete;
    EnvironmentVariable& operator=(const EnvironmentVariable&) = delete;

private:
    const char* name_;
    bool had_;
    QByteArray old_;
};

TEST(UserDataHomeTest, FollowsTheDesktopConvention) {
    {
        const EnvironmentVariable set("XDG_DATA_HOME", "/somewhere/data");
        EXPECT_EQ(app::userDataHome(), "/somewhere/data");
    }
    {
        // A relative value is invalid by the convention and ignored.
        const EnvironmentVariable relative("XDG_DATA_HOME", "relative/data");
        EXPECT_EQ(app::userDataHome(), QDir::home().filePath(".local/share"));
    }
}

// The test program has no "dat" beside it, as an installed program has none:
// the home is made below the data folder and entered.
TEST(EnterScriptHomeTest, CreatesDatBelowTheDataFolderForAnInstalledProgram) {
    ASSERT_FALSE(QFileInfo(QDir(QCoreApplication::applicationDirPath()).filePath("dat")).exists());
    QTemporaryDir data;
    ASSERT_TRUE(data.isValid());
    const EnvironmentVariable set("XDG_DATA_HOME", data.path().toUtf8());
    const QString before = QDir::currentPath();

    QString error;
    ASSERT_TRUE(app::enterScriptHome(&error)) << error.toStdString();
    EXPECT_EQ(QDir::currentPath(), QDir(data.path()).filePath("scriptmaker"));
    EXPECT_TRUE(QFileInfo(QStringLiteral("dat")).isDir());

    QDir::setCurrent(before);
}

TEST(EnterScriptHomeTest, ReportsAFolderThatCannotBeMade) {
    QTemporaryDir data;
    ASSERT_TRUE(data.isValid());
    // A plain file where the program's folder would go.
    QFile blocker(QDir(data.path()).filePath("scriptmaker"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const EnvironmentVariable set("XDG_DATA_HOME", data.path().toUtf8());
    const QString before = QDir::currentPath();

    QString error;
    EXPECT_FALSE(app::enterScriptHome(&error));
    EXPECT_TRUE(error.contains("scriptmaker")) << error.toStdString();
    EXPECT_EQ(QDir::currentPath(), before);
}

}  // namespace
