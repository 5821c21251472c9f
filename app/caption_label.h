#pragma once

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QList>
#include <QPointer>
#include <QRect>

namespace app {

// The form's captions. The form was laid out in character cells where a
// blank is half as wide as a CJK character and lines are one character
// high: the blank-padded caption of the operation row lines up with the
// fields above it only then, and the two-line usage note fits its box only
// then. This label draws its text that way, whatever the font's own blank
// width and line spacing: blanks as en spaces (half an em), lines one em
// apart, from the top left, wrapping at word boundaries or else anywhere
// when word wrap is on. text() stays the text as set.
//
// A one-line caption that lies under fields (the operation row's) can be
// told to keep its words clear of them: each run of text between blanks
// keeps its cell where it can, and is moved, or at the last narrowed, into
// the gap between the fields around it, so that no field covers or touches
// its ink.
class CaptionLabel : public QLabel {
public:
    using QLabel::QLabel;

    void keepClearOf(const QList<QWidget*>& fields);
    // Where each run of text is drawn (its ink), in the label's coordinates;
    // empty for a label that is not kept clear of fields.
    [[nodiscard]] QList<QRect> runInk() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    struct Run {
        QString text;
        qreal x = 0;      // where the run's cell starts
        qreal scale = 1;  // horizontal scale, below 1 when narrowed
        QRect ink;        // in the label's coordinates
    };
    [[nodiscard]] QList<Run> clearRuns() const;

    QList<QPointer<QWidget>> fields_;
};

// A group box drawn as the form's group boxes were: the frame's top line
// runs through the middle of the caption, which interrupts it near the left
// end, so the frame stays clear of the controls placed just below the
// caption's line.
class FrameGroupBox : public QGroupBox {
public:
    using QGroupBox::QGroupBox;

    // The y of the frame's top line.
    [[nodiscard]] int frameTop() const;

protected:
    void paintEvent(QPaintEvent* event) override;
};

// A drop-down list whose arrow takes only the room it needs, so that an item
// of four CJK characters fits beside it in the form's 72 pixels.
class KindComboBox : public QComboBox {
public:
    using QComboBox::QComboBox;

    // Where the current item's text is drawn.
    [[nodiscard]] QRect textRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace app
