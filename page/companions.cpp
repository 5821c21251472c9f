// The companions that page operations hand out for check-box groups and
// select boxes, and the page operations that make them.
#include "page/companions.h"

#include <cmath>

#include "automation/automation_value.h"
#include "automation/late_bound.h"
#include "page/collection_walk.h"
#include "page/text_rules.h"
#include "page/web_page.h"

namespace page {

using automation::AutomationObject;

namespace {

// Positions from 1 become the collection's positions from 0, passed as
// double-precision numbers.
double fromPosition(std::int32_t index) { return static_cast<double>(index) - 1.0; }

AutomationObject option(const AutomationObject& options, std::int32_t index) {
    return automation::callForObject(options, "item", {fromPosition(index)});
}

enum CodeKind : std::int32_t { kName = 0, kId = 1, kIndex = 2 };

}  // namespace

template <typename Group>
Group CheckGroup<Group>::copy() const {
    Group group;
    group.collection = collection.duplicate();
    return group;
}

template <typename Group>
void CheckGroup<Group>::attach(const AutomationObject& newCollection) {
    collection = newCollection.duplicate();
}

template <typename Group>
std::int32_t CheckGroup<Group>::count() {
    return walk::truncateToInt32(automation::readNumber(collection, "length"));
}

template <typename Group>
bool CheckGroup<Group>::isChecked(std::int32_t index) {
    // "item" is read as a property with the position, not called.
    const AutomationObject element =
        automation::readObject(collection, "item", fromPosition(index));
    automation::AutomationValue checked = automation::readValue(element, "checked");
    const double value = checked.toNumber();
    checked.releaseValue();
    return std::fabs(value + 1.0) <= 1e-7;
}

template <typename Group>
void CheckGroup<Group>::check(std::int32_t index) {
    const AutomationObject element =
        automation::readObject(collection, "item", fromPosition(index));
    automation::writeProperty(element, "checked", std::int32_t{1});
}

template <typename Group>
void CheckGroup<Group>::uncheck(std::int32_t index) {
    const AutomationObject element =
        automation::readObject(collection, "item", fromPosition(index));
    automation::writeProperty(element, "checked", std::int32_t{0});
}

template <typename Group>
std::string CheckGroup<Group>::itemValue(std::int32_t index) {
    const AutomationObject element =
        automation::readObject(collection, "item", fromPosition(index));
    return automation::readText(element, "value");
}

template class CheckGroup<CheckGroupA>;
template class CheckGroup<CheckGroupB>;

void SelectBox::destroy() {
    selectElement.release();
    optionList.release();
}

SelectBox SelectBox::copy() const {
    SelectBox box;
    box.selectElement = selectElement.duplicate();
    box.optionList = optionList.duplicate();
    return box;
}

void SelectBox::attach(const AutomationObject& element) {
    selectElement = element.duplicate();
    optionList = automation::readObject(selectElement, "options");
}

std::int32_t SelectBox::count() {
    return walk::truncateToInt32(automation::readNumber(optionList, "length"));
}

std::string SelectBox::itemText(std::int32_t index) {
    return automation::readText(option(optionList, index), "text");
}

bool SelectBox::setItemText(std::int32_t index, std::string_view newText) {
    return automation::writeProperty(option(optionList, index), "text", std::string(newText));
}

std::string SelectBox::itemValue(std::int32_t index) {
    return automation::readText(option(optionList, index), "value");
}

bool SelectBox::setItemValue(std::int32_t index, std::string_view newText) {
    return automation::writeProperty(option(optionList, index), "value", std::string(newText));
}

std::int32_t SelectBox::getSelectedIndex() {
    // The select element's own index, from 0, unchanged.
    return walk::truncateToInt32(automation::readNumber(selectElement, "selectedIndex"));
}

bool SelectBox::setSelectedIndex(std::int32_t index) {
    return automation::writeProperty(selectElement, "selectedIndex", fromPosition(index));
}

namespace {

// Both group classes are made the same way: the elements of one name,
// attached to a new group of the wanted class.
template <typename Group>
Group makeCheckGroup(const automation::AutomationObject& document, std::string_view code) {
    const automation::AutomationObject named =
        automation::callForObject(document, "getElementsByName", {std::string(code)});
    Group group;
    group.attach(named);
    return group;
}

}  // namespace

CheckGroupA WebPage::checkGroupA(std::string_view code) {
    return makeCheckGroup<CheckGroupA>(document, code);
}

CheckGroupB WebPage::checkGroupB(std::string_view code) {
    return makeCheckGroup<CheckGroupB>(document, code);
}

SelectBox WebPage::selectBox(std::string_view code, std::int32_t codeKind) {
    const automation::FailureScope failures;
    // Names and ids of select elements match without regard to the case of A
    // to Z; the list is the body's select elements in document order.
    const std::string lowered = text::toLowerAscii(code);
    AutomationObject selects;
    {
        const AutomationObject body = automation::readObject(document, "body");
        const AutomationObject all = automation::readObject(body, "all");
        selects = automation::callForObject(all, "tags", {std::string("select")});
    }

    AutomationObject element;
    if (codeKind == kName || codeKind == kId || codeKind == kIndex) {
        walk::CollectionWalk candidates(selects);
        if (codeKind == kIndex) {
            const std::int32_t position = text::toInteger(lowered);
            if (position >= 1 && position <= candidates.length()) {
                element = candidates.item(position - 1);
            }
        } else {
            walk::Rule rule;
            rule.property = codeKind == kName ? "name" : "id";
            rule.matches = [&lowered](std::string_view text) {
                return text::equalBytes(text::toLowerAscii(text), lowered);
            };
            if (auto found = candidates.findFirst(rule)) element = std::move(found->candidate);
        }
    }
    SelectBox box;
    box.attach(element);
    return box;
}

}  // namespace page
