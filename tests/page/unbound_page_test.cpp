// Every page operation on a page object bound to no document returns its
// empty value and does not fail in any other way.
#include <gtest/gtest.h>

#include "page/companions.h"
#include "page/web_page.h"

namespace {

using automation::AutomationObject;

TEST(UnboundPage, EveryOperationGivesItsEmptyValue) {
    page::WebPage page;
    const AutomationObject none;

    EXPECT_EQ(page.pageText("outerHTML"), "");
    EXPECT_EQ(page.pageText("title"), "");
    for (std::int32_t kind : {0, 1, 2, 3, 4}) {
        EXPECT_FALSE(page.clickLink("1", kind)) << kind;
        EXPECT_FALSE(page.clickButton("1", kind)) << kind;
        EXPECT_FALSE(page.setValue("1", kind, "x")) << kind;
        EXPECT_EQ(page.getValue("1", kind), "") << kind;
        EXPECT_TRUE(page.findElement("1", kind).isEmpty()) << kind;
        EXPECT_TRUE(page.findFrame("1", kind).isEmpty()) << kind;
        EXPECT_TRUE(page.frameElement("1", kind).isEmpty()) << kind;
        EXPECT_TRUE(page.findForm("1", kind).isEmpty()) << kind;
        EXPECT_FALSE(page.submitForm("1", kind)) << kind;
        EXPECT_TRUE(page.selectBox("1", kind).selectElement.isEmpty()) << kind;
    }
    page.suppressDialogs();
    EXPECT_EQ(page.selectionText(), "");
    EXPECT_EQ(page.selectionText(1), "");
    page.pasteHtml("<b>x</b>");
    EXPECT_EQ(page.checkGroupA("x").count(), 0);
    EXPECT_EQ(page.checkGroupB("x").count(), 0);
    EXPECT_TRUE(page.elementFromPoint(1, 1).isEmpty());
    EXPECT_EQ(page.innerHtml(none), "");
    EXPECT_EQ(page.innerText(none), "");
    EXPECT_EQ(page.outerHtml(none), "");
    EXPECT_EQ(page.outerText(none), "");
    EXPECT_EQ(page.frameCount(), 0);
    page.navigate("https://example.test/");
    page.writeDocument("<p>x</p>");
    page.runScript("x");
    page.runScript("x", "JavaScript");
    EXPECT_FALSE(page.fireEvent(none, "onclick"));
    EXPECT_FALSE(page.setInnerHtml(none, "x"));
    EXPECT_FALSE(page.setInnerText(none, "x"));
    EXPECT_FALSE(page.setOuterHtml(none, "x"));
    EXPECT_FALSE(page.setOuterText(none, "x"));
    page.focus(none);
    EXPECT_FALSE(page.setVisible(none, true));
    EXPECT_FALSE(page.setVisible(none, false));
    EXPECT_EQ(page.documentProperty("title", ""), "");
    EXPECT_TRUE(page.showPopup(0, 0, 10, 10, "x").isEmpty());
    page.hidePopup(none);
    EXPECT_TRUE(page.elementsByTagName("a").isEmpty());
    EXPECT_TRUE(page.document.isEmpty());
}

TEST(UnboundPage, EmptyCompanionsGiveEmptyValues) {
    page::CheckGroupA group;
    EXPECT_EQ(group.count(), 0);
    EXPECT_FALSE(group.isChecked(1));
    group.check(1);
    group.uncheck(1);
    EXPECT_EQ(group.itemValue(1), "");
    EXPECT_TRUE(group.copy().collection.isEmpty());

    page::SelectBox box;
    EXPECT_EQ(box.count(), 0);
    EXPECT_EQ(box.itemText(1), "");
    EXPECT_EQ(box.itemValue(1), "");
    EXPECT_FALSE(box.setItemText(1, "x"));
    EXPECT_FALSE(box.setItemValue(1, "x"));
    EXPECT_EQ(box.getSelectedIndex(), 0);
    EXPECT_FALSE(box.setSelectedIndex(1));
    EXPECT_TRUE(box.copy().optionList.isEmpty());
}

}  // namespace
