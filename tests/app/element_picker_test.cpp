// The cross-hair picker in the real window under X: the left button is
// pressed on 图片框2, the real pointer is moved over the page in
// 超文本浏览框1 and released, as a user does (xdotool drives the X server's
// pointer, so the mouse grab, the hit test and the page's layout are all real).
// The outline is read from the page and from the screen's pixels.
#include "app/element_picker.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QCursor>
#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLabel>
#include <QProcess>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QToolTip>
#include <QUrl>
#include <functional>
#include <iostream>
#include <optional>
#include <string>

#include "app/page_marks.h"
#include "automation/nested_wait.h"
#include "platform/window_system.h"
#include "tests/app/tool_window.h"
#include "tests/support/fixture_server.h"

namespace {

const QPoint kCrossHairHotSpot(15, 16);
const QPoint kHandHotSpot(6, 0);

bool xdotool(const QStringList& arguments) {
    return QProcess::execute(QStringLiteral("xdotool"), arguments) == 0;
}

bool showsImageCursor(const QWidget& widget, QPoint hotSpot) {
    return widget.cursor().shape() == Qt::BitmapCursor && widget.cursor().hotSpot() == hotSpot;
}

class ElementPickerTest : public tool_window::ToolWindowTest {
protected:
    void SetUp() override {
        ToolWindowTest::SetUp();
        if (HasFatalFailure()) return;
        picker_ = app::elementPickerOf(window());
        ASSERT_NE(picker_, nullptr);
        picture_ = qobject_cast<QLabel*>(window().control("图片框2"));
        ASSERT_NE(picture_, nullptr);
        load("picker/elements.html");
        // The fields the picker must never touch hold texts of their own.
        window().setControlText("编辑框9", "３");
        window().setControlText("编辑框7", "7");
        combo()->setCurrentIndex(3);
    }

    void TearDown() override {
        // A failed test must not leave the button down or the mouse grabbed.
        if (buttonDown_ || (picker_ && picker_->dragging())) xdotool({"mouseup", "1"});
        ToolWindowTest::TearDown();
    }

    QComboBox* combo() { return qobject_cast<QComboBox*>(window().control("组合框1")); }

    std::string field(const char* name) { return window().controlText(name); }

    // The screen point at the middle of the page element `selector`.
    QPoint centreOf(const char* selector) {
        const QRect box = boxOf(selector);
        return box.isNull() ? QPoint() : pageToScreen(box.center());
    }

    // The page element's box in the top document's pixels; `selector` may
    // reach into same-origin frames as "frame selector >> element selector".
    QRect boxOf(const char* selector) {
        const QString expression =
            QStringLiteral(
                "(() => { let doc = document, x = 0, y = 0; const parts = '%1'.split(' >> ');"
                " for (let i = 0; i < parts.length - 1; i++) {"
                "   const f = doc.querySelector(parts[i]); const r = f.getBoundingClientRect();"
                "   const cs = getComputedStyle(f);"
                "   x += r.left + f.clientLeft + parseFloat(cs.paddingLeft);"
                "   y += r.top + f.clientTop + parseFloat(cs.paddingTop); doc = f.contentDocument; "
                "}"
                " const r = doc.querySelector(parts[parts.length - 1]).getBoundingClientRect();"
                " return JSON.stringify([x + r.left, y + r.top, r.width, r.height]); })()")
                .arg(QLatin1String(selector));
        const QJsonArray box =
            QJsonDocument::fromJson(evaluate(expression).toString().toUtf8()).array();
        if (box.size() != 4) return {};
        return QRect(int(box.at(0).toDouble()), int(box.at(1).toDouble()),
                     int(box.at(2).toDouble()), int(box.at(3).toDouble()));
    }

    QPoint pageToScreen(QPoint point) {
        const double zoom = view().zoomFactor();
        return view().mapToGlobal(QPoint(int(point.x() * zoom), int(point.y() * zoom)));
    }

    QString outerHtmlOf(const char* selector) {
        return evaluate(
                   QStringLiteral("(() => { let doc = document; const parts = '%1'.split(' >> ');"
                                  " for (let i = 0; i < parts.length - 1; i++)"
                                  "   doc = doc.querySelector(parts[i]).contentDocument;"
                                  " return doc.querySelector(parts[parts.length - 1]).outerHTML;"
                                  " })()")
                       .arg(QLatin1String(selector)))
            .toString();
    }

    // Whether the program's mark element is in the page right now.
    bool pageShowsMark() {
        return evaluate(
                   "!!document.documentElement.lastElementChild &&"
                   " document.documentElement.lastElementChild.localName === 'script-maker-mark'")
            .toBool();
    }

    // The colour on the screen at a point.
    static QColor screenPixel(QPoint point) {
        return QGuiApplication::primaryScreen()
            ->grabWindow(0, point.x(), point.y(), 1, 1)
            .toImage()
            .pixelColor(0, 0);
    }

    // Whether the outline's colour shows on the left edge of the page box.
    bool outlineShowsAt(const QRect& box) {
        const QColor c = screenPixel(pageToScreen(QPoint(box.left() + 1, box.center().y())));
        return qAbs(c.red() - 230) < 40 && c.green() < 60 && qAbs(c.blue() - 122) < 50;
    }

    // Qt's points are device-independent; the X server counts device pixels.
    static bool moveTo(QPoint point) {
        const double ratio = QGuiApplication::primaryScreen()->devicePixelRatio();
        return xdotool({"mousemove", QString::number(qRound(point.x() * ratio)),
                        QString::number(qRound(point.y() * ratio))});
    }

    void pressOnPicture() {
        ASSERT_TRUE(moveTo(picture_->mapToGlobal(picture_->rect().center())));
        ASSERT_TRUE(xdotool({"mousedown", "1"}));
        buttonDown_ = true;
        ASSERT_TRUE(QTest::qWaitFor([&] { return picker_->dragging(); }, 5000));
    }

    void release() {
        ASSERT_TRUE(xdotool({"mouseup", "1"}));
        buttonDown_ = false;
        ASSERT_TRUE(QTest::qWaitFor([&] { return !picker_->dragging(); }, 5000));
    }

    // Moves the pointer over an element and waits until the outer HTML field
    // shows it.
    void dragOver(const char* selector) {
        const std::string outer = outerHtmlOf(selector).toStdString();
        ASSERT_FALSE(outer.empty()) << selector;
        ASSERT_TRUE(moveTo(centreOf(selector)));
        EXPECT_TRUE(QTest::qWaitFor([&] { return field("编辑框6") == outer; }, 5000))
            << selector << " not picked; 编辑框6 shows " << field("编辑框6");
    }

    // Moves the pointer somewhere no pick may happen and gives the picker
    // time to (wrongly) react.
    void dragOffThePage(QPoint point) {
        ASSERT_TRUE(moveTo(point));
        QTest::qWait(300);
    }

    void expectDraggingLook() {
        EXPECT_TRUE(picture_->pixmap().isNull()) << "the picture is not cleared while dragging";
        EXPECT_TRUE(showsImageCursor(*picture_, kCrossHairHotSpot));
        EXPECT_EQ(QWidget::mouseGrabber(), picture_);
    }

    void expectIdleAfterDrag() {
        EXPECT_FALSE(picker_->dragging());
        EXPECT_FALSE(picture_->pixmap().isNull()) << "the cross-hair did not come back";
        EXPECT_TRUE(showsImageCursor(*picture_, kHandHotSpot));
        EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
    }

    // The wait time and the operation kind are never the picker's to change.
    void expectUntouchedFields() {
        EXPECT_EQ(field("编辑框7"), "7");
        EXPECT_EQ(combo()->currentIndex(), 3);
    }

    void saveScreenshot(const char* name) {
        QTest::qWait(200);  // let the fields and the page paint
        QDir().mkpath(QStringLiteral(TEST_ARTEFACT_DIR));
        const QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(0);
        EXPECT_TRUE(shot.save(QStringLiteral(TEST_ARTEFACT_DIR "/") + QLatin1String(name)));
    }

    app::ElementPicker* picker_ = nullptr;
    QLabel* picture_ = nullptr;
    bool buttonDown_ = false;
};

struct PickCase {
    const char* name;
    const char* selector;
    const char* id;        // 编辑框4
    const char* named;     // 编辑框3
    const char* code;      // 编辑框2: the id, else the name
    const char* codeKind;  // 编辑框9: 0 finds by id, 1 by name; untouched without a code
    const char* inner;     // 编辑框5
};

const PickCase kPickCases[] = {
    {"IdAndName", "#kw", "kw", "wd", "kw", "0", ""},
    {"NameOnly", "input[name=q]", "", "q", "q", "1", ""},
    {"Neither", "div.at:not([id])", "", "", "", "３", "无名之块"},
};

class PickTest : public ElementPickerTest, public testing::WithParamInterface<PickCase> {};

TEST_P(PickTest, FillsTheFieldsFromTheElementUnderThePointer) {
    const PickCase& row = GetParam();
    window().setControlText("编辑框2", "stale code");
    window().setControlText("编辑框4", "stale id");
    window().setControlText("编辑框3", "stale name");

    pressOnPicture();
    dragOver(row.selector);
    EXPECT_EQ(field("编辑框4"), row.id);
    EXPECT_EQ(field("编辑框3"), row.named);
    EXPECT_EQ(field("编辑框2"), row.code);
    EXPECT_EQ(field("编辑框9"), row.codeKind);
    EXPECT_EQ(field("编辑框5"), row.inner);
    release();

    // The release picks the same element again: the pointer did not move.
    EXPECT_EQ(field("编辑框2"), row.code);
    EXPECT_EQ(field("编辑框6"), outerHtmlOf(row.selector).toStdString());
    expectIdleAfterDrag();
    expectUntouchedFields();
}

INSTANTIATE_TEST_SUITE_P(Elements, PickTest, testing::ValuesIn(kPickCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ElementPickerTest, FollowsThePointerAndKeepsTheLastPickOffThePage) {
    pressOnPicture();
    expectDraggingLook();

    dragOver("#kw");
    EXPECT_EQ(field("编辑框2"), "kw");
    saveScreenshot("picker_during_drag.png");

    // Every movement replaces all fields, the empty ones included.
    dragOver("div.at:not([id])");
    EXPECT_EQ(field("编辑框4"), "");
    EXPECT_EQ(field("编辑框3"), "");
    EXPECT_EQ(field("编辑框2"), "");
    EXPECT_EQ(field("编辑框5"), "无名之块");

    dragOver("#left");
    EXPECT_EQ(field("编辑框2"), "left");
    EXPECT_EQ(field("编辑框5"), "左块");
    const std::string outer = field("编辑框6");

    // Off the page, over the program's own controls and over the bare
    // screen, nothing changes.
    QWidget* scriptBox = window().control("编辑框8");
    dragOffThePage(scriptBox->mapToGlobal(scriptBox->rect().center()));
    dragOffThePage(window().frameGeometry().bottomRight() + QPoint(40, 40));
    EXPECT_EQ(field("编辑框2"), "left");
    EXPECT_EQ(field("编辑框4"), "left");
    EXPECT_EQ(field("编辑框5"), "左块");
    EXPECT_EQ(field("编辑框6"), outer);
    expectDraggingLook();

    release();
    expectIdleAfterDrag();
    expectUntouchedFields();
}

TEST_F(ElementPickerTest, PressAndReleaseWithoutMovingPicksNothing) {
    for (const char* name : {"编辑框2", "编辑框3", "编辑框4", "编辑框5", "编辑框6"})
        window().setControlText(name, "before");
    EXPECT_EQ(picture_->cursor().shape(), Qt::PointingHandCursor);

    pressOnPicture();
    expectDraggingLook();
    release();

    expectIdleAfterDrag();
    for (const char* name : {"编辑框2", "编辑框3", "编辑框4", "编辑框5", "编辑框6"})
        EXPECT_EQ(field(name), "before") << name;
    expectUntouchedFields();
}

TEST_F(ElementPickerTest, ReleaseWithoutPressDoesNothing) {
    const QImage crossHair = picture_->pixmap().toImage();
    ASSERT_FALSE(crossHair.isNull());
    ASSERT_TRUE(moveTo(picture_->mapToGlobal(picture_->rect().center())));
    QTest::mouseRelease(picture_, Qt::LeftButton);
    QTest::mouseMove(picture_, QPoint(3, 3));

    EXPECT_FALSE(picker_->dragging());
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
    EXPECT_EQ(picture_->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(picture_->pixmap().toImage(), crossHair);
}

// At zoom 1.5 a page pixel is one and a half screen pixels: the middle of
// "left" read without the conversion lies inside "right", and the middle of
// "low" below the page's bottom-most element in that column.
TEST_F(ElementPickerTest, ZoomedViewPicksTheElementUnderThePointer) {
    view().setZoomFactor(1.5);
    // The page's pixel ratio is the zoom times the screen's.
    const double ratio = 1.5 * QGuiApplication::primaryScreen()->devicePixelRatio();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return qFuzzyCompare(evaluate("window.devicePixelRatio").toDouble(), ratio); },
        5000));

    pressOnPicture();
    dragOver("#left");
    EXPECT_EQ(field("编辑框4"), "left");
    dragOver("#low");
    EXPECT_EQ(field("编辑框4"), "low");
    release();
}

// The release takes the element under the point where the button went up,
// even when no movement was picked there before it.
TEST_F(ElementPickerTest, ReleasePicksWhereTheButtonWentUp) {
    pressOnPicture();
    dragOver("#kw");
    const QPoint left = centreOf("#left");
    // One command: the pointer arrives and the button goes up at once.
    ASSERT_TRUE(xdotool(
        {"mousemove", QString::number(left.x()), QString::number(left.y()), "mouseup", "1"}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !picker_->dragging(); }, 5000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return field("编辑框4") == "left"; }, 5000))
        << "编辑框4 shows " << field("编辑框4");
    EXPECT_EQ(field("编辑框5"), "左块");
    expectIdleAfterDrag();
}

// A drag picks from the document it picked before; a page that navigated
// meanwhile is picked from its new document.
TEST_F(ElementPickerTest, FollowsANavigationDuringTheDrag) {
    pressOnPicture();
    dragOver("#kw");
    load("picker/login.html");
    dragOver("#user");
    EXPECT_EQ(field("编辑框4"), "user");
    EXPECT_EQ(field("编辑框3"), "username");
    release();
}

// Picking an input whose id and name differ and testing at once fills it:
// the code kind that the pick sets makes the lookup use the id.
TEST_F(ElementPickerTest, PickThenTestFillsTheBoxWhoseIdAndNameDiffer) {
    load("picker/login.html");
    combo()->setCurrentIndex(0);              // 填表文本
    window().setControlText("编辑框9", "1");  // the form's default
    pressOnPicture();
    dragOver("#user");
    release();
    ASSERT_EQ(field("编辑框2"), "user");
    EXPECT_EQ(field("编辑框9"), "0");

    test_support::ModalAnswers answers({test_support::ModalAnswers::ok()});
    click("按钮4");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !answers.seen().empty(); }, 10000));
    EXPECT_EQ(answers.seen()[0].text,
              "测试结束\n已填写：代码“user”按 ID 查找（代码种类 0）找到的元素填入了“测试成功”。");
    EXPECT_EQ(evaluate("document.getElementById('user').value").toString(), "测试成功");
}

// How a drag ends: every way takes the outline off the page.
enum class DragEnd { Release, Escape, LeaveThePage };

struct OutlineCase {
    const char* name;
    DragEnd end;
};

const OutlineCase kOutlineCases[] = {
    {"Release", DragEnd::Release},
    {"Escape", DragEnd::Escape},
    {"LeaveThePage", DragEnd::LeaveThePage},
};

class OutlineTest : public ElementPickerTest, public testing::WithParamInterface<OutlineCase> {};

// On a page whose rules restyle every outline and hide anything added under
// its root element, the element under the cross-hair is still outlined, the
// outline follows the pointer, and it goes when the drag ends or leaves the
// page; the page's own boxes and styles stay as they were.
TEST_P(OutlineTest, OutlinesTheElementUnderThePointerUntilTheDragEnds) {
    const OutlineCase& row = GetParam();
    load("picker/login.html");
    const QString layout = QStringLiteral(
        "JSON.stringify(['user', 'pass'].map(id => { const e = document.getElementById(id);"
        " const r = e.getBoundingClientRect(); const cs = getComputedStyle(e);"
        " return [r.left, r.top, r.width, r.height, cs.outlineStyle, cs.outlineColor, cs.display];"
        " }).concat([document.body.getBoundingClientRect().height,"
        " document.documentElement.scrollHeight]))");
    const QString before = evaluate(layout).toString();
    const QRect user = boxOf("#user");
    const QRect pass = boxOf("#pass");
    ASSERT_FALSE(outlineShowsAt(user));

    pressOnPicture();
    dragOver("#user");
    EXPECT_TRUE(pageShowsMark());
    EXPECT_TRUE(QTest::qWaitFor([&] { return outlineShowsAt(user); }, 5000))
        << "no outline on the screen over #user";
    EXPECT_EQ(evaluate(layout).toString(), before) << "the outline changed the page";
    saveScreenshot("picker_outline_during_drag.png");

    dragOver("#pass");
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return outlineShowsAt(pass) && !outlineShowsAt(user); }, 5000))
        << "the outline did not follow the pointer";

    switch (row.end) {
        case DragEnd::Release:
            release();
            break;
        case DragEnd::Escape:
            ASSERT_TRUE(xdotool({"key", "Escape"}));
            ASSERT_TRUE(QTest::qWaitFor([&] { return !picker_->dragging(); }, 5000));
            // Esc ends the drag, not the program; the release that
            // follows picks nothing.
            EXPECT_TRUE(window().isVisible());
            expectIdleAfterDrag();
            ASSERT_TRUE(xdotool({"mouseup", "1"}));
            buttonDown_ = false;
            break;
        case DragEnd::LeaveThePage: {
            QWidget* scriptBox = window().control("编辑框8");
            ASSERT_TRUE(moveTo(scriptBox->mapToGlobal(scriptBox->rect().center())));
            break;
        }
    }
    EXPECT_TRUE(QTest::qWaitFor([&] { return !pageShowsMark(); }, 5000))
        << "the mark stayed in the page";
    EXPECT_TRUE(QTest::qWaitFor([&] { return !outlineShowsAt(pass); }, 5000))
        << "the outline stayed on the screen";
    EXPECT_EQ(field("编辑框2"), "pass");
    EXPECT_EQ(evaluate(layout).toString(), before);
    if (buttonDown_) release();
}

INSTANTIATE_TEST_SUITE_P(Ends, OutlineTest, testing::ValuesIn(kOutlineCases),
                         [](const auto& info) { return std::string(info.param.name); });

// What the code field's tooltip and the report tell about a pick: how many
// elements each lookup finds with the code, generated ids, repeated codes.
struct CountCase {
    const char* name;
    const char* selector;
    const char* code;
    int codeKind;
    app::marks::CodeCounts counts;
    bool generatedId;
    const char* toolTipHas;  // a phrase the tooltip must hold
};

const CountCase kCountCases[] = {
    {"IdDiffersFromName",
     "#user",
     "user",
     0,
     {1, 0, -1, -1},
     false,
     "按 ID 查找（代码种类 0）：1 个元素"},
    {"RepeatedName",
     "input[value=second]",
     "q",
     1,
     {0, 2, -1, -1},
     false,
     "有 2 个元素用这个代码，按代码种类 1 查找只会找到第一个"},
    {"GeneratedId", "#ember4821937", "ember4821937", 0, {1, 0, -1, -1}, true, "像是程序生成的"},
    // The link's text holds "help" and so does its address.
    {"Link", "#help", "help", 0, {1, 0, 1, 1}, false, "按标题查找（代码种类 3）：1 个链接"},
    {"Button", "#go", "go", 0, {1, 0, 1, 0}, false, "按地址查找（代码种类 4）：0 个按钮"},
};

class CountTest : public ElementPickerTest, public testing::WithParamInterface<CountCase> {};

TEST_P(CountTest, TellsWhatEachLookupFindsWithTheCode) {
    const CountCase& row = GetParam();
    load("picker/login.html");
    pressOnPicture();
    dragOver(row.selector);
    release();
    ASSERT_TRUE(picker_->lastReport().has_value());
    const app::PickReport& report = *picker_->lastReport();
    EXPECT_EQ(report.code, row.code);
    EXPECT_EQ(report.codeKind, row.codeKind);
    EXPECT_EQ(report.counts.byId, row.counts.byId);
    EXPECT_EQ(report.counts.byName, row.counts.byName);
    EXPECT_EQ(report.counts.byTitle, row.counts.byTitle);
    EXPECT_EQ(report.counts.byAddress, row.counts.byAddress);
    EXPECT_EQ(report.generatedId, row.generatedId);
    EXPECT_EQ(report.frameDepth, 0);
    const QString toolTip = window().control("编辑框2")->toolTip();
    EXPECT_EQ(toolTip.toStdString(), app::codeToolTip(report));
    EXPECT_TRUE(toolTip.contains(QString::fromUtf8(row.toolTipHas))) << toolTip.toStdString();
    EXPECT_EQ(toolTip.contains(QStringLiteral("程序生成")), row.generatedId);
}

INSTANTIATE_TEST_SUITE_P(Codes, CountTest, testing::ValuesIn(kCountCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ElementPickerTest, ScreenshotOfTheCodeToolTip) {
    load("picker/login.html");
    pressOnPicture();
    dragOver("input[value=second]");
    release();
    QWidget* code = window().control("编辑框2");
    QToolTip::showText(code->mapToGlobal(QPoint(4, code->height())), code->toolTip(), code);
    ASSERT_TRUE(QTest::qWaitFor([] { return QToolTip::isVisible(); }, 5000));
    saveScreenshot("picker_code_tooltip.png");
    QToolTip::hideText();
}

TEST(GeneratedIdTest, LongRunsOfDigitsOrHexLookGenerated) {
    for (const char* id : {"ember4821937", "x-12345", "a3f9c2e1", "item_0f1e2d3c4b"})
        EXPECT_TRUE(app::marks::looksGenerated(id)) << id;
    for (const char* id : {"user", "login2024", "deadbeef", "kw", "", "1234", "main-content"})
        EXPECT_FALSE(app::marks::looksGenerated(id)) << id;
}

// Pages in frames, served over HTTP so that one frame is of the page's own
// origin and one of another.
struct FrameCase {
    const char* name;
    const char* selector;  // where the pointer goes ("frame >> element")
    const char* id;
    int frameDepth;
    bool crossOrigin;
};

const FrameCase kFrameCases[] = {
    {"SameOrigin", "#same >> #inner", "inner", 1, false},
    {"Nested", "#same >> #nested >> #deep", "deep", 2, false},
    // Another origin's document cannot be read: the frame element it is.
    {"CrossOrigin", "#foreign", "foreign", 0, true},
};

class FrameTest : public ElementPickerTest, public testing::WithParamInterface<FrameCase> {
protected:
    static testsupport::FixtureServer& server() {
        static testsupport::FixtureServer fixtures(QStringLiteral(FIXTURE_DIR));
        return fixtures;
    }
};

TEST_P(FrameTest, PicksTheElementInsideReadableFrames) {
    const FrameCase& row = GetParam();
    ASSERT_NE(server().port(), 0);
    QSignalSpy finished(&view(), &QWebEngineView::loadFinished);
    view().setUrl(QUrl(server().url(QStringLiteral("/picker/frames.html"))));
    ASSERT_TRUE(finished.wait(20000));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return evaluate(
                       "document.getElementById('same').contentDocument.getElementById("
                       "'nested').contentDocument.getElementById('deep') !== null")
                .toBool();
        },
        10000));

    pressOnPicture();
    dragOver(row.selector);
    release();
    EXPECT_EQ(field("编辑框4"), row.id);
    ASSERT_TRUE(picker_->lastReport().has_value());
    EXPECT_EQ(picker_->lastReport()->frameDepth, row.frameDepth);
    EXPECT_EQ(picker_->lastReport()->crossOriginFrame, row.crossOrigin);
    const QString toolTip = window().control("编辑框2")->toolTip();
    EXPECT_EQ(toolTip.contains(QStringLiteral("元素在框架里")), row.frameDepth > 0)
        << toolTip.toStdString();
    EXPECT_EQ(toolTip.contains(QStringLiteral("另一个网站的框架")), row.crossOrigin)
        << toolTip.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Frames, FrameTest, testing::ValuesIn(kFrameCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Fraction of equal pixels of two images of one size.
double sameness(const QImage& a, const QImage& b) {
    if (a.size() != b.size() || a.isNull()) return 0;
    const QImage x = a.convertToFormat(QImage::Format_RGB32);
    const QImage y = b.convertToFormat(QImage::Format_RGB32);
    qint64 same = 0;
    for (int row = 0; row < x.height(); ++row) {
        const auto* p = reinterpret_cast<const QRgb*>(x.constScanLine(row));
        const auto* q = reinterpret_cast<const QRgb*>(y.constScanLine(row));
        for (int col = 0; col < x.width(); ++col) same += p[col] == q[col];
    }
    return double(same) / double(qint64(x.width()) * x.height());
}

// A page whose script keeps its main thread busy for 800 ms of every 850:
// during a drag of two seconds over it the window's event loop never stalls
// for more than 100 ms, no pick holds the window longer, and right after the
// release the screen shows the whole window painted as Qt paints it.
TEST_F(ElementPickerTest, BusyPageNeverFreezesTheWindow) {
    load("picker/busy.html");
    ASSERT_TRUE(QTest::qWaitFor([&] { return evaluate("window.busyRounds").toInt() >= 1; }, 10000));
    const QPoint first = centreOf("#first");
    const QPoint fourth = centreOf("#fourth");
    pressOnPicture();

    QElapsedTimer clock;
    qint64 last = 0;
    qint64 longestGap = 0;
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        longestGap = std::max(longestGap, now - last);
        last = now;
    });
    // One xdotool process moves the pointer to and fro for two seconds
    // while this thread runs its event loop.
    QStringList moves;
    for (int i = 0; i < 40; ++i) {
        const QPoint at = (i % 2 == 0 ? first : fourth) + QPoint(i % 5, 0);
        moves << "mousemove" << QString::number(at.x()) << QString::number(at.y()) << "sleep"
              << "0.05";
    }
    QProcess mover;
    clock.start();
    probe.start(5);
    mover.start(QStringLiteral("xdotool"), moves);
    ASSERT_TRUE(mover.waitForStarted(5000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return mover.state() == QProcess::NotRunning; }, 20000));
    const qint64 dragMs = clock.elapsed();
    probe.stop();
    release();

    std::cout << "[ measure  ] drag " << dragMs << " ms, longest event-loop gap " << longestGap
              << " ms, longest pick " << picker_->stats().longestPick.count() / 1000.0
              << " ms, picks " << picker_->stats().picks << ", dropped " << picker_->stats().dropped
              << std::endl;
    EXPECT_GE(dragMs, 1900);
    EXPECT_LE(longestGap, 100);
    EXPECT_LE(picker_->stats().longestPick.count(), 100'000);

    // Everything above the page, as the screen shows it and as Qt paints it.
    const QRect area(0, 0, window().width(), window().control("超文本浏览框1")->y());
    const auto painted = [&] {
        const QPoint origin = window().mapToGlobal(QPoint(0, 0));
        const QImage screen =
            QGuiApplication::primaryScreen()
                ->grabWindow(0, origin.x(), origin.y(), area.width(), area.height())
                .toImage();
        return sameness(screen, window().grab(area).toImage()) > 0.98;
    };
    EXPECT_TRUE(QTest::qWaitFor(painted, 1000)) << "the window is not painted after the release";
    saveScreenshot("picker_busy_page_after_release.png");
    // The page takes the outline off once it gets to it.
    EXPECT_TRUE(QTest::qWaitFor([&] { return !pageShowsMark(); }, 5000));
}

// ---------------------------------------------------------------------------
// Windows a real widget tree cannot make: another program's window whose class
// only looks like a browser's, and a browser document window that does not
// answer. A window system of the test's own stands under the pointer.

class PointedWindowSystem final : public platform::WindowSystem {
public:
    PointedWindowSystem(platform::WindowHandle pointed, std::string className, bool hangs)
        : pointed_(pointed),
          className_(std::move(className)),
          hangs_(hangs),
          previous_(platform::setWindowSystem(this)) {}
    ~PointedWindowSystem() override { platform::setWindowSystem(previous_); }
    PointedWindowSystem(const PointedWindowSystem&) = delete;
    PointedWindowSystem& operator=(const PointedWindowSystem&) = delete;

    int documentRequests = 0;

    platform::WindowHandle firstChild(platform::WindowHandle) override { return 0; }
    platform::WindowHandle nextSibling(platform::WindowHandle, platform::WindowHandle) override {
        return 0;
    }
    std::optional<std::string> className(platform::WindowHandle window) override {
        if (window != pointed_) return std::nullopt;
        return className_;
    }
    platform::WindowHandle windowFromPoint(platform::ScreenPoint) override { return pointed_; }
    std::optional<platform::ScreenRect> windowRect(platform::WindowHandle) override {
        return platform::ScreenRect{100, 100, 500, 400};
    }
    platform::ScreenPoint cursorPosition() override { return {150, 120}; }
    // Never answers with a document: a browser window without one answers
    // at once, a hung one not before the request's time-out.
    automation::AutomationObject requestDocument(platform::WindowHandle,
                                                 std::chrono::milliseconds timeout) override {
        ++documentRequests;
        if (hangs_) (void)automation::waitNested([] { return false; }, int(timeout.count()));
        return {};
    }

private:
    platform::WindowHandle pointed_;
    std::string className_;
    bool hangs_;
    platform::WindowSystem* previous_;
};

struct ForeignWindowCase {
    const char* name;
    platform::WindowHandle pointed;
    std::string className;
    bool hangs;  // the document request does not answer
    app::PickOutcome outcome;
};

const ForeignWindowCase kForeignWindows[] = {
    {"NoWindow", 0, "", false, app::PickOutcome::NotABrowserWindow},
    {"ClassInOtherCase", 7, "internet explorer_server", false, app::PickOutcome::NotABrowserWindow},
    {"ClassWithMore", 7, "Internet Explorer_Server2", false, app::PickOutcome::NotABrowserWindow},
    // A class name is read as a C string: it ends at the first NUL.
    {"ClassEndingAtNul", 7, std::string("Internet Explorer_Server\0tail", 29), false,
     app::PickOutcome::Picked},
    {"BrowserWithoutDocument", 7, "Internet Explorer_Server", false, app::PickOutcome::Picked},
    // Not answered within the pick's budget: dropped, the last pick stays.
    {"BrowserThatDoesNotAnswer", 7, "Internet Explorer_Server", true, app::PickOutcome::Dropped},
};

class ForeignWindowTest : public test_support::MainWindowFixture,
                          public testing::WithParamInterface<ForeignWindowCase> {};

TEST_P(ForeignWindowTest, PicksOnlyFromBrowserDocumentWindows) {
    const ForeignWindowCase& row = GetParam();
    const char* const fields[] = {"编辑框2", "编辑框3", "编辑框4", "编辑框5", "编辑框6"};
    for (const char* name : fields) window().setControlText(name, "before");
    PointedWindowSystem system(row.pointed, row.className, row.hangs);

    app::PickOptions bounded;
    bounded.budget = app::ElementPicker::kPickBudget;
    const app::PickOutcome outcome = app::pickElementAt(window(), {150, 120}, bounded);
    EXPECT_EQ(outcome, row.outcome);

    // A browser window without a document leaves every field empty; any
    // other window, and a pick that was dropped, change nothing.
    const bool emptied = row.outcome == app::PickOutcome::Picked;
    for (const char* name : fields)
        EXPECT_EQ(window().controlText(name), emptied ? "" : "before") << name;
    EXPECT_EQ(system.documentRequests, row.outcome == app::PickOutcome::NotABrowserWindow ? 0 : 1);
}

INSTANTIATE_TEST_SUITE_P(Windows, ForeignWindowTest, testing::ValuesIn(kForeignWindows),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
