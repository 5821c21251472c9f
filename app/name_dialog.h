#pragma once

#include <QString>

class QWidget;

namespace app {

// Asks for a script's name: caption "请输入：", prompt "请输入脚本的保存的名称",
// one single-line field that starts empty, buttons "确认输入(&O)" (default,
// Enter) and "取消(&C)" (Esc). Modal for the program, centred over `parent`
// and kept above it (also while `parent` is always on top). Gives the text as
// typed, or the empty text when the dialog was cancelled or closed.
QString askScriptName(QWidget* parent);

}  // namespace app
