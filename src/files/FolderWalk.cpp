#include "FolderWalk.h"

#include "StrProc.h"
#include "folder.h"

namespace folder {

bool WalkFolder(const QString& folderPath, const QString& inputSpec, bool subdirectories,
                const WalkCallbacks& callbacks)
{
    QString path = folderPath;
    StrProc::EnsureTrailingBackslash(path);
    QStringList files;
    QStringList subfolders;
    QString errorText;
    if (!ListFolder(path, files, subfolders, errorText)) {
        if (callbacks.failed)
            callbacks.failed(path, errorText);
        return true;
    }
    files.removeIf([&inputSpec](const QString& name) {
        return !StrProc::FileNameMatchesSpec(name, inputSpec);
    });
    if (callbacks.files && !callbacks.files(path, files))
        return true;
    if (!subdirectories)
        return true;
    for (const QString& subfolder : subfolders) {
        if (!WalkFolder(path + subfolder, inputSpec, true, callbacks))
            return false;
        if (callbacks.stopRequested && callbacks.stopRequested())
            return false;
    }
    return true;
}

} // namespace folder
