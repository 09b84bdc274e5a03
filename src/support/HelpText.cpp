#include "HelpText.h"

namespace HelpText {

namespace {

struct Section
{
    const char* heading;
    // How much of the section is selected when the help opens at it; section 12, which
    // continues the Setup button's section 11, opens with nothing selected.
    int selectionLength;
};

constexpr Section Sections[HeadingCount] = {
    {"1.  Function: encryption or decryption", 800},
    {"2.  Single file", 745},
    {"3.  Input folder and Input file(s): specifying the input files", 800},
    {"4.  Subfolders?: whether to include files in subfolders", 931},
    {"5.  Output file(s) same?: whether the output files should be the same as the input files",
     900},
    {"6.  Output folder and Output file(s): specifying the output files", 652},
    {"7.  Encryption key: how to supply it", 670},
    {"8.  Do it!: performing the operation", 830},
    {"9.  Report screen", 772},
    {"10.  Randomness report", 970},
    {"11.  Setup:  Saving the setup", 578},
    {"12.  Setup:  Loading a setup", 0},
    {"13.  Help", 1300},
    {"14.  Quit:  Exiting", 700},
};

} // namespace

QString Heading(int index)
{
    if (index < 1 || index > HeadingCount)
        return {};
    return QString::fromUtf8(Sections[index - 1].heading);
}

qsizetype HeadingPosition(const QString& text, int index)
{
    const QString heading = Heading(index);
    if (heading.isEmpty())
        return -1;
    // Only a whole line counts: the introduction or another section may name a heading.
    for (qsizetype at = text.indexOf(heading); at >= 0; at = text.indexOf(heading, at + 1)) {
        const qsizetype end = at + heading.size();
        const bool startsLine = at == 0 || text.at(at - 1) == QLatin1Char('\n');
        const bool endsLine = end == text.size() || text.at(end) == QLatin1Char('\n');
        if (startsLine && endsLine)
            return at;
    }
    return -1;
}

Selection StartSelection(const QString& text, int heading)
{
    const qsizetype start = HeadingPosition(text, heading);
    if (start < 0)
        return {};
    // The section ends where the next heading begins, the empty lines before it left out.
    qsizetype end = text.size();
    for (int next = heading + 1; next <= HeadingCount && end == text.size(); ++next) {
        const qsizetype at = HeadingPosition(text, next);
        if (at > start)
            end = at;
    }
    while (end > start && text.at(end - 1).isSpace())
        --end;
    const int length = Sections[heading - 1].selectionLength;
    if (length == 0)
        return {start, 0};
    // A paragraph is selected in full, not cut off in the middle of a word.
    qsizetype last = text.indexOf(QLatin1Char('\n'), start + length);
    if (last < 0 || last > end)
        last = end;
    return {start, last - start};
}

} // namespace HelpText
