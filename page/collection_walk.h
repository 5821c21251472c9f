#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string_view>

#include "automation/automation_object.h"

// The collection walk that the locating operations share: the length is read
// once, candidates are visited in the collection's order from the first, and
// the first candidate that passes ends the walk. The walk hands back the
// candidate it tested, never a second fetch of its position, so a page that
// changes the collection meanwhile cannot get another element chosen.
//
// Where the collection's model can, the texts of many candidates are read by
// the model's batch read (the binder in a browser page), a chunk at a time,
// and compared here with the shared text rules; a walk over thousands of
// elements then costs a handful of round trips instead of thousands. A model
// without batch reads is walked one candidate at a time with the plain
// late-bound reads, in the same order and with the same texts.
//
// A walk ends early, without a match:
// - at the first position that gives no candidate (the collection is shorter
//   than its length said);
// - at the first time-out or lost browser (automation::isFatal), which the
//   surrounding automation::FailureScope then carries;
// - when its overall deadline has passed.
namespace page::walk {

// A number read from the document as a 32-bit count: truncated toward zero;
// what is not a finite number gives 0, and values beyond the range clamp.
std::int32_t truncateToInt32(double value);

// How long one walk may take in all, whatever each call's own bound.
inline constexpr std::chrono::milliseconds kDeadline{60000};

// What a walk tests on each candidate.
struct Rule {
    // When set, the candidate's text `gateProperty` is read first and only
    // candidates whose gate text, letters A to Z lower-cased, equals one of
    // `gateValues` (given in lower case) are tested further; the others are
    // skipped without reading anything more.
    std::string_view gateProperty;
    std::span<const std::string_view> gateValues;
    // The text compared; when empty nothing more is read and `matches` gets
    // the empty text. `matches` is called in walk order and may keep count.
    std::string_view property;
    std::function<bool(std::string_view)> matches;
};

struct Found {
    std::int32_t position = -1;              // 0-based position in the collection
    automation::AutomationObject candidate;  // the candidate that passed
};

class CollectionWalk {
public:
    // Reads "length" of `collection` once; the collection is borrowed and
    // must outlive the walk.
    explicit CollectionWalk(const automation::AutomationObject& collection);

    [[nodiscard]] std::int32_t length() const { return length_; }

    // The first candidate that passes `rule`, or nothing.
    std::optional<Found> findFirst(const Rule& rule);

    // The candidate at a 0-based position ("item" with the position as a
    // double-precision number).
    [[nodiscard]] automation::AutomationObject item(std::int32_t position) const;

private:
    std::optional<Found> findOneByOne(const Rule& rule, std::int32_t from);
    [[nodiscard]] bool pastDeadline() const;
    void stop(automation::Failure failure);

    const automation::AutomationObject& collection_;
    std::int32_t length_ = 0;
    std::chrono::steady_clock::time_point deadline_;
    bool stopped_ = false;  // the model failed in a way that reading on cannot mend
};

}  // namespace page::walk
