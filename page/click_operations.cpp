// Clicking the first link or button-like input that matches a code.
#include <array>

#include "automation/late_bound.h"
#include "page/collection_walk.h"
#include "page/text_rules.h"
#include "page/web_page.h"

namespace page {

using automation::AutomationObject;

namespace {

enum CodeKind : std::int32_t { kName = 0, kId = 1, kIndex = 2, kTitle = 3, kAddress = 4 };

constexpr std::array<std::string_view, 4> kButtonTypes = {"submit", "button", "reset", "image"};
constexpr std::array<std::string_view, 1> kImageType = {"image"};

// Where the button-like inputs give nothing for a title or an address, the
// buttons of newer markup: <button> elements and other elements that say
// they are buttons (role="button"), in document order; inputs stay out, they
// were walked already. Only those that show an image have an address.
constexpr char kButtonsByTitle[] = R"(button, [role="button" i]:not(input))";
constexpr char kButtonsByAddress[] = R"([role="button" i][src]:not(input))";

// Clicks what a walk found: the candidate that was tested.
bool clickFound(std::optional<walk::Found> found) {
    if (!found) return false;
    // A failed click is not looked at: something was chosen and clicked.
    automation::callMethod(found->candidate, "click");
    return true;
}

// Kinds name and id click whatever the lookup found, whatever its tag.
bool clickElement(const AutomationObject& element) {
    if (element.isEmpty()) return false;
    automation::callMethod(element, "click");
    return true;
}

walk::Rule textRule(std::string_view property, std::string_view code, bool exact) {
    walk::Rule rule;
    rule.property = property;
    rule.matches = [code, exact](std::string_view text) {
        return text::matches(text, code, exact);
    };
    return rule;
}

}  // namespace

bool WebPage::clickLink(std::string_view code, std::int32_t codeKind, bool exact) {
    const automation::FailureScope failures;
    if (codeKind == kName || codeKind == kId) return clickElement(findElement(code, codeKind));
    if (codeKind != kIndex && codeKind != kTitle && codeKind != kAddress) return false;

    const AutomationObject links =
        automation::callForObject(document, "getElementsByTagName", {std::string("a")});
    walk::CollectionWalk candidates(links);
    if (codeKind == kIndex) {
        // Only the link at the position is fetched: fetching the ones before
        // it would change nothing.
        const std::int32_t position = text::toInteger(code);
        if (position < 1 || position > candidates.length()) return false;
        return clickElement(candidates.item(position - 1));
    }
    return clickFound(
        candidates.findFirst(textRule(codeKind == kTitle ? "innerText" : "href", code, exact)));
}

bool WebPage::clickButton(std::string_view code, std::int32_t codeKind, bool exact) {
    const automation::FailureScope failures;
    if (codeKind == kName || codeKind == kId) return clickElement(findElement(code, codeKind));
    if (codeKind != kIndex && codeKind != kTitle && codeKind != kAddress) return false;

    std::optional<walk::Found> found;
    {
        const AutomationObject inputs =
            automation::callForObject(document, "getElementsByTagName", {std::string("input")});
        walk::CollectionWalk candidates(inputs);
        walk::Rule rule;
        rule.gateProperty = "type";
        if (codeKind == kIndex) {
            // The N-th button-like input; other inputs do not count, and
            // neither do buttons of other markup.
            const std::int32_t wanted = text::toInteger(code);
            if (wanted < 1) return false;
            rule.gateValues = kButtonTypes;
            rule.matches = [wanted, seen = std::int32_t{0}](std::string_view) mutable {
                return ++seen == wanted;
            };
            return clickFound(candidates.findFirst(rule));
        }
        rule.gateValues = codeKind == kTitle ? std::span<const std::string_view>(kButtonTypes)
                                             : std::span<const std::string_view>(kImageType);
        rule.property = codeKind == kTitle ? "value" : "src";
        rule.matches = [code, exact](std::string_view text) {
            return text::matches(text, code, exact);
        };
        found = candidates.findFirst(rule);
    }
    if (!found && !automation::FailureScope::current()) {
        const AutomationObject buttons = automation::callForObject(
            document, "querySelectorAll",
            {std::string(codeKind == kTitle ? kButtonsByTitle : kButtonsByAddress)});
        walk::CollectionWalk candidates(buttons);
        found =
            candidates.findFirst(textRule(codeKind == kTitle ? "innerText" : "src", code, exact));
    }
    return clickFound(std::move(found));
}

}  // namespace page
