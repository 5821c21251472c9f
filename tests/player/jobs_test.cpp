// --jobs: several scripts played at once, each in a page of its own, with
// one summary and one report at the end.
#include <gtest/gtest.h>

#include <QSet>
#include <QTemporaryDir>
#include <QUrlQuery>

#include "tests/player/junit_reader.h"
#include "tests/player/player_process.h"
#include "tests/support/fixture_server.h"

namespace {

using testsupport::readJUnit;
using testsupport::runScriptPlayer;
using testsupport::writeScript;

TEST(PlayerJobs, PlaysEightScriptsFourAtOnceEachInItsOwnPage) {
    testsupport::FixtureServer server(QStringLiteral(FIXTURE_DIR "/player"));
    ASSERT_NE(server.port(), 0);
    QTemporaryDir dir;
    QStringList scripts;
    for (int n = 1; n <= 8; ++n) {
        // Each page is opened for script n and sends the name that the
        // script writes into it: a page shared by two scripts would send a
        // pair that does not match. Scripts 7 and 8 look for a button that
        // is not there.
        const std::string k = std::to_string(n);
        std::string text = server.url(QStringLiteral("/jobs.html?n=%1").arg(n)).toStdString() +
                           "\r\n执行脚本|document.getElementById('script').value = '" + k +
                           "'|JavaScript|1\r\n";
        if (n > 6) text += "点击按钮|missing|0|0\r\n";
        text += "点击按钮|send|0|0\r\n";
        scripts << writeScript(dir, QStringLiteral("s%1.ini").arg(n), text);
    }
    const QString report = dir.filePath("all.xml");
    const auto run = runScriptPlayer(
        QStringList{"--jobs", "4", "--timeout", "1", "--report", report} + scripts, 300000);
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 1) << run.out.toStdString() << run.err.toStdString();

    // Six forms were sent, each from the page of the script that filled it.
    QSet<QString> sent;
    for (const auto& request : server.requests()) {
        if (!request.target.startsWith("/submit/jobs?")) continue;
        const QUrlQuery query(
            QString::fromUtf8(request.target.mid(request.target.indexOf('?') + 1)));
        EXPECT_EQ(query.queryItemValue("script"), query.queryItemValue("page"));
        sent << query.queryItemValue("script");
    }
    EXPECT_EQ(sent, (QSet<QString>{"1", "2", "3", "4", "5", "6"}));

    // Each script's output is one block, and its summary is right.
    const QStringList lines = run.out.split('\n', Qt::SkipEmptyParts);
    for (int n = 1; n <= 8; ++n) {
        SCOPED_TRACE(n);
        const QString path = scripts[n - 1];
        qsizetype header = -1;
        for (qsizetype i = 0; i < lines.size() && header < 0; ++i)
            if (lines[i].startsWith(path + ": http")) header = i;
        ASSERT_GE(header, 0) << run.out.toStdString();
        ASSERT_LT(header + 1, lines.size());
        EXPECT_TRUE(lines[header + 1].startsWith(n > 6 ? "1/3" : "1/2"))
            << lines[header + 1].toStdString();
        const QString summary =
            n > 6 ? path + ": 1 of 3 steps ok, 1 failed, 1 not played" : path + ": 2 of 2 steps ok";
        EXPECT_TRUE(run.out.contains(summary)) << summary.toStdString();
    }
    EXPECT_TRUE(run.out.trimmed().endsWith("8 scripts: 6 played through, 2 failed"))
        << run.out.toStdString();

    // One report with a suite per script, in the order they were given.
    const auto junit = readJUnit(report);
    ASSERT_TRUE(junit.wellFormed);
    ASSERT_EQ(junit.suites.size(), 8u);
    for (int n = 1; n <= 8; ++n) {
        SCOPED_TRACE(n);
        EXPECT_EQ(junit.suites[n - 1].name, scripts[n - 1]);
        EXPECT_EQ(junit.suites[n - 1].failures, n > 6 ? 1 : 0);
        EXPECT_EQ(junit.suites[n - 1].tests, n > 6 ? 3 : 2);
    }
}

TEST(PlayerJobs, ScriptsInTurnShareOneBrowserButNotAPage) {
    testsupport::FixtureServer server(QStringLiteral(FIXTURE_DIR "/player"));
    ASSERT_NE(server.port(), 0);
    QTemporaryDir dir;
    QStringList scripts;
    for (int n = 1; n <= 2; ++n) {
        scripts << writeScript(dir, QStringLiteral("t%1.ini").arg(n),
                               server.url(QStringLiteral("/jobs.html?n=%1").arg(n)).toStdString() +
                                   "\r\n执行脚本|document.getElementById('script').value = '" +
                                   std::to_string(n) + "'|JavaScript|0\r\n点击按钮|send|0|0\r\n");
    }
    const auto run = runScriptPlayer(scripts);
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0) << run.out.toStdString();
    EXPECT_TRUE(run.out.trimmed().endsWith("2 scripts: 2 played through, 0 failed"));
    int sent = 0;
    for (const auto& request : server.requests()) {
        if (!request.target.startsWith("/submit/jobs?")) continue;
        const QUrlQuery query(
            QString::fromUtf8(request.target.mid(request.target.indexOf('?') + 1)));
        EXPECT_EQ(query.queryItemValue("script"), query.queryItemValue("page"));
        ++sent;
    }
    EXPECT_EQ(sent, 2);
}

}  // namespace
