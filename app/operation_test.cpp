#include "app/operation_test.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <string>

#include "app/main_window.h"
#include "app/page_marks.h"
#include "automation/late_bound.h"
#include "automation/nested_wait.h"
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
constexpr const char* kFilledValue = "测试成功";
// The flash is a courtesy: a page that does not take it soon is left alone.
constexpr std::chrono::milliseconds kFlashBudget{250};

std::string selectedKind(const MainWindow& window) {
    return window.comboItemText(kKindList, window.comboSelection(kKindList));
}

// Whether the browser shows a page of its own: a document that answers and
// is not the empty page the browser starts with.
bool showsAPage(const page::WebPage& page) {
    if (page.document.isEmpty()) return false;
    const std::string address = automation::readText(page.document, "URL");
    return !address.empty() && address.rfind("about:blank", 0) != 0;
}

// The lookup that an operation makes of the code kind, in words.
std::string lookupText(Operation operation, std::int32_t codeKind) {
    const std::string kind = "（代码种类 " + std::to_string(codeKind) + "）";
    // Filling always goes through the element lookup, and so do the kinds 0
    // and 1 of the clicks: 1 looks up by name, everything else by id.
    if (operation == Operation::FillValue || codeKind == 0 || codeKind == 1)
        return (codeKind == 1 ? "按名称查找" : "按 ID 查找") + kind;
    switch (codeKind) {
        case 2:
            return "按序号查找" + kind;
        case 3:
            return "按标题查找" + kind;
        case 4:
            return "按地址查找" + kind;
        default:
            return "代码种类 " + std::to_string(codeKind) + " 不能用于点击（只能是 0 到 4）";
    }
}

std::string notFound(const std::string& code, Operation operation, std::int32_t codeKind) {
    return "没有找到元素：代码“" + code + "”，" + lookupText(operation, codeKind) + "。";
}

std::string fill(page::WebPage& page, const std::string& code, std::int32_t codeKind) {
    // The element that setValue will look up, looked up first so that the
    // message can tell a missing element from one that takes no value.
    const automation::AutomationObject element = page.findElement(code, codeKind);
    const bool filled = page.setValue(code, codeKind, kFilledValue);
    if (element.isEmpty()) return notFound(code, Operation::FillValue, codeKind);
    if (!filled) {
        return "找到了元素，但它不能填写：代码“" + code + "”，" +
               lookupText(Operation::FillValue, codeKind) + "。";
    }
    {
        const automation::WaitBudget budget(kFlashBudget);
        marks::flash(element);
    }
    return std::string("已填写：代码“") + code + "”" + lookupText(Operation::FillValue, codeKind) +
           "找到的元素填入了“" + kFilledValue + "”。";
}

std::string click(page::WebPage& page, Operation operation, const std::string& code,
                  std::int32_t codeKind) {
    {
        const automation::WaitBudget budget(kFlashBudget);
        marks::watchClicks(page.document);
    }
    const bool clicked = operation == Operation::ClickLink ? page.clickLink(code, codeKind)
                                                           : page.clickButton(code, codeKind);
    {
        // Ends the watch in any case; a click that navigated leaves nothing
        // to flash.
        const automation::WaitBudget budget(kFlashBudget);
        marks::flashClicked(page.document);
    }
    if (!clicked) return notFound(code, operation, codeKind);
    return std::string(operation == Operation::ClickLink ? "已点击链接" : "已点击按钮") +
           "：代码“" + code + "”，" + lookupText(operation, codeKind) + "。";
}

std::string runOperation(MainWindow& window, page::WebPage& page, Operation operation) {
    const std::string code = window.controlText(kCodeField);
    if (operation == Operation::RunScript) {
        // The code kind is not read for a script: it may hold any text.
        page.runScript(code, "JavaScript");
        return "已在网页中执行脚本。";
    }
    const std::int32_t codeKind = page::text::toInteger(window.controlText(kCodeKindField));
    if (operation == Operation::FillValue) return fill(page, code, codeKind);
    return click(page, operation, code, codeKind);
}

}  // namespace

void runOperationTest(MainWindow& window) {
    page::WebPage page;
    page.attach(nullptr, window.controlHandle(kBrowser));
    std::string said = "没有选择网页操作类，什么也没有做。";
    if (!showsAPage(page)) {
        said = "没有网页：浏览框里还没有打开网页，或网页没有应答。";
    } else {
        for (const KindRow& row : kKinds) {
            // Read anew for every kind, and compared byte for byte.
            if (page::text::equalBytes(selectedKind(window), row.kind)) {
                said = runOperation(window, page, row.operation);
            }
        }
    }
    window.showMessage("测试结束\n" + said);
    page.destroy();
}

}  // namespace app
