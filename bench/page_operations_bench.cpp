// The locating page operations against a launched headless Chromium, beside
// Playwright's nearest equivalents on the same browser binary, in one run.
// The page (page_operations_bench.html) is built at load with N links and
// N/5 inputs, for N = 1,000, 10,000 and 100,000:
//
//   clickLink    kind 3, not exact, on the last link
//                vs getByText(text).first().click()
//   clickButton  kind 2 on the last button-like input
//                vs locator('input[type=submit]').nth(k).click()
//   setValue     by id on the last text box
//                vs locator('#id').fill(value)
//
// plus clickLink through a model that runs no script (the walk's one round
// trip per candidate fallback) at N = 1,000 for scale.
//
// Usage: page_operations_bench [repetitions]
// (bench/page_operations_bench.sh installs Playwright when needed, builds
// and runs it). At 100,000 elements both sides take a third of the
// repetitions (at least 3). Prints medians in milliseconds, the ratio to
// Playwright and the growth from each size to the next.
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QUrl>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "automation/cdp_session.h"
#include "automation/chromium_process.h"
#include "page/web_page.h"
#include "tests/page/no_script_object.h"

namespace {

// This source's folder. The compiler may name the source relative to the
// folder it ran in, which is the benchmark's build folder, where the
// program also lives.
QString here() {
    const QFileInfo source(QStringLiteral(__FILE__));
    if (source.isAbsolute()) return source.absolutePath();
    return QFileInfo(QCoreApplication::applicationDirPath() + QLatin1Char('/') + source.filePath())
        .absolutePath();
}

double median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// One warm-up call, then the median of `repetitions` timed calls.
double measure(int repetitions, const std::function<bool()>& operation, bool& ok) {
    ok = operation();
    std::vector<double> times;
    for (int i = 0; i < repetitions; ++i) {
        QElapsedTimer timer;
        timer.start();
        ok = operation() && ok;
        times.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
    }
    return median(times);
}

QString evaluateText(automation::CdpSession& session, const QString& expression) {
    const auto value = session.evaluate(expression);
    const auto* json = std::get_if<QJsonValue>(&value);
    return json ? json->toString() : QString();
}

// Playwright's medians keyed by "operation/links"; empty when it did not run.
std::map<QString, double> runPlaywright(int repetitions) {
    std::map<QString, double> medians;
    QProcess node;
    node.setProgram(QStringLiteral("node"));
    node.setArguments(
        {here() + QStringLiteral("/playwright/page_operations.mjs"), QString::number(repetitions)});
    node.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    node.start();
    if (!node.waitForFinished(600000) || node.exitCode() != 0) return medians;
    for (const QByteArray& line : node.readAllStandardOutput().trimmed().split('\n')) {
        const QJsonObject row = QJsonDocument::fromJson(line).object();
        medians[row.value(QStringLiteral("operation")).toString() + QLatin1Char('/') +
                QString::number(row.value(QStringLiteral("links")).toInt())] =
            row.value(QStringLiteral("medianMs")).toDouble();
    }
    return medians;
}

}  // namespace

int main(int argc, char** argv) {
    if (geteuid() == 0) qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    QCoreApplication application(argc, argv);
    const int repetitions = argc > 1 ? std::max(3, std::atoi(argv[1])) : 15;

    automation::ChromiumLauncher browser;
    if (!browser.start()) {
        std::fprintf(stderr, "chromium did not start: %s\n", qPrintable(browser.errorText()));
        return 1;
    }

    std::map<QString, double> ours;
    bool allLanded = true;
    for (const int links : {1000, 10000, 100000}) {
        const int inputs = links / 5;
        const int times = links >= 100000 ? std::max(3, repetitions / 3) : repetitions;
        const auto session = browser.newPage();
        QUrl url = QUrl::fromLocalFile(here() + QStringLiteral("/page_operations_bench.html"));
        url.setQuery(QStringLiteral("links=%1&inputs=%2").arg(links).arg(inputs));
        if (!session) {
            std::fprintf(stderr, "no page\n");
            return 1;
        }
        if (!session->navigate(url.toString(), 120000)) {
            std::fprintf(stderr, "the bench page with %d links did not load\n", links);
            return 1;
        }
        const automation::AutomationObject document = session->document(120000);
        page::WebPage page;
        page.attach(&document);

        const std::string lastLink = "Link #" + std::to_string(links - 1) + ";";
        const std::string lastButton = std::to_string(inputs / 2);
        const std::string lastTextBox = "t" + std::to_string(inputs - 2);
        const QString key = QLatin1Char('/') + QString::number(links);
        bool ok = true;

        ours[QStringLiteral("clickLink") + key] = measure(
            times, [&] { return page.clickLink(lastLink, 3); }, ok);
        allLanded = allLanded && ok &&
                    evaluateText(*session, QStringLiteral("window.lastClicked")) ==
                        QStringLiteral("a%1").arg(links - 1);
        ours[QStringLiteral("clickButton") + key] = measure(
            times, [&] { return page.clickButton(lastButton, 2); }, ok);
        allLanded = allLanded && ok &&
                    evaluateText(*session, QStringLiteral("window.lastClicked")) ==
                        QStringLiteral("s%1").arg(inputs - 1);
        ours[QStringLiteral("setValue") + key] = measure(
            times, [&] { return page.setValue(lastTextBox, 0, "filled"); }, ok);
        allLanded = allLanded && ok && page.getValue(lastTextBox, 0) == "filled";

        if (links == 1000) {
            page::WebPage plain;
            const automation::AutomationObject wrapped =
                testsupport::NoScriptObject::wrap(page.document);
            plain.attach(&wrapped);
            ours[QStringLiteral("clickLinkOneByOne") + key] = measure(
                3, [&] { return plain.clickLink(lastLink, 3); }, ok);
            allLanded = allLanded && ok;
        }
        session->closePage();
    }

    const std::map<QString, double> playwright = runPlaywright(repetitions);
    std::printf("%-22s %12s %14s %8s\n", "operation/links", "ours (ms)", "playwright (ms)",
                "ratio");
    for (const auto& [key, value] : ours) {
        const auto other = playwright.find(key);
        if (other != playwright.end()) {
            std::printf("%-22s %12.3f %14.3f %8.3f\n", qPrintable(key), value, other->second,
                        value / other->second);
        } else {
            std::printf("%-22s %12.3f %14s %8s\n", qPrintable(key), value, "-", "-");
        }
    }
    for (const char* operation : {"clickLink", "clickButton", "setValue"}) {
        const QString name = QString::fromLatin1(operation);
        const double small = ours[name + QStringLiteral("/1000")];
        const double middle = ours[name + QStringLiteral("/10000")];
        const double large = ours[name + QStringLiteral("/100000")];
        std::printf("growth %-12s 1,000 -> 10,000 x%.2f, 10,000 -> 100,000 x%.2f\n", operation,
                    small > 0 ? middle / small : 0.0, middle > 0 ? large / middle : 0.0);
    }
    if (playwright.empty()) std::printf("(Playwright did not run)\n");
    if (!allLanded) {
        std::printf("a click or a value did not land where it should\n");
        return 1;
    }
    return 0;
}
