#include "channels/keyboardview.h"
#include <QPaintEvent>
#include <QPainter>
#include <algorithm>

namespace {
bool black(int key)
{
    const int k = key % 12;
    return k == 1 || k == 3 || k == 6 || k == 8 || k == 10;
}
// White keys below key, counted from key 0.
int whitesBelow(int key)
{
    static const int inOctave[12] = {0, 1, 1, 2, 2, 3, 4, 4, 5, 5, 6, 6};
    return key / 12 * 7 + inOctave[key % 12];
}
}

KeyboardView::KeyboardView(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("Keyboard"));
    setMinimumHeight(48);
    setAccessibleName(QStringLiteral("Keys sounding now"));
}

void KeyboardView::setRange(int low, int high)
{
    low = std::clamp(low, 0, 127) / 12 * 12;
    high = std::clamp(high, low, 127) / 12 * 12 + 11;
    if (high - low < 23)
        high = low + 23;
    m_low = low;
    m_high = std::min(high, 127);
    update();
}

void KeyboardView::setKeys(const Keys &keys)
{
    if (keys == m_keys)
        return;
    // Only the keys whose colour changed: a whole keyboard sixty times a second is most of the window's cost.
    std::array<int, 128> was;
    for (int key = m_low; key <= m_high; ++key)
        was[size_t(key)] = channelAt(key);
    m_keys = keys;
    for (int key = m_low; key <= m_high; ++key)
        if (channelAt(key) != was[size_t(key)])
            update(keyRect(key).toAlignedRect().adjusted(-1, -1, 1, 1));
}

int KeyboardView::channelAt(int key) const
{
    for (int ch = 0; ch < 16; ++ch)
        if ((m_keys[size_t(ch)][size_t(key >> 6)] >> (key & 63)) & 1)
            return ch;
    return -1;
}

QColor KeyboardView::channelColour(int channel)
{
    // Neighbouring channels far apart on the colour wheel.
    return QColor::fromHsv((channel * 7 % 16) * 360 / 16, 200, 230);
}

QRectF KeyboardView::keyRect(int key) const
{
    const double w = double(width()) / (whitesBelow(m_high + 1) - whitesBelow(m_low));
    const double x = (whitesBelow(key) - whitesBelow(m_low)) * w;
    if (!black(key))
        return {x, 0, w, double(height() - 1)};
    return {x - w * 0.3, 0, w * 0.6, height() * 0.6};
}

void KeyboardView::paintEvent(QPaintEvent *event)
{
    QPainter p(this);
    p.setPen(QColor(60, 60, 60));
    for (int pass = 0; pass < 2; ++pass) {
        for (int key = m_low; key <= m_high; ++key) {
            if (black(key) != (pass == 1) || !event->region().intersects(keyRect(key).toAlignedRect()))
                continue;
            const int ch = channelAt(key);
            p.setBrush(ch >= 0 ? channelColour(ch) : pass ? QColor(30, 30, 30) : QColor(250, 250, 250));
            p.drawRect(keyRect(key));
        }
    }
}
