#pragma once

#include <QRect>

// Window geometry is worked out in twips (1/1440 inch); 15 twips make one device-independent
// pixel at 96 dpi.
namespace Twips {

constexpr int ToPixels(int twips)
{
    return (twips + 7) / 15;
}

constexpr int FromPixels(int pixels)
{
    return pixels * 15;
}

inline QRect Rect(int left, int top, int width, int height)
{
    return {ToPixels(left), ToPixels(top), ToPixels(width), ToPixels(height)};
}

} // namespace Twips
