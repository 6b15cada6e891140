#include "player/updownstyle.h"
#include <QPainter>
#include <QPainterPath>
#include <QStyleOptionSpinBox>
#include <qdrawutil.h>

namespace {

void drawArrowButton(QPainter *p, const QRect &r, const QStyleOptionSpinBox &opt, bool up, bool pressed, bool enabled)
{
    const QPalette &pal = opt.palette;
    qDrawShadePanel(p, r, pal, pressed, 1, &pal.brush(QPalette::Button));
    // A triangle as wide as it fits and half as high, nudged down and right while pressed.
    const QRectF in = QRectF(r).adjusted(2, 1, -2, -1);
    const qreal half = std::max(1.5, std::min(in.width() / 2, in.height()) * 0.7);
    const QPointF c = in.center() + (pressed ? QPointF(0.5, 0.5) : QPointF());
    const qreal dy = up ? -half / 2 : half / 2;
    QPainterPath tri;
    tri.moveTo(c.x(), c.y() + dy);
    tri.lineTo(c.x() - half, c.y() - dy);
    tri.lineTo(c.x() + half, c.y() - dy);
    tri.closeSubpath();
    p->setRenderHint(QPainter::Antialiasing);
    p->fillPath(tri, pal.color(enabled ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
    p->setRenderHint(QPainter::Antialiasing, false);
}

}   // namespace

void UpDownStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex *option, QPainter *painter,
                                     const QWidget *widget) const
{
    const auto *spin = qstyleoption_cast<const QStyleOptionSpinBox *>(option);
    if (control != CC_SpinBox || !spin) {
        QProxyStyle::drawComplexControl(control, option, painter, widget);
        return;
    }
    const bool sunken = spin->state & State_Sunken;
    for (const SubControl sub : {SC_SpinBoxUp, SC_SpinBoxDown}) {
        const bool up = sub == SC_SpinBoxUp;
        const bool enabled = (spin->state & State_Enabled)
                             && (spin->stepEnabled
                                 & (up ? QAbstractSpinBox::StepUpEnabled : QAbstractSpinBox::StepDownEnabled));
        drawArrowButton(painter, subControlRect(control, option, sub, widget), *spin, up,
                        sunken && (spin->activeSubControls & sub), enabled);
    }
}

QRect UpDownStyle::subControlRect(ComplexControl control, const QStyleOptionComplex *option, SubControl sub,
                                  const QWidget *widget) const
{
    if (control != CC_SpinBox)
        return QProxyStyle::subControlRect(control, option, sub, widget);
    const QRect r = option->rect;
    const int top = r.height() / 2;
    switch (sub) {
    case SC_SpinBoxUp: return QRect(r.x(), r.y(), r.width(), top);
    case SC_SpinBoxDown: return QRect(r.x(), r.y() + top, r.width(), r.height() - top);
    case SC_SpinBoxFrame: return r;
    default: return {};   // no edit field: the value is never shown
    }
}
