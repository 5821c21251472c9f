#include "app/operation_tools.h"

#include <QPushButton>

#include "app/element_picker.h"
#include "app/main_window.h"
#include "app/operation_test.h"
#include "platform/widget_window_system.h"

namespace app {

void installOperationTools(MainWindow& window) {
    if (elementPickerOf(window) != nullptr) return;
    platform::registerBrowserView(window.browser());
    new ElementPicker(window);
    if (auto* button = qobject_cast<QPushButton*>(window.control("按钮4"))) {
        QObject::connect(button, &QPushButton::clicked, &window,
                         [&window] { runOperationTest(window); });
    }
}

ElementPicker* elementPickerOf(const MainWindow& window) {
    return window.findChild<ElementPicker*>(QString(), Qt::FindDirectChildrenOnly);
}

}  // namespace app
