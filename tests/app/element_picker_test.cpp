// The cross-hair picker in the real window under X: the left button is
// pressed on 图片框2, the real pointer is moved over the page in
// 超文本浏览框1 and released, as a user does (xdotool drives the X server's
// pointer, so the mouse grab, the hit test and the page's layout are all real).
#include "app/element_picker.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QCursor>
#include <QDir>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLabel>
#include <QProcess>
#include <QScreen>
#include <QTest>
#include <functional>
#include <optional>
#include <string>

#include "platform/window_system.h"
#include "tests/app/tool_window.h"

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
        if (picker_ && picker_->dragging()) xdotool({"mouseup", "1"});
        ToolWindowTest::TearDown();
    }

    QComboBox* combo() { return qobject_cast<QComboBox*>(window().control("组合框1")); }

    std::string field(const char* name) { return window().controlText(name); }

    // The screen point at the middle of the page element `selector`.
    QPoint centreOf(const char* selector) {
        const QString expression =
            QStringLiteral(
                "(() => { const r = document.querySelector('%1').getBoundingClientRect();"
                " return JSON.stringify([r.left + r.width / 2, r.top + r.height / 2]); })()")
                .arg(QLatin1String(selector));
        const QJsonArray centre =
            QJsonDocument::fromJson(evaluate(expression).toString().toUtf8()).array();
        const double zoom = view().zoomFactor();
        return view().mapToGlobal(
            QPoint(int(centre.at(0).toDouble() * zoom), int(centre.at(1).toDouble() * zoom)));
    }

    QString outerHtmlOf(const char* selector) {
        return evaluate(QStringLiteral("document.querySelector('%1').outerHTML")
                            .arg(QLatin1String(selector)))
            .toString();
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
        ASSERT_TRUE(QTest::qWaitFor([&] { return picker_->dragging(); }, 5000));
    }

    void release() {
        ASSERT_TRUE(xdotool({"mouseup", "1"}));
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

    void expectUntouchedFields() {
        EXPECT_EQ(field("编辑框9"), "３");
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
};

struct PickCase {
    const char* name;
    const char* selector;
    const char* id;     // 编辑框4
    const char* named;  // 编辑框3
    const char* code;   // 编辑框2: the id, else the name
    const char* inner;  // 编辑框5
};

const PickCase kPickCases[] = {
    {"IdAndName", "#kw", "kw", "wd", "kw", ""},
    {"NameOnly", "input[name=q]", "", "q", "q", ""},
    {"Neither", "div.at:not([id])", "", "", "", "无名之块"},
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
    EXPECT_EQ(field("编辑框5"), row.inner);
    release();

    // The release picks nothing: the fields keep the last movement's pick.
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

// ---------------------------------------------------------------------------
// Windows a real widget tree cannot make: another program's window whose class
// only looks like a browser's, and a browser document window that does not
// answer. A window system of the test's own stands under the pointer.

class PointedWindowSystem final : public platform::WindowSystem {
public:
    PointedWindowSystem(platform::WindowHandle pointed, std::string className)
        : pointed_(pointed),
          className_(std::move(className)),
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
    // Never answers with a document, as a hung or dead browser window.
    automation::AutomationObject requestDocument(platform::WindowHandle,
                                                 std::chrono::milliseconds) override {
        ++documentRequests;
        return {};
    }

private:
    platform::WindowHandle pointed_;
    std::string className_;
    platform::WindowSystem* previous_;
};

struct ForeignWindowCase {
    const char* name;
    platform::WindowHandle pointed;
    std::string className;
    bool picks;  // whether the window counts as a browser document window
};

const ForeignWindowCase kForeignWindows[] = {
    {"NoWindow", 0, "", false},
    {"ClassInOtherCase", 7, "internet explorer_server", false},
    {"ClassWithMore", 7, "Internet Explorer_Server2", false},
    // A class name is read as a C string: it ends at the first NUL.
    {"ClassEndingAtNul", 7, std::string("Internet Explorer_Server\0tail", 29), true},
    {"BrowserThatDoesNotAnswer", 7, "Internet Explorer_Server", true},
};

class ForeignWindowTest : public test_support::MainWindowFixture,
                          public testing::WithParamInterface<ForeignWindowCase> {};

TEST_P(ForeignWindowTest, PicksOnlyFromBrowserDocumentWindows) {
    const ForeignWindowCase& row = GetParam();
    const char* const fields[] = {"编辑框2", "编辑框3", "编辑框4", "编辑框5", "编辑框6"};
    for (const char* name : fields) window().setControlText(name, "before");
    PointedWindowSystem system(row.pointed, row.className);

    app::pickElementUnderCursor(window());

    // A browser window without a document leaves every field empty; any
    // other window changes nothing.
    for (const char* name : fields)
        EXPECT_EQ(window().controlText(name), row.picks ? "" : "before") << name;
    EXPECT_EQ(system.documentRequests, row.picks ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(Windows, ForeignWindowTest, testing::ValuesIn(kForeignWindows),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
