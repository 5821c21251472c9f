#include "page/collection_walk.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <cmath>
#include <limits>

#include "automation/late_bound.h"

namespace page::walk {

namespace {

using automation::AutomationObject;
using automation::Failure;

// The first chunk is small so that a match near the start costs little; later
// chunks grow so that a long walk needs only a few round trips.
constexpr std::int32_t kFirstChunk = 128;
constexpr std::int32_t kChunkGrowth = 4;

const std::string& walkSource() {
    static const std::string source = [] {
        QFile file(QStringLiteral(":/page/collection_walk.js"));
        if (!file.open(QIODevice::ReadOnly)) return std::string();
        return file.readAll().toStdString();
    }();
    return source;
}

enum class PageRead { Done, OneByOne, Stop };

}  // namespace

std::int32_t truncateToInt32(double value) {
    if (!std::isfinite(value)) return 0;
    const double truncated = std::trunc(value);
    if (truncated >= static_cast<double>(std::numeric_limits<std::int32_t>::max())) {
        return std::numeric_limits<std::int32_t>::max();
    }
    if (truncated <= static_cast<double>(std::numeric_limits<std::int32_t>::min())) {
        return std::numeric_limits<std::int32_t>::min();
    }
    return static_cast<std::int32_t>(truncated);
}

CollectionWalk::CollectionWalk(const AutomationObject& collection)
    : collection_(collection),
      length_(truncateToInt32(automation::readNumber(collection, "length"))) {}

AutomationObject CollectionWalk::item(std::int32_t position) const {
    return automation::callForObject(collection_, "item", {static_cast<double>(position)});
}

std::optional<std::vector<std::string>> CollectionWalk::readInPage(
    std::string_view name, std::int32_t first, std::int32_t count,
    std::span<const std::int32_t> picked) {
    const std::string& source = walkSource();
    if (source.empty() || collection_.isEmpty()) return std::nullopt;

    std::string pickedJson;
    std::size_t expected = static_cast<std::size_t>(count);
    if (!picked.empty()) {
        QJsonArray positions;
        for (std::int32_t position : picked) positions.append(position);
        pickedJson = QJsonDocument(positions).toJson(QJsonDocument::Compact).toStdString();
        expected = picked.size();
    }
    auto answer = collection_.remote()->runFunction(
        source, {std::string(name), first, count, pickedJson}, automation::ResultKind::Text);
    if (const auto* failure = std::get_if<Failure>(&answer)) {
        // A model that runs no script, or a page whose script broke, is still
        // walked one candidate at a time; a gone or hung browser is not.
        if (*failure != Failure::NotBound && *failure != Failure::Threw &&
            *failure != Failure::BadReply) {
            stopped_ = true;
        }
        return std::nullopt;
    }
    const auto& storage = std::get<automation::AutomationValue>(answer).storage();
    const auto* json = std::get_if<std::string>(&storage);
    if (json == nullptr) return std::nullopt;
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(*json));
    if (!document.isArray()) return std::nullopt;
    const QJsonArray array = document.array();
    if (static_cast<std::size_t>(array.size()) != expected) return std::nullopt;
    std::vector<std::string> texts;
    texts.reserve(expected);
    for (const auto& entry : array) {
        if (!entry.isString()) return std::nullopt;
        texts.push_back(entry.toString().toStdString());
    }
    return texts;
}

std::optional<Found> CollectionWalk::findOneByOne(const Rule& rule, std::int32_t from) {
    for (std::int32_t position = from; position < length_; ++position) {
        AutomationObject candidate = item(position);
        if (!rule.gateProperty.empty() &&
            !rule.gate(automation::readText(candidate, rule.gateProperty))) {
            continue;
        }
        const std::string text =
            rule.property.empty() ? std::string() : automation::readText(candidate, rule.property);
        if (rule.matches(text)) return Found{position, std::move(candidate)};
    }
    return std::nullopt;
}

std::optional<Found> CollectionWalk::findFirst(const Rule& rule) {
    std::int32_t chunk = kFirstChunk;
    for (std::int32_t first = 0; first < length_ && !stopped_;) {
        const std::int32_t count = std::min(chunk, length_ - first);

        // The positions this chunk tests, after the gate where there is one.
        std::vector<std::int32_t> tested;
        if (!rule.gateProperty.empty()) {
            auto gateTexts = readInPage(rule.gateProperty, first, count, {});
            if (!gateTexts) return stopped_ ? std::nullopt : findOneByOne(rule, first);
            for (std::int32_t k = 0; k < count; ++k) {
                if (rule.gate((*gateTexts)[static_cast<std::size_t>(k)]))
                    tested.push_back(first + k);
            }
        } else {
            tested.resize(static_cast<std::size_t>(count));
            for (std::int32_t k = 0; k < count; ++k)
                tested[static_cast<std::size_t>(k)] = first + k;
        }

        std::vector<std::string> texts(tested.size());
        if (!rule.property.empty() && !tested.empty()) {
            auto read = rule.gateProperty.empty() ? readInPage(rule.property, first, count, {})
                                                  : readInPage(rule.property, 0, 0, tested);
            if (!read) return stopped_ ? std::nullopt : findOneByOne(rule, first);
            texts = std::move(*read);
        }
        for (std::size_t k = 0; k < tested.size(); ++k) {
            if (rule.matches(texts[k])) return Found{tested[k], AutomationObject()};
        }

        first += count;
        if (chunk <= std::numeric_limits<std::int32_t>::max() / kChunkGrowth) chunk *= kChunkGrowth;
    }
    return std::nullopt;
}

}  // namespace page::walk
