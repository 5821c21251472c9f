#pragma once

namespace app {

class ElementPicker;
class MainWindow;

// Attaches the operation test and the element picker to `window`: 按钮4's
// click runs runOperationTest, and an ElementPicker (a child of the window)
// takes the mouse events of 图片框2. It also makes the window's browser
// reachable by document requests (platform::registerBrowserView), which both
// need; call it before the browser loads a page. Calling it twice adds
// nothing.
void installOperationTools(MainWindow& window);

// The picker installed on `window`; null before installOperationTools.
ElementPicker* elementPickerOf(const MainWindow& window);

}  // namespace app
