#pragma once

#include <QString>

class QWidget;

// The folder chooser of the Input folder and Output folder commands.
class FolderChooser
{
public:
    // Shows a folder chooser owned by `owner` with `title`; the chosen folder's absolute path,
    // without a trailing "/" unless it is the root, or "" when the user cancels.
    static QString BrowseForFolder(QWidget* owner, const QString& title);
};
