#include "folder.h"

#include "NameBytes.h"
#include "NameFilter.h"
#include "StrProc.h"
#include "storage/PosixFile.h"
#include "support/DiskProc.h"
#include "support/Interaction.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace folder {

namespace {

enum class Kind { File, Folder, Other };

// Most file systems tell the kind in the directory entry itself; a stat is needed only for
// links and on file systems that leave it out. A link counts as what it points to, except that
// a link to a folder is no subfolder (see folder.h).
Kind KindOf(DIR* dir, const dirent* entry)
{
    switch (entry->d_type) {
    case DT_REG:
        return Kind::File;
    case DT_DIR:
        return Kind::Folder;
    case DT_LNK:
    case DT_UNKNOWN:
        break;
    default:
        return Kind::Other;
    }
    struct stat info;
    if (::fstatat(::dirfd(dir), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0)
        return Kind::Other;
    if (S_ISREG(info.st_mode))
        return Kind::File;
    if (S_ISDIR(info.st_mode))
        return Kind::Folder;
    if (S_ISLNK(info.st_mode) && ::fstatat(::dirfd(dir), entry->d_name, &info, 0) == 0 &&
        S_ISREG(info.st_mode))
        return Kind::File;
    return Kind::Other;
}

// Calls `visit(entry, kind)` for every entry of the open folder `dir` but "." and "..", in the
// order the file system lists them. 0, or the errno of reading the folder.
template <typename Visit> int ReadEntries(DIR* dir, Visit visit)
{
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(dir);
        if (!entry)
            return errno;
        const char* name = entry->d_name;
        if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0)))
            continue;
        // The program's own temporary files are never the user's files to work on.
        if (PosixFile::isTemporaryName(name))
            continue;
        visit(entry, KindOf(dir, entry));
    }
}

// As ReadEntries, for the folder at `path`; also the errno of opening it.
template <typename Visit> int ForEachEntry(const QString& path, Visit visit)
{
    DIR* dir = ::opendir(QFile::encodeName(path).constData());
    if (!dir)
        return errno;
    const int error = ReadEntries(dir, visit);
    ::closedir(dir);
    return error;
}

// As ReadEntries, for the folder open at `folderFd`, read through a copy of the descriptor.
template <typename Visit> int ForEachEntryAt(int folderFd, Visit visit)
{
    const int copy = ::fcntl(folderFd, F_DUPFD_CLOEXEC, 0);
    DIR* dir = copy < 0 ? nullptr : ::fdopendir(copy);
    if (!dir) {
        const int error = errno;
        if (copy >= 0)
            ::close(copy);
        return error;
    }
    const int error = ReadEntries(dir, visit);
    ::closedir(dir);
    return error;
}

// Sorts one entry into `listing`.
void Collect(FolderListing& listing, const dirent* entry, Kind kind)
{
    const QByteArray name(entry->d_name);
    if (!NameBytes::IsReadable(name))
        (kind == Kind::Folder ? listing.unreadableSubfolders : listing.unreadableFiles)
            .append(name);
    else if (kind == Kind::File)
        listing.files.append(QFile::decodeName(name));
    else
        (kind == Kind::Folder ? listing.subfolders : listing.others)
            .append(QFile::decodeName(name));
}

// Ends a listing that read the folder with `error` (0 when it was read whole).
bool FinishListing(int error, FolderListing& listing, QString& errorText)
{
    if (error != 0) {
        errorText = qt_error_string(error);
        return false;
    }
    NameBytes::SortForPeople(listing.files);
    NameBytes::SortForPeople(listing.subfolders);
    NameBytes::SortForPeople(listing.others);
    errorText.clear();
    return true;
}

} // namespace

bool FolderExists(const QString& path)
{
    const QString trimmed = StrProc::TrimBlanks(path);
    return !trimmed.isEmpty() && QFileInfo(trimmed).isDir();
}

bool FileExists(const QString& path)
{
    if (path.isEmpty())
        return false;
    const QFileInfo info(path);
    return info.exists() && !info.isDir();
}

QString SingleFilePath(const QString& path)
{
    const QFileInfo info(path);
    if (!info.isSymLink())
        return path;
    const QString target = info.canonicalFilePath();
    return target.isEmpty() ? path : target;
}

QString SpecialFolderPath(int number)
{
    if (number != 26)
        return {};
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
}

QString AppDataFilePath(const QString& fileName, const QString& subfolder)
{
    QString base = SpecialFolderPath(26);
    if (base.isEmpty())
        base = DiskProc::FirstFixedDrive();
    // A fresh account may not have the config folder yet; the XDG rules say to make it,
    // private to the user, before anything is written into it.
    if (!FolderExists(base))
        QDir().mkdir(base, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    StrProc::EnsureTrailingBackslash(base);
    const QString folderPath = base + subfolder;
    if (!FolderExists(folderPath))
        QDir().mkdir(folderPath);
    return folderPath + u'/' + fileName;
}

qint64 CountMatchingFiles(const QString& folderPath, const QString& fileSpec, QString& errorText,
                          Interaction* interaction)
{
    return CountMatchingFiles(folderPath, NameFilter(fileSpec), errorText, interaction);
}

qint64 CountMatchingFiles(const QString& folderPath, const NameFilter& filter, QString& errorText,
                          Interaction* interaction)
{
    qint64 count = 0;
    qint64 visited = 0;
    const int error = ForEachEntry(folderPath, [&](const dirent* entry, Kind kind) {
        if (kind != Kind::File)
            return;
        if (filter.selectsAll()) {
            ++count;
            return;
        }
        // A name that is not valid UTF-8 is matched in the form Qt gives it: the batch reports
        // such a file, so it is counted like the others.
        if (filter.matches(QFile::decodeName(entry->d_name)))
            ++count;
        // Letting events run after every file would cost more than the matching itself in a
        // folder of 100,000 files; every 256 files keeps the windows just as responsive.
        if (interaction && ++visited % 256 == 0)
            interaction->ProcessEvents();
    });
    if (error != 0) {
        errorText = qt_error_string(error);
        return -1;
    }
    errorText.clear();
    return count;
}

qint64 CountSubfolders(const QString& path, QString& errorText, int& errorNumber)
{
    QString folderPath = path;
    StrProc::EnsureTrailingBackslash(folderPath);
    qint64 count = 0;
    errorNumber = ForEachEntry(folderPath, [&count](const dirent*, Kind kind) {
        if (kind == Kind::Folder)
            ++count;
    });
    if (errorNumber != 0) {
        errorText = qt_error_string(errorNumber);
        return -1;
    }
    errorText.clear();
    return count;
}

bool ListFolder(const QString& path, FolderListing& listing, QString& errorText)
{
    listing = FolderListing();
    const int error =
        ForEachEntry(path, [&](const dirent* entry, Kind kind) { Collect(listing, entry, kind); });
    return FinishListing(error, listing, errorText);
}

bool ListFolderAt(int folderFd, FolderListing& listing, QString& errorText)
{
    listing = FolderListing();
    const int error = ForEachEntryAt(
        folderFd, [&](const dirent* entry, Kind kind) { Collect(listing, entry, kind); });
    return FinishListing(error, listing, errorText);
}

bool ListFolder(const QString& path, QStringList& files, QStringList& subfolders,
                QString& errorText)
{
    FolderListing listing;
    const bool listed = ListFolder(path, listing, errorText);
    files = std::move(listing.files);
    subfolders = std::move(listing.subfolders);
    return listed;
}

QString FirstMatchingFile(const QString& folderPath, const NameFilter& filter)
{
    QStringList files;
    QStringList subfolders;
    QString errorText;
    if (!ListFolder(folderPath, files, subfolders, errorText))
        return {};
    for (const QString& name : std::as_const(files)) {
        if (filter.matches(name))
            return name;
    }
    return {};
}

} // namespace folder
