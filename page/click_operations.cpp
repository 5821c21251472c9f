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

bool isButtonLike(std::string_view type) {
    static constexpr std::array<std::string_view, 4> kButtonTypes = {"submit", "button", "reset",
                                                                     "image"};
    const std::string lowered = text::toLowerAscii(type);
    for (std::string_view buttonType : kButtonTypes) {
        if (text::equalBytes(lowered, buttonType)) return true;
    }
    return false;
}

bool isImage(std::string_view type) { return text::equalBytes(text::toLowerAscii(type), "image"); }

// Clicks what a walk found; the walk may already hold the candidate.
bool clickFound(walk::CollectionWalk& candidates, std::optional<walk::Found> found) {
    if (!found) return false;
    const AutomationObject element =
        found->candidate.isEmpty() ? candidates.item(found->position) : std::move(found->candidate);
    // A failed click is not looked at: something was chosen and clicked.
    automation::callMethod(element, "click");
    return true;
}

// Kinds name and id click whatever the lookup found, whatever its tag.
bool clickElement(const AutomationObject& element) {
    if (element.isEmpty()) return false;
    automation::callMethod(element, "click");
    return true;
}

}  // namespace

bool WebPage::clickLink(std::string_view code, std::int32_t codeKind, bool exact) {
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
        return clickFound(candidates, walk::Found{position - 1, AutomationObject()});
    }
    walk::Rule rule;
    rule.property = codeKind == kTitle ? "innerText" : "href";
    rule.matches = [code, exact](std::string_view text) {
        return text::matches(text, code, exact);
    };
    return clickFound(candidates, candidates.findFirst(rule));
}

bool WebPage::clickButton(std::string_view code, std::int32_t codeKind, bool exact) {
    if (codeKind == kName || codeKind == kId) return clickElement(findElement(code, codeKind));
    if (codeKind != kIndex && codeKind != kTitle && codeKind != kAddress) return false;

    const AutomationObject inputs =
        automation::callForObject(document, "getElementsByTagName", {std::string("input")});
    walk::CollectionWalk candidates(inputs);
    walk::Rule rule;
    rule.gateProperty = "type";
    if (codeKind == kIndex) {
        // The N-th button-like input; other inputs do not count.
        const std::int32_t wanted = text::toInteger(code);
        if (wanted < 1) return false;
        rule.gate = isButtonLike;
        rule.matches = [wanted, seen = std::int32_t{0}](std::string_view) mutable {
            return ++seen == wanted;
        };
    } else {
        rule.gate = codeKind == kTitle ? isButtonLike : isImage;
        rule.property = codeKind == kTitle ? "value" : "src";
        rule.matches = [code, exact](std::string_view text) {
            return text::matches(text, code, exact);
        };
    }
    return clickFound(candidates, candidates.findFirst(rule));
}

}  // namespace page
