// AutomationValue and AutomationObject on their own: holders, duplicates and
// the number conversion. No browser needed.
#include "automation/automation_value.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "automation/late_bound.h"

using automation::AutomationObject;
using automation::AutomationValue;

namespace {

// A remote object that records its own release.
class CountedObject : public automation::RemoteObject {
public:
    explicit CountedObject(int& released) : released_(released) {}
    ~CountedObject() override { ++released_; }
    std::variant<AutomationValue, automation::Failure> invoke(
        const automation::Invocation&) override {
        return automation::Failure::NotBound;
    }

private:
    int& released_;
};

struct NumberCase {
    const char* name;
    AutomationValue (*make)();
    double expected;
};

class ToNumber : public testing::TestWithParam<NumberCase> {};

TEST_P(ToNumber, Converts) {
    const NumberCase& row = GetParam();
    EXPECT_EQ(row.make().toNumber(), row.expected);
}

std::vector<NumberCase> numberCases() {
    std::vector<NumberCase> cases;
    cases.push_back({"True", [] { return AutomationValue(true); }, -1});
    cases.push_back({"False", [] { return AutomationValue(false); }, 0});
    cases.push_back({"Double", [] { return AutomationValue(2.5); }, 2.5});
    cases.push_back({"NumericText", [] { return AutomationValue(std::string("42")); }, 42});
    cases.push_back({"TextWithBlanksAndExponent",
                     [] { return AutomationValue(std::string(" -1.5e2 ")); }, -150});
    cases.push_back({"TextWithPlus", [] { return AutomationValue(std::string("+7")); }, 7});
    cases.push_back(
        {"TextWithTrailingWord", [] { return AutomationValue(std::string("12 apples")); }, 0});
    cases.push_back({"SignsTwice", [] { return AutomationValue(std::string("+-5")); }, 0});
    cases.push_back({"HexText", [] { return AutomationValue(std::string("0x10")); }, 0});
    cases.push_back({"EmptyText", [] { return AutomationValue(std::string()); }, 0});
    cases.push_back({"InfinityText", [] { return AutomationValue(std::string("inf")); }, 0});
    cases.push_back({"Null", [] { return AutomationValue(AutomationValue::Null{}); }, 0});
    cases.push_back({"Empty", [] { return AutomationValue(std::monostate{}); }, 0});
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Values, ToNumber, testing::ValuesIn(numberCases()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ToNumber, ObjectIsZero) {
    int released = 0;
    AutomationValue value(AutomationObject(std::make_shared<CountedObject>(released)));
    EXPECT_EQ(value.toNumber(), 0);
}

TEST(AutomationObjectHolder, EmptyHolderDuplicatesAndReleasesAsEmpty) {
    AutomationObject empty;
    EXPECT_TRUE(empty.isEmpty());
    EXPECT_TRUE(empty.duplicate().isEmpty());
    empty.release();
    empty.release();
    EXPECT_TRUE(empty.isEmpty());
}

TEST(AutomationObjectHolder, ObjectLivesUntilItsLastHolderLetsGo) {
    int released = 0;
    AutomationObject first(std::make_shared<CountedObject>(released));
    AutomationObject second = first.duplicate();
    EXPECT_FALSE(second.isEmpty());
    first.release();
    EXPECT_EQ(released, 0);
    first.release();              // twice: nothing
    second = AutomationObject();  // storing into a holder releases what it held
    EXPECT_EQ(released, 1);
}

TEST(AutomationValueHolder, DuplicateHoldsItsOwnObjectReference) {
    int released = 0;
    AutomationValue value(AutomationObject(std::make_shared<CountedObject>(released)));
    AutomationValue copy = value.duplicate();
    value.releaseValue();
    EXPECT_TRUE(value.isEmpty());
    EXPECT_EQ(released, 0);
    ASSERT_TRUE(std::holds_alternative<AutomationObject>(copy.storage()));
    copy.releaseValue();
    EXPECT_EQ(released, 1);
}

TEST(AutomationValueHolder, DuplicateKeepsPlainValues) {
    AutomationValue text(std::string("词"));
    EXPECT_EQ(std::get<std::string>(text.duplicate().storage()), "词");
    EXPECT_TRUE(std::holds_alternative<AutomationValue::Null>(
        AutomationValue(AutomationValue::Null{}).duplicate().storage()));
    EXPECT_TRUE(AutomationValue().duplicate().isEmpty());
}

// Every operation on an empty holder gives its empty value, at once.
TEST(EmptyObject, EveryOperationGivesTheEmptyValue) {
    const AutomationObject empty;
    EXPECT_EQ(automation::readText(empty, "id"), "");
    EXPECT_EQ(automation::readText(empty, "getAttribute", "id"), "");
    EXPECT_EQ(automation::readNumber(empty, "length"), 0);
    EXPECT_TRUE(automation::readObject(empty, "body").isEmpty());
    EXPECT_TRUE(automation::readObject(empty, "item", 0.0).isEmpty());
    EXPECT_TRUE(automation::readValue(empty, "checked").isEmpty());
    automation::callMethod(empty, "click");
    EXPECT_FALSE(automation::callForBool(empty, "hasAttribute", {std::string("id")}));
    EXPECT_TRUE(automation::callForObject(empty, "getElementById", {std::string("x")}).isEmpty());
    EXPECT_FALSE(automation::writeProperty(empty, "value", std::string("x")));
}

}  // namespace
