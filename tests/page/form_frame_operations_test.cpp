// Frames (tests/fixtures/page/frames.html: Main, side and a frame of another
// origin) and forms (forms.html, submitted for real to the fixture server).
#include <gtest/gtest.h>

#include <QTest>
#include <optional>
#include <string>
#include <tuple>

#include "tests/page/page_fixture.h"

namespace {

using automation::AutomationObject;
using automation::readText;

using FrameTest = testsupport::PageTest;

struct FrameCase {
    const char* name;
    std::string code;
    std::int32_t codeKind;
    bool found;
    std::string frameName;  // "" for the frame of another origin, whose name is hidden
};

void PrintTo(const FrameCase& row, std::ostream* out) { *out << row.name; }

using testsupport::Walk;

template <typename Row>
std::string rowName(const testing::TestParamInfo<std::tuple<Row, Walk>>& info) {
    return std::string(std::get<0>(info.param).name) + "_" +
           testsupport::walkName(std::get<1>(info.param));
}

const auto kModes = testing::Values(Walk::InPage, Walk::OneByOne);

class FindFrameTest : public testsupport::PageTest,
                      public testing::WithParamInterface<std::tuple<FrameCase, Walk>> {};

TEST_P(FindFrameTest, FindsByLowerCasedNameIdOrPosition) {
    const auto& [row, walk] = GetParam();
    load(QStringLiteral("frames.html"));
    const long before = liveObjects();
    {
        const AutomationObject frame = subject(walk).findFrame(row.code, row.codeKind);
        EXPECT_EQ(!frame.isEmpty(), row.found);
        EXPECT_EQ(readText(frame, "name"), row.frameName);
    }
    EXPECT_EQ(liveObjects(), before);
}

// Frames in order: Main (id mainFrame), side (id Side_Frame), then one of
// another origin (id foreignFrame) whose name and id cannot be read.
INSTANTIATE_TEST_SUITE_P(
    Codes, FindFrameTest,
    testing::Combine(testing::Values(FrameCase{"NameInCapitals", "MAIN", 0, true, "Main"},
                                     FrameCase{"NameInSmallLetters", "main", 0, true, "Main"},
                                     FrameCase{"IdOtherCase", "side_frame", 1, true, "side"},
                                     FrameCase{"IdInCapitals", "MAINFRAME", 1, true, "Main"},
                                     FrameCase{"ForeignNameUnreachable", "foreign", 0, false, ""},
                                     FrameCase{"ForeignIdUnreachable", "foreignFrame", 1, false,
                                               ""},
                                     FrameCase{"EmptyNameMatchesUnreadable", "", 0, true, ""},
                                     FrameCase{"PositionFirst", "1", 2, true, "Main"},
                                     FrameCase{"PositionFullWidth", "２", 2, true, "side"},
                                     FrameCase{"PositionLeadingBlank", " 2", 2, true, "side"},
                                     FrameCase{"PositionOfForeign", "3", 2, true, ""},
                                     FrameCase{"PositionPastEnd", "4", 2, false, ""},
                                     FrameCase{"PositionZero", "0", 2, false, ""},
                                     FrameCase{"PositionNegative", "-1", 2, false, ""},
                                     FrameCase{"PositionLetters", "abc", 2, false, ""},
                                     FrameCase{"PositionEmpty", "", 2, false, ""},
                                     FrameCase{"KindThree", "main", 3, false, ""},
                                     FrameCase{"KindFour", "main", 4, false, ""},
                                     FrameCase{"KindNegative", "main", -1, false, ""},
                                     FrameCase{"KindNine", "main", 9, false, ""}),
                     kModes),
    rowName<FrameCase>);

TEST_F(FrameTest, CountsFrames) {
    load(QStringLiteral("frames.html"));
    EXPECT_EQ(page.frameCount(), 3);
    load(QStringLiteral("forms.html"));
    EXPECT_EQ(page.frameCount(), 0);
}

TEST_F(FrameTest, FrameElementIsTheHost) {
    load(QStringLiteral("frames.html"));
    EXPECT_EQ(readText(page.frameElement("SIDE", 0), "id"), "Side_Frame");
    EXPECT_EQ(readText(page.frameElement("1", 2), "id"), "mainFrame");
    EXPECT_TRUE(page.frameElement("nothing", 0).isEmpty());
    // The host of a frame of another origin is not shown to this page.
    EXPECT_TRUE(page.frameElement("3", 2).isEmpty());
}

TEST_F(FrameTest, FoundFrameIsThatFramesWindow) {
    load(QStringLiteral("frames.html"));
    const AutomationObject frame = page.findFrame("side", 0);
    const AutomationObject document = automation::readObject(frame, "document");
    const AutomationObject where =
        automation::callForObject(document, "getElementById", {std::string("where")});
    EXPECT_EQ(readText(where, "textContent"), "side");
}

struct FormCase {
    const char* name;
    std::string code;
    std::int32_t codeKind;
    std::string formId;  // empty: no form
};

void PrintTo(const FormCase& row, std::ostream* out) { *out << row.name; }

class FindFormTest : public testsupport::PageTest,
                     public testing::WithParamInterface<std::tuple<FormCase, Walk>> {};

TEST_P(FindFormTest, FindsByExactNameIdOrPosition) {
    const auto& [row, walk] = GetParam();
    load(QStringLiteral("forms.html"));
    const long before = liveObjects();
    {
        const AutomationObject form = subject(walk).findForm(row.code, row.codeKind);
        EXPECT_EQ(form.isEmpty(), row.formId.empty());
        EXPECT_EQ(readText(form, "id"), row.formId);
    }
    EXPECT_EQ(liveObjects(), before);
}

// Forms in order: search (id searchForm), login (id loginForm), login again
// (id loginAgain), and one without a name (id unnamed). Unlike frames, names
// and ids match with their letter case.
INSTANTIATE_TEST_SUITE_P(
    Codes, FindFormTest,
    testing::Combine(
        testing::Values(
            FormCase{"SameNameFirstWins", "login", 0, "loginForm"},
            FormCase{"NameIsCaseSensitive", "LOGIN", 0, ""},
            FormCase{"Id", "loginAgain", 1, "loginAgain"},
            FormCase{"IdIsCaseSensitive", "LOGINFORM", 1, ""},
            FormCase{"EmptyNameMatchesUnnamed", "", 0, "unnamed"},
            FormCase{"PositionFirst", "1", 2, "searchForm"},
            FormCase{"PositionFullWidth", "２", 2, "loginForm"},
            FormCase{"PositionLeadingBlank", " 2", 2, "loginForm"},
            FormCase{"PositionLast", "4", 2, "unnamed"}, FormCase{"PositionPastEnd", "5", 2, ""},
            FormCase{"PositionZero", "0", 2, ""}, FormCase{"PositionNegative", "-1", 2, ""},
            FormCase{"PositionLetters", "abc", 2, ""}, FormCase{"PositionEmpty", "", 2, ""},
            FormCase{"KindThree", "login", 3, ""}, FormCase{"KindFour", "login", 4, ""},
            FormCase{"KindNegative", "login", -1, ""}, FormCase{"KindNine", "login", 9, ""}),
        kModes),
    rowName<FormCase>);

struct SubmitCase {
    const char* name;
    std::string code;
    std::int32_t codeKind;
    // What the server receives; nothing when no form is submitted.
    std::optional<testsupport::FixtureServer::Request> received;
};

void PrintTo(const SubmitCase& row, std::ostream* out) { *out << row.name; }

class SubmitFormTest : public testsupport::PageTest,
                       public testing::WithParamInterface<std::tuple<SubmitCase, Walk>> {};

TEST_P(SubmitFormTest, SubmitsForReal) {
    const auto& [row, walk] = GetParam();
    load(QStringLiteral("forms.html"));
    const long before = liveObjects();
    EXPECT_EQ(subject(walk).submitForm(row.code, row.codeKind), row.received.has_value());
    EXPECT_EQ(liveObjects(), before);
    if (row.received) {
        const auto request = server().waitForRequest("/submit");
        ASSERT_TRUE(request.has_value());
        EXPECT_EQ(request->method, row.received->method);
        EXPECT_EQ(request->target, row.received->target);
        EXPECT_EQ(request->body, row.received->body);
    } else {
        EXPECT_EQ(evaluate("document.title"), "Forms");
        for (const auto& request : server().requests()) {
            EXPECT_FALSE(request.target.startsWith("/submit")) << request.target.constData();
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Codes, SubmitFormTest,
    testing::Combine(
        testing::Values(
            SubmitCase{"FirstOfSameName", "login", 0, {{"POST", "/submit/login", "user=alice"}}},
            SubmitCase{"ById", "loginAgain", 1, {{"POST", "/submit/login-again", "user=bob"}}},
            SubmitCase{"ByPosition", "1", 2, {{"GET", "/submit/search?q=first", ""}}},
            SubmitCase{"NameOtherCase", "LOGIN", 0, std::nullopt},
            SubmitCase{"PositionPastEnd", "5", 2, std::nullopt},
            SubmitCase{"KindThree", "login", 3, std::nullopt}),
        kModes),
    rowName<SubmitCase>);

}  // namespace
