#pragma once

#include <QCoreApplication>

class QLabel;

// A progress bar drawn with characters in a label: solid blocks for what is done, then the
// rest of the line. The label's accessible name says what the bar measures; its description
// says how far the bar is filled, so that a screen reader never spells out the characters.
class TextBar
{
    Q_DECLARE_TR_FUNCTIONS(TextBar)

public:
    // Shows `text` and describes it as the share of the line that is solid blocks.
    static void Show(QLabel& bar, const QString& text);
};
