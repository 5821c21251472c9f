#pragma once

#include <string>
#include <variant>

#include "automation/automation_object.h"

namespace automation {

// An owned variant value, as a late-bound read gives it back unchanged.
class AutomationValue {
public:
    struct Null {};
    using Storage = std::variant<std::monostate, Null, bool, double, std::string, AutomationObject>;

    AutomationValue() = default;
    explicit AutomationValue(Storage storage) : storage_(std::move(storage)) {}

    AutomationValue(AutomationValue&&) noexcept = default;
    AutomationValue& operator=(AutomationValue&&) noexcept = default;
    AutomationValue(const AutomationValue&) = delete;
    AutomationValue& operator=(const AutomationValue&) = delete;
    ~AutomationValue() = default;

    [[nodiscard]] bool isEmpty() const { return std::holds_alternative<std::monostate>(storage_); }
    [[nodiscard]] const Storage& storage() const { return storage_; }

    // A second value holding its own reference when the value is an object.
    [[nodiscard]] AutomationValue duplicate() const;

    // The value as a double: true gives -1, false 0, a text that reads fully
    // as a number that number, anything else 0.
    [[nodiscard]] double toNumber() const;

    // Clears the value (an object reference in it is released).
    void releaseValue() { storage_ = std::monostate{}; }

private:
    Storage storage_;
};

}  // namespace automation
