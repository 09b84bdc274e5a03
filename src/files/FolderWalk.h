#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <sys/stat.h>

class NameFilter;

// The order in which a batch visits a folder tree. For each folder: its matching files first,
// all of them at once and sorted for people, then (with subfolders on) each immediate
// subfolder in that order, depth-first, with the stop request looked at after each
// subfolder. A folder is read once; files and folders that appear while it is being handled
// (output files, for one) are not visited.
//
// The walk goes by descriptor: the top folder is opened once by its path, and each subfolder
// from its parent's descriptor without following a link. A subfolder swapped for a symbolic
// link while the walk runs leads nowhere: it is reported as a folder that cannot be read.
// A folder the walk has entered once (the same device and inode) is not entered again: a
// folder mounted a second time inside the tree, or the tree mounted inside itself, would have
// its files worked on twice, or for ever.
namespace folder {

// One folder as the walk found it, for callers that work on its files by descriptor.
struct ListedFolder
{
    QString path;      // ends with "/"
    int fd = -1;       // the folder, open while the callback runs
    QStringList names; // the matching files, sorted for people
    // What each of `names` was when listed (a link's target), in the same order; st_ino is 0
    // for a file that was gone by then.
    QList<struct stat> identities;
    // Matching files whose names are not valid UTF-8, escaped for display.
    QStringList unreadable;
    // Matching entries that are no regular file nor a link to one (pipes, sockets, devices,
    // links to folders, dangling links, link loops), sorted for people.
    QStringList special;
    // When subfolders are walked: those whose names are not valid UTF-8, escaped for display
    // and ending with "/". They are not entered; the caller reports them with the folder.
    QStringList unreadableFolders;
};

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

    // When set, called instead of `files`, with everything the walk knows of the folder.
    std::function<bool(const ListedFolder& folder)> listed;

    // A folder that cannot be read, with the platform's error description, or (when `listed`
    // is not set) a subfolder whose name is not valid UTF-8 (escaped, with
    // UnreadableNameText()); it is skipped.
    std::function<void(const QString& folderPath, const QString& errorText)> failed;

    // A subfolder that is a folder the walk has entered before, at `firstPath`; it is not
    // entered. When not set, it goes to `failed` with MetBeforeText().
    std::function<void(const QString& folderPath, const QString& firstPath)> metBefore;

    // Asked after each subfolder; true ends the whole walk at once.
    std::function<bool()> stopRequested;

    // For walks that change the files they list, what they hold against another such walk
    // (flock, in another process or this one), so that two runs over one tree never take turns
    // on a folder, the second listing what the first has just written:
    // - FoldersAbove: the top folder and each folder above it are looked at; when another walk
    //   holds one of them, the top goes to `failed` and nothing is entered.
    // - Folders: that, and each folder is held from the moment the walk enters it until it
    //   leaves it and all below it; a subfolder another walk holds goes to `failed`.
    enum class Hold { Nothing, FoldersAbove, Folders };
    Hold hold = Hold::Nothing;
};

// Why a subfolder whose name is not valid UTF-8 is not entered.
QString UnreadableNameText();

// Why a folder met a second time is not entered: it is `firstPath` again.
QString MetBeforeText(const QString& firstPath);

// Walks `folderPath` with the input file specification `inputSpec`, entering subfolders only
// when `subdirectories` is true. Callbacks left empty are not called. False when the walk
// ended on a stop request.
bool WalkFolder(const QString& folderPath, const QString& inputSpec, bool subdirectories,
                const WalkCallbacks& callbacks);
// The same for the names `filter` selects.
bool WalkFolder(const QString& folderPath, const NameFilter& filter, bool subdirectories,
                const WalkCallbacks& callbacks);

} // namespace folder
