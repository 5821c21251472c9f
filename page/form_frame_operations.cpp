// Frames and forms, found by name, id or position.
#include "automation/late_bound.h"
#include "page/collection_walk.h"
#include "page/text_rules.h"
#include "page/web_page.h"

namespace page {

using automation::AutomationObject;

namespace {

enum CodeKind : std::int32_t { kName = 0, kId = 1, kIndex = 2 };

// The candidate of `collection` that `code` names under `codeKind`. Names and
// ids are compared after `normalise` on both sides; positions count from 1.
AutomationObject locate(const AutomationObject& collection, std::string_view code,
                        std::int32_t codeKind, std::string (*normalise)(std::string_view)) {
    walk::CollectionWalk candidates(collection);
    if (codeKind == kIndex) {
        // Only the candidate at the position is fetched; fetching the ones
        // before it would change nothing.
        const std::int32_t position = text::toInteger(code);
        if (position < 1 || position > candidates.length()) return {};
        return candidates.item(position - 1);
    }
    if (codeKind != kName && codeKind != kId) return {};

    walk::Rule rule;
    rule.property = codeKind == kName ? "name" : "id";
    rule.matches = [code, normalise](std::string_view text) {
        return text::equalBytes(normalise(text), code);
    };
    auto found = candidates.findFirst(rule);
    if (!found) return {};
    return std::move(found->candidate);
}

std::string unchanged(std::string_view text) { return std::string(text); }

AutomationObject locateForm(const AutomationObject& document, std::string_view code,
                            std::int32_t codeKind) {
    // Form names and ids match with their letter case.
    const AutomationObject forms = automation::readObject(document, "forms");
    return locate(forms, code, codeKind, unchanged);
}

}  // namespace

std::int32_t WebPage::frameCount() {
    const automation::FailureScope failures;
    const AutomationObject frames = automation::readObject(document, "frames");
    return walk::truncateToInt32(automation::readNumber(frames, "length"));
}

AutomationObject WebPage::findFrame(std::string_view code, std::int32_t codeKind) {
    const automation::FailureScope failures;
    // Frame names and ids match without regard to the case of A to Z.
    const std::string lowered = text::toLowerAscii(code);
    const AutomationObject frames = automation::readObject(document, "frames");
    return locate(frames, lowered, codeKind, text::toLowerAscii);
}

AutomationObject WebPage::frameElement(std::string_view code, std::int32_t codeKind) {
    const automation::FailureScope failures;
    const AutomationObject frame = findFrame(code, codeKind);
    return automation::readObject(frame, "frameElement");
}

AutomationObject WebPage::findForm(std::string_view code, std::int32_t codeKind) {
    const automation::FailureScope failures;
    return locateForm(document, code, codeKind);
}

bool WebPage::submitForm(std::string_view code, std::int32_t codeKind) {
    const automation::FailureScope failures;
    const AutomationObject form = locateForm(document, code, codeKind);
    if (form.isEmpty()) return false;
    // What the page does with the submission is not looked at.
    automation::callMethod(form, "submit");
    return true;
}

}  // namespace page
