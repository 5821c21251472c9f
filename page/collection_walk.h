#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "automation/automation_object.h"

// The collection walk that the locating operations share: the length is read
// once, candidates are visited in the collection's order from the first, and
// the first candidate that passes ends the walk.
//
// Where the collection's model runs script, the texts of many candidates are
// read in the page in one round trip, a chunk at a time, and compared here
// with the shared text rules; a walk over thousands of elements then costs a
// handful of round trips instead of thousands. A model that runs no script
// (or a page whose answer cannot be trusted) is walked one candidate at a
// time with the plain late-bound reads, in the same order.
namespace page::walk {

// A number read from the document as a 32-bit count: truncated toward zero;
// what is not a finite number gives 0, and values beyond the range clamp.
std::int32_t truncateToInt32(double value);

// What a walk tests on each candidate.
struct Rule {
    // When set, the candidate's text `gateProperty` is read first and only
    // candidates for which `gate` holds are tested further; the others are
    // skipped without reading anything more.
    std::string_view gateProperty;
    std::function<bool(std::string_view)> gate;
    // The text compared; when empty nothing more is read and `matches` gets
    // the empty text. `matches` is called in walk order and may keep count.
    std::string_view property;
    std::function<bool(std::string_view)> matches;
};

struct Found {
    std::int32_t position = -1;              // 0-based position in the collection
    automation::AutomationObject candidate;  // the candidate, when the walk holds it
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
    // Texts of `name` for the given positions, read in the page. Nothing when
    // the model cannot run the read or its answer is malformed.
    std::optional<std::vector<std::string>> readInPage(std::string_view name, std::int32_t first,
                                                       std::int32_t count,
                                                       std::span<const std::int32_t> picked);
    std::optional<Found> findOneByOne(const Rule& rule, std::int32_t from);

    const automation::AutomationObject& collection_;
    std::int32_t length_ = 0;
    bool stopped_ = false;  // the model failed in a way that reading on cannot mend
};

}  // namespace page::walk
