#include "app/name_dialog.h"

#include <QInputDialog>
#include <QLineEdit>

namespace app {

QString askScriptName(QWidget* parent) {
    QInputDialog dialog(parent);
    dialog.setWindowTitle(QStringLiteral("请输入："));
    dialog.setLabelText(QStringLiteral("请输入脚本的保存的名称"));
    dialog.setInputMode(QInputDialog::TextInput);
    dialog.setTextEchoMode(QLineEdit::Normal);
    dialog.setTextValue(QString());
    dialog.setOkButtonText(QStringLiteral("确认输入(&O)"));
    dialog.setCancelButtonText(QStringLiteral("取消(&C)"));
    dialog.setWindowModality(Qt::ApplicationModal);
    if (dialog.exec() != QDialog::Accepted) return {};
    return dialog.textValue();
}

}  // namespace app
