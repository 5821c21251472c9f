#pragma once

// Reads a JUnit XML report back with QXmlStreamReader, as a CI system would.
#include <QFile>
#include <QString>
#include <QXmlStreamReader>
#include <vector>

namespace testsupport {

struct JUnitCase {
    QString name;
    bool failed = false;
    QString failureMessage;
    QString failureText;
    bool skipped = false;
};

struct JUnitSuite {
    QString name;
    int tests = -1;
    int failures = -1;
    int skipped = -1;
    std::vector<JUnitCase> cases;
};

struct JUnitReport {
    bool wellFormed = false;
    std::vector<JUnitSuite> suites;
};

inline JUnitReport readJUnit(const QString& path) {
    JUnitReport report;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return report;
    QXmlStreamReader xml(&file);
    if (!xml.readNextStartElement() || xml.name() != QLatin1String("testsuites")) return report;
    while (xml.readNextStartElement()) {
        if (xml.name() != QLatin1String("testsuite")) return report;
        JUnitSuite suite;
        suite.name = xml.attributes().value("name").toString();
        suite.tests = xml.attributes().value("tests").toInt();
        suite.failures = xml.attributes().value("failures").toInt();
        suite.skipped = xml.attributes().value("skipped").toInt();
        while (xml.readNextStartElement()) {
            if (xml.name() != QLatin1String("testcase")) return report;
            JUnitCase testCase;
            testCase.name = xml.attributes().value("name").toString();
            while (xml.readNextStartElement()) {
                if (xml.name() == QLatin1String("failure")) {
                    testCase.failed = true;
                    testCase.failureMessage = xml.attributes().value("message").toString();
                    testCase.failureText = xml.readElementText();
                } else {
                    testCase.skipped = xml.name() == QLatin1String("skipped");
                    xml.skipCurrentElement();
                }
            }
            suite.cases.push_back(testCase);
        }
        report.suites.push_back(suite);
    }
    report.wellFormed = !xml.hasError();
    return report;
}

}  // namespace testsupport
