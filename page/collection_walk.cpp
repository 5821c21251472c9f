#include "page/collection_walk.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

#include "automation/automation_value.h"
#include "automation/late_bound.h"
#include "page/text_rules.h"

namespace page::walk {

namespace {

using automation::AutomationObject;
using automation::Failure;

// The first chunk is small so that a match near the start costs little; later
// chunks grow so that a long walk needs only a few round trips, up to a cap
// that keeps each reply small whatever length the collection claims.
constexpr std::int32_t kFirstChunk = 128;
constexpr std::int32_t kChunkGrowth = 4;
constexpr std::int32_t kLargestChunk = 2048;

bool passesGate(const Rule& rule, std::string_view text) {
    const std::string lowered = text::toLowerAscii(text);
    return std::any_of(
        rule.gateValues.begin(), rule.gateValues.end(),
        [&lowered](std::string_view value) { return text::equalBytes(lowered, value); });
}

// The text of a checked read; what fails without being fatal reads as empty.
std::optional<std::string> textOrEmpty(automation::Checked<std::string>&& read,
                                       std::optional<Failure>& fatal) {
    if (auto* text = std::get_if<std::string>(&read)) return std::move(*text);
    const Failure failure = std::get<Failure>(read);
    if (automation::isFatal(failure)) {
        fatal = failure;
        return std::nullopt;
    }
    return std::string();
}

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
    : collection_(collection), deadline_(std::chrono::steady_clock::now() + kDeadline) {
    auto length = automation::readNumberChecked(collection, "length");
    if (const auto* number = std::get_if<double>(&length)) {
        length_ = truncateToInt32(*number);
    } else if (automation::isFatal(std::get<Failure>(length))) {
        stopped_ = true;
    }
}

AutomationObject CollectionWalk::item(std::int32_t position) const {
    return automation::callForObject(collection_, "item", {static_cast<double>(position)});
}

bool CollectionWalk::pastDeadline() const { return std::chrono::steady_clock::now() >= deadline_; }

void CollectionWalk::stop(Failure failure) {
    stopped_ = true;
    automation::FailureScope::note(failure);
}

std::optional<Found> CollectionWalk::findOneByOne(const Rule& rule, std::int32_t from) {
    for (std::int32_t position = from; position < length_; ++position) {
        if (pastDeadline()) return std::nullopt;
        auto fetched =
            automation::callForObjectChecked(collection_, "item", {static_cast<double>(position)});
        auto* candidate = std::get_if<AutomationObject>(&fetched);
        if (!candidate) {
            if (automation::isFatal(std::get<Failure>(fetched))) stop(std::get<Failure>(fetched));
            return std::nullopt;
        }
        // No candidate at this position: the collection ends here.
        if (candidate->isEmpty()) return std::nullopt;

        std::optional<Failure> fatal;
        if (!rule.gateProperty.empty()) {
            const auto gate =
                textOrEmpty(automation::readTextChecked(*candidate, rule.gateProperty), fatal);
            if (!gate) {
                stop(*fatal);
                return std::nullopt;
            }
            if (!passesGate(rule, *gate)) continue;
        }
        std::optional<std::string> text = std::string();
        if (!rule.property.empty()) {
            text = textOrEmpty(automation::readTextChecked(*candidate, rule.property), fatal);
            if (!text) {
                stop(*fatal);
                return std::nullopt;
            }
        }
        if (rule.matches(*text)) return Found{position, std::move(*candidate)};
    }
    return std::nullopt;
}

std::optional<Found> CollectionWalk::findFirst(const Rule& rule) {
    if (collection_.isEmpty() || automation::FailureScope::current()) return std::nullopt;
    std::int32_t chunk = kFirstChunk;
    for (std::int32_t first = 0; first < length_ && !stopped_;) {
        if (pastDeadline()) return std::nullopt;
        const std::int32_t count = std::min(chunk, length_ - first);
        const automation::TextBatch batch{rule.property, first, count, rule.gateProperty,
                                          rule.gateValues};
        auto answer = collection_.remote()->readTexts(batch);
        if (const auto* failure = std::get_if<Failure>(&answer)) {
            if (automation::isFatal(*failure)) {
                stop(*failure);
                return std::nullopt;
            }
            // A model without batch reads, or an answer that cannot be
            // trusted: go on one candidate at a time from here.
            return findOneByOne(rule, first);
        }
        const auto& texts = std::get<automation::TextBatchResult>(answer);
        for (std::size_t k = 0; k < texts.positions.size(); ++k) {
            if (!rule.matches(texts.texts[k])) continue;
            auto kept = collection_.remote()->keptCandidate(static_cast<std::int32_t>(k));
            if (const auto* failure = std::get_if<Failure>(&kept)) {
                if (automation::isFatal(*failure)) stop(*failure);
                return std::nullopt;
            }
            const auto* object = std::get_if<AutomationObject>(
                &std::get<automation::AutomationValue>(kept).storage());
            if (!object || object->isEmpty()) return std::nullopt;
            return Found{texts.positions[k], object->duplicate()};
        }
        if (texts.visited < count) return std::nullopt;  // the collection ended early
        first += count;
        chunk = std::min(chunk * kChunkGrowth, kLargestChunk);
    }
    return std::nullopt;
}

}  // namespace page::walk
