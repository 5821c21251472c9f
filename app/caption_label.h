#pragma once

#include <QLabel>

namespace app {

// The form's captions. The form was laid out in character cells where a
// blank is half as wide as a CJK character and lines are one character
// high: the blank-padded caption of the operation row lines up with the
// fields above it only then, and the two-line usage note fits its box only
// then. This label draws its text that way, whatever the font's own blank
// width and line spacing: blanks as en spaces (half an em), lines one em
// apart, from the top left, wrapping at word boundaries or else anywhere
// when word wrap is on. text() stays the text as set.
class CaptionLabel : public QLabel {
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace app
