#include "player/player.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>
#include <deque>
#include <memory>

#include "page/page_session.h"
#include "player/console.h"
#include "player/options.h"
#include "player/results.h"
#include "player/script_player.h"

namespace player {

namespace {

constexpr int kConnectTimeoutMs = 10000;

void printError(const QString& text) {
    std::fputs(("scriptplayer: " + text + "\n").toUtf8().constData(), stderr);
    std::fflush(stderr);
}

int worse(int a, int b) {
    // A browser that is gone outranks a failed step; both outrank success.
    const auto rank = [](int status) {
        return status == kBrowserError ? 3 : status == kUsageError ? 2 : status;
    };
    return rank(a) >= rank(b) ? a : b;
}

void writeReport(const Options& options, const std::vector<ScriptResult>& results) {
    if (options.report.isEmpty()) return;
    QString error;
    if (!writeJUnitReport(options.report, results, &error))
        printError(QStringLiteral("cannot write the report %1: %2").arg(options.report, error));
}

// Plays the scripts one after another, each in a page of its own in one
// browser.
int playInTurn(const Options& options, const std::vector<script::Script>& scripts) {
    Console console(stdout);
    QString error;
    std::unique_ptr<page::PageSession> first;
    if (options.connect.isEmpty()) {
        console.progress(QStringLiteral("starting %1").arg(options.browser));
        page::PageSession::LaunchOptions launch;
        launch.executable = options.browser;
        launch.visible = options.show;
        first = page::PageSession::launch(launch, &error);
    } else {
        console.progress(QStringLiteral("connecting to %1").arg(options.connect));
        first = page::PageSession::connect(options.connect, kConnectTimeoutMs, &error);
    }
    console.clearProgress();
    if (!first) {
        printError(options.connect.isEmpty()
                       ? QStringLiteral("cannot start the browser: %1").arg(error)
                       : QStringLiteral("cannot use the browser at %1").arg(error));
        return kBrowserError;
    }
    ScriptPlayer player(options, console);
    std::vector<ScriptResult> results;
    int status = kAllDone;
    for (std::size_t index = 0; index < scripts.size(); ++index) {
        const QString& path = options.scripts[qsizetype(index)];
        std::unique_ptr<page::PageSession> another;
        page::PageSession* session = first.get();
        if (index > 0) {
            another = first->openAnotherPage(&error);
            session = another.get();
        }
        if (!session) {
            ScriptResult result;
            result.path = path;
            result.address = scripts[index].address;
            result.openError = QStringLiteral("no page: %1").arg(error);
            result.exitStatus = kBrowserError;
            console.line(summaryLine(result));
            results.push_back(result);
            status = worse(status, kBrowserError);
            continue;
        }
        results.push_back(player.play(*session, path, scripts[index]));
        status = worse(status, results.back().exitStatus);
    }
    if (scripts.size() > 1) {
        int passed = 0;
        for (const ScriptResult& result : results) passed += result.exitStatus == kAllDone;
        console.line(QStringLiteral("%1 scripts: %2 played through, %3 failed")
                         .arg(results.size())
                         .arg(passed)
                         .arg(int(results.size()) - passed));
    }
    writeReport(options, results);
    return status;
}

// Plays up to options.jobs scripts at once, each by a player process of its
// own (calls into a browser wait on their one thread, so one process plays
// one script at a time). Each child reports into a JUnit file of its own;
// its output is shown as one block when it ends.
int playAtOnce(const Options& options) {
    Console console(stdout);
    QTemporaryDir reports;
    if (!reports.isValid()) {
        printError(QStringLiteral("cannot create a temporary directory"));
        return kBrowserError;
    }
    struct Job {
        QString script;
        QString report;
        std::unique_ptr<QProcess> process;
        int status = kBrowserError;
        bool finished = false;
    };
    std::vector<Job> jobs(std::size_t(options.scripts.size()));
    std::deque<std::size_t> waiting;
    for (std::size_t index = 0; index < jobs.size(); ++index) {
        jobs[index].script = options.scripts[qsizetype(index)];
        jobs[index].report = reports.filePath(QStringLiteral("%1.xml").arg(index));
        waiting.push_back(index);
    }
    QEventLoop loop;
    int running = 0;
    std::size_t done = 0;
    const auto startNext = [&] {
        while (running < options.jobs && !waiting.empty()) {
            Job& job = jobs[waiting.front()];
            waiting.pop_front();
            job.process = std::make_unique<QProcess>();
            job.process->setProcessChannelMode(QProcess::MergedChannels);
            job.process->setProgram(QCoreApplication::applicationFilePath());
            job.process->setArguments(childArguments(options, job.script, job.report));
            QObject::connect(
                job.process.get(), &QProcess::finished,
                [&, process = job.process.get()](int code, QProcess::ExitStatus exit) {
                    for (Job& ended : jobs) {
                        if (ended.process.get() != process) continue;
                        ended.finished = true;
                        ended.status = exit == QProcess::NormalExit ? code : kStepFailed;
                        const QByteArray output = process->readAll();
                        console.clearProgress();
                        std::fputs(output.constData(), stdout);
                        if (exit != QProcess::NormalExit)
                            console.line(
                                QStringLiteral("%1: the player crashed").arg(ended.script));
                    }
                    --running;
                    ++done;
                    loop.quit();
                });
            QObject::connect(job.process.get(), &QProcess::errorOccurred,
                             [&, process = job.process.get()](QProcess::ProcessError error) {
                                 if (error != QProcess::FailedToStart) return;
                                 for (Job& ended : jobs) {
                                     if (ended.process.get() != process) continue;
                                     ended.finished = true;
                                     console.line(QStringLiteral("%1: cannot start a player: %2")
                                                      .arg(ended.script, process->errorString()));
                                 }
                                 --running;
                                 ++done;
                                 loop.quit();
                             });
            ++running;
            job.process->start();
        }
    };
    startNext();
    while (done < jobs.size()) {
        console.progress(QStringLiteral("%1 of %2 scripts done, %3 playing")
                             .arg(done)
                             .arg(jobs.size())
                             .arg(running));
        loop.exec();
        startNext();
    }
    console.clearProgress();

    int status = kAllDone;
    int passed = 0;
    QStringList parts;
    for (const Job& job : jobs) {
        status = worse(status, job.status);
        passed += job.status == kAllDone;
        if (QFileInfo::exists(job.report)) parts << job.report;
    }
    console.line(QStringLiteral("%1 scripts: %2 played through, %3 failed")
                     .arg(jobs.size())
                     .arg(passed)
                     .arg(int(jobs.size()) - passed));
    if (!options.report.isEmpty()) {
        QString error;
        if (!mergeJUnitReports(options.report, parts, &error) || !error.isEmpty())
            printError(QStringLiteral("report %1: %2").arg(options.report, error));
    }
    return status;
}

}  // namespace

int runPlayer(const QStringList& arguments) {
    const CommandLine line = parseCommandLine(arguments);
    if (line.help) {
        std::fputs(helpText().toUtf8().constData(), stdout);
        return kAllDone;
    }
    if (line.version) {
        std::fputs(versionText().toUtf8().constData(), stdout);
        return kAllDone;
    }
    if (!line.error.isEmpty()) {
        printError(line.error);
        std::fputs("Try 'scriptplayer --help' for more information.\n", stderr);
        return kUsageError;
    }
    const Options& options = line.options;

    // Every script is read and checked before anything is played, and every
    // problem of every script is told at once.
    std::vector<script::Script> scripts;
    QStringList problems;
    for (const QString& path : options.scripts) {
        scripts.push_back(script::readScriptFile(path));
        problems << scriptProblems(path, scripts.back(), options);
    }
    if (!problems.isEmpty()) {
        for (const QString& problem : problems)
            std::fputs((problem + "\n").toUtf8().constData(), stderr);
        printError(QStringLiteral("nothing played: %1 problem%2")
                       .arg(problems.size())
                       .arg(problems.size() == 1 ? "" : "s"));
        return kUsageError;
    }
    if (options.jobs > 1 && scripts.size() > 1) return playAtOnce(options);
    return playInTurn(options, scripts);
}

}  // namespace player
