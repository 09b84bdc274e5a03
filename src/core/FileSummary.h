#pragma once

#include <QString>

class Setup;

// What the main window says about one side of the setup: its folder line, its files line and
// the comment after the files line (for a single named input file: size and whether it looks
// encrypted).
struct SideSummary
{
    QString folderLine;
    QString filesLine;
    QString comment;
    int commentOffset = 0; // twips from the files line's left edge
};

namespace FileSummary {

// Describes side `side` (0 input, 1 output). A single named input file is measured.
SideSummary Describe(const Setup& setup, int side);

// True when the file at `path` is one the summary says seems encrypted or compressed.
bool SeemsEncrypted(const Setup& setup, const QString& path);

// The hint under the summary while no input files are specified.
QString HintLine(const Setup& setup);

} // namespace FileSummary
