// Document-wide operations on tests/fixtures/page/document.html: page texts,
// scripts and dialogs, navigation and rewriting, the selection, pop-ups,
// colours and the shell.
#include <gtest/gtest.h>

#include <QDesktopServices>
#include <QFile>
#include <QObject>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <string>

#include "platform/shell.h"
#include "tests/page/page_fixture.h"

namespace {

using automation::AutomationObject;
using automation::readObject;
using automation::readText;

using DocumentTest = testsupport::PageTest;

struct PageTextCase {
    const char* name;
    std::string propertyName;
    std::string expected;  // a part of the text; for an empty expectation the whole text
};

void PrintTo(const PageTextCase& row, std::ostream* out) { *out << row.name; }

class PageTextTest : public testsupport::PageTest,
                     public testing::WithParamInterface<PageTextCase> {};

TEST_P(PageTextTest, ReadsRootOrDocumentProperty) {
    load(QStringLiteral("document.html"));
    const std::string text = page.pageText(GetParam().propertyName);
    if (GetParam().expected.empty()) {
        EXPECT_EQ(text, "");
    } else {
        EXPECT_NE(text.find(GetParam().expected), std::string::npos) << text;
    }
}

// Only the exact spellings "outerHTML" and "innerText" read the root element;
// any other name is a property of the document itself.
INSTANTIATE_TEST_SUITE_P(Names, PageTextTest,
                         testing::Values(PageTextCase{"OuterHtmlOfRoot", "outerHTML",
                                                      "<html><head><meta charset=\"utf-8\">"},
                                         PageTextCase{"InnerTextOfRoot", "innerText",
                                                      "Some bold words here."},
                                         PageTextCase{"DocumentTitle", "title", "Document page"},
                                         PageTextCase{"OtherCaseIsDocumentMember", "OuterHTML", ""},
                                         PageTextCase{"EmptyName", "", ""}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(DocumentTest, SuppressedDialogsShowNothing) {
    load(QStringLiteral("document.html"));
    page.suppressDialogs();
    page.suppressDialogs();  // twice is harmless
    // Each call returns at once with nothing; a real dialog would block the
    // page and this evaluation would not come back.
    EXPECT_EQ(evaluate("[alert('a'), confirm('c'), prompt('p'), showModalDialog('x')]"
                       ".map(String).join()"),
              "undefined,undefined,undefined,undefined");
}

TEST_F(DocumentTest, RunScriptDefaultsToVbScript) {
    load(QStringLiteral("document.html"));
    page.runScript("window.ran = 'default'");
    EXPECT_EQ(evaluate("String(window.ran)"), "undefined");
    page.runScript("window.ran = 'js'", "JavaScript");
    EXPECT_EQ(evaluate("String(window.ran)"), "js");
    page.runScript("function ranBy() { return 'jscript'; }", "JScript");
    EXPECT_EQ(evaluate("ranBy()"), "jscript");
    page.runScript("this is not script (", "JavaScript");
    EXPECT_EQ(evaluate("String(window.ran)"), "js");
}

TEST_F(DocumentTest, NavigateLoadsTheAddress) {
    load(QStringLiteral("document.html"));
    page.navigate(server().url(QStringLiteral("/elements.html?navigated")).toStdString());
    EXPECT_TRUE(server().waitForRequest("/elements.html?navigated").has_value());
    EXPECT_TRUE(QTest::qWaitFor([&] { return evaluate("document.title") == "Elements"; }, 5000));
}

TEST_F(DocumentTest, WriteDocumentReplacesTheContent) {
    load(QStringLiteral("document.html"));
    page.writeDocument("<p id=\"w\">written 中文</p>");
    EXPECT_EQ(evaluate("document.getElementById('w').textContent"), "written 中文");
    EXPECT_EQ(evaluate("String(document.getElementById('para'))"), "null");
    page.writeDocument("");
    EXPECT_EQ(evaluate("document.body ? document.body.innerHTML : ''"), "");
}

class SelectionTest : public testsupport::PageTest {
protected:
    void select(const char* id) {
        evaluate((std::string("const range = document.createRange();"
                              "range.selectNodeContents(document.getElementById('") +
                  id +
                  "'));"
                  "getSelection().removeAllRanges(); getSelection().addRange(range); ''")
                     .c_str());
    }
};

TEST_F(SelectionTest, ReadsTextOrHtml) {
    load(QStringLiteral("document.html"));
    select("para");
    EXPECT_EQ(page.selectionText(), "Some bold words here.");
    EXPECT_EQ(page.selectionText(0), "Some bold words here.");
    EXPECT_EQ(page.selectionText(-3), "Some bold words here.");
    EXPECT_EQ(page.selectionText(1), "Some <b>bold</b> words here.");
}

TEST_F(SelectionTest, NoSelectionGivesEmptyText) {
    load(QStringLiteral("document.html"));
    evaluate("getSelection().removeAllRanges(); ''");
    EXPECT_EQ(page.selectionText(), "");
    EXPECT_EQ(page.selectionText(1), "");
}

TEST_F(SelectionTest, PasteHtmlReplacesTheSelection) {
    load(QStringLiteral("document.html"));
    evaluate(
        "const range = document.createRange();"
        "range.selectNode(document.querySelector('#para b'));"
        "getSelection().removeAllRanges(); getSelection().addRange(range); ''");
    page.pasteHtml("<i id=\"pasted\">新</i>");
    EXPECT_EQ(evaluate("document.getElementById('para').innerHTML"),
              "Some <i id=\"pasted\">新</i> words here.");
}

// The pop-up's body style and state, read back through the pop-up object.
struct PopupState {
    std::string background;
    std::string border;
    std::string html;
    bool open = false;
};

PopupState stateOf(const AutomationObject& popup) {
    const AutomationObject body = readObject(readObject(popup, "document"), "body");
    const AutomationObject style = readObject(body, "style");
    return {readText(style, "backgroundColor"), readText(style, "border"),
            readText(body, "innerHTML"), automation::readNumber(popup, "isOpen") != 0};
}

struct PopupCase {
    const char* name;
    std::optional<std::int32_t> backColor;
    std::optional<std::int32_t> borderWidth;
    std::optional<std::int32_t> borderColor;
    std::string background;
    std::string border;
};

void PrintTo(const PopupCase& row, std::ostream* out) { *out << row.name; }

class PopupTest : public testsupport::PageTest, public testing::WithParamInterface<PopupCase> {};

TEST_P(PopupTest, ShowsWithColoursAndBorderThenHides) {
    const PopupCase& row = GetParam();
    load(QStringLiteral("document.html"));
    const AutomationObject popup = page.showPopup(10, 20, 200, 100, "<span>弹出</span>",
                                                  row.backColor, row.borderWidth, row.borderColor);
    ASSERT_FALSE(popup.isEmpty());
    const PopupState shown = stateOf(popup);
    EXPECT_EQ(shown.background, row.background);
    EXPECT_EQ(shown.border, row.border);
    EXPECT_EQ(shown.html, "<span>弹出</span>");
    EXPECT_TRUE(shown.open);
    page.hidePopup(popup);
    EXPECT_FALSE(stateOf(popup).open);
}

INSTANTIATE_TEST_SUITE_P(
    Colours, PopupTest,
    testing::Values(
        PopupCase{"Defaults", {}, {}, {}, "rgb(255, 255, 255)", "1px solid rgb(192, 192, 192)"},
        PopupCase{"BlackBackground", 0, {}, {}, "rgb(0, 0, 0)", "1px solid rgb(192, 192, 192)"},
        PopupCase{
            "ZeroWidthBorder", {}, 0, {}, "rgb(255, 255, 255)", "0px solid rgb(192, 192, 192)"},
        PopupCase{"GivenColoursLowestByteIsRed", 0x123456, 3, 0x0000FF, "rgb(86, 52, 18)",
                  "3px solid rgb(255, 0, 0)"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(DocumentTest, PopupAtAnAnchorAndHidingNothing) {
    load(QStringLiteral("document.html"));
    const AutomationObject anchor = byId("anchor");
    const AutomationObject popup = page.showPopup(0, 30, 120, 40, "at anchor", {}, {}, {}, &anchor);
    EXPECT_TRUE(stateOf(popup).open);
    page.hidePopup(AutomationObject());
    EXPECT_TRUE(stateOf(popup).open);
}

TEST(ColorText, LowestByteFirstUpperCaseHex) {
    const std::pair<std::int32_t, const char*> rows[] = {
        {0xC0C0C0, "C0C0C0"}, {0x123456, "563412"}, {1, "010000"},         {-1, "FFFFFF"},
        {0x0000FF, "FF0000"}, {0, "000000"},        {0x7F00ABCD, "CDAB00"}};
    for (const auto& [color, text] : rows)
        EXPECT_EQ(page::WebPage::colorText(color), text) << color;
}

// Receives the addresses that the desktop would open.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
    Q_INVOKABLE void open(const QUrl& url) { opened.append(url); }
};

TEST(ShellOpen, AddressGoesToTheDesktopHandler) {
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &catcher, "open");
    page::WebPage unbound;  // the shell does not need a document
    unbound.shellOpen("https://example.test/路径?q=1");
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    ASSERT_EQ(catcher.opened.size(), 1);
    EXPECT_EQ(catcher.opened.front().host(), QStringLiteral("example.test"));
    EXPECT_EQ(catcher.opened.front().path(), QStringLiteral("/路径"));
}

TEST(ShellOpen, ProgramFileIsStartedDetached) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString marker = dir.filePath(QStringLiteral("started"));
    const QString program = dir.filePath(QStringLiteral("program.sh"));
    QFile script(program);
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.write(QStringLiteral("#!/bin/sh\ntouch '%1'\n").arg(marker).toUtf8());
    script.close();
    script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_TRUE(platform::shellOpen(program.toStdString()));
    EXPECT_TRUE(QTest::qWaitFor([&] { return QFile::exists(marker); }, 5000));
}

TEST(ShellOpen, NothingToOpen) {
    EXPECT_FALSE(platform::shellOpen(""));
    EXPECT_FALSE(platform::shellOpen("no such file or address"));
}

}  // namespace

#include "document_operations_test.moc"
