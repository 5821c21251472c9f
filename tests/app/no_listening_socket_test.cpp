// The script maker opens no listening socket: neither the real program
// (app/scriptmaker, started here and driven with xdotool to open a page) nor
// its engine's processes, even when the environment asks the engine for a
// debugging endpoint. The same window in this process answers the operation
// test and a pick with no socket open either. Sockets are read from
// /proc/net/{tcp,tcp6,unix} and the processes' descriptors.
#include <dirent.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <QComboBox>
#include <QCoreApplication>
#include <QCursor>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTcpServer>
#include <QTest>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "app/element_picker.h"
#include "tests/app/tool_window.h"
#include "tests/support/fixture_server.h"

namespace {

using test_support::ModalAnswers;

// The inodes of the listening sockets of this network namespace: TCP over
// IPv4 and IPv6 in state LISTEN, and Unix sockets that accept connections.
QSet<QString> listeningInodes() {
    QSet<QString> inodes;
    for (const char* table : {"/proc/net/tcp", "/proc/net/tcp6"}) {
        QFile file(QString::fromLatin1(table));
        if (!file.open(QIODevice::ReadOnly)) continue;
        file.readLine();  // the header
        while (!file.atEnd()) {
            const QStringList fields =
                QString::fromLatin1(file.readLine()).split(QLatin1Char(' '), Qt::SkipEmptyParts);
            if (fields.size() > 9 && fields.at(3) == QLatin1String("0A"))
                inodes.insert(fields.at(9));
        }
    }
    QFile unix(QStringLiteral("/proc/net/unix"));
    if (unix.open(QIODevice::ReadOnly)) {
        unix.readLine();
        while (!unix.atEnd()) {
            const QStringList fields =
                QString::fromLatin1(unix.readLine()).split(QLatin1Char(' '), Qt::SkipEmptyParts);
            // Num RefCount Protocol Flags Type St Inode [Path]; flag 0x10000
            // is "accepts connections", state 01 "unconnected".
            if (fields.size() > 6 && (fields.at(3).toUInt(nullptr, 16) & 0x10000u) != 0)
                inodes.insert(fields.at(6));
        }
    }
    return inodes;
}

// `root` and every process below it.
std::vector<qint64> processTree(qint64 root) {
    std::multimap<qint64, qint64> children;
    DIR* proc = opendir("/proc");
    if (proc == nullptr) return {root};
    while (dirent* entry = readdir(proc)) {
        bool numeric = false;
        const qint64 pid = QByteArray(entry->d_name).toLongLong(&numeric);
        if (!numeric) continue;
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!stat.open(QIODevice::ReadOnly)) continue;
        const QByteArray line = stat.readAll();
        // pid (comm) state ppid ...; the name may hold blanks and brackets.
        const QList<QByteArray> rest = line.mid(line.lastIndexOf(')') + 2).split(' ');
        if (rest.size() > 1) children.emplace(rest.at(1).toLongLong(), pid);
    }
    closedir(proc);
    std::vector<qint64> tree{root};
    for (size_t i = 0; i < tree.size(); ++i) {
        auto [first, last] = children.equal_range(tree[i]);
        for (auto it = first; it != last; ++it) tree.push_back(it->second);
    }
    return tree;
}

// The listening sockets that the processes of the tree under `root` hold,
// as "pid: inode" texts.
QStringList listeningSocketsOf(qint64 root) {
    const QSet<QString> listening = listeningInodes();
    static const QRegularExpression socketLink(QStringLiteral("^socket:\\[(\\d+)\\]$"));
    QStringList found;
    for (const qint64 pid : processTree(root)) {
        const QString fds = QStringLiteral("/proc/%1/fd").arg(pid);
        DIR* dir = opendir(fds.toLocal8Bit().constData());
        if (dir == nullptr) continue;
        while (dirent* entry = readdir(dir)) {
            char target[256] = {};
            const QByteArray path = (fds + QLatin1Char('/') + entry->d_name).toLocal8Bit();
            const ssize_t length = readlink(path.constData(), target, sizeof target - 1);
            if (length <= 0) continue;
            const auto match = socketLink.match(QString::fromLocal8Bit(target, length));
            if (match.hasMatch() && listening.contains(match.captured(1)))
                found << QStringLiteral("%1: %2").arg(pid).arg(match.captured(1));
        }
        closedir(dir);
    }
    return found;
}

bool xdotool(const QStringList& arguments, QByteArray* output = nullptr) {
    QProcess process;
    process.start(QStringLiteral("xdotool"), arguments);
    if (!process.waitForFinished(20000)) {
        process.kill();
        process.waitForFinished();
        return false;
    }
    if (output != nullptr) *output = process.readAllStandardOutput();
    return process.exitCode() == 0;
}

// The check itself finds what it looks for.
TEST(ListeningSockets, AListeningSocketOfThisProcessIsFound) {
    QTcpServer server;
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost, 0));
    EXPECT_FALSE(listeningSocketsOf(QCoreApplication::applicationPid()).isEmpty());
}

// The real program, with a page open in its browser: no socket listens in it
// or in any process of its engine, even with the engine's endpoint asked
// for in the environment.
TEST(ListeningSockets, TheRealProgramOpensNone) {
    const QString program =
        QCoreApplication::applicationDirPath() + QStringLiteral("/../app/scriptmaker");
    ASSERT_TRUE(QFile::exists(program)) << program.toStdString();
    testsupport::FixtureServer server(QStringLiteral(FIXTURE_DIR));
    ASSERT_NE(server.port(), 0);

    quint16 port = 0;
    {
        QTcpServer probe;
        ASSERT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
        port = probe.serverPort();
    }
    QProcess scriptMaker;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QTWEBENGINE_REMOTE_DEBUGGING"),
                       QStringLiteral("127.0.0.1:%1").arg(port));
    environment.insert(QStringLiteral("QTWEBENGINE_CHROMIUM_FLAGS"),
                       QStringLiteral("--remote-debugging-port=%1").arg(port + 1));
    scriptMaker.setProcessEnvironment(environment);
    scriptMaker.setProgram(program);
    scriptMaker.setArguments({QStringLiteral("--remote-debugging-port=%1").arg(port + 2)});
    scriptMaker.start();
    ASSERT_TRUE(scriptMaker.waitForStarted(10000));
    const qint64 pid = scriptMaker.processId();

    // Its main window, once shown and raised. A search or an activation can
    // fail while the engine's windows come and go at start: try again.
    QString window;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            QByteArray found;
            if (!xdotool({"search", "--onlyvisible", "--pid", QString::number(pid), "--name",
                          QStringLiteral("脚本制作")},
                         &found))
                return false;
            window = QString::fromLatin1(found).split(QLatin1Char('\n')).first().trimmed();
            return !window.isEmpty() && xdotool({"windowactivate", "--sync", window});
        },
        30000));
    // The address into 编辑框1, then 打开 (按钮2): client coordinates of the form.
    const QString address = server.url(QStringLiteral("/operation/form.html"));
    ASSERT_TRUE(xdotool({"mousemove", "--window", window, "480", "266", "click", "1"}));
    ASSERT_TRUE(xdotool({"type", "--window", window, "--delay", "5", address}));
    ASSERT_TRUE(xdotool({"mousemove", "--window", window, "652", "266", "click", "1"}));
    ASSERT_TRUE(server.waitForRequest("/operation/form.html", 20000).has_value());
    // The page's process has started and the page has asked for what it shows.
    ASSERT_TRUE(QTest::qWaitFor([&] { return processTree(pid).size() > 1; }, 20000));

    EXPECT_EQ(listeningSocketsOf(pid), QStringList());
    EXPECT_EQ(scriptMaker.state(), QProcess::Running);
    scriptMaker.kill();
    scriptMaker.waitForFinished(10000);
}

// The same window in this process: the page answers the operation test and
// a pick, and still nothing of this process or its engine listens.
class InProcessWindow : public tool_window::ToolWindowTest {};

TEST_F(InProcessWindow, OperationTestAndPickWithNoSocket) {
    load("operation/form.html");
    auto* combo = qobject_cast<QComboBox*>(window().control("组合框1"));
    ASSERT_NE(combo, nullptr);
    combo->setCurrentIndex(combo->findText(QStringLiteral("填表文本")));
    window().setControlText("编辑框2", "kw");
    window().setControlText("编辑框9", "0");
    {
        ModalAnswers answers({ModalAnswers::ok()});
        click("按钮4");
        ASSERT_TRUE(QTest::qWaitFor([&] { return !answers.seen().empty(); }, 10000));
    }
    EXPECT_EQ(evaluate("document.getElementById('kw').value").toString(), "测试成功");

    const QVariantList centre =
        evaluate(
            "(() => { const r = document.getElementById('kw').getBoundingClientRect();"
            " return [r.left + r.width / 2, r.top + r.height / 2]; })()")
            .toList();
    ASSERT_EQ(centre.size(), 2);
    const QPoint target =
        view().mapToGlobal(QPoint(int(centre[0].toDouble()), int(centre[1].toDouble())));
    QCursor::setPos(target);
    ASSERT_TRUE(QTest::qWaitFor([&] { return QCursor::pos() == target; }, 5000));
    app::pickElementUnderCursor(window());
    EXPECT_EQ(window().controlText("编辑框4"), "kw");

    EXPECT_EQ(listeningSocketsOf(QCoreApplication::applicationPid()), QStringList());
}

}  // namespace
