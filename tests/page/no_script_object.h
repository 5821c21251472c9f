#pragma once

// A view of a real page's objects that runs no script of its own: every
// late-bound call goes through to the real object, but runFunction answers
// NotBound, as a model without a script engine does. Objects that calls hand
// back are wrapped the same way, so a whole operation sees only such
// objects. Tests and benchmarks use it to drive the one-candidate-at-a-time
// walk against a real browser.
#include <memory>
#include <optional>
#include <variant>
#include <vector>

#include "automation/automation_object.h"
#include "automation/automation_value.h"
#include "automation/remote_object.h"

namespace testsupport {

class NoScriptObject : public automation::RemoteObject {
public:
    explicit NoScriptObject(std::shared_ptr<automation::RemoteObject> inner)
        : inner_(std::move(inner)) {}

    static automation::AutomationObject wrap(const automation::AutomationObject& object) {
        if (object.isEmpty()) return {};
        return automation::AutomationObject(std::make_shared<NoScriptObject>(object.remote()));
    }

    // Late-bound calls made through these objects so far, for tests that
    // count how far an operation went.
    static inline long invocations = 0;

    std::variant<automation::AutomationValue, automation::Failure> invoke(
        const automation::Invocation& invocation) override {
        ++invocations;
        // Object arguments are handed to the real model as its own objects;
        // values passed by reference travel as unwrapped copies and come back.
        std::vector<automation::AutomationObject> unwrapped;
        std::vector<automation::AutomationValue> values;
        unwrapped.reserve(invocation.arguments.size());
        values.reserve(invocation.arguments.size());
        automation::Arguments arguments;
        std::vector<std::pair<automation::AutomationValue*, std::size_t>> writeBack;
        for (const auto& argument : invocation.arguments) {
            if (const auto* object =
                    std::get_if<std::reference_wrapper<const automation::AutomationObject>>(
                        &argument)) {
                unwrapped.push_back(unwrap(object->get()));
                arguments.emplace_back(std::cref(unwrapped.back()));
            } else if (const auto* value =
                           std::get_if<std::reference_wrapper<automation::AutomationValue>>(
                               &argument)) {
                values.push_back(unwrapValue(value->get()));
                arguments.emplace_back(std::ref(values.back()));
                writeBack.emplace_back(&value->get(), values.size() - 1);
            } else {
                arguments.push_back(argument);
            }
        }
        const automation::Invocation forwarded{invocation.name, invocation.kinds, arguments,
                                               invocation.wanted};
        auto result = inner_->invoke(forwarded);
        for (auto [original, index] : writeBack) *original = wrapValue(values[index]);
        if (auto* value = std::get_if<automation::AutomationValue>(&result)) {
            return wrapValue(*value);
        }
        return result;
    }

    std::variant<automation::AutomationValue, automation::Failure> runFunction(
        std::string_view, const automation::Arguments&, automation::ResultKind) override {
        return automation::Failure::NotBound;
    }

private:
    static automation::AutomationObject unwrap(const automation::AutomationObject& object) {
        if (const auto* wrapped = dynamic_cast<const NoScriptObject*>(object.remote().get())) {
            return automation::AutomationObject(wrapped->inner_);
        }
        return object.duplicate();
    }

    static automation::AutomationValue unwrapValue(const automation::AutomationValue& value) {
        if (const auto* object = std::get_if<automation::AutomationObject>(&value.storage())) {
            return automation::AutomationValue(unwrap(*object));
        }
        return value.duplicate();
    }

    static automation::AutomationValue wrapValue(const automation::AutomationValue& value) {
        if (const auto* object = std::get_if<automation::AutomationObject>(&value.storage())) {
            return automation::AutomationValue(wrap(*object));
        }
        return value.duplicate();
    }

    std::shared_ptr<automation::RemoteObject> inner_;
};

}  // namespace testsupport
