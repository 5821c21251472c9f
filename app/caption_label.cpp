#include "app/caption_label.h"

#include <QPainter>
#include <QTextLayout>

namespace app {

void CaptionLabel::paintEvent(QPaintEvent*) {
    constexpr QChar kEnSpace(0x2002);
    QString shown = text();
    shown.replace(QLatin1Char(' '), kEnSpace);

    QTextLayout layout(shown, font());
    QTextOption option;
    option.setWrapMode(wordWrap() ? QTextOption::WrapAtWordBoundaryOrAnywhere
                                  : QTextOption::NoWrap);
    layout.setTextOption(option);
    const qreal em = fontMetrics().horizontalAdvance(QChar(0x4E00));
    const QRect area = contentsRect();
    layout.beginLayout();
    for (qreal y = 0;; y += em) {
        QTextLine line = layout.createLine();
        if (!line.isValid()) break;
        line.setLineWidth(area.width());
        line.setPosition(QPointF(0, y));
    }
    layout.endLayout();

    QPainter painter(this);
    painter.setClipRect(area);
    painter.setPen(palette().color(foregroundRole()));
    layout.draw(&painter, area.topLeft());
}

}  // namespace app
