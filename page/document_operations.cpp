// Work on the document and its window as a whole: texts, scripts, dialogs,
// navigation, the selection, pop-ups and colours.
#include <array>
#include <cstdio>

#include "automation/late_bound.h"
#include "page/text_rules.h"
#include "page/web_page.h"
#include "platform/shell.h"

namespace page {

using automation::AutomationObject;

namespace {

AutomationObject pageWindow(const AutomationObject& document) {
    return automation::readObject(document, "parentWindow");
}

AutomationObject selectionRange(const AutomationObject& document) {
    const AutomationObject selection = automation::readObject(document, "selection");
    return automation::callForObject(selection, "createRange");
}

}  // namespace

std::string WebPage::pageText(std::string_view propertyName) {
    const automation::FailureScope failures;
    // Only these two exact spellings read the root element; any other name,
    // other letter case included, is a property of the document itself.
    if (text::equalBytes(propertyName, "outerHTML") ||
        text::equalBytes(propertyName, "innerText")) {
        const AutomationObject root = automation::readObject(document, "documentElement");
        return automation::readText(root, propertyName);
    }
    return automation::readText(document, propertyName);
}

void WebPage::suppressDialogs() {
    const automation::FailureScope failures;
    static constexpr std::array<const char*, 4> kScripts = {
        "function alert(){return;}", "function confirm(){return;}", "function prompt(){return;}",
        "function showModalDialog(){return;}"};
    const AutomationObject window = pageWindow(document);
    for (const char* script : kScripts) {
        automation::callMethod(window, "execScript", {std::string(script), std::string("JScript")});
    }
}

void WebPage::shellOpen(std::string_view target) { platform::shellOpen(target); }

std::string WebPage::selectionText(std::int32_t format) {
    const automation::FailureScope failures;
    const AutomationObject range = selectionRange(document);
    if (range.isEmpty()) return {};
    return automation::readText(range, format > 0 ? "htmlText" : "Text");
}

void WebPage::pasteHtml(std::string_view html) {
    const automation::FailureScope failures;
    const AutomationObject range = selectionRange(document);
    automation::callMethod(range, "pasteHTML", {std::string(html)});
}

void WebPage::navigate(std::string_view address) {
    const automation::FailureScope failures;
    const AutomationObject window = pageWindow(document);
    automation::callMethod(window, "navigate", {std::string(address)});
}

void WebPage::writeDocument(std::string_view html) {
    const automation::FailureScope failures;
    automation::callMethod(document, "open");
    automation::callMethod(document, "write", {std::string(html)});
    automation::callMethod(document, "Close");
}

void WebPage::runScript(std::string_view code, std::string_view language) {
    const automation::FailureScope failures;
    const AutomationObject window = pageWindow(document);
    automation::callMethod(window, "execScript", {std::string(code), std::string(language)});
}

AutomationObject WebPage::showPopup(std::int32_t x, std::int32_t y, std::int32_t width,
                                    std::int32_t height, std::string_view html,
                                    std::optional<std::int32_t> backColor,
                                    std::optional<std::int32_t> borderWidth,
                                    std::optional<std::int32_t> borderColor,
                                    const AutomationObject* anchor) {
    const automation::FailureScope failures;
    const AutomationObject window = pageWindow(document);
    AutomationObject popup = automation::callForObject(window, "createPopup");
    AutomationObject body;
    {
        const AutomationObject popupDocument = automation::readObject(popup, "document");
        body = automation::readObject(popupDocument, "body");
    }

    // The writes keep this order: background, border, content, then show.
    {
        const AutomationObject style = automation::readObject(body, "style");
        automation::writeProperty(style, "backgroundColor",
                                  colorText(backColor.value_or(0xFFFFFF)));
    }
    {
        const AutomationObject style = automation::readObject(body, "style");
        const std::string border = "solid " + colorText(borderColor.value_or(0xC0C0C0)) + " " +
                                   std::to_string(borderWidth.value_or(1)) + "px";
        automation::writeProperty(style, "border", border);
    }
    automation::writeProperty(body, "innerHTML", std::string(html));

    automation::Arguments placement = {x, y, width, height};
    if (anchor != nullptr) placement.emplace_back(std::cref(*anchor));
    automation::callMethod(popup, "show", placement);
    return popup;
}

void WebPage::hidePopup(const AutomationObject& popup) { automation::callMethod(popup, "hide"); }

std::string WebPage::colorText(std::int32_t color) {
    // 0x00BBGGRR: the lowest byte (red) comes first; the highest takes no part.
    const auto bits = static_cast<std::uint32_t>(color);
    std::array<char, 7> digits{};
    std::snprintf(digits.data(), digits.size(), "%02X%02X%02X", bits & 0xFFu, (bits >> 8) & 0xFFu,
                  (bits >> 16) & 0xFFu);
    return std::string(digits.data(), 6);
}

}  // namespace page
