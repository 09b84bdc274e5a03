#pragma once

class QLabel;
class QString;

// The files line of one side of the main window: the file specification and, just after it,
// a comment on it such as "(File not found.)" or the file's size.
namespace FilesLine {

// Shows `name` in `nameLabel` and `comment` in `commentLabel`, the comment starting a small gap
// after the name as the label's font draws it. When name and comment do not both fit in the
// name label's width, the name loses characters in its middle so that the comment stays whole
// and in the window; the name label's tool tip then holds the whole name.
void Show(QLabel* nameLabel, QLabel* commentLabel, const QString& name, const QString& comment);

} // namespace FilesLine
