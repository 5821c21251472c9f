#pragma once

namespace app {

class MainWindow;

// The handlers of the buttons that make and keep scripts.

// "确  定": appends kind|code|codeKind|seconds and CR LF to the script box,
// the fields taken over exactly as they stand (the selected kind, 编辑框2,
// 编辑框9, 编辑框7). Nothing is cleared or shown.
void composeScriptLine(MainWindow& window);

// "保存": asks for a name and writes the script box, in the program's code
// page, to "dat/" + name + ".ini". Says "保存成功" on success, after which
// the window stays always on top; tells the user why when there is no name,
// the name cannot be a file name, or the file cannot be written.
void saveScript(MainWindow& window);

// "打开": hands the address box's text to the browser. A text without a
// scheme is completed as an address bar does; an empty text loads nothing.
void openAddress(MainWindow& window);

}  // namespace app
