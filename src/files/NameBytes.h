#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// File names as the file system holds them. Linux names are bytes: most are UTF-8, but a name
// from an old archive or another system may not be. Qt turns every byte that is not part of
// valid UTF-8 into U+FFFD, and such a name no longer leads back to its file; the program
// therefore never tries to work on one, and shows it with those bytes escaped instead.
namespace NameBytes {

// True when the name is valid UTF-8, so that the text Qt makes of it names the same file.
bool IsReadable(const QByteArray& name);

// The name for display: valid UTF-8 as text, every other byte as "\xHH" (upper-case hex), and
// control characters as Shown() gives them.
QString Escaped(const QByteArray& name);

// A name or path for the report, the terminal and messages: every control character (C0,
// DEL and C1, line breaks and ESC among them) as the "\xHH" of its UTF-8 bytes, so that a
// name can neither start a line of its own nor send the terminal commands. Everything else
// as it is. Only for display: files are always opened by their own names.
QString Shown(const QString& name);

// Sorts names the way people read them: letter case ignored, digits compared by their value
// ("file2" before "file10"), in the user's language (English where it is the "C" locale).
// Names that compare alike are ordered by their code points, so that the order never depends
// on how the file system happened to list them.
void SortForPeople(QStringList& names);

} // namespace NameBytes
