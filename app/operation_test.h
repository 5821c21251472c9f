#pragma once

namespace app {

class MainWindow;

// "测  试": runs the operation composed in the operation row once on the page
// shown in the window's own browser 超文本浏览框1, then says what happened.
//
// The selected kind of 组合框1 picks the operation: "填表文本" and "填表标题"
// set the value "测试成功", "点击链接" and "点击按钮" click, "执行脚本" runs
// 编辑框2 as JavaScript. The code is 编辑框2 and the code kind the integer
// reading of 编辑框9 (full-width digits count). The element the test acted
// on flashes outlined on the page.
//
// The closing message begins with "测试结束"; its second line says what
// happened: the value was filled, the link or button was clicked, the script
// ran, the element was not found (with the code and the lookup used), there
// is no page, or no kind was selected. The page object lives for this one
// call and holds no reference to the document after it returns.
//
// Runs on the GUI thread from a user event (a click), never from inside a
// browser callback; the message box blocks until it is dismissed.
void runOperationTest(MainWindow& window);

}  // namespace app
