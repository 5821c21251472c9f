#include "automation/remote_object.h"

#include "automation/automation_value.h"

namespace automation {

std::variant<AutomationValue, Failure> RemoteObject::runFunction(std::string_view /*source*/,
                                                                 const Arguments& /*arguments*/,
                                                                 ResultKind /*wanted*/) {
    return Failure::NotBound;
}

std::variant<TextBatchResult, Failure> RemoteObject::readTexts(const TextBatch& /*batch*/) {
    return Failure::NotBound;
}

std::variant<AutomationValue, Failure> RemoteObject::keptCandidate(std::int32_t /*index*/) {
    return Failure::NotBound;
}

}  // namespace automation
