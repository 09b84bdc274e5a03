#include "ReadableStyle.h"

#include "ReadableColour.h"

#include <QApplication>
#include <QPainter>
#include <QStyleFactory>
#include <QStyleOption>

namespace {

const char OwnStyle[] = "Fusion";

// A one-pixel outline in `colour` along the inside of `rect`: round for a radio button.
void Outline(QPainter& painter, const QRectF& rect, const QColor& colour, bool round,
             qreal width = 1)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(colour, width));
    const qreal inset = width / 2;
    const QRectF inside = rect.adjusted(inset, inset, -inset, -inset);
    if (round)
        painter.drawEllipse(inside);
    else
        painter.drawRoundedRect(inside, 2, 2);
    painter.restore();
}

bool ShowsFocus(const QStyleOption& option)
{
    return (option.state & QStyle::State_HasFocus) &&
           (option.state & QStyle::State_KeyboardFocusChange);
}

} // namespace

ReadableStyle::ReadableStyle() : QProxyStyle(QStyleFactory::create(QString::fromLatin1(OwnStyle)))
{
}

void ReadableStyle::Install()
{
    if (QApplication::style()->name().compare(QLatin1String(OwnStyle), Qt::CaseInsensitive) == 0)
        QApplication::setStyle(new ReadableStyle);
}

void ReadableStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option,
                                  QPainter* painter, const QWidget* widget) const
{
    QProxyStyle::drawPrimitive(element, option, painter, widget);
    const QPalette& palette = option->palette;
    const QColor window = palette.color(QPalette::Window);
    const QColor focus =
        ReadableColour::On(palette.color(QPalette::Highlight), window, ControlContrast);
    switch (element) {
    case PE_IndicatorRadioButton:
    case PE_IndicatorCheckBox:
        if (option->state & State_Enabled) {
            const QColor ring =
                ReadableColour::On(palette.color(QPalette::Mid), window, ControlContrast);
            Outline(*painter, option->rect, ring, element == PE_IndicatorRadioButton);
        }
        break;
    case PE_FrameFocusRect:
        Outline(*painter, option->rect, focus, false);
        break;
    case PE_PanelButtonCommand:
    case PE_FrameLineEdit:
        if (ShowsFocus(*option))
            Outline(*painter, option->rect, focus, false, 2);
        break;
    default:
        break;
    }
}
