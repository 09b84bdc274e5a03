#pragma once

#include <QString>

// The sections of the help text: their headings, numbered 1 to 14 as the main window's command
// buttons refer to them (0 is the top of the text), and where the help opens for each.
namespace HelpText {

constexpr int HeadingCount = 14;

// The heading of section `index` (1 to 14); "" for any other number.
QString Heading(int index);

// Where the help window puts its caret for `heading`: the heading's first character, with a
// selection that covers the start of the section in whole paragraphs but never runs into the
// next section. The top of the text, with nothing selected, for 0, for a number without a
// section, and for a heading that the text lacks.
struct Selection
{
    qsizetype start = 0;
    qsizetype length = 0;
};
Selection StartSelection(const QString& text, int heading);

// Where the heading of section `index` begins a line of `text`; -1 when it does not.
qsizetype HeadingPosition(const QString& text, int index);

} // namespace HelpText
