// The main window's form, checked against the live widgets: one row per
// control, in creation order.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QWebEngineView>
#include <memory>

#include "app/main_window.h"
#include "tests/support/main_window_fixture.h"

namespace {

enum class Kind { MultiLine, SingleLine, Label, Button, Combo, Browser, Picture, Group };

enum Settings : unsigned {
    kPlain = 0,
    kCentred = 1u << 0,
    kHScroll = 1u << 1,
    kVScroll = 1u << 2,
    kWrap = 1u << 3,
};

struct Row {
    const char* name;
    Kind kind;
    const char* parent;  // "" for the window
    QRect geometry;      // as created; the help box and browser sizes follow the layout
    const char* text;
    unsigned settings;
};

const Row kRows[] = {
    {"编辑框10", Kind::MultiLine, "", {696, 32, 480, 248}, nullptr, kHScroll | kVScroll},
    {"编辑框6", Kind::MultiLine, "分组框2", {224, 41, 440, 48}, "", kVScroll | kWrap},
    {"标签5", Kind::Label, "分组框2", {224, 16, 72, 24}, "网页详细：", kPlain},
    {"编辑框5", Kind::SingleLine, "分组框2", {65, 72, 150, 20}, "", kPlain},
    {"编辑框3", Kind::SingleLine, "分组框2", {65, 44, 150, 20}, "", kPlain},
    {"编辑框4", Kind::SingleLine, "分组框2", {65, 16, 150, 20}, "", kPlain},
    {"标签1", Kind::Label, "分组框2", {16, 16, 40, 24}, "I  D：", kPlain},
    {"标签3", Kind::Label, "分组框2", {16, 44, 35, 24}, "名称：", kPlain},
    {"标签4", Kind::Label, "分组框2", {16, 72, 35, 24}, "其它：", kPlain},
    {"按钮4", Kind::Button, "", {576, 91, 112, 24}, "测  试", kPlain},
    {"编辑框9", Kind::SingleLine, "", {345, 95, 31, 20}, "1", kCentred},
    {"编辑框2", Kind::SingleLine, "", {216, 95, 72, 20}, "", kCentred},
    {"组合框1", Kind::Combo, "", {96, 95, 72, 20}, "填表文本", kPlain},
    {"按钮3", Kind::Button, "", {461, 91, 112, 24}, "确  定", kPlain},
    {"超文本浏览框1", Kind::Browser, "", {16, 287, 664, 257}, "", kPlain},
    {"按钮2", Kind::Button, "", {624, 254, 56, 24}, "打开", kPlain},
    {"编辑框1", Kind::SingleLine, "", {373, 256, 248, 20}, "", kPlain},
    {"标签6", Kind::Label, "", {376, 231, 40, 24}, "地址：", kPlain},
    {"按钮1", Kind::Button, "", {624, 229, 56, 24}, "保存", kPlain},
    {"编辑框8", Kind::MultiLine, "", {16, 33, 672, 55}, "", kVScroll | kWrap},
    {"标签9", Kind::Label, "", {16, 8, 72, 24}, "脚本内容：", kPlain},
    {"编辑框7", Kind::SingleLine, "", {411, 95, 31, 20}, "10", kCentred},
    {"标签8",
     Kind::Label,
     "",
     {18, 94, 446, 24},
     " 网页操作类：              代码：            代码种类：     时间：     秒",
     kPlain},
    {"标签2",
     Kind::Label,
     "分组框1",
     {51, 20, 288, 24},
     "  使用说明：在左边十字型图标处按下鼠标左键，拖放至要获取的网页文本框域按钮上放开鼠标。",
     kPlain},
    {"图片框2", Kind::Picture, "分组框1", {9, 16, 34, 34}, "", kPlain},
    {"分组框1", Kind::Group, "", {17, 224, 352, 60}, "", kPlain},
    {"分组框2", Kind::Group, "", {16, 120, 672, 104}, "网页相关", kPlain},
};

class ControlTableTest : public testing::TestWithParam<Row> {
protected:
    static void SetUpTestSuite() {
        window_ = new app::MainWindow;
        test_support::showAndSettle(*window_);
    }
    static void TearDownTestSuite() {
        delete window_;
        window_ = nullptr;
    }
    static app::MainWindow* window_;
};

app::MainWindow* ControlTableTest::window_ = nullptr;

bool followsLayout(const Row& row) {
    return QString::fromUtf8(row.name) == QStringLiteral("编辑框10") ||
           QString::fromUtf8(row.name) == QStringLiteral("超文本浏览框1");
}

void checkSingleLine(QWidget* widget, const Row& row) {
    auto* edit = qobject_cast<QLineEdit*>(widget);
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(edit->text(), QString::fromUtf8(row.text));
    EXPECT_EQ(edit->alignment() & Qt::AlignHorizontal_Mask,
              (row.settings & kCentred) ? Qt::AlignHCenter : Qt::AlignLeft);
    EXPECT_FALSE(edit->isReadOnly());
    EXPECT_EQ(edit->echoMode(), QLineEdit::Normal);
    EXPECT_TRUE(edit->hasFrame());
    // No typing limit: more than the widget's default of 32767 characters.
    EXPECT_GT(edit->maxLength(), 1 << 30);
}

void checkMultiLine(QWidget* widget, const Row& row) {
    auto* edit = qobject_cast<QPlainTextEdit*>(widget);
    ASSERT_NE(edit, nullptr);
    if (row.text) {
        EXPECT_EQ(edit->toPlainText(), QString::fromUtf8(row.text));
    }
    EXPECT_FALSE(edit->isReadOnly());
    EXPECT_EQ(edit->horizontalScrollBarPolicy(),
              (row.settings & kHScroll) ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    EXPECT_EQ(edit->verticalScrollBarPolicy(),
              (row.settings & kVScroll) ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    EXPECT_EQ(edit->lineWrapMode(),
              (row.settings & kWrap) ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
    EXPECT_EQ(edit->frameShadow(), QFrame::Sunken);
}

void checkKindAndContent(QWidget* widget, const Row& row) {
    const QString text = row.text ? QString::fromUtf8(row.text) : QString();
    switch (row.kind) {
        case Kind::SingleLine:
            checkSingleLine(widget, row);
            break;
        case Kind::MultiLine:
            checkMultiLine(widget, row);
            break;
        case Kind::Label: {
            auto* label = qobject_cast<QLabel*>(widget);
            ASSERT_NE(label, nullptr);
            EXPECT_EQ(label->text(), text);
            break;
        }
        case Kind::Button: {
            auto* button = qobject_cast<QPushButton*>(widget);
            ASSERT_NE(button, nullptr);
            EXPECT_EQ(button->text(), text);
            EXPECT_FALSE(button->isDefault());
            EXPECT_FALSE(button->autoDefault());
            break;
        }
        case Kind::Combo: {
            auto* combo = qobject_cast<QComboBox*>(widget);
            ASSERT_NE(combo, nullptr);
            EXPECT_FALSE(combo->isEditable());
            QStringList items;
            for (int i = 0; i < combo->count(); ++i) items << combo->itemText(i);
            EXPECT_EQ(items,
                      (QStringList{"填表文本", "填表标题", "点击链接", "点击按钮", "执行脚本"}));
            EXPECT_EQ(combo->currentIndex(), 0);
            EXPECT_EQ(combo->currentText(), text);
            break;
        }
        case Kind::Browser: {
            auto* view = qobject_cast<QWebEngineView*>(widget);
            ASSERT_NE(view, nullptr);
            EXPECT_TRUE(view->url().isEmpty()) << view->url().toString().toStdString();
            EXPECT_DOUBLE_EQ(view->zoomFactor(), 1.0);
            break;
        }
        case Kind::Picture: {
            auto* picture = qobject_cast<QLabel*>(widget);
            ASSERT_NE(picture, nullptr);
            EXPECT_EQ(picture->frameShape(), QFrame::Box);
            EXPECT_EQ(picture->lineWidth(), 1);
            EXPECT_EQ(picture->palette().color(QPalette::Window), QColor(Qt::white));
            EXPECT_TRUE(picture->autoFillBackground());
            EXPECT_EQ(picture->pixmap().size(), QSize(32, 32));
            EXPECT_EQ(picture->cursor().shape(), Qt::PointingHandCursor);
            break;
        }
        case Kind::Group: {
            auto* group = qobject_cast<QGroupBox*>(widget);
            ASSERT_NE(group, nullptr);
            EXPECT_EQ(group->title(), text);
            break;
        }
    }
}

TEST_P(ControlTableTest, MatchesLiveWidget) {
    const Row& row = GetParam();
    SCOPED_TRACE(row.name);
    QWidget* widget = window_->control(row.name);
    ASSERT_NE(widget, nullptr);
    EXPECT_EQ(widget->objectName(), QString::fromUtf8(row.name));

    QWidget* expectedParent = *row.parent ? window_->control(row.parent) : window_;
    ASSERT_NE(expectedParent, nullptr);
    EXPECT_EQ(widget->parentWidget(), expectedParent);

    if (followsLayout(row))
        EXPECT_EQ(widget->pos(), row.geometry.topLeft());
    else
        EXPECT_EQ(widget->geometry(), row.geometry);

    EXPECT_TRUE(widget->isVisible());
    EXPECT_TRUE(widget->isEnabled());
    // Every control uses the window's font; none carries one of its own.
    EXPECT_FALSE(widget->testAttribute(Qt::WA_SetFont));
    EXPECT_EQ(widget->font(), window_->font());

    checkKindAndContent(widget, row);
}

TEST_P(ControlTableTest, LiesAboveTheSiblingsThatFollowIt) {
    const Row& row = GetParam();
    QWidget* widget = window_->control(row.name);
    ASSERT_NE(widget, nullptr);
    const QObjectList& siblings = widget->parentWidget()->children();  // bottom to top
    bool after = false;
    for (const Row& other : kRows) {
        if (&other == &row) {
            after = true;
            continue;
        }
        if (!after || QString::fromUtf8(other.parent) != QString::fromUtf8(row.parent)) continue;
        EXPECT_GT(siblings.indexOf(widget), siblings.indexOf(window_->control(other.name)))
            << row.name << " should lie above " << other.name;
    }
}

INSTANTIATE_TEST_SUITE_P(Form, ControlTableTest, testing::ValuesIn(kRows),
                         [](const testing::TestParamInfo<Row>& info) {
                             return "row" + std::to_string(info.index + 1);
                         });

}  // namespace
