#include "app/message_box.h"

#include <QMessageBox>

namespace app {

void showMessage(const QString& text) {
    QMessageBox box;
    box.setWindowTitle(QStringLiteral("信息："));
    box.setIcon(QMessageBox::NoIcon);
    box.setTextFormat(Qt::PlainText);
    box.setText(text);
    box.setStandardButtons(QMessageBox::Ok);
    box.setWindowModality(Qt::ApplicationModal);
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
    box.exec();
}

}  // namespace app
