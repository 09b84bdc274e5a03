#pragma once

#include <QString>

// Text and path operations shared by every part of the program: case folding, path parts,
// file specification matching and shortening for display. Paths use "/" as separator; a
// folder path ends with exactly one "/" (the root is "/").
namespace StrProc {

// Folds letters to lower case. A text without any accented letter of the folding table's set
// goes through the ordinary lower-casing; a text with one goes through the folding table only,
// so that letters outside the table (Greek, "Ž", ...) then stay as they are.
QString LowerCaseText(const QString& text);

// The first `n` characters; the whole text when `n` reaches its length, "" when `n` <= 0.
QString LeftPart(const QString& text, int n);

// Removes `suffix` from the end of `text` as often as it occurs there; "" changes nothing.
void RemoveTrailing(QString& text, const QString& suffix);

// An empty path stays empty; otherwise all trailing "/" are replaced by exactly one, so the
// root stays "/". Named after the separator of the platform the program came from.
void EnsureTrailingBackslash(QString& path);

// Deletes from `text` every character that occurs in `characters`.
void RemoveCharacters(QString& text, const QString& characters);

// Removes leading and trailing blanks (spaces only; tabs and other white space stay).
QString TrimBlanks(const QString& text);

// True when the text contains "?" or "*".
bool HasWildcards(const QString& text);

// Everything up to and including the last "/"; "" when there is none.
QString FolderPart(const QString& path);

// Everything after the last "/"; "" when there is none.
QString FileNamePart(const QString& path);

// The file name's text after its last dot, in lower case; "" when it has no dot. A path
// without "/" is taken as a file name.
QString ExtensionPart(const QString& path);

// The display form of a path: the path itself, since file names differ by letter case here.
QString PathCase(const QString& path);

// `text` shortened to at most `n` characters for display: its first three characters, "...",
// and a tail that starts after a blank when it can. Unchanged when it fits or `n` < 10.
QString ShortenText(const QString& text, int n);

// True when the file name satisfies the file specification (letter case ignored; see
// StrProc.cpp). A "?" or "*" in the name is an ordinary character: "*" and "?" of the
// specification match it like any other.
bool FileNameMatchesSpec(const QString& fileName, const QString& fileSpec);

// Matches one part (name or extension) against one part of a specification, ignoring case.
// A "*" settles on the first later occurrence of the next literal character: no backtracking.
bool WildcardMatch(const QString& namePart, const QString& patternPart);

} // namespace StrProc
