#include "FolderChooser.h"

#include "files/StrProc.h"

#include <QFileDialog>

#include <optional>

namespace {

std::optional<QString>& NextFolder()
{
    static std::optional<QString> next;
    return next;
}

} // namespace

QString FolderChooser::BrowseForFolder(QWidget* owner, const QString& title)
{
    QString path;
    if (NextFolder()) {
        path = *NextFolder();
        NextFolder().reset();
    } else {
        path =
            QFileDialog::getExistingDirectory(owner, title, QString(), QFileDialog::ShowDirsOnly);
    }
    if (path.isEmpty())
        return {};
    // The callers add the one trailing "/" themselves; only the root keeps its own.
    StrProc::EnsureTrailingBackslash(path);
    if (path.size() > 1)
        path.chop(1);
    return path;
}

void FolderChooser::SetNextFolder(const QString& path)
{
    NextFolder() = path;
}
