#include "player/results.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>
#include <functional>

namespace player {

namespace {

QString seconds(double value) { return QString::number(value, 'f', 3); }

QString caseName(const StepResult& step) {
    return QStringLiteral("step %1, line %2: %3 %4")
        .arg(step.number)
        .arg(step.lineNumber)
        .arg(QString::fromStdString(step.kind), QString::fromStdString(step.code));
}

void writeSuite(QXmlStreamWriter& xml, const ScriptResult& result) {
    const QString suite = QFileInfo(result.path).fileName();
    const int openFailure = result.opened ? 0 : 1;
    xml.writeStartElement(QStringLiteral("testsuite"));
    xml.writeAttribute(QStringLiteral("name"), result.path);
    xml.writeAttribute(QStringLiteral("tests"),
                       QString::number(int(result.steps.size()) + openFailure));
    xml.writeAttribute(QStringLiteral("failures"),
                       QString::number(result.count(Outcome::Failed) + openFailure));
    xml.writeAttribute(QStringLiteral("errors"), QStringLiteral("0"));
    xml.writeAttribute(QStringLiteral("skipped"), QString::number(result.count(Outcome::NotRun)));
    xml.writeAttribute(QStringLiteral("time"), seconds(result.seconds));
    if (!result.opened) {
        xml.writeStartElement(QStringLiteral("testcase"));
        xml.writeAttribute(QStringLiteral("classname"), suite);
        xml.writeAttribute(QStringLiteral("name"),
                           QStringLiteral("open %1").arg(QString::fromStdString(result.address)));
        xml.writeAttribute(QStringLiteral("time"), QStringLiteral("0"));
        xml.writeStartElement(QStringLiteral("failure"));
        xml.writeAttribute(QStringLiteral("message"), result.openError);
        xml.writeEndElement();
        xml.writeEndElement();
    }
    for (const StepResult& step : result.steps) {
        xml.writeStartElement(QStringLiteral("testcase"));
        xml.writeAttribute(QStringLiteral("classname"), suite);
        xml.writeAttribute(QStringLiteral("name"), caseName(step));
        xml.writeAttribute(QStringLiteral("time"), seconds(step.seconds));
        if (step.outcome == Outcome::Failed) {
            xml.writeStartElement(QStringLiteral("failure"));
            xml.writeAttribute(QStringLiteral("message"), step.reason);
            if (!step.screenshot.isEmpty())
                xml.writeCharacters(QStringLiteral("screenshot: %1").arg(step.screenshot));
            xml.writeEndElement();
        } else if (step.outcome == Outcome::NotRun) {
            xml.writeStartElement(QStringLiteral("skipped"));
            xml.writeAttribute(QStringLiteral("message"),
                               QStringLiteral("not played after an earlier failure"));
            xml.writeEndElement();
        }
        xml.writeEndElement();
    }
    xml.writeEndElement();
}

// Writes a report at `path` whose suites `writeSuites` writes into the
// "testsuites" element; the file replaces the old one only when complete.
bool writeReport(const QString& path, QString* error,
                 const std::function<void(QXmlStreamWriter&)>& writeSuites) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error) *error = file.errorString();
        return false;
    }
    QXmlStreamWriter xml(&file);
    xml.setAutoFormatting(true);
    xml.writeStartDocument();
    xml.writeStartElement(QStringLiteral("testsuites"));
    xml.writeAttribute(QStringLiteral("name"), QStringLiteral("scriptplayer"));
    writeSuites(xml);
    xml.writeEndElement();
    xml.writeEndDocument();
    if (xml.hasError() || !file.commit()) {
        if (error) *error = file.errorString();
        return false;
    }
    return true;
}

}  // namespace

bool writeJUnitReport(const QString& path, const std::vector<ScriptResult>& results,
                      QString* error) {
    return writeReport(path, error, [&](QXmlStreamWriter& xml) {
        for (const ScriptResult& result : results) writeSuite(xml, result);
    });
}

bool mergeJUnitReports(const QString& path, const QStringList& parts, QString* error) {
    QStringList unreadable;
    const bool written = writeReport(path, error, [&](QXmlStreamWriter& xml) {
        for (const QString& part : parts) {
            QFile input(part);
            if (!input.open(QIODevice::ReadOnly)) {
                unreadable << part;
                continue;
            }
            const QByteArray bytes = input.readAll();
            // A part that is not well-formed to its end is left out whole, so
            // that it cannot leave the merged report unbalanced.
            QXmlStreamReader check(bytes);
            while (!check.atEnd()) check.readNext();
            if (check.hasError()) {
                unreadable << part;
                continue;
            }
            QXmlStreamReader reader(bytes);
            int depth = 0;  // inside a testsuite: the nesting below it
            while (!reader.atEnd()) {
                reader.readNext();
                if (depth == 0 && reader.isStartElement() &&
                    reader.name() == QLatin1String("testsuite")) {
                    depth = 1;
                    xml.writeCurrentToken(reader);
                    continue;
                }
                if (depth == 0) continue;
                if (reader.isStartElement()) ++depth;
                if (reader.isEndElement()) --depth;
                xml.writeCurrentToken(reader);
            }
        }
    });
    if (!written) return false;
    if (!unreadable.isEmpty() && error)
        *error = QStringLiteral("unreadable part reports: %1").arg(unreadable.join(", "));
    return true;
}

bool readSuiteCounts(const QString& path, SuiteCounts& counts) {
    QFile input(path);
    if (!input.open(QIODevice::ReadOnly)) return false;
    QXmlStreamReader reader(&input);
    while (reader.readNextStartElement()) {
        if (reader.name() == QLatin1String("testsuites")) continue;
        if (reader.name() != QLatin1String("testsuite")) return false;
        const QXmlStreamAttributes attributes = reader.attributes();
        counts.tests = attributes.value("tests").toInt();
        counts.failures = attributes.value("failures").toInt();
        counts.skipped = attributes.value("skipped").toInt();
        return true;
    }
    return false;
}

}  // namespace player
