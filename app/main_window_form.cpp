// The form of the main window: every control with its form name, kind,
// parent, geometry, initial text and settings, in creation order. A control
// earlier in the table lies above a later one where they overlap.
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRect>
#include <QWebEngineView>
#include <limits>

#include "app/browser_view.h"
#include "app/caption_label.h"
#include "app/cursor_file.h"
#include "app/help_text.h"
#include "app/main_window.h"

namespace app {

namespace {

enum class Kind { MultiLineEdit, LineEdit, Label, Button, ComboBox, Browser, Picture, GroupBox };

enum Setting : unsigned {
    kNone = 0,
    kCentred = 1u << 0,
    kHorizontalScroll = 1u << 1,
    kVerticalScroll = 1u << 2,
    kWordWrap = 1u << 3,
};

struct ControlRow {
    const char* name;
    Kind kind;
    const char* parent;  // nullptr: the window itself
    QRect geometry;
    const char* text;
    unsigned settings;
};

constexpr const char* kHelpBox = "编辑框10";
constexpr const char* kDetailsGroup = "分组框2";
constexpr const char* kPickerGroup = "分组框1";

const ControlRow kForm[] = {
    {kHelpBox,
     Kind::MultiLineEdit,
     nullptr,
     {696, 32, 480, 248},
     "",
     kHorizontalScroll | kVerticalScroll},
    {"编辑框6",
     Kind::MultiLineEdit,
     kDetailsGroup,
     {224, 41, 440, 48},
     "",
     kVerticalScroll | kWordWrap},
    {"标签5", Kind::Label, kDetailsGroup, {224, 16, 72, 24}, "网页详细：", kNone},
    {"编辑框5", Kind::LineEdit, kDetailsGroup, {65, 72, 150, 20}, "", kNone},
    {"编辑框3", Kind::LineEdit, kDetailsGroup, {65, 44, 150, 20}, "", kNone},
    {"编辑框4", Kind::LineEdit, kDetailsGroup, {65, 16, 150, 20}, "", kNone},
    {"标签1", Kind::Label, kDetailsGroup, {16, 16, 40, 24}, "I  D：", kNone},
    {"标签3", Kind::Label, kDetailsGroup, {16, 44, 35, 24}, "名称：", kNone},
    {"标签4", Kind::Label, kDetailsGroup, {16, 72, 35, 24}, "其它：", kNone},
    {"按钮4", Kind::Button, nullptr, {576, 91, 112, 24}, "测  试", kNone},
    {"编辑框9", Kind::LineEdit, nullptr, {345, 95, 31, 20}, "1", kCentred},
    {"编辑框2", Kind::LineEdit, nullptr, {216, 95, 72, 20}, "", kCentred},
    {"组合框1", Kind::ComboBox, nullptr, {96, 95, 72, 20}, "", kNone},
    {"按钮3", Kind::Button, nullptr, {461, 91, 112, 24}, "确  定", kNone},
    {"超文本浏览框1", Kind::Browser, nullptr, {16, 287, 664, 257}, "", kNone},
    {"按钮2", Kind::Button, nullptr, {624, 254, 56, 24}, "打开", kNone},
    {"编辑框1", Kind::LineEdit, nullptr, {373, 256, 248, 20}, "", kNone},
    {"标签6", Kind::Label, nullptr, {376, 231, 40, 24}, "地址：", kNone},
    {"按钮1", Kind::Button, nullptr, {624, 229, 56, 24}, "保存", kNone},
    {"编辑框8", Kind::MultiLineEdit, nullptr, {16, 33, 672, 55}, "", kVerticalScroll | kWordWrap},
    {"标签9", Kind::Label, nullptr, {16, 8, 72, 24}, "脚本内容：", kNone},
    {"编辑框7", Kind::LineEdit, nullptr, {411, 95, 31, 20}, "10", kCentred},
    {"标签8",
     Kind::Label,
     nullptr,
     {18, 94, 446, 24},
     " 网页操作类：              代码：            代码种类：     时间：     秒",
     kNone},
    {"标签2",
     Kind::Label,
     kPickerGroup,
     {51, 20, 288, 24},
     "  使用说明：在左边十字型图标处按下鼠标左键，拖放至要获取的网页文本框域按钮上放开鼠标。",
     kWordWrap},
    {"图片框2", Kind::Picture, kPickerGroup, {9, 16, 34, 34}, "", kNone},
    {kPickerGroup, Kind::GroupBox, nullptr, {17, 224, 352, 60}, "", kNone},
    {kDetailsGroup, Kind::GroupBox, nullptr, {16, 120, 672, 104}, "网页相关", kNone},
};

const char* const kKinds[] = {"填表文本", "填表标题", "点击链接", "点击按钮", "执行脚本"};

// Edit boxes hide their selection while they do not have the focus.
void hideInactiveSelection(QWidget* edit) {
    QPalette palette = edit->palette();
    palette.setColor(QPalette::Inactive, QPalette::Highlight,
                     palette.color(QPalette::Inactive, QPalette::Base));
    palette.setColor(QPalette::Inactive, QPalette::HighlightedText,
                     palette.color(QPalette::Inactive, QPalette::Text));
    edit->setPalette(palette);
}

QWidget* createMultiLineEdit(const ControlRow& row, QWidget* parent) {
    auto* edit = new QPlainTextEdit(parent);
    edit->setPlainText(QString::fromUtf8(row.text));
    edit->setHorizontalScrollBarPolicy((row.settings & kHorizontalScroll) ? Qt::ScrollBarAlwaysOn
                                                                          : Qt::ScrollBarAlwaysOff);
    edit->setVerticalScrollBarPolicy((row.settings & kVerticalScroll) ? Qt::ScrollBarAlwaysOn
                                                                      : Qt::ScrollBarAlwaysOff);
    if (row.settings & kWordWrap) {
        edit->setLineWrapMode(QPlainTextEdit::WidgetWidth);
        edit->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    } else {
        edit->setLineWrapMode(QPlainTextEdit::NoWrap);
    }
    hideInactiveSelection(edit);
    return edit;
}

QWidget* createLineEdit(const ControlRow& row, QWidget* parent) {
    auto* edit = new QLineEdit(parent);
    // No typing limit: the widget's default cap of 32767 characters is lifted.
    edit->setMaxLength(std::numeric_limits<int>::max());
    edit->setText(QString::fromUtf8(row.text));
    edit->setAlignment((row.settings & kCentred) ? Qt::AlignCenter
                                                 : (Qt::AlignLeft | Qt::AlignVCenter));
    hideInactiveSelection(edit);
    return edit;
}

QWidget* createLabel(const ControlRow& row, QWidget* parent) {
    auto* label = new CaptionLabel(parent);
    label->setTextFormat(Qt::PlainText);
    label->setText(QString::fromUtf8(row.text));
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setWordWrap(row.settings & kWordWrap);
    return label;
}

QWidget* createButton(const ControlRow& row, QWidget* parent) {
    auto* button = new QPushButton(QString::fromUtf8(row.text), parent);
    // Ordinary push buttons: none is the default button.
    button->setAutoDefault(false);
    button->setDefault(false);
    return button;
}

QWidget* createComboBox(QWidget* parent) {
    auto* combo = new KindComboBox(parent);
    combo->setEditable(false);
    for (const char* kind : kKinds) combo->addItem(QString::fromUtf8(kind));
    combo->setCurrentIndex(0);
    return combo;
}

QWidget* createPicture(QWidget* parent) {
    auto* picture = new QLabel(parent);
    picture->setFrameShape(QFrame::Box);
    picture->setFrameShadow(QFrame::Plain);
    picture->setLineWidth(1);
    picture->setAutoFillBackground(true);
    QPalette palette = picture->palette();
    palette.setColor(QPalette::Window, Qt::white);
    picture->setPalette(palette);
    picture->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    if (const auto crossHair = loadCursorFile(QStringLiteral(":/app/resources/crosshair.cur")))
        picture->setPixmap(QPixmap::fromImage(crossHair->image));
    picture->setCursor(Qt::PointingHandCursor);
    return picture;
}

QWidget* createGroupBox(const ControlRow& row, QWidget* parent) {
    return new FrameGroupBox(QString::fromUtf8(row.text), parent);
}

QWidget* createControl(const ControlRow& row, QWidget* parent) {
    switch (row.kind) {
        case Kind::MultiLineEdit:
            return createMultiLineEdit(row, parent);
        case Kind::LineEdit:
            return createLineEdit(row, parent);
        case Kind::Label:
            return createLabel(row, parent);
        case Kind::Button:
            return createButton(row, parent);
        case Kind::ComboBox:
            return createComboBox(parent);
        case Kind::Browser:
            return createBrowserView(parent);
        case Kind::Picture:
            return createPicture(parent);
        case Kind::GroupBox:
            return createGroupBox(row, parent);
    }
    return nullptr;
}

}  // namespace

void buildForm(MainWindow& window) {
    // Group boxes first, since their children come earlier in the table.
    for (const ControlRow& row : kForm) {
        if (row.kind != Kind::GroupBox) continue;
        QWidget* control = createControl(row, &window);
        control->setObjectName(QString::fromUtf8(row.name));
        window.addControl(control);
    }
    for (const ControlRow& row : kForm) {
        if (row.kind == Kind::GroupBox) continue;
        QWidget* parent = row.parent ? window.control(row.parent) : &window;
        QWidget* control = createControl(row, parent);
        control->setObjectName(QString::fromUtf8(row.name));
        window.addControl(control);
        if (row.kind == Kind::Browser) window.browser_ = static_cast<QWebEngineView*>(control);
    }
    for (const ControlRow& row : kForm) window.control(row.name)->setGeometry(row.geometry);
    // Raising from the last row to the first leaves every control above the
    // siblings that follow it in the table.
    for (auto it = std::rbegin(kForm); it != std::rend(kForm); ++it)
        window.control(it->name)->raise();
    if (auto* help = qobject_cast<QPlainTextEdit*>(window.control(kHelpBox)))
        help->setPlainText(helpText());
    // The operation row's caption keeps its words clear of the fields above it.
    if (auto* caption = dynamic_cast<CaptionLabel*>(window.control("标签8"))) {
        caption->keepClearOf({window.control("组合框1"), window.control("编辑框2"),
                              window.control("编辑框9"), window.control("编辑框7")});
    }
}

}  // namespace app
