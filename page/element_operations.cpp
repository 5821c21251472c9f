// Element lookup and what an element shows: its value, HTML and texts, its
// visibility, focus and events.
#include <functional>

#include "automation/late_bound.h"
#include "page/text_rules.h"
#include "page/web_page.h"

namespace page {

using automation::AutomationObject;
using automation::AutomationValue;

AutomationObject WebPage::findElement(std::string_view code, std::int32_t codeKind) {
    const automation::FailureScope failures;
    // This lookup reads its kind its own way: 1 is the lookup by name, every
    // other number the lookup by id.
    if (codeKind == 1) {
        AutomationObject named =
            automation::callForObject(document, "getElementsByName", {std::string(code)});
        // "item" without an argument: the collection's own first element.
        return automation::callForObject(named, "item");
    }
    return automation::callForObject(document, "getElementById", {std::string(code)});
}

bool WebPage::setValue(std::string_view code, std::int32_t codeKind, std::string_view value) {
    const automation::FailureScope failures;
    const AutomationObject element = findElement(code, codeKind);
    return automation::writeProperty(element, "value", std::string(value));
}

std::string WebPage::getValue(std::string_view code, std::int32_t codeKind) {
    const automation::FailureScope failures;
    const AutomationObject element = findElement(code, codeKind);
    return automation::readText(element, "value");
}

AutomationObject WebPage::elementFromPoint(std::int32_t x, std::int32_t y) {
    return automation::callForObject(document, "elementFromPoint", {x, y});
}

std::string WebPage::innerHtml(const AutomationObject& element) {
    return automation::readText(element, "innerHTML");
}

std::string WebPage::innerText(const AutomationObject& element) {
    return automation::readText(element, "innerText");
}

std::string WebPage::outerHtml(const AutomationObject& element) {
    return automation::readText(element, "outerHTML");
}

std::string WebPage::outerText(const AutomationObject& element) {
    return automation::readText(element, "outerText");
}

bool WebPage::setInnerHtml(const AutomationObject& element, std::string_view text) {
    return automation::writeProperty(element, "innerHTML", std::string(text));
}

bool WebPage::setInnerText(const AutomationObject& element, std::string_view text) {
    return automation::writeProperty(element, "innerText", std::string(text));
}

bool WebPage::setOuterHtml(const AutomationObject& element, std::string_view text) {
    return automation::writeProperty(element, "outerHTML", std::string(text));
}

bool WebPage::setOuterText(const AutomationObject& element, std::string_view text) {
    return automation::writeProperty(element, "outerText", std::string(text));
}

bool WebPage::fireEvent(const AutomationObject& element, std::string_view eventName) {
    const automation::FailureScope failures;
    // The event object handed to "FireEvent" is the element's own member of
    // the event's name (empty when it has none). It is read as a property
    // only: a method of that name ("click", "focus", "submit") is never
    // called, so naming an event does not perform it.
    AutomationValue eventObject = automation::readProperty(element, eventName);
    const bool fired = automation::callForBool(element, "FireEvent",
                                               {std::string(eventName), std::ref(eventObject)});
    eventObject.releaseValue();
    return fired;
}

void WebPage::focus(const AutomationObject& element) { automation::callMethod(element, "focus"); }

bool WebPage::setVisible(const AutomationObject& element, bool visible) {
    const automation::FailureScope failures;
    // An input is hidden by making it a hidden field and shown as a text box,
    // whatever its type was; anything else through its style's display.
    const std::string tag = text::toLowerAscii(automation::readText(element, "tagName"));
    if (text::equalBytes(tag, "input")) {
        return automation::writeProperty(element, "type", std::string(visible ? "text" : "hidden"));
    }
    const AutomationObject style = automation::readObject(element, "style");
    return automation::writeProperty(style, "display", std::string(visible ? "block" : "none"));
}

std::string WebPage::documentProperty(std::string_view name, std::string_view argument) {
    return automation::readText(document, name, argument);
}

AutomationObject WebPage::elementsByTagName(std::string_view tagName) {
    return automation::callForObject(document, "getElementsByTagName", {std::string(tagName)});
}

}  // namespace page
