#pragma once

#include <QProxyStyle>

// The style Qt draws with when the desktop names none, with two outlines strengthened so that
// they stand out from the window at 3:1 under any palette, as the accessibility guidelines ask
// of controls: the ring of a radio button or check box (on a dark palette the base style draws
// it near-black on a near-black window) and the focus ring (a pale blue there). The outlines
// keep their hue; only their lightness moves, and only as far as the contrast needs. A
// desktop's own style is left as it draws.
class ReadableStyle : public QProxyStyle
{
    Q_OBJECT

public:
    ReadableStyle();

    // The style for the application, when the one Qt picked is its own ("Fusion").
    static void Install();

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;

    static constexpr double ControlContrast = 3.0;
};
