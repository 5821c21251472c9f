#pragma once

#include <memory>

#include "automation/remote_object.h"

namespace automation {

// An owned, counted reference to one late-bound object, or none (empty).
//
// Holders are move-only: a second reference is made explicitly with
// duplicate(). The object is released in its model when the last holder that
// refers to it lets go (release(), reassignment or destruction). Releasing an
// empty holder, or releasing twice, does nothing.
class AutomationObject {
public:
    AutomationObject() = default;
    explicit AutomationObject(std::shared_ptr<RemoteObject> remote) : remote_(std::move(remote)) {}

    AutomationObject(AutomationObject&&) noexcept = default;
    // Storing into a holder first releases what it held.
    AutomationObject& operator=(AutomationObject&&) noexcept = default;
    AutomationObject(const AutomationObject&) = delete;
    AutomationObject& operator=(const AutomationObject&) = delete;
    ~AutomationObject() = default;

    [[nodiscard]] bool isEmpty() const { return remote_ == nullptr; }
    [[nodiscard]] AutomationObject duplicate() const { return AutomationObject(remote_); }
    void release() { remote_.reset(); }

    // The object itself, for the layers that invoke it; null when empty.
    [[nodiscard]] const std::shared_ptr<RemoteObject>& remote() const { return remote_; }

private:
    std::shared_ptr<RemoteObject> remote_;
};

}  // namespace automation
