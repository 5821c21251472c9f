#include "player/script_player.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTimer>
#include <QUrl>
#include <cmath>

#include "automation/cdp_connection.h"
#include "automation/cdp_session.h"
#include "page/page_session.h"
#include "page/web_page.h"

namespace player {

namespace {

using script::Kind;

// How often a step looks again for an element that is not there yet.
constexpr int kPollIntervalMs = 100;
constexpr int kShownCodeLength = 60;
// A page gets at least this long to load, however short the element wait:
// a busy machine or a slow server is not a fault of the script.
constexpr int kMinimumLoadTimeoutMs = 30000;

const QString kBrowserGone = QStringLiteral("the browser went away");

QString fromUtf8(const std::string& text) { return QString::fromStdString(text); }

QString shownCode(const std::string& code) {
    QString shown = fromUtf8(code);
    shown.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\t'), QLatin1Char(' '));
    if (shown.size() > kShownCodeLength) shown = shown.left(kShownCodeLength - 1) + QChar(0x2026);
    return QLatin1Char('"') + shown + QLatin1Char('"');
}

QString secondsText(double seconds) { return QString::number(seconds, 'f', 2) + " s"; }

QString timeoutText(double seconds) { return QString::number(seconds, 'g', 6) + " s"; }

bool startsNavigation(Kind kind) {
    return kind == Kind::ClickLink || kind == Kind::ClickButton || kind == Kind::RunScript;
}

// The address as an address bar reads it, so "example.com" works too.
QString addressUrl(const std::string& address) {
    return QUrl::fromUserInput(fromUtf8(address)).toString();
}

// Waits `ms` with the event loop running; false when the browser went away.
bool idle(page::PageSession& session, int ms) {
    if (!session.isConnected()) return false;
    if (ms > 0) {
        auto& connection = session.session().connection();
        connection.waitUntil([&] { return !connection.isConnected(); }, ms);
    }
    return session.isConnected();
}

}  // namespace

QStringList scriptProblems(const QString& path, const script::Script& script,
                           const Options& options) {
    std::vector<script::Problem> problems = script.problems;
    for (const script::Step& step : script.steps) {
        if (step.kind == Kind::FillText && !options.text)
            problems.push_back({step.lineNumber, QStringLiteral("填表文本 needs a value to fill "
                                                                "in: give --text or --text-file")});
        if (step.kind == Kind::FillTitle && !options.title)
            problems.push_back(
                {step.lineNumber, QStringLiteral("填表标题 needs a value to fill "
                                                 "in: give --title or --title-file")});
    }
    std::stable_sort(problems.begin(), problems.end(),
                     [](const auto& a, const auto& b) { return a.lineNumber < b.lineNumber; });
    QStringList messages;
    for (const script::Problem& problem : problems) {
        messages << (problem.lineNumber > 0 ? QStringLiteral("%1:%2: %3")
                                                  .arg(path)
                                                  .arg(problem.lineNumber)
                                                  .arg(problem.message)
                                            : QStringLiteral("%1: %2").arg(path, problem.message));
    }
    return messages;
}

QString stepLine(const StepResult& step, int count) {
    QString line =
        QStringLiteral("%1/%2  line %3  %4  %5  %6  %7")
            .arg(step.number)
            .arg(count)
            .arg(step.lineNumber)
            .arg(fromUtf8(step.kind), shownCode(step.code),
                 step.outcome == Outcome::Ok ? QStringLiteral("ok") : QStringLiteral("failed"),
                 secondsText(step.seconds));
    if (step.outcome == Outcome::Failed) line += QStringLiteral("  ") + step.reason;
    if (!step.screenshot.isEmpty()) line += QStringLiteral(" (screenshot %1)").arg(step.screenshot);
    return line;
}

QString summaryLine(const ScriptResult& result) {
    if (!result.opened)
        return QStringLiteral("%1: not played: %2").arg(result.path, result.openError);
    const int failed = result.count(Outcome::Failed);
    const int notRun = result.count(Outcome::NotRun);
    QString line = QStringLiteral("%1: %2 of %3 steps ok")
                       .arg(result.path)
                       .arg(result.count(Outcome::Ok))
                       .arg(result.steps.size());
    if (failed) line += QStringLiteral(", %1 failed").arg(failed);
    if (notRun) line += QStringLiteral(", %1 not played").arg(notRun);
    return line + QStringLiteral(" (%1)").arg(secondsText(result.seconds));
}

int ScriptPlayer::timeoutMs() const { return int(std::lround(options_.timeoutSeconds * 1000.0)); }

int ScriptPlayer::loadTimeoutMs() const { return std::max(timeoutMs(), kMinimumLoadTimeoutMs); }

ScriptResult ScriptPlayer::play(page::PageSession& session, const QString& path,
                                const script::Script& script) {
    QElapsedTimer timer;
    timer.start();
    ScriptResult result;
    result.path = path;
    result.address = script.address;
    console_.line(QStringLiteral("%1: %2").arg(path, fromUtf8(script.address)));
    console_.progress(QStringLiteral("opening %1").arg(fromUtf8(script.address)));
    QString error;
    result.opened = session.navigate(addressUrl(script.address), &error, loadTimeoutMs());
    if (!result.opened) {
        result.openError = QStringLiteral("line %1: %2").arg(script.addressLine).arg(error);
        result.exitStatus = session.isConnected() ? kStepFailed : kBrowserError;
        result.seconds = timer.nsecsElapsed() / 1e9;
        console_.line(summaryLine(result));
        return result;
    }
    const int count = int(script.steps.size());
    bool stopped = false;
    for (int index = 0; index < count; ++index) {
        const script::Step& step = script.steps[std::size_t(index)];
        if (stopped) {
            StepResult skipped;
            skipped.number = index + 1;
            skipped.lineNumber = step.lineNumber;
            skipped.kind = step.kindText;
            skipped.code = step.code;
            result.steps.push_back(skipped);
            continue;
        }
        StepResult played = playStep(session, step, index + 1, count);
        if (played.outcome == Outcome::Failed) {
            if (!options_.screenshotDir.isEmpty())
                played.screenshot = saveScreenshot(session, path, played);
            const bool gone = played.reason == kBrowserGone;
            result.exitStatus =
                gone ? kBrowserError : std::max(result.exitStatus, int(kStepFailed));
            stopped = gone || !options_.keepGoing;
        }
        console_.line(stepLine(played, count));
        result.steps.push_back(played);
        if (!stopped) pause(session, step, index + 1, count);
    }
    result.seconds = timer.nsecsElapsed() / 1e9;
    console_.line(summaryLine(result));
    return result;
}

StepResult ScriptPlayer::playStep(page::PageSession& session, const script::Step& step, int number,
                                  int count) {
    StepResult result;
    result.number = number;
    result.lineNumber = step.lineNumber;
    result.kind = step.kindText;
    result.code = step.code;
    QElapsedTimer timer;
    timer.start();
    const QDeadlineTimer deadline(timeoutMs());
    const QString title = QStringLiteral("%1/%2  line %3  %4  %5")
                              .arg(number)
                              .arg(count)
                              .arg(step.lineNumber)
                              .arg(fromUtf8(step.kindText), shownCode(step.code));
    console_.progress(title);

    // The operation exactly as the test button runs it with these fields.
    const auto perform = [&](page::WebPage& page) {
        switch (step.kind) {
            case Kind::FillText:
                return page.setValue(step.code, step.codeKind, *options_.text);
            case Kind::FillTitle:
                return page.setValue(step.code, step.codeKind, *options_.title);
            case Kind::ClickLink:
                return page.clickLink(step.code, step.codeKind);
            case Kind::ClickButton:
                return page.clickButton(step.code, step.codeKind);
            case Kind::RunScript:
                page.runScript(step.code, "JavaScript");
                return true;
        }
        return false;
    };

    bool done = false;
    auto navigation = page::PageSession::Navigation::None;
    QString reason;
    for (;;) {
        // A fresh binding every time: a click may have left the old
        // document behind, and a page may replace its document at any time.
        page::WebPage page;
        if (!session.rebind(page)) {
            reason =
                session.isConnected() ? QStringLiteral("the page has no document") : kBrowserGone;
        } else {
            if (startsNavigation(step.kind))
                navigation =
                    session.followNavigation([&] { done = perform(page); }, loadTimeoutMs());
            else
                done = perform(page);
            if (done) break;
            reason = QStringLiteral("element not found after %1")
                         .arg(timeoutText(options_.timeoutSeconds));
        }
        if (!session.isConnected() || deadline.hasExpired()) break;
        console_.progress(
            QStringLiteral("%1  waiting %2").arg(title, secondsText(timer.nsecsElapsed() / 1e9)));
        if (!idle(session, int(std::min<qint64>(kPollIntervalMs, deadline.remainingTime())))) break;
    }
    if (!session.isConnected()) {
        done = false;
        reason = kBrowserGone;
    } else if (done && navigation == page::PageSession::Navigation::TimedOut) {
        done = false;
        reason = QStringLiteral("the new page did not load within %1")
                     .arg(timeoutText(loadTimeoutMs() / 1000.0));
    }
    result.outcome = done ? Outcome::Ok : Outcome::Failed;
    if (!done) result.reason = reason;
    result.seconds = timer.nsecsElapsed() / 1e9;
    return result;
}

void ScriptPlayer::pause(page::PageSession& session, const script::Step& step, int number,
                         int count) {
    if (step.seconds <= 0 || options_.timeScale <= 0) return;
    const double total = step.seconds * options_.timeScale;
    const int ms = int(std::min(total * 1000.0, 2147483647.0));
    QElapsedTimer timer;
    timer.start();
    QTimer ticker;
    if (console_.isLive()) {
        QObject::connect(&ticker, &QTimer::timeout, [&] {
            const double left = std::max(0.0, total - timer.nsecsElapsed() / 1e9);
            console_.progress(QStringLiteral("%1/%2  line %3  pause %4")
                                  .arg(number)
                                  .arg(count)
                                  .arg(step.lineNumber)
                                  .arg(secondsText(left)));
        });
        ticker.start(100);
    }
    idle(session, ms);
    console_.clearProgress();
}

QString ScriptPlayer::saveScreenshot(page::PageSession& session, const QString& path,
                                     const StepResult& step) {
    const QByteArray png = session.screenshot();
    if (png.isEmpty()) return {};
    QDir directory(options_.screenshotDir);
    if (!directory.exists() && !QDir().mkpath(options_.screenshotDir)) return {};
    const QString name = QStringLiteral("%1-step%2-line%3.png")
                             .arg(QFileInfo(path).completeBaseName())
                             .arg(step.number)
                             .arg(step.lineNumber);
    const QString file = directory.filePath(name);
    QFile out(file);
    if (!out.open(QIODevice::WriteOnly) || out.write(png) != png.size()) return {};
    return file;
}

}  // namespace player
