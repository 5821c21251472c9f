// The page object's own life cycle and its binding to a document: by a
// document object that the caller hands in, or by a browser window of the
// window system layer, whose document window is found by its class name.
#include "page/web_page.h"

#include <chrono>

namespace page {
namespace {

using platform::WindowHandle;
using platform::windowSystem;

// The time a browser document window has to answer a document request.
constexpr std::chrono::milliseconds kDocumentRequestTimeout{1000};

// A class name is read into a buffer of 255 characters with one kept for the
// terminator, so at most 254 characters take part in the comparison.
constexpr std::size_t kClassNameReadLimit = 254;

bool isBrowserDocumentWindow(WindowHandle window) {
    std::optional<std::string> name = windowSystem().className(window);
    if (!name) return false;
    if (name->size() > kClassNameReadLimit) name->resize(kClassNameReadLimit);
    return *name == platform::kBrowserDocumentClass;
}

}  // namespace

void WebPage::destroy() { document.release(); }

WebPage WebPage::copy() const {
    WebPage other;
    other.document = document.duplicate();
    return other;
}

bool WebPage::attach(const AutomationObject* documentObject, std::optional<WindowHandle> window) {
    if (documentObject != nullptr) {
        // Taking our own reference before the old one goes keeps a page that
        // is re-attached to its own document bound.
        document = documentObject->duplicate();
        return !document.isEmpty();
    }
    if (window) return documentFromWindow(*window, document);
    return false;
}

bool WebPage::documentFromWindow(WindowHandle window, AutomationObject& destination) {
    WindowHandle target = window;
    if (!isBrowserDocumentWindow(window)) {
        target = findBrowserWindow(window);
        if (target == 0) return false;
    }
    AutomationObject answer = windowSystem().requestDocument(target, kDocumentRequestTimeout);
    // A window that does not answer in time leaves the destination as it was:
    // a failed request must not cost the caller the document it already had.
    if (answer.isEmpty()) return false;
    destination = std::move(answer);
    return true;
}

WindowHandle WebPage::findBrowserWindow(WindowHandle window) {
    // The walk over one window's children ends at a handle that is not
    // greater than 0 read as a signed number, so a handle with its top bit set
    // ends it too.
    for (WindowHandle child = windowSystem().firstChild(window);
         static_cast<std::int32_t>(child) > 0; child = windowSystem().nextSibling(window, child)) {
        if (isBrowserDocumentWindow(child)) return child;
        if (WindowHandle found = findBrowserWindow(child); found != 0) return found;
    }
    return 0;
}

bool WebPage::listBrowserWindows(WindowHandle window, std::vector<WindowHandle>& windows) {
    // Unlike findBrowserWindow this walk ends only at 0, and it goes on below
    // a browser document window as well.
    for (WindowHandle child = windowSystem().firstChild(window); child != 0;
         child = windowSystem().nextSibling(window, child)) {
        if (isBrowserDocumentWindow(child)) windows.push_back(child);
        listBrowserWindows(child, windows);
    }
    return !windows.empty();
}

}  // namespace page
