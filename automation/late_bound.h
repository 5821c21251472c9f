#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "automation/automation_object.h"
#include "automation/automation_value.h"
#include "automation/remote_object.h"

// Late-bound access to an object's members by name. Names bind without regard
// to letter case ("ID" reaches id) after an exact match is tried first. Every
// failure, whatever its cause, gives the empty value of the operation's kind:
// the empty text, 0, an empty holder, an empty value or false.
//
// In a browser page the conversions run in the page (automation/binder.js):
// a truth value read as text gives "true" or "false"; null and undefined
// give the empty text; a number read from a text must be a whole decimal
// number, blanks around it allowed. A value passed by reference travels as
// its value and is not written back (script members have no output
// parameters).
namespace automation {

std::string readText(const AutomationObject& object, std::string_view name);
std::string readText(const AutomationObject& object, std::string_view name,
                     std::string_view argument);
double readNumber(const AutomationObject& object, std::string_view name);
AutomationObject readObject(const AutomationObject& object, std::string_view name);
AutomationObject readObject(const AutomationObject& object, std::string_view name, double argument);
AutomationValue readValue(const AutomationObject& object, std::string_view name);

void callMethod(const AutomationObject& object, std::string_view name,
                const Arguments& arguments = {});
bool callForBool(const AutomationObject& object, std::string_view name,
                 const Arguments& arguments = {});
AutomationObject callForObject(const AutomationObject& object, std::string_view name,
                               const Arguments& arguments = {});

bool writeProperty(const AutomationObject& object, std::string_view name, const Argument& value);

// A property read only (no method is called): the value of a getter or a
// data member that is not a function; an empty value otherwise.
AutomationValue readProperty(const AutomationObject& object, std::string_view name);

// The same reads, telling why they failed: for callers that must stop at a
// time-out or a lost browser (isFatal) rather than take the empty value and
// go on.
template <typename T>
using Checked = std::variant<T, Failure>;

Checked<std::string> readTextChecked(const AutomationObject& object, std::string_view name);
Checked<double> readNumberChecked(const AutomationObject& object, std::string_view name);
Checked<AutomationObject> callForObjectChecked(const AutomationObject& object,
                                               std::string_view name,
                                               const Arguments& arguments = {});

// While one lives on this thread, the first call that fails fatally (a
// time-out, a lost browser) makes every later late-bound call on this thread
// fail at once with the same failure, without a round trip, until the
// outermost scope ends. A page operation of several calls opens one, so it
// costs one bound at most. Scopes nest; the inner ones share the outer one's
// state.
class FailureScope {
public:
    FailureScope();
    ~FailureScope();
    FailureScope(const FailureScope&) = delete;
    FailureScope& operator=(const FailureScope&) = delete;

    // The fatal failure met so far in the outermost scope, if any.
    [[nodiscard]] static std::optional<Failure> current();
    // Records a failure met outside the late-bound calls (a batch read).
    static void note(Failure failure);

private:
    bool outermost_;
};

}  // namespace automation
