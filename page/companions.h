#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "automation/automation_object.h"

namespace page {

// A group of checkable inputs that share one name, over the document's live
// collection of them. Items are addressed by positions from 1; an index
// outside the collection reads as empty and changes nothing. The group owns
// its reference to the collection.
//
// Two classes have this shape, CheckGroupA and CheckGroupB: they behave
// identically and differ only in being distinct types, so the shape is a
// template over the class it makes.
template <typename Group>
class CheckGroup {
public:
    using AutomationObject = automation::AutomationObject;

    AutomationObject collection;

    // Operations in the order of the group's operation table.
    void destroy() { collection.release(); }
    [[nodiscard]] Group copy() const;
    void attach(const AutomationObject& newCollection);
    std::int32_t count();
    // True only when "checked" reads as the automation true value (-1).
    bool isChecked(std::int32_t index);
    void check(std::int32_t index);
    void uncheck(std::int32_t index);
    std::string itemValue(std::int32_t index);

protected:
    CheckGroup() = default;
};

class CheckGroupA final : public CheckGroup<CheckGroupA> {};
class CheckGroupB final : public CheckGroup<CheckGroupB> {};

extern template class CheckGroup<CheckGroupA>;
extern template class CheckGroup<CheckGroupB>;

// One select element and its option list. The setter of the selected index
// takes a position from 1; the getter returns the document's position from 0
// (-1 when nothing is selected). It owns its two references.
class SelectBox {
public:
    using AutomationObject = automation::AutomationObject;

    AutomationObject selectElement;
    AutomationObject optionList;

    // Operations in the order of the select box's operation table.
    void destroy();
    [[nodiscard]] SelectBox copy() const;
    // Wraps `element` and its "options"; an empty element empties both.
    void attach(const AutomationObject& element);
    std::int32_t count();
    std::string itemText(std::int32_t index);
    bool setItemText(std::int32_t index, std::string_view newText);
    std::string itemValue(std::int32_t index);
    bool setItemValue(std::int32_t index, std::string_view newText);
    std::int32_t getSelectedIndex();
    bool setSelectedIndex(std::int32_t index);
};

}  // namespace page
