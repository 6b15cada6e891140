#pragma once
#include <QProxyStyle>

// Draws a spin box as a bare pair of arrow buttons, one above the other, in the
// widget's Button / ButtonText colours, and lets each half of the box step it.
class UpDownStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;
    void drawComplexControl(ComplexControl control, const QStyleOptionComplex *option, QPainter *painter,
                            const QWidget *widget = nullptr) const override;
    QRect subControlRect(ComplexControl control, const QStyleOptionComplex *option, SubControl sub,
                         const QWidget *widget = nullptr) const override;
};
