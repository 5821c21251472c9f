#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "automation/automation_object.h"
#include "platform/window_system.h"

namespace page {

class CheckGroupA;
class CheckGroupB;
class SelectBox;

// The page object: one reference to a browser document and the operations
// that work on it. Every operation reaches the document through late-bound
// calls and fails quietly: on an unbound page, or when the document does not
// answer, it returns the empty text, 0, an empty holder or false.
//
// Positions that callers pass count from 1. A code kind says how a locating
// operation reads its code: 0 name, 1 id, 2 index, 3 title, 4 address
// (findElement reads it its own way: 1 by name, anything else by id).
//
// The operations are declared in the order of the page object's operation
// table: teardown and copy, then the 42 member operations.
class WebPage {
public:
    using AutomationObject = automation::AutomationObject;
    using WindowHandle = platform::WindowHandle;

    // The bound document; empty while the page is unbound.
    AutomationObject document;

    WebPage() = default;
    WebPage(WebPage&&) noexcept = default;
    WebPage& operator=(WebPage&&) noexcept = default;
    WebPage(const WebPage&) = delete;
    WebPage& operator=(const WebPage&) = delete;
    ~WebPage() { destroy(); }

    // Releases the document reference; teardown runs it.
    void destroy();
    // A new page object with its own reference to the same document.
    [[nodiscard]] WebPage copy() const;

    // Binds to `documentObject` when given (nullptr: omitted), else to the
    // document of the browser window `window` (0 included) when given.
    bool attach(const AutomationObject* documentObject = nullptr,
                std::optional<WindowHandle> window = std::nullopt);
    bool documentFromWindow(WindowHandle window, AutomationObject& destination);
    WindowHandle findBrowserWindow(WindowHandle window);

    std::string pageText(std::string_view propertyName);
    bool clickLink(std::string_view code, std::int32_t codeKind, bool exact = false);
    bool clickButton(std::string_view code, std::int32_t codeKind, bool exact = false);
    bool setValue(std::string_view code, std::int32_t codeKind, std::string_view value);
    std::string getValue(std::string_view code, std::int32_t codeKind);
    void suppressDialogs();
    bool listBrowserWindows(WindowHandle window, std::vector<WindowHandle>& windows);
    void shellOpen(std::string_view target);
    std::string selectionText(std::int32_t format = 0);
    void pasteHtml(std::string_view html);
    CheckGroupA checkGroupA(std::string_view code);
    CheckGroupB checkGroupB(std::string_view code);
    SelectBox selectBox(std::string_view code, std::int32_t codeKind);
    AutomationObject findElement(std::string_view code, std::int32_t codeKind);
    AutomationObject elementFromPoint(std::int32_t x, std::int32_t y);
    std::string innerHtml(const AutomationObject& element);
    std::string innerText(const AutomationObject& element);
    std::string outerHtml(const AutomationObject& element);
    std::string outerText(const AutomationObject& element);
    std::int32_t frameCount();
    AutomationObject findFrame(std::string_view code, std::int32_t codeKind);
    AutomationObject frameElement(std::string_view code, std::int32_t codeKind);
    void navigate(std::string_view address);
    void writeDocument(std::string_view html);
    void runScript(std::string_view code, std::string_view language = "VBScript");
    bool fireEvent(const AutomationObject& element, std::string_view eventName);
    bool setInnerHtml(const AutomationObject& element, std::string_view text);
    bool setInnerText(const AutomationObject& element, std::string_view text);
    bool setOuterHtml(const AutomationObject& element, std::string_view text);
    bool setOuterText(const AutomationObject& element, std::string_view text);
    void focus(const AutomationObject& element);
    bool setVisible(const AutomationObject& element, bool visible);
    std::string documentProperty(std::string_view name, std::string_view argument);
    AutomationObject findForm(std::string_view code, std::int32_t codeKind);
    bool submitForm(std::string_view code, std::int32_t codeKind);
    // Colours are 0x00BBGGRR; omitted: back 0xFFFFFF, border width 1,
    // border 0xC0C0C0, no anchor (nullptr).
    AutomationObject showPopup(std::int32_t x, std::int32_t y, std::int32_t width,
                               std::int32_t height, std::string_view html,
                               std::optional<std::int32_t> backColor = std::nullopt,
                               std::optional<std::int32_t> borderWidth = std::nullopt,
                               std::optional<std::int32_t> borderColor = std::nullopt,
                               const AutomationObject* anchor = nullptr);
    void hidePopup(const AutomationObject& popup);
    static std::string colorText(std::int32_t color);
    AutomationObject elementsByTagName(std::string_view tagName);
};

}  // namespace page
