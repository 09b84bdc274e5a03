#pragma once

#include <QStringList>

class Interaction;
class SetupEditor;

// The files and folders the program is started with (`zr7e PATH…`, and "open with" from a file
// manager, which starts it the same way). They set up the next operation as the Single file
// and Input folder commands would; nothing runs before "Do it!".
namespace StartArguments {

// The paths among the program's arguments (`arguments` as QCoreApplication gives them, after
// Qt took its own options), made absolute against the current working folder: the program
// moves to the home folder during start-up.
QStringList Paths(const QStringList& arguments);

// The first path decides. A file becomes the single file, to be decrypted when it seems
// encrypted (the file summary's judgement) and encrypted otherwise; a file named *.zr7 is to be
// decrypted, when not in place to its name without ".zr7". A folder becomes the input folder
// with all its files, to be encrypted. A path that does not exist is reported and changes
// nothing. With several paths the user is told that only the first is taken.
void Apply(const QStringList& paths, SetupEditor& editor, Interaction& interaction);

} // namespace StartArguments
