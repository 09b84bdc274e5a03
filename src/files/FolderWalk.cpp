#include "FolderWalk.h"

#include "NameBytes.h"
#include "NameFilter.h"
#include "StrProc.h"
#include "folder.h"
#include "storage/PosixFile.h"

#include <QFile>

#include <QHash>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>

namespace folder {

namespace {

constexpr int FolderFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;

// Why a subfolder could not be opened by its name in its parent.
QString OpenErrorText(int error)
{
    if (error == ELOOP)
        return QStringLiteral("it is a symbolic link now, which is not followed");
    if (error == ENOTDIR)
        return QStringLiteral("it is no longer a folder");
    return qt_error_string(error);
}

// The matching entries of `listing`, with the identity of each file.
ListedFolder Select(const QString& path, int fd, FolderListing& listing, const NameFilter& filter,
                    bool subdirectories)
{
    ListedFolder found{path, fd, {}, {}, {}, {}, {}};
    auto unmatched = [&filter](const QString& name) { return !filter.matches(name); };
    listing.files.removeIf(unmatched);
    listing.others.removeIf(unmatched);
    found.names = std::move(listing.files);
    found.special = std::move(listing.others);
    for (const QString& name : std::as_const(found.names)) {
        // A link counts as its target, which is the file the operation reads.
        struct stat info = {};
        if (::fstatat(fd, QFile::encodeName(name).constData(), &info, 0) != 0)
            info.st_ino = 0;
        found.identities.append(info);
    }
    for (const QByteArray& name : std::as_const(listing.unreadableFiles)) {
        if (filter.matches(QFile::decodeName(name)))
            found.unreadable.append(NameBytes::Escaped(name));
    }
    if (subdirectories) {
        for (const QByteArray& name : std::as_const(listing.unreadableSubfolders))
            found.unreadableFolders.append(NameBytes::Escaped(name) + u'/');
    }
    return found;
}

QString HeldText()
{
    return QStringLiteral("another run of the program is working on it or on a folder above it");
}

// Takes the lock `operation` on the folder `fd`; false only when another holds it. A moment's
// patience: another walk looking at the folder holds it for an instant only.
bool Lock(int fd, int operation)
{
    for (int attempt = 0; attempt < 10; ++attempt) {
        if (::flock(fd, operation | LOCK_NB) == 0 || errno != EWOULDBLOCK)
            return true; // locked, or a file system without locks: nothing to hold against
        const timespec pause = {0, 5000000};
        ::nanosleep(&pause, nullptr);
    }
    return false;
}

// True when no other walk holds the folder `fd` or any folder above it; each is looked at
// through ".." from the one below, as far as the root.
bool FreeUpwards(int fd)
{
    PosixFile::Fd folder(::fcntl(fd, F_DUPFD_CLOEXEC, 0));
    struct stat below = {};
    for (int depth = 0; folder.valid() && ::fstat(folder.get(), &below) == 0 && depth < 2048;
         ++depth) {
        // A look, not a hold: a new descriptor of its own, whose shared lock goes as it closes.
        const PosixFile::Fd look(::openat(folder.get(), ".", FolderFlags));
        if (look.valid() && !Lock(look.get(), LOCK_SH))
            return false;
        PosixFile::Fd parent(::openat(folder.get(), "..", FolderFlags));
        struct stat above = {};
        if (!parent.valid() || ::fstat(parent.get(), &above) != 0 ||
            PosixFile::sameIdentity(above, below))
            break; // the root, or no way up
        folder = std::move(parent);
    }
    return true;
}

// What one walk carries from folder to folder.
struct Walker
{
    const NameFilter& filter;
    bool subdirectories;
    const WalkCallbacks& callbacks;
    // The folders entered so far, by device and inode, with the path each was first met at.
    QHash<QPair<dev_t, ino_t>, QString> entered;

    // False (and reported) when `fd` is a folder entered before.
    bool enter(int fd, const QString& path)
    {
        struct stat info = {};
        if (::fstat(fd, &info) != 0)
            return true;
        const auto key = qMakePair(info.st_dev, info.st_ino);
        const auto first = entered.constFind(key);
        if (first == entered.cend()) {
            entered.insert(key, path);
            return true;
        }
        if (callbacks.metBefore)
            callbacks.metBefore(path, *first);
        else if (callbacks.failed)
            callbacks.failed(path, MetBeforeText(*first));
        return false;
    }

    bool walk(int fd, const QString& path);
};

bool Walker::walk(int fd, const QString& path)
{
    if (!enter(fd, path))
        return true;
    // Held until the walk leaves the folder, when `fd` is closed.
    if (callbacks.hold == WalkCallbacks::Hold::Folders && !Lock(fd, LOCK_EX)) {
        if (callbacks.failed)
            callbacks.failed(path, HeldText());
        return true;
    }
    FolderListing listing;
    QString errorText;
    if (!ListFolderAt(fd, listing, errorText)) {
        if (callbacks.failed)
            callbacks.failed(path, errorText);
        return true;
    }
    const ListedFolder found = Select(path, fd, listing, filter, subdirectories);
    if (callbacks.listed ? !callbacks.listed(found)
                         : callbacks.files && !callbacks.files(path, found.names, found.unreadable))
        return true;
    if (!subdirectories)
        return true;
    if (!callbacks.listed && callbacks.failed) {
        for (const QString& name : found.unreadableFolders)
            callbacks.failed(path + name, UnreadableNameText());
    }
    for (const QString& subfolder : std::as_const(listing.subfolders)) {
        const QString subPath = path + subfolder + u'/';
        const PosixFile::Fd sub(
            ::openat(fd, QFile::encodeName(subfolder).constData(), FolderFlags | O_NOFOLLOW));
        if (!sub.valid()) {
            const int error = errno;
            if (callbacks.failed)
                callbacks.failed(subPath, OpenErrorText(error));
        } else if (!walk(sub.get(), subPath)) {
            return false;
        }
        if (callbacks.stopRequested && callbacks.stopRequested())
            return false;
    }
    return true;
}

} // namespace

QString UnreadableNameText()
{
    return QStringLiteral("its name is not valid UTF-8");
}

QString MetBeforeText(const QString& firstPath)
{
    return QStringLiteral("it is the folder ") + NameBytes::Shown(firstPath) +
           QStringLiteral(" again, reached a second time through a mount, and is not walked "
                          "twice");
}

bool WalkFolder(const QString& folderPath, const QString& inputSpec, bool subdirectories,
                const WalkCallbacks& callbacks)
{
    return WalkFolder(folderPath, NameFilter(inputSpec), subdirectories, callbacks);
}

bool WalkFolder(const QString& folderPath, const NameFilter& filter, bool subdirectories,
                const WalkCallbacks& callbacks)
{
    QString path = folderPath;
    StrProc::EnsureTrailingBackslash(path);
    // The folder the user named is taken as the path leads, through a link too.
    const PosixFile::Fd top(::open(QFile::encodeName(path).constData(), FolderFlags));
    if (!top.valid()) {
        const int error = errno;
        if (callbacks.failed)
            callbacks.failed(path, qt_error_string(error));
        return true;
    }
    if (callbacks.hold != WalkCallbacks::Hold::Nothing && !FreeUpwards(top.get())) {
        if (callbacks.failed)
            callbacks.failed(path, HeldText());
        return true;
    }
    Walker walker{filter, subdirectories, callbacks, {}};
    return walker.walk(top.get(), path);
}

} // namespace folder
