#include "player/headinglabel.h"
#include <QHelpEvent>
#include <QPainter>
#include <QStyle>
#include <QToolTip>

void HeadingLabel::setShrinkable(const QString &part)
{
    m_part = part;
    update();
}

QString HeadingLabel::shownText() const
{
    const QString caption = text();
    const QFontMetrics fm = fontMetrics();
    const int room = contentsRect().width() - 2 * margin();
    if (fm.horizontalAdvance(caption) <= room)
        return caption;
    qsizetype at = m_part.isEmpty() ? -1 : caption.startsWith(m_part) ? 0 : caption.lastIndexOf(m_part);
    qsizetype length = m_part.size();
    if (at < 0) {
        at = 0;
        length = caption.size();
    }
    const QString before = caption.left(at);
    const QString after = caption.mid(at + length);
    const int left = std::max(0, room - fm.horizontalAdvance(before + after));
    return before + fm.elidedText(caption.mid(at, length), Qt::ElideMiddle, left) + after;
}

bool HeadingLabel::event(QEvent *event)
{
    if (event->type() == QEvent::ToolTip && toolTip().isEmpty() && shownText() != text()) {
        QToolTip::showText(static_cast<QHelpEvent *>(event)->globalPos(), text(), this);
        return true;
    }
    return QLabel::event(event);
}

void HeadingLabel::paintEvent(QPaintEvent *event)
{
    const QString shown = shownText();
    if (shown == text()) {
        QLabel::paintEvent(event);
        return;
    }
    QPainter p(this);
    const QRect r = contentsRect().adjusted(margin(), margin(), -margin(), -margin());
    style()->drawItemText(&p, r, int(QStyle::visualAlignment(layoutDirection(), alignment())), palette(), isEnabled(),
                          shown, foregroundRole());
}
