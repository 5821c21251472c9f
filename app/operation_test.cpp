#include "app/operation_test.h"

#include <array>
#include <cstdint>
#include <string>

#include "app/main_window.h"
#include "page/text_rules.h"
#include "page/web_page.h"

namespace app {
namespace {

enum class Operation { FillValue, ClickLink, ClickButton, RunScript };

struct KindRow {
    const char* kind;
    Operation operation;
};

// The kinds in the order they are compared with the selected item.
constexpr std::array<KindRow, 5> kKinds{{
    {"填表文本", Operation::FillValue},
    {"填表标题", Operation::FillValue},
    {"点击链接", Operation::ClickLink},
    {"点击按钮", Operation::ClickButton},
    {"执行脚本", Operation::RunScript},
}};

constexpr const char* kKindList = "组合框1";
constexpr const char* kCodeField = "编辑框2";
constexpr const char* kCodeKindField = "编辑框9";
constexpr const char* kBrowser = "超文本浏览框1";

std::string selectedKind(const MainWindow& window) {
    return window.comboItemText(kKindList, window.comboSelection(kKindList));
}

void runOperation(MainWindow& window, page::WebPage& page, Operation operation) {
    const std::string code = window.controlText(kCodeField);
    if (operation == Operation::RunScript) {
        // The code kind is not read for a script: it may hold any text.
        page.runScript(code, "JavaScript");
        return;
    }
    const std::int32_t codeKind = page::text::toInteger(window.controlText(kCodeKindField));
    switch (operation) {
        case Operation::FillValue:
            page.setValue(code, codeKind, "测试成功");
            break;
        case Operation::ClickLink:
            page.clickLink(code, codeKind);
            break;
        case Operation::ClickButton:
            page.clickButton(code, codeKind);
            break;
        case Operation::RunScript:
            break;
    }
}

}  // namespace

void runOperationTest(MainWindow& window) {
    page::WebPage page;
    // The results are not looked at: a page without a document makes every
    // operation below a quiet no-op, and the user judges by the page.
    page.attach(nullptr, window.controlHandle(kBrowser));
    for (const KindRow& row : kKinds) {
        // Read anew for every kind, and compared byte for byte.
        if (page::text::equalBytes(selectedKind(window), row.kind)) {
            runOperation(window, page, row.operation);
        }
    }
    window.showMessage("测试结束");
    page.destroy();
}

}  // namespace app
