#include "app/page_marks.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <cctype>

#include "automation/automation_value.h"

namespace app::marks {
namespace {

using automation::AutomationObject;
using automation::Failure;

const std::string& marksSource() {
    static const std::string source = [] {
        QFile file(QStringLiteral(":/app/resources/page_marks.js"));
        if (!file.open(QIODevice::ReadOnly)) return std::string();
        return file.readAll().trimmed().toStdString();
    }();
    return source;
}

// The name of the marks' state in each window: random, fixed for the life
// of the process.
const std::string& stateKey() {
    static const std::string key = [] {
        QRandomGenerator* random = QRandomGenerator::system();
        return QStringLiteral("__m%1")
            .arg(random->generate64(), 16, 16, QLatin1Char('0'))
            .toStdString();
    }();
    return key;
}

std::variant<std::string, Failure> run(const AutomationObject& object, const char* action,
                                       std::int32_t x = 0, std::int32_t y = 0,
                                       bool highlight = false) {
    if (object.isEmpty()) return Failure::EmptyObject;
    if (marksSource().empty()) return Failure::NotBound;
    auto answer = object.remote()->runFunction(
        marksSource(), {std::string(action), stateKey(), x, y, std::int32_t(highlight ? 1 : 0)},
        automation::ResultKind::Text);
    if (const auto* failure = std::get_if<Failure>(&answer)) return *failure;
    const auto* text =
        std::get_if<std::string>(&std::get<automation::AutomationValue>(answer).storage());
    if (text == nullptr) return Failure::BadReply;
    return *text;
}

bool ran(const std::variant<std::string, Failure>& answer, const char* expected) {
    const auto* text = std::get_if<std::string>(&answer);
    return text != nullptr && *text == expected;
}

std::optional<std::string> textField(const QJsonObject& object, const char* name) {
    const QJsonValue value = object.value(QLatin1String(name));
    if (!value.isString()) return std::nullopt;
    return value.toString().toStdString();
}

std::optional<int> countField(const QJsonObject& object, const char* name) {
    const QJsonValue value = object.value(QLatin1String(name));
    if (!value.isDouble()) return std::nullopt;
    const double number = value.toDouble();
    if (number < -1 || number > 1e9 || number != double(int(number))) return std::nullopt;
    return int(number);
}

// The page's answer, checked field by field: anything out of shape is no
// answer at all.
std::optional<ElementReading> parseReading(const std::string& json) {
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(json));
    if (!document.isObject()) return std::nullopt;
    const QJsonObject object = document.object();
    if (!object.value("found").isBool()) return std::nullopt;
    ElementReading reading;
    if (!object.value("found").toBool()) return reading;
    reading.found = true;
    const auto id = textField(object, "id");
    const auto name = textField(object, "name");
    const auto inner = textField(object, "innerText");
    const auto outer = textField(object, "outerHTML");
    const auto tag = textField(object, "tag");
    const auto control = textField(object, "control");
    const auto depth = countField(object, "frameDepth");
    const QJsonValue crossOrigin = object.value("crossOriginFrame");
    const QJsonObject counts = object.value("counts").toObject();
    const auto byId = countField(counts, "id");
    const auto byName = countField(counts, "name");
    const auto byTitle = countField(counts, "title");
    const auto byAddress = countField(counts, "address");
    if (!id || !name || !inner || !outer || !tag || !control || !depth || *depth < 0 ||
        !crossOrigin.isBool() || !byId || !byName || !byTitle || !byAddress) {
        return std::nullopt;
    }
    reading.id = *id;
    reading.name = *name;
    reading.innerText = *inner;
    reading.outerHtml = *outer;
    reading.tag = *tag;
    reading.control = *control == "link"     ? Control::Link
                      : *control == "button" ? Control::Button
                                             : Control::Other;
    reading.frameDepth = *depth;
    reading.crossOriginFrame = crossOrigin.toBool();
    reading.counts = {*byId, *byName, *byTitle, *byAddress};
    return reading;
}

}  // namespace

std::variant<ElementReading, Failure> pickAt(const AutomationObject& document, std::int32_t x,
                                             std::int32_t y, bool highlight) {
    const auto answer = run(document, "pick", x, y, highlight);
    if (const auto* failure = std::get_if<Failure>(&answer)) return *failure;
    if (auto reading = parseReading(std::get<std::string>(answer))) return *std::move(reading);
    return Failure::BadReply;
}

bool clearOutline(const AutomationObject& document) {
    return std::holds_alternative<std::string>(run(document, "clear"));
}

bool flash(const AutomationObject& element) { return ran(run(element, "flash"), "flashed"); }

bool watchClicks(const AutomationObject& document) {
    return ran(run(document, "watchClicks"), "watching");
}

bool flashClicked(const AutomationObject& document) {
    return ran(run(document, "flashClicked"), "flashed");
}

bool looksGenerated(std::string_view id) {
    std::size_t digits = 0, hex = 0, hexDigits = 0, hexLetters = 0;
    for (const char c : id) {
        const auto u = static_cast<unsigned char>(c);
        digits = std::isdigit(u) ? digits + 1 : 0;
        if (std::isxdigit(u)) {
            ++hex;
            (std::isdigit(u) ? hexDigits : hexLetters) += 1;
        } else {
            hex = hexDigits = hexLetters = 0;
        }
        if (digits >= 5) return true;
        if (hex >= 8 && hexDigits > 0 && hexLetters > 0) return true;
    }
    return false;
}

}  // namespace app::marks
