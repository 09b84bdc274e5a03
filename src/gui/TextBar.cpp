#include "TextBar.h"

#include <QLabel>

namespace {

constexpr QChar SolidBlock = QChar(0x2588);

} // namespace

void TextBar::Show(QLabel& bar, const QString& text)
{
    bar.setText(text);
    const qsizetype percent = text.isEmpty() ? 0 : text.count(SolidBlock) * 100 / text.size();
    bar.setAccessibleDescription(tr("%1 % filled").arg(percent));
}
