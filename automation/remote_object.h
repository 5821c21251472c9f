#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace automation {

class AutomationObject;
class AutomationValue;

// The kinds of member a late-bound call may bind to. Each operation tries its
// kinds in a fixed order; the first kind that binds is the one invoked.
enum class MemberKind {
    PropertyGet,  // an accessor with a getter, or a data property that is not a function
    Method,       // a data property whose value is a function
    PropertyPut,  // an accessor with a setter, or a writable data property that is not a function
    PropertyPutRef,  // as PropertyPut; kept apart because callers list it separately
};

// What the caller wants back; the conversion runs where the value lives.
enum class ResultKind {
    None,     // nothing: the result is dropped without being converted
    Text,     // the value as text (null and undefined give the empty text)
    Number,   // the value as a double (true gives -1; what does not convert fails)
    Object,   // a new remote object (null and primitives give an empty holder)
    Boolean,  // the value's truth (non-zero numbers are true)
    Value,    // the value itself, objects as new remote objects
};

// One argument of a late-bound call. Objects and values are borrowed for the
// duration of the call; a value passed by reference may be written back.
using Argument =
    std::variant<std::string, std::int32_t, double, std::reference_wrapper<const AutomationObject>,
                 std::reference_wrapper<AutomationValue>>;
using Arguments = std::vector<Argument>;

struct Invocation {
    std::string_view name;
    std::span<const MemberKind> kinds;
    const Arguments& arguments;
    ResultKind wanted;
};

// Why a call failed. The public operations turn every failure into the empty
// value of their kind; the reason is kept for tests and diagnostics.
enum class Failure {
    EmptyObject,   // the holder held nothing
    NotBound,      // no member of that name and kind
    Threw,         // the member threw, or a conversion failed
    Disconnected,  // the browser is gone or the object's document died
    TimedOut,      // no answer within the call's time bound
    Reentered,     // a call was made while another one was still waiting
    BadReply,      // the browser answered something malformed
};

// Whether a failure means that the object's model cannot answer now: a walk
// or an operation of several calls stops at the first such failure instead
// of paying the same bound again for every step that is left.
constexpr bool isFatal(Failure failure) {
    return failure == Failure::Disconnected || failure == Failure::TimedOut ||
           failure == Failure::Reentered;
}

// A batch read over a collection: the text of member `name` of the
// candidates at positions first .. first + count - 1 (the collection's
// "item" with each position), read as readText reads it, in one call. When
// `gateName` is set, its text is read first and only the candidates whose
// gate text, letters A to Z lower-cased, equals one of `gateValues` (lower
// case) are kept; the others are skipped without reading anything more. An
// empty `name` reads no text (the kept candidates get empty texts). A text
// that cannot be read is the empty text; texts end at their first NUL.
struct TextBatch {
    std::string_view name;
    std::int32_t first = 0;
    std::int32_t count = 0;
    std::string_view gateName;
    std::span<const std::string_view> gateValues;
};

struct TextBatchResult {
    // Candidates visited: fewer than asked when a position gave no candidate
    // (the collection ended there).
    std::int32_t visited = 0;
    std::vector<std::int32_t> positions;  // the kept candidates, in order
    std::vector<std::string> texts;       // their texts, one for each position
};

// One object living in some object model (a browser's page, or a test model).
// Implementations release the object in its model when they are destroyed.
class RemoteObject {
public:
    virtual ~RemoteObject() = default;

    // Binds `name` with the kinds of the invocation, in order, invokes the
    // first kind that binds and converts the result as wanted. Never throws.
    virtual std::variant<AutomationValue, Failure> invoke(const Invocation& invocation) = 0;

    // Runs a function of the object's model with the object as `this`, in
    // one round trip: `source` is a JavaScript function expression, called
    // with the arguments converted as for invoke(). This is how a layer above
    // runs a whole walk over a collection where the objects live instead of
    // one call per element. Models that run no script answer NotBound.
    virtual std::variant<AutomationValue, Failure> runFunction(std::string_view source,
                                                               const Arguments& arguments,
                                                               ResultKind wanted);

    // Reads texts of many candidates of this collection in one round trip
    // (see TextBatch). Models that cannot answer NotBound, and the caller
    // reads one candidate at a time instead.
    virtual std::variant<TextBatchResult, Failure> readTexts(const TextBatch& batch);

    // The candidate kept at `index` (0-based, in the order of `positions`)
    // by the last readTexts on this collection: the very object whose text
    // was read, whatever the collection holds now. An empty holder when
    // there is none. Models without batch reads answer NotBound.
    virtual std::variant<AutomationValue, Failure> keptCandidate(std::int32_t index);
};

}  // namespace automation
