// One readText round trip on a launched headless Chromium, beside a raw
// Runtime.evaluate over the same pipe and Playwright's page.evaluate on the
// same browser binary, all in one run. The two pipe measurements alternate
// call by call so that both see the same machine state.
//
// Usage: read_text_bench [rounds]   (bench/run-read-text.sh runs it with
// Playwright installed). Prints medians and ratios.
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "automation/cdp_session.h"
#include "automation/chromium_process.h"
#include "automation/late_bound.h"

namespace {

constexpr char kPage[] =
    "data:text/html;charset=utf-8,<title>bench</title><body><div id=box>round trip</div></body>";

double median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

double percentile(std::vector<double> values, double fraction) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    return values[size_t(fraction * double(values.size() - 1))];
}

// Runs the Playwright script beside this executable's sources; its median in
// milliseconds, or a negative number when it could not run.
double playwrightMedian(int rounds) {
    const QString script = QFileInfo(QStringLiteral(__FILE__))
                               .dir()
                               .filePath(QStringLiteral("playwright/read_text.mjs"));
    if (!QFileInfo::exists(script)) return -1;
    QProcess node;
    node.setProgram(QStringLiteral("node"));
    node.setArguments({script, QString::number(rounds)});
    node.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    node.start();
    if (!node.waitForFinished(300000) || node.exitCode() != 0) return -1;
    const QList<QByteArray> lines = node.readAllStandardOutput().trimmed().split('\n');
    const QJsonObject result = QJsonDocument::fromJson(lines.last()).object();
    return result.value("medianMs").toDouble(-1);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    const int rounds = argc > 1 ? std::max(10, atoi(argv[1])) : 2000;

    automation::ChromiumLauncher browser;
    if (!browser.start()) {
        std::fprintf(stderr, "cannot start Chromium: %s\n", qPrintable(browser.errorText()));
        return 1;
    }
    auto session = browser.newPage();
    if (!session || !session->navigate(QString::fromLatin1(kPage))) {
        std::fprintf(stderr, "cannot open the page\n");
        return 1;
    }
    automation::AutomationObject document = session->document();
    const automation::AutomationObject box =
        automation::callForObject(document, "getElementById", {std::string("box")});
    if (automation::readText(box, "textContent") != "round trip") {
        std::fprintf(stderr, "readText does not work\n");
        return 1;
    }
    const QJsonObject rawParams{{"expression", "document.getElementById('box').textContent"},
                                {"returnByValue", true}};

    std::vector<double> ours;
    std::vector<double> raw;
    QElapsedTimer timer;
    for (int i = 0; i < rounds + rounds / 10; ++i) {
        const bool counted = i >= rounds / 10;  // the first tenth warms up
        timer.start();
        const std::string text = automation::readText(box, "textContent");
        const double oursMs = double(timer.nsecsElapsed()) / 1e6;
        timer.start();
        const auto reply = session->call("Runtime.evaluate", rawParams);
        const double rawMs = double(timer.nsecsElapsed()) / 1e6;
        if (text.empty() || !std::holds_alternative<QJsonObject>(reply)) {
            std::fprintf(stderr, "a round trip failed\n");
            return 1;
        }
        if (counted) {
            ours.push_back(oursMs);
            raw.push_back(rawMs);
        }
    }
    document.release();
    session.reset();
    browser.stop();

    const double pw = playwrightMedian(rounds);
    const double oursMedian = median(ours);
    const double rawMedian = median(raw);
    std::printf("round trips per kind: %d (after %d warm-up)\n", rounds, rounds / 10);
    std::printf("%-34s %10s %10s\n", "kind", "median ms", "p90 ms");
    std::printf("%-34s %10.3f %10.3f\n", "readText (binder, pipe)", oursMedian,
                percentile(ours, 0.9));
    std::printf("%-34s %10.3f %10.3f\n", "raw Runtime.evaluate (pipe)", rawMedian,
                percentile(raw, 0.9));
    if (pw >= 0)
        std::printf("%-34s %10.3f %10s\n", "Playwright page.evaluate", pw, "-");
    else
        std::printf("%-34s %10s\n", "Playwright page.evaluate",
                    "not run (see bench/run-read-text.sh)");
    std::printf("readText / raw: %.2f\n", oursMedian / rawMedian);
    if (pw > 0) std::printf("readText / Playwright: %.2f\n", oursMedian / pw);
    return 0;
}
