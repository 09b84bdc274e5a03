#pragma once

#include <QAbstractButton>
#include <QString>

// A button's caption as the user reads it: without the "&" that marks its Alt+letter ("&&"
// stands for a shown "&").
inline QString Caption(const QAbstractButton* button)
{
    const QString text = button->text();
    QString shown;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('&') && i + 1 < text.size())
            ++i;
        shown += text[i];
    }
    return shown;
}
