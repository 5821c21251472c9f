#pragma once

#include <string>
#include <string_view>

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

}  // namespace automation
