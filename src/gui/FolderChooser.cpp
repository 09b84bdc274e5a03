#include "FolderChooser.h"

#include "FileDialog.h"
#include "files/StrProc.h"

QString FolderChooser::BrowseForFolder(QWidget* owner, const QString& title)
{
    QString path = FileDialog::getExistingDirectory(owner, title);
    if (path.isEmpty())
        return {};
    // The callers add the one trailing "/" themselves; only the root keeps its own.
    StrProc::EnsureTrailingBackslash(path);
    if (path.size() > 1)
        path.chop(1);
    return path;
}
