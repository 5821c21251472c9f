#include "app/script_handlers.h"

#include <QFileInfo>
#include <QUrl>
#include <QWebEngineView>
#include <string>

#include "app/main_window.h"
#include "app/name_dialog.h"
#include "app/script_file.h"
#include "script/script_format.h"

namespace app {

void composeScriptLine(MainWindow& window) {
    const std::string kind = window.comboItemText("组合框1", window.comboSelection("组合框1"));
    const std::string code = window.controlText("编辑框2");
    const std::string codeKind = window.controlText("编辑框9");
    const std::string seconds = window.controlText("编辑框7");
    window.appendControlText("编辑框8", script::composeLine(kind, code, codeKind, seconds));
}

void saveScript(MainWindow& window) {
    const QString name = askScriptName(&window);
    if (name.isEmpty()) {
        window.showMessage("脚本的保存的名称你还没有输入");
        return;
    }
    if (!isUsableScriptName(name)) {
        const QString text =
            QStringLiteral("脚本的名称不能用作文件名（不能含有“/”，也不能是“.”或“..”）：") + name;
        window.showMessage(text.toStdString());
        return;
    }
    const QString path = scriptPath(name);
    const QByteArray bytes = script::encodeScript(window.controlText("编辑框8"));
    QString error;
    if (!script::writeScriptFile(path, bytes, &error)) {
        const QString text = QStringLiteral("脚本保存失败：") + QFileInfo(path).absoluteFilePath() +
                             QStringLiteral("\n") + error;
        window.showMessage(text.toStdString());
        return;
    }
    window.setAlwaysOnTop(false);
    window.showMessage("保存成功");
    window.setAlwaysOnTop(true);
}

void openAddress(MainWindow& window) {
    const QString address = QString::fromStdString(window.controlText("编辑框1"));
    window.browser()->load(QUrl::fromUserInput(address));
}

}  // namespace app
