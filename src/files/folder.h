#pragma once

#include <QString>
#include <QStringList>

class Interaction;
class NameFilter;

// Folder queries of the file specification commands and the batch. Lists of files and
// subfolders come in the order people read names (NameBytes::SortForPeople), whatever order the
// file system keeps them in. A "file" is a regular file or a
// symbolic link to one, dot files included; a "subfolder" is a real folder: symbolic links to
// folders are neither counted nor walked, so that a link back up the tree cannot loop a batch.
// Everything else is "other": listed apart, for the batch to report.
namespace folder {

// True when `path`, without leading and trailing blanks, names an existing folder.
bool FolderExists(const QString& path);

// False for an empty path; otherwise true when something other than a folder exists there.
bool FileExists(const QString& path);

// The file a single named file stands for: a symbolic link gives its final target, so that
// the operation works on the file and never replaces the link with a result. Other paths are
// returned as they are.
QString SingleFilePath(const QString& path);

// 26 (the per-user application-data folder) gives the XDG config folder (~/.config); any other
// number, and a platform without that folder, gives "".
QString SpecialFolderPath(int number);

// <application-data folder>/<subfolder>/<fileName>; the subfolder is created when missing (one
// level). Without an application-data folder the root "/" stands in for it. A subfolder that
// cannot be created shows up when the caller uses the path.
QString AppDataFilePath(const QString& fileName, const QString& subfolder);

// The number of files directly in `folderPath` that satisfy `fileSpec`; -1 with the platform's
// error description in `errorText` when the folder cannot be read. "*.*" counts every file
// without testing names. Other specifications test each name and let `interaction` run pending
// events now and then, so that the windows stay responsive in large folders.
qint64 CountMatchingFiles(const QString& folderPath, const QString& fileSpec, QString& errorText,
                          Interaction* interaction = nullptr);
// The same for the names `filter` selects.
qint64 CountMatchingFiles(const QString& folderPath, const NameFilter& filter, QString& errorText,
                          Interaction* interaction = nullptr);

// The number of subfolders directly in `path`; -1 with the platform's error description and
// error number when the folder cannot be read.
qint64 CountSubfolders(const QString& path, QString& errorText, int& errorNumber);

// What one reading of a folder finds directly in it.
struct FolderListing
{
    QStringList files;      // sorted for people
    QStringList subfolders; // sorted for people
    // Names that are not valid UTF-8 (see NameBytes), as the file system holds them, in the
    // order it lists them. The program cannot name them through Qt, so it reports them.
    QList<QByteArray> unreadableFiles;
    QList<QByteArray> unreadableSubfolders;
    // Entries that are neither: pipes, sockets, devices, links to anything but a regular file,
    // links that lead nowhere or round in a loop; sorted for people. (Such an entry whose name
    // is not valid UTF-8 is among `unreadableFiles`: it cannot be worked on either.)
    QStringList others;
};

// Lists `path`. False with the error description when it cannot be read.
bool ListFolder(const QString& path, FolderListing& listing, QString& errorText);

// Lists the folder open at `folderFd` (the descriptor itself is left as it is).
bool ListFolderAt(int folderFd, FolderListing& listing, QString& errorText);

// The names of the files and of the subfolders directly in `path` that the program can name,
// each sorted for people. False with the error description when it cannot be read.
bool ListFolder(const QString& path, QStringList& files, QStringList& subfolders,
                QString& errorText);

// The first file directly in `folderPath`, in the order a batch takes them, that `filter`
// selects; "" when there is none or the folder cannot be read.
QString FirstMatchingFile(const QString& folderPath, const NameFilter& filter);

} // namespace folder
