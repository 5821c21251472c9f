#include "script/script_format.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>
#include <array>

#include "page/text_rules.h"
#include "platform/code_page.h"

namespace script {

namespace {

struct KindRow {
    std::string_view text;
    Kind kind;
};

constexpr std::array<KindRow, 5> kKinds{{
    {kFillText, Kind::FillText},
    {kFillTitle, Kind::FillTitle},
    {kClickLink, Kind::ClickLink},
    {kClickButton, Kind::ClickButton},
    {kRunScript, Kind::RunScript},
}};

constexpr std::size_t kMinimumFields = 4;

bool isBlank(const QString& line) { return line.trimmed().isEmpty(); }

// The text of one line, or nothing when its bytes are not GB18030. A line
// never holds a LF, and no GB18030 character has a LF or CR byte, so lines
// can be cut before decoding.
bool decodeLine(const QByteArray& bytes, QString& text) {
    QStringDecoder decoder("GB18030", QStringDecoder::Flag::Stateless);
    text = decoder.decode(bytes);
    return !decoder.hasError();
}

QString fromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

void parseStep(int lineNumber, const QString& line, Script& script) {
    const std::string text = line.toStdString();
    std::vector<std::string_view> fields;
    std::string_view rest = text;
    for (;;) {
        const std::size_t bar = rest.find('|');
        fields.push_back(rest.substr(0, bar));
        if (bar == std::string_view::npos) break;
        rest.remove_prefix(bar + 1);
    }
    if (fields.size() < kMinimumFields) {
        script.problems.push_back(
            {lineNumber, QStringLiteral("expected kind|code|code kind|seconds, found %1 field%2")
                             .arg(fields.size())
                             .arg(fields.size() == 1 ? "" : "s")});
        return;
    }
    Step step;
    step.lineNumber = lineNumber;
    step.kindText = std::string(fields.front());
    if (!kindFromText(step.kindText, step.kind)) {
        script.problems.push_back(
            {lineNumber, QStringLiteral("unknown kind \"%1\" (known: 填表文本, 填表标题, 点击链接, "
                                        "点击按钮, 执行脚本)")
                             .arg(fromUtf8(step.kindText))});
        return;
    }
    step.secondsText = std::string(fields.back());
    step.codeKindText = std::string(fields[fields.size() - 2]);
    // The code is everything between the kind and the code kind, so a code
    // with "|" in it (a script with "||") comes back whole.
    const std::size_t codeStart = step.kindText.size() + 1;
    const std::size_t codeEnd =
        text.size() - step.secondsText.size() - 1 - step.codeKindText.size() - 1;
    step.code = text.substr(codeStart, codeEnd - codeStart);
    step.codeKind = page::text::toInteger(step.codeKindText);
    step.seconds = page::text::toInteger(step.secondsText);
    script.steps.push_back(std::move(step));
}

}  // namespace

std::string composeLine(std::string_view kind, std::string_view code, std::string_view codeKind,
                        std::string_view seconds) {
    std::string line;
    line.reserve(kind.size() + code.size() + codeKind.size() + seconds.size() + 5);
    line.append(kind).append("|").append(code).append("|").append(codeKind).append("|");
    line.append(seconds).append("\r\n");
    return line;
}

QByteArray encodeScript(std::string_view text) {
    return QByteArray::fromStdString(platform::utf8ToCodePage(text));
}

bool writeScriptFile(const QString& path, const QByteArray& bytes, QString* error) {
    QSaveFile file(path);
    const bool written =
        file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
    if (!written && error) *error = file.errorString();
    return written;
}

bool kindFromText(std::string_view text, Kind& kind) {
    for (const KindRow& row : kKinds) {
        if (page::text::equalBytes(text, row.text)) {
            kind = row.kind;
            return true;
        }
    }
    return false;
}

std::string_view kindText(Kind kind) {
    for (const KindRow& row : kKinds)
        if (row.kind == kind) return row.text;
    return {};
}

Script parseScript(const QByteArray& bytes) {
    Script script;
    const QList<QByteArray> lines = bytes.split('\n');
    for (qsizetype index = 0; index < lines.size(); ++index) {
        const int lineNumber = int(index) + 1;
        QByteArray raw = lines[index];
        if (raw.endsWith('\r')) raw.chop(1);
        QString line;
        if (!decodeLine(raw, line)) {
            script.problems.push_back(
                {lineNumber, QStringLiteral("the line is not valid GB18030 text")});
            // It still takes its place: the line after it is not the address.
            if (script.addressLine == 0) script.addressLine = lineNumber;
            continue;
        }
        if (isBlank(line)) continue;
        if (script.addressLine == 0) {
            script.addressLine = lineNumber;
            script.address = line.trimmed().toStdString();
            continue;
        }
        parseStep(lineNumber, line, script);
    }
    if (script.addressLine == 0)
        script.problems.push_back({0, QStringLiteral("no page address: the script is empty")});
    return script;
}

Script readScriptFile(const QString& path) {
    QFile file(path);
    if (!file.exists()) {
        Script script;
        script.problems.push_back({0, QStringLiteral("no such file")});
        return script;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        Script script;
        script.problems.push_back({0, QStringLiteral("cannot read: %1").arg(file.errorString())});
        return script;
    }
    return parseScript(file.readAll());
}

}  // namespace script
