#include "automation/late_bound.h"

#include <array>

namespace automation {

namespace {

// The member kinds each operation tries, in order.
constexpr std::array kReadKinds{MemberKind::PropertyGet, MemberKind::Method};
constexpr std::array kCallKinds{MemberKind::Method, MemberKind::PropertyGet,
                                MemberKind::PropertyPut, MemberKind::PropertyPutRef};
constexpr std::array kWriteKinds{MemberKind::PropertyPut, MemberKind::PropertyPutRef,
                                 MemberKind::Method};

constexpr std::array kPropertyKinds{MemberKind::PropertyGet};

const Arguments kNoArguments;

struct ScopeState {
    int depth = 0;
    std::optional<Failure> fatal;
};

thread_local ScopeState scope;

std::variant<AutomationValue, Failure> run(const AutomationObject& object, std::string_view name,
                                           std::span<const MemberKind> kinds,
                                           const Arguments& arguments, ResultKind wanted) {
    if (object.isEmpty()) return Failure::EmptyObject;
    if (scope.fatal) return *scope.fatal;
    auto outcome = object.remote()->invoke(Invocation{name, kinds, arguments, wanted});
    if (const auto* failure = std::get_if<Failure>(&outcome);
        failure && scope.depth > 0 && isFatal(*failure)) {
        scope.fatal = *failure;
    }
    return outcome;
}

template <typename T>
Checked<T> checked(std::variant<AutomationValue, Failure>&& outcome) {
    if (const auto* failure = std::get_if<Failure>(&outcome)) return *failure;
    const auto& storage = std::get<AutomationValue>(outcome).storage();
    if constexpr (std::is_same_v<T, AutomationObject>) {
        if (const auto* object = std::get_if<AutomationObject>(&storage))
            return object->duplicate();
        // null and primitives give an empty holder, as for callForObject.
        return AutomationObject();
    } else {
        if (const auto* result = std::get_if<T>(&storage)) return *result;
        return Failure::BadReply;
    }
}

template <typename T>
T take(std::variant<AutomationValue, Failure>&& outcome, T fallback) {
    auto* value = std::get_if<AutomationValue>(&outcome);
    if (!value) return fallback;
    // The storage is const; objects are moved out through a duplicate.
    if constexpr (std::is_same_v<T, AutomationObject>) {
        if (const auto* object = std::get_if<AutomationObject>(&value->storage()))
            return object->duplicate();
        return fallback;
    } else {
        if (const auto* result = std::get_if<T>(&value->storage())) return *result;
        return fallback;
    }
}

}  // namespace

FailureScope::FailureScope() : outermost_(scope.depth == 0) {
    if (outermost_) scope.fatal.reset();
    ++scope.depth;
}

FailureScope::~FailureScope() {
    --scope.depth;
    if (outermost_) scope.fatal.reset();
}

std::optional<Failure> FailureScope::current() { return scope.fatal; }

void FailureScope::note(Failure failure) {
    if (scope.depth > 0 && isFatal(failure) && !scope.fatal) scope.fatal = failure;
}

AutomationValue readProperty(const AutomationObject& object, std::string_view name) {
    auto outcome = run(object, name, kPropertyKinds, kNoArguments, ResultKind::Value);
    if (auto* value = std::get_if<AutomationValue>(&outcome)) return std::move(*value);
    return {};
}

Checked<std::string> readTextChecked(const AutomationObject& object, std::string_view name) {
    return checked<std::string>(run(object, name, kReadKinds, kNoArguments, ResultKind::Text));
}

Checked<double> readNumberChecked(const AutomationObject& object, std::string_view name) {
    return checked<double>(run(object, name, kReadKinds, kNoArguments, ResultKind::Number));
}

Checked<AutomationObject> callForObjectChecked(const AutomationObject& object,
                                               std::string_view name, const Arguments& arguments) {
    return checked<AutomationObject>(run(object, name, kCallKinds, arguments, ResultKind::Object));
}

std::string readText(const AutomationObject& object, std::string_view name) {
    return take<std::string>(run(object, name, kReadKinds, kNoArguments, ResultKind::Text), {});
}

std::string readText(const AutomationObject& object, std::string_view name,
                     std::string_view argument) {
    const Arguments arguments{std::string(argument)};
    return take<std::string>(run(object, name, kReadKinds, arguments, ResultKind::Text), {});
}

double readNumber(const AutomationObject& object, std::string_view name) {
    return take<double>(run(object, name, kReadKinds, kNoArguments, ResultKind::Number), 0.0);
}

AutomationObject readObject(const AutomationObject& object, std::string_view name) {
    return take<AutomationObject>(run(object, name, kReadKinds, kNoArguments, ResultKind::Object),
                                  {});
}

AutomationObject readObject(const AutomationObject& object, std::string_view name,
                            double argument) {
    const Arguments arguments{argument};
    return take<AutomationObject>(run(object, name, kReadKinds, arguments, ResultKind::Object), {});
}

AutomationValue readValue(const AutomationObject& object, std::string_view name) {
    auto outcome = run(object, name, kReadKinds, kNoArguments, ResultKind::Value);
    if (auto* value = std::get_if<AutomationValue>(&outcome)) return std::move(*value);
    return {};
}

void callMethod(const AutomationObject& object, std::string_view name, const Arguments& arguments) {
    run(object, name, kCallKinds, arguments, ResultKind::None);
}

bool callForBool(const AutomationObject& object, std::string_view name,
                 const Arguments& arguments) {
    return take<bool>(run(object, name, kCallKinds, arguments, ResultKind::Boolean), false);
}

AutomationObject callForObject(const AutomationObject& object, std::string_view name,
                               const Arguments& arguments) {
    return take<AutomationObject>(run(object, name, kCallKinds, arguments, ResultKind::Object), {});
}

bool writeProperty(const AutomationObject& object, std::string_view name, const Argument& value) {
    const Arguments arguments{value};
    return std::holds_alternative<AutomationValue>(
        run(object, name, kWriteKinds, arguments, ResultKind::None));
}

}  // namespace automation
