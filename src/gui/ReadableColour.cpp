#include "ReadableColour.h"

#include <QPalette>

#include <cmath>

namespace {

// The relative luminance of an sRGB colour, 0 for black and 1 for white.
double Luminance(const QColor& colour)
{
    const auto linear = [](float channel) {
        return channel <= 0.04045F ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
    };
    const QColor rgb = colour.toRgb();
    return 0.2126 * linear(rgb.redF()) + 0.7152 * linear(rgb.greenF()) +
           0.0722 * linear(rgb.blueF());
}

} // namespace

double ReadableColour::Contrast(const QColor& a, const QColor& b)
{
    const double la = Luminance(a);
    const double lb = Luminance(b);
    return (qMax(la, lb) + 0.05) / (qMin(la, lb) + 0.05);
}

QColor ReadableColour::On(const QColor& wanted, const QColor& background, double minimum)
{
    if (Contrast(wanted, background) >= minimum)
        return wanted;
    // Lightness in small steps keeps the hue, so that a link still looks like one.
    const bool darkBackground = Luminance(background) < 0.18;
    const QColor hsl = wanted.toHsl();
    QColor candidate = wanted;
    for (int lightness = hsl.lightness(); lightness >= 0 && lightness <= 255;
         lightness += darkBackground ? 5 : -5) {
        candidate = QColor::fromHsl(hsl.hslHue(), hsl.hslSaturation(), lightness);
        if (Contrast(candidate, background) >= minimum)
            return candidate;
    }
    return darkBackground ? QColor(Qt::white) : QColor(Qt::black);
}

QColor ReadableColour::Link(const QPalette& palette)
{
    return On(palette.color(QPalette::Link), palette.color(QPalette::Window));
}
