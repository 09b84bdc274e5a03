#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class NameFilter;

// The order in which a batch visits a folder tree. For each folder: its matching files first,
// all of them at once and sorted for people, then (with subfolders on) each immediate
// subfolder in that order, depth-first, with the stop request looked at after each
// subfolder. A folder is read once; files and folders that appear while it is being handled
// (output files, for one) are not visited.
namespace folder {

struct WalkCallbacks
{
    // The matching file names of one folder (possibly none), before any of its subfolders is
    // entered; `folderPath` ends with "/". `unreadableNames` are matching files whose names
    // are not valid UTF-8, escaped for display: they cannot be worked on, only reported.
    // Returning false ends the walk of this folder: its subfolders are skipped and the walk
    // goes on after it, as the stop request decides.
    std::function<bool(const QString& folderPath, const QStringList& fileNames,
                       const QStringList& unreadableNames)>
        files;

    // A folder that cannot be read, with the platform's error description, or a subfolder whose
    // name is not valid UTF-8 (escaped, with UnreadableNameText()); it is skipped.
    std::function<void(const QString& folderPath, const QString& errorText)> failed;

    // Asked after each subfolder; true ends the whole walk at once.
    std::function<bool()> stopRequested;
};

// Walks `folderPath` with the input file specification `inputSpec`, entering subfolders only
// when `subdirectories` is true. Callbacks left empty are not called. False when the walk
// ended on a stop request.
// Why a subfolder whose name is not valid UTF-8 is not entered.
QString UnreadableNameText();

bool WalkFolder(const QString& folderPath, const QString& inputSpec, bool subdirectories,
                const WalkCallbacks& callbacks);
// The same for the names `filter` selects.
bool WalkFolder(const QString& folderPath, const NameFilter& filter, bool subdirectories,
                const WalkCallbacks& callbacks);

} // namespace folder
