// Check groups and select boxes on tests/fixtures/page/companions.html: the
// group "fruit" (apple ticked, pear, and a radio button plum) and the select
// boxes Colour (Red, Green selected, Blue), size (Small, Large) and empty.
#include "page/companions.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <type_traits>

#include "tests/page/page_fixture.h"

namespace {

using automation::readText;

static_assert(!std::is_same_v<page::CheckGroupA, page::CheckGroupB>);

template <typename Group>
class CheckGroupTest : public testsupport::PageTest {
protected:
    Group group(std::string_view name) {
        if constexpr (std::is_same_v<Group, page::CheckGroupA>) {
            return page.checkGroupA(name);
        } else {
            return page.checkGroupB(name);
        }
    }
    std::string checkedStates() {
        return evaluate(
            "[...document.getElementsByName('fruit')].map(e => e.checked ? 'x' : '-').join('')");
    }
};

using GroupKinds = testing::Types<page::CheckGroupA, page::CheckGroupB>;
TYPED_TEST_SUITE(CheckGroupTest, GroupKinds);

TYPED_TEST(CheckGroupTest, ReadsTheGroup) {
    this->load(QStringLiteral("companions.html"));
    TypeParam fruit = this->group("fruit");
    EXPECT_EQ(fruit.count(), 3);
    EXPECT_TRUE(fruit.isChecked(1));
    EXPECT_FALSE(fruit.isChecked(2));
    EXPECT_FALSE(fruit.isChecked(3));
    EXPECT_EQ(fruit.itemValue(1), "apple");
    EXPECT_EQ(fruit.itemValue(3), "plum");
}

TYPED_TEST(CheckGroupTest, ChecksAndUnchecks) {
    this->load(QStringLiteral("companions.html"));
    TypeParam fruit = this->group("fruit");
    fruit.check(2);
    fruit.check(3);
    fruit.uncheck(1);
    EXPECT_EQ(this->checkedStates(), "-xx");
    EXPECT_FALSE(fruit.isChecked(1));
    EXPECT_TRUE(fruit.isChecked(2));
    EXPECT_TRUE(fruit.isChecked(3));
}

TYPED_TEST(CheckGroupTest, IndexOutsideChangesNothing) {
    this->load(QStringLiteral("companions.html"));
    TypeParam fruit = this->group("fruit");
    for (std::int32_t index : {0, 4, -1}) {
        fruit.check(index);
        fruit.uncheck(index);
        EXPECT_FALSE(fruit.isChecked(index)) << index;
        EXPECT_EQ(fruit.itemValue(index), "") << index;
    }
    EXPECT_EQ(this->checkedStates(), "x--");
}

TYPED_TEST(CheckGroupTest, UnknownNameIsAnEmptyGroup) {
    this->load(QStringLiteral("companions.html"));
    TypeParam none = this->group("nothing");
    EXPECT_EQ(none.count(), 0);
    EXPECT_FALSE(none.isChecked(1));
    EXPECT_EQ(none.itemValue(1), "");
}

TYPED_TEST(CheckGroupTest, CopyKeepsItsClassAndOutlivesTheOriginal) {
    this->load(QStringLiteral("companions.html"));
    TypeParam fruit = this->group("fruit");
    auto copy = fruit.copy();
    static_assert(std::is_same_v<decltype(copy), TypeParam>);
    fruit.destroy();
    EXPECT_EQ(fruit.count(), 0);
    EXPECT_EQ(copy.count(), 3);
    copy.attach(automation::AutomationObject());
    EXPECT_EQ(copy.count(), 0);
}

struct SelectCase {
    const char* name;
    std::string code;
    std::int32_t codeKind;
    std::string selectId;  // empty: no element
};

void PrintTo(const SelectCase& row, std::ostream* out) { *out << row.name; }

class SelectBoxFindTest
    : public testsupport::PageTest,
      public testing::WithParamInterface<std::tuple<SelectCase, testsupport::Walk>> {};

TEST_P(SelectBoxFindTest, WrapsTheSelectElement) {
    const auto& [row, walk] = GetParam();
    load(QStringLiteral("companions.html"));
    const long before = liveObjects();
    {
        page::SelectBox box = subject(walk).selectBox(row.code, row.codeKind);
        EXPECT_EQ(box.selectElement.isEmpty(), row.selectId.empty());
        EXPECT_EQ(box.optionList.isEmpty(), row.selectId.empty());
        EXPECT_EQ(readText(box.selectElement, "id"), row.selectId);
    }
    EXPECT_EQ(liveObjects(), before);
}

// Names and ids match without regard to the case of A to Z.
INSTANTIATE_TEST_SUITE_P(
    Codes, SelectBoxFindTest,
    testing::Combine(testing::Values(SelectCase{"NameOtherCase", "colour", 0, "colourBox"},
                                     SelectCase{"NameInCapitals", "SIZE", 0, "SizeBox"},
                                     SelectCase{"IdOtherCase", "sizebox", 1, "SizeBox"},
                                     SelectCase{"IdInCapitals", "COLOURBOX", 1, "colourBox"},
                                     SelectCase{"PositionSecond", "2", 2, "SizeBox"},
                                     SelectCase{"PositionFullWidth", "３", 2, "emptyBox"},
                                     SelectCase{"PositionZero", "0", 2, ""},
                                     SelectCase{"PositionPastEnd", "9", 2, ""},
                                     SelectCase{"PositionLetters", "x", 2, ""},
                                     SelectCase{"UnknownName", "nothing", 0, ""},
                                     SelectCase{"KindThree", "colour", 3, ""},
                                     SelectCase{"KindFour", "colour", 4, ""}),
                     testing::Values(testsupport::Walk::InPage, testsupport::Walk::OneByOne)),
    [](const auto& info) {
        return std::string(std::get<0>(info.param).name) + "_" +
               testsupport::walkName(std::get<1>(info.param));
    });

using SelectBoxTest = testsupport::PageTest;

TEST_F(SelectBoxTest, ReadsOptionsAndSelection) {
    load(QStringLiteral("companions.html"));
    page::SelectBox colour = page.selectBox("Colour", 0);
    EXPECT_EQ(colour.count(), 3);
    EXPECT_EQ(colour.itemText(1), "Red");
    EXPECT_EQ(colour.itemValue(2), "g");
    EXPECT_EQ(colour.itemText(0), "");
    EXPECT_EQ(colour.itemText(4), "");
    // The getter counts from 0; Green, the second option, is selected.
    EXPECT_EQ(colour.getSelectedIndex(), 1);
}

TEST_F(SelectBoxTest, SetsSelectionFromOneAndOptions) {
    load(QStringLiteral("companions.html"));
    page::SelectBox colour = page.selectBox("colourBox", 1);
    EXPECT_TRUE(colour.setSelectedIndex(1));
    EXPECT_EQ(colour.getSelectedIndex(), 0);
    EXPECT_EQ(evaluate("document.getElementById('colourBox').value"), "r");
    EXPECT_TRUE(colour.setSelectedIndex(3));
    EXPECT_EQ(colour.getSelectedIndex(), 2);
    EXPECT_TRUE(colour.setItemText(1, "红色"));
    EXPECT_TRUE(colour.setItemValue(1, "rot"));
    EXPECT_EQ(colour.itemText(1), "红色");
    EXPECT_EQ(evaluate("document.getElementById('colourBox').options[0].value"), "rot");
    EXPECT_FALSE(colour.setItemText(9, "x"));
    EXPECT_FALSE(colour.setItemValue(0, "x"));
}

TEST_F(SelectBoxTest, EmptySelectAndNoSelect) {
    load(QStringLiteral("companions.html"));
    page::SelectBox empty = page.selectBox("empty", 0);
    EXPECT_EQ(empty.count(), 0);
    EXPECT_EQ(empty.getSelectedIndex(), -1);

    page::SelectBox none = page.selectBox("x", 2);
    EXPECT_EQ(none.count(), 0);
    EXPECT_EQ(none.itemText(1), "");
    EXPECT_EQ(none.itemValue(1), "");
    EXPECT_EQ(none.getSelectedIndex(), 0);
    EXPECT_FALSE(none.setSelectedIndex(1));
    EXPECT_FALSE(none.setItemText(1, "x"));
}

TEST_F(SelectBoxTest, CopyOutlivesTheOriginalAndAttachReplaces) {
    load(QStringLiteral("companions.html"));
    page::SelectBox size = page.selectBox("size", 0);
    page::SelectBox copy = size.copy();
    size.destroy();
    EXPECT_EQ(size.count(), 0);
    EXPECT_EQ(copy.count(), 2);
    EXPECT_EQ(copy.itemText(2), "Large");
    copy.attach(byId("colourBox"));
    EXPECT_EQ(copy.count(), 3);
    copy.attach(automation::AutomationObject());
    EXPECT_TRUE(copy.selectElement.isEmpty());
    EXPECT_TRUE(copy.optionList.isEmpty());
}

}  // namespace
