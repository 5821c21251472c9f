#include "automation/automation_value.h"

#include <charconv>
#include <cmath>

namespace automation {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

// A text that reads fully as a decimal number, blanks around it allowed.
double textToNumber(std::string_view text) {
    while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
        if (!text.empty() && text.front() == '-') return 0;
    }
    if (text.empty()) return 0;
    double number = 0;
    const auto [end, error] =
        std::from_chars(text.data(), text.data() + text.size(), number, std::chars_format::general);
    if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(number))
        return 0;
    return number;
}

}  // namespace

AutomationValue AutomationValue::duplicate() const {
    return std::visit(
        [](const auto& held) -> AutomationValue {
            using T = std::decay_t<decltype(held)>;
            if constexpr (std::is_same_v<T, AutomationObject>)
                return AutomationValue(held.duplicate());
            else
                return AutomationValue(held);
        },
        storage_);
}

double AutomationValue::toNumber() const {
    if (const bool* truth = std::get_if<bool>(&storage_)) return *truth ? -1 : 0;
    if (const double* number = std::get_if<double>(&storage_)) return *number;
    if (const auto* text = std::get_if<std::string>(&storage_)) return textToNumber(*text);
    return 0;
}

}  // namespace automation
