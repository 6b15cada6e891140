#pragma once
#include <QRect>

// Layouts and the stored window place are in twips: 15 to a pixel at 96 dpi.
namespace Twips {
inline constexpr int PerPixel = 15;

// A size or place inside a window, to the nearest pixel (layout values are
// never negative).
constexpr int toPixels(int twips)
{
    return (twips + PerPixel / 2) / PerPixel;
}
constexpr QRect toPixels(int left, int top, int width, int height)
{
    return QRect(toPixels(left), toPixels(top), toPixels(width), toPixels(height));
}

// A window's place on the screen drops the part pixel, so a place read back
// from the window lands where it was.
constexpr int screenToPixels(double twips)
{
    return int(twips / PerPixel);
}

constexpr int fromPixels(int pixels)
{
    return pixels * PerPixel;
}
}
