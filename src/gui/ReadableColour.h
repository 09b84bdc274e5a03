#pragma once

#include <QColor>

class QPalette;

// Colours the program picks itself, kept legible under any desktop palette, light or dark.
namespace ReadableColour {

// The contrast of two colours as the web's accessibility guidelines measure it: from 1 (the
// same luminance) to 21 (black on white). Text wants 4.5 at least.
double Contrast(const QColor& a, const QColor& b);

// `wanted` itself when it stands out enough from `background`; otherwise the same hue made
// lighter on a dark background or darker on a light one, just as far as the contrast needs.
QColor On(const QColor& wanted, const QColor& background, double minimum = 4.5);

// The colour of a link on the window's background. A dark desktop palette may leave the link
// at the light palette's blue, which is unreadable on a dark window.
QColor Link(const QPalette& palette);

} // namespace ReadableColour
