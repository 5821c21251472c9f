#include "app/caption_label.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QStylePainter>
#include <QTextLayout>
#include <algorithm>

namespace app {
namespace {

constexpr QChar kEnSpace(0x2002);
// Room kept between a caption's ink and a field beside it.
constexpr int kInkGap = 2;
// Width of the drop-down list's arrow box.
constexpr int kArrowBox = 13;

}  // namespace

void CaptionLabel::keepClearOf(const QList<QWidget*>& fields) {
    fields_.clear();
    for (QWidget* field : fields) fields_.append(field);
    update();
}

QList<CaptionLabel::Run> CaptionLabel::clearRuns() const {
    QList<Run> runs;
    if (fields_.isEmpty() || wordWrap()) return runs;
    QString shown = text();
    shown.replace(QLatin1Char(' '), kEnSpace);
    const QFontMetricsF metrics(font());
    const QRect area = contentsRect();

    // The gaps between the fields that lie over this label, in its own
    // coordinates.
    QList<QPair<int, int>> covered;
    for (const QPointer<QWidget>& field : fields_) {
        if (!field || field->parentWidget() != parentWidget()) continue;
        const QRect over = field->geometry().translated(-pos());
        if (over.bottom() < 0 || over.top() > height()) continue;
        covered.append({over.left(), over.right()});
    }

    qreal x = area.left();
    for (qsizetype i = 0; i < shown.size();) {
        if (shown[i] == kEnSpace) {
            x += metrics.horizontalAdvance(kEnSpace);
            ++i;
            continue;
        }
        qsizetype end = i;
        while (end < shown.size() && shown[end] != kEnSpace) ++end;
        Run run;
        run.text = shown.mid(i, end - i);
        run.x = x;
        const qreal advance = metrics.horizontalAdvance(run.text);
        const QRectF tight = metrics.tightBoundingRect(run.text);
        // The free room around the run's cell: from the nearest field
        // ending left of its middle to the nearest field starting right of it.
        const qreal middle = x + advance / 2;
        qreal low = area.left() - 1e6, high = area.right() + 1e6;
        for (const auto& [left, right] : covered) {
            if (right < middle) low = std::max<qreal>(low, right + 1 + kInkGap);
            if (left > middle) high = std::min<qreal>(high, left - kInkGap);
        }
        qreal inkLeft = x + tight.left();
        qreal inkWidth = tight.width();
        if (inkWidth > high - low) {
            run.scale = (high - low) / inkWidth;
            inkWidth = high - low;
        }
        if (inkLeft < low) inkLeft = low;
        if (inkLeft + inkWidth > high) inkLeft = high - inkWidth;
        run.x = inkLeft - tight.left() * run.scale;
        run.ink =
            QRectF(inkLeft, area.top() + metrics.ascent() + tight.top(), inkWidth, tight.height())
                .toAlignedRect();
        runs.append(run);
        x += advance;
        i = end;
    }
    return runs;
}

QList<QRect> CaptionLabel::runInk() const {
    QList<QRect> inks;
    for (const Run& run : clearRuns()) inks.append(run.ink);
    return inks;
}

void CaptionLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect area = contentsRect();
    painter.setClipRect(area);
    painter.setPen(palette().color(foregroundRole()));

    const QList<Run> runs = clearRuns();
    if (!runs.isEmpty()) {
        const qreal baseline = area.top() + QFontMetricsF(font()).ascent();
        for (const Run& run : runs) {
            painter.save();
            painter.translate(run.x, baseline);
            painter.scale(run.scale, 1);
            painter.drawText(QPointF(0, 0), run.text);
            painter.restore();
        }
        return;
    }

    QString shown = text();
    shown.replace(QLatin1Char(' '), kEnSpace);
    QTextLayout layout(shown, font());
    QTextOption option;
    option.setWrapMode(wordWrap() ? QTextOption::WrapAtWordBoundaryOrAnywhere
                                  : QTextOption::NoWrap);
    layout.setTextOption(option);
    const qreal em = fontMetrics().horizontalAdvance(QChar(0x4E00));
    layout.beginLayout();
    for (qreal y = 0;; y += em) {
        QTextLine line = layout.createLine();
        if (!line.isValid()) break;
        line.setLineWidth(area.width());
        line.setPosition(QPointF(0, y));
    }
    layout.endLayout();
    layout.draw(&painter, area.topLeft());
}

int FrameGroupBox::frameTop() const { return title().isEmpty() ? 0 : fontMetrics().height() / 2; }

void FrameGroupBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect frame = rect().adjusted(0, frameTop(), -1, -1);
    // An etched line: a dark one with a light one beside it.
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(frame.adjusted(0, 0, -1, -1));
    painter.setPen(palette().color(QPalette::Light));
    painter.drawRect(frame.adjusted(1, 1, 0, 0));
    if (title().isEmpty()) return;
    const QFontMetrics metrics = fontMetrics();
    const QRect caption(8, 0, metrics.horizontalAdvance(title()) + 4, metrics.height());
    painter.fillRect(caption, palette().color(backgroundRole()));
    painter.setPen(palette().color(foregroundRole()));
    painter.drawText(caption, Qt::AlignCenter, title());
}

QRect KindComboBox::textRect() const { return rect().adjusted(3, 1, -(kArrowBox + 1), -1); }

void KindComboBox::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionComboBox option;
    initStyleOption(&option);
    // The frame as the style draws it, without its arrow and text...
    option.subControls = QStyle::SC_ComboBoxFrame;
    option.currentText.clear();
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    // ... a small arrow at the right ...
    QStyleOption arrow;
    arrow.initFrom(this);
    arrow.rect = QRect(width() - kArrowBox - 1, 0, kArrowBox - 2, height());
    painter.drawPrimitive(QStyle::PE_IndicatorArrowDown, arrow);
    // ... and the current item in the rest.
    painter.setPen(palette().color(QPalette::ButtonText));
    painter.drawText(textRect(), Qt::AlignLeft | Qt::AlignVCenter, currentText());
}

}  // namespace app
