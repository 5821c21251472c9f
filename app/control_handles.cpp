#include "app/control_handles.h"

#include <QHash>
#include <QObject>
#include <QWidget>

namespace app {

platform::WindowHandle handleOfWidget(QWidget* widget) {
    static QHash<const QWidget*, platform::WindowHandle> handles;
    static platform::WindowHandle next = 0x10000;
    auto it = handles.find(widget);
    if (it != handles.end()) return it.value();
    const platform::WindowHandle handle = next++;
    handles.insert(widget, handle);
    QObject::connect(widget, &QObject::destroyed, [widget] { handles.remove(widget); });
    return handle;
}

}  // namespace app
