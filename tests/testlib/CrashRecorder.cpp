#include "CrashRecorder.h"

#include "TestFiles.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <climits>
#include <cstdlib>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>

namespace {

using Kind = CrashRecorder::Kind;

// The table's functions cannot capture: the trace in progress lives here. Every call holds the
// lock from before it is passed on until it is recorded, so that the trace keeps the order in
// which worker threads made their calls.
struct Trace
{
    std::mutex lock;
    QString root; // canonical, without a trailing "/"
    dev_t device = 0;
    QList<CrashRecorder::Op> ops;
    std::unordered_map<ino_t, int> inodes; // the system's inode to the recorder's number
    int lastInode = 0;
};

Trace s_trace;

const SystemCalls& Real()
{
    return SystemCalls::System;
}

QString Link(const QString& link)
{
    char target[PATH_MAX];
    const ssize_t n = ::readlink(QFile::encodeName(link).constData(), target, sizeof target);
    return n > 0 ? QFile::decodeName(QByteArray(target, n)) : QString();
}

// The real path of what `path` names: its folder resolved, its last part as it is.
QString Absolute(int folder, const char* path)
{
    QString full = QFile::decodeName(path);
    if (!full.startsWith(QLatin1Char('/'))) {
        const QString base = folder == AT_FDCWD
                                 ? QDir::currentPath()
                                 : Link(QStringLiteral("/proc/self/fd/%1").arg(folder));
        full = base + QLatin1Char('/') + full;
    }
    full = QDir::cleanPath(full);
    const qsizetype slash = full.lastIndexOf(QLatin1Char('/'));
    char real[PATH_MAX];
    const QByteArray parent = QFile::encodeName(slash > 0 ? full.left(slash) : QStringLiteral("/"));
    if (::realpath(parent.constData(), real) == nullptr)
        return full;
    return QDir::cleanPath(QFile::decodeName(real) + full.mid(slash));
}

// Whether `absolute` lies under the root (or is the root: `relative` then empty).
bool Under(const QString& absolute, QString& relative)
{
    if (absolute == s_trace.root) {
        relative.clear();
        return true;
    }
    if (!absolute.startsWith(s_trace.root + QLatin1Char('/')))
        return false;
    relative = absolute.mid(s_trace.root.size() + 1);
    return true;
}

bool Resolve(int folder, const char* path, QString& relative)
{
    return Under(Absolute(folder, path), relative);
}

// The recorder's number of the file open at `fd`: 0 when it is not one of the root's files.
int InodeOf(int fd, struct stat* info = nullptr)
{
    struct stat own;
    struct stat& status = info ? *info : own;
    if (::fstat(fd, &status) != 0 || status.st_dev != s_trace.device)
        return 0;
    const auto found = s_trace.inodes.find(status.st_ino);
    return found == s_trace.inodes.end() ? 0 : found->second;
}

int InodeAt(int folder, const char* path)
{
    struct stat status;
    if (::fstatat(folder, path, &status, AT_SYMLINK_NOFOLLOW) != 0)
        return 0;
    const auto found = s_trace.inodes.find(status.st_ino);
    return found == s_trace.inodes.end() ? 0 : found->second;
}

void Add(CrashRecorder::Op op)
{
    s_trace.ops.append(std::move(op));
}

// A change of a file's data, at the size the file had before it.
void AddData(Kind kind, int inode, qint64 sizeBefore, qint64 offset, QByteArray bytes = {})
{
    if (inode == 0)
        return;
    CrashRecorder::Op op;
    op.kind = kind;
    op.inode = inode;
    op.sizeBefore = sizeBefore;
    op.offset = offset;
    op.bytes = std::move(bytes);
    Add(std::move(op));
}

void AddNames(Kind kind, int fromFolder, const char* from, int toFolder, const char* to,
              unsigned flags, int inode)
{
    CrashRecorder::Op op;
    op.kind = kind;
    op.flags = flags;
    op.inode = inode;
    if (Resolve(fromFolder, from, op.path) && (to == nullptr || Resolve(toFolder, to, op.target)))
        Add(std::move(op));
}

int Open(int folder, const char* path, int flags, mode_t mode)
{
    std::lock_guard guard(s_trace.lock);
    struct stat before = {};
    const bool existed = ::fstatat(folder, path, &before, 0) == 0;
    const int fd = Real().openat(folder, path, flags, mode);
    QString relative;
    if (fd < 0 || !Resolve(folder, path, relative))
        return fd;
    struct stat info;
    if (!existed && (flags & O_CREAT) != 0 && ::fstat(fd, &info) == 0) {
        s_trace.inodes[info.st_ino] = ++s_trace.lastInode;
        CrashRecorder::Op op;
        op.kind = Kind::Create;
        op.path = relative;
        op.inode = s_trace.lastInode;
        Add(std::move(op));
    } else if ((flags & O_TRUNC) != 0 && (flags & O_ACCMODE) != O_RDONLY) {
        AddData(Kind::Resize, InodeOf(fd), before.st_size, 0);
    }
    return fd;
}

ssize_t Write(int fd, const void* data, size_t size, off_t offset, bool positional)
{
    std::lock_guard guard(s_trace.lock);
    struct stat info = {};
    const int inode = InodeOf(fd, &info);
    if (!positional)
        offset = (::fcntl(fd, F_GETFL) & O_APPEND) != 0 ? info.st_size : ::lseek(fd, 0, SEEK_CUR);
    const ssize_t n =
        positional ? Real().pwrite(fd, data, size, offset) : Real().write(fd, data, size);
    if (n > 0)
        AddData(Kind::Write, inode, info.st_size, offset,
                QByteArray(static_cast<const char*>(data), n));
    return n;
}

// A flush of the file or folder open at `fd`.
int Flush(int fd, int (*flush)(int))
{
    std::lock_guard guard(s_trace.lock);
    const int result = flush(fd);
    struct stat info;
    if (result != 0 || ::fstat(fd, &info) != 0)
        return result;
    CrashRecorder::Op op;
    if (S_ISDIR(info.st_mode)) {
        op.kind = Kind::FlushFolder;
        if (Under(Link(QStringLiteral("/proc/self/fd/%1").arg(fd)), op.path))
            Add(std::move(op));
    } else if ((op.inode = InodeOf(fd)) != 0) {
        op.kind = Kind::FlushFile;
        Add(std::move(op));
    }
    return result;
}

const SystemCalls Recording = {
    [](int folder, const char* path, int flags, mode_t mode) {
        return Open(folder, path, flags, mode);
    },
    [](int fd, void* data, size_t size) { return Real().read(fd, data, size); },
    [](int fd, void* data, size_t size, off_t offset) {
        return Real().pread(fd, data, size, offset);
    },
    [](int fd, const void* data, size_t size) { return Write(fd, data, size, 0, false); },
    [](int fd, const void* data, size_t size, off_t offset) {
        return Write(fd, data, size, offset, true);
    },
    [](int fd) { return Flush(fd, Real().fsync); },
    [](int fd, off_t length) {
        std::lock_guard guard(s_trace.lock);
        struct stat info = {};
        const int inode = InodeOf(fd, &info);
        const int result = Real().ftruncate(fd, length);
        if (result == 0)
            AddData(Kind::Resize, inode, info.st_size, length);
        return result;
    },
    [](int fromFolder, const char* from, int toFolder, const char* to) {
        std::lock_guard guard(s_trace.lock);
        const int inode = InodeAt(fromFolder, from);
        const int result = Real().renameat(fromFolder, from, toFolder, to);
        if (result == 0)
            AddNames(Kind::Rename, fromFolder, from, toFolder, to, 0, inode);
        return result;
    },
    [](int fromFolder, const char* from, int toFolder, const char* to, unsigned flags) {
        std::lock_guard guard(s_trace.lock);
        const int inode = InodeAt(fromFolder, from);
        const int result = Real().renameat2(fromFolder, from, toFolder, to, flags);
        if (result == 0)
            AddNames(Kind::Rename, fromFolder, from, toFolder, to, flags, inode);
        return result;
    },
    [](int fromFolder, const char* from, int toFolder, const char* to, int flags) {
        std::lock_guard guard(s_trace.lock);
        const int inode = InodeAt(fromFolder, from);
        const int result = Real().linkat(fromFolder, from, toFolder, to, flags);
        if (result == 0)
            AddNames(Kind::Link, fromFolder, from, toFolder, to, 0, inode);
        return result;
    },
    [](int folder, const char* path, int mode, int flags) {
        return Real().faccessat(folder, path, mode, flags);
    },
    [](int folder, const char* path, int flags) {
        std::lock_guard guard(s_trace.lock);
        const int inode = InodeAt(folder, path);
        const int result = Real().unlinkat(folder, path, flags);
        if (result == 0)
            AddNames(Kind::Unlink, folder, path, folder, nullptr, unsigned(flags), inode);
        return result;
    },
    [](int fd) { return Flush(fd, Real().fdatasync); },
    [](int fd) {
        std::lock_guard guard(s_trace.lock);
        const int result = Real().syncfs(fd);
        struct stat info;
        if (result == 0 && ::fstat(fd, &info) == 0 && info.st_dev == s_trace.device) {
            CrashRecorder::Op op;
            op.kind = Kind::FlushAll;
            Add(std::move(op));
        }
        return result;
    },
    [](int folder, const char* path, mode_t mode) {
        std::lock_guard guard(s_trace.lock);
        const int result = Real().mkdirat(folder, path, mode);
        if (result == 0)
            AddNames(Kind::MakeFolder, folder, path, folder, nullptr, 0, 0);
        return result;
    },
};

// Takes the root as it is now and starts a new trace of it.
const SystemCalls& Install(const QString& root, QMap<QString, QByteArray>& files,
                           QStringList& folders)
{
    std::lock_guard guard(s_trace.lock);
    s_trace.root = QFileInfo(root).canonicalFilePath();
    s_trace.ops.clear();
    s_trace.inodes.clear();
    s_trace.lastInode = 0;
    struct stat info;
    s_trace.device =
        ::stat(QFile::encodeName(s_trace.root).constData(), &info) == 0 ? info.st_dev : 0;
    QDirIterator it(s_trace.root, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo entry = it.nextFileInfo();
        const QString name = entry.filePath().mid(s_trace.root.size() + 1);
        if (entry.isDir())
            folders.append(name);
        else
            files.insert(name, TestFiles::read(entry.filePath()));
    }
    folders.sort();
    for (auto file = files.cbegin(); file != files.cend(); ++file) {
        const QByteArray path = QFile::encodeName(s_trace.root + QLatin1Char('/') + file.key());
        if (::lstat(path.constData(), &info) == 0)
            s_trace.inodes[info.st_ino] = ++s_trace.lastInode;
    }
    return Recording;
}

} // namespace

CrashRecorder::CrashRecorder(const QString& root) : m_calls(Install(root, m_files, m_folders)) {}

CrashRecorder::~CrashRecorder() = default;

void CrashRecorder::mark(const QString& text)
{
    std::lock_guard guard(s_trace.lock);
    Op op;
    op.path = text;
    Add(std::move(op));
}

QList<CrashRecorder::Op> CrashRecorder::ops() const
{
    std::lock_guard guard(s_trace.lock);
    return s_trace.ops;
}

QMap<QString, QByteArray> CrashRecorder::currentFiles() const
{
    QMap<QString, QByteArray> files;
    QDirIterator it(s_trace.root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        files.insert(path.mid(s_trace.root.size() + 1), TestFiles::read(path));
    }
    return files;
}

QString CrashRecorder::describe(const Op& op)
{
    switch (op.kind) {
    case Kind::Create:
        return QStringLiteral("create %1").arg(op.path);
    case Kind::Write:
        return QStringLiteral("write %1 bytes at %2 of file #%3")
            .arg(op.bytes.size())
            .arg(op.offset)
            .arg(op.inode);
    case Kind::Resize:
        return QStringLiteral("resize file #%1 to %2").arg(op.inode).arg(op.offset);
    case Kind::Rename:
        return QStringLiteral("rename %1 -> %2%3")
            .arg(op.path, op.target,
                 op.flags & RENAME_EXCHANGE    ? QStringLiteral(" (exchange)")
                 : op.flags & RENAME_NOREPLACE ? QStringLiteral(" (no replace)")
                                               : QString());
    case Kind::Link:
        return QStringLiteral("link %1 -> %2").arg(op.path, op.target);
    case Kind::Unlink:
        return QStringLiteral("unlink %1").arg(op.path);
    case Kind::MakeFolder:
        return QStringLiteral("mkdir %1").arg(op.path);
    case Kind::FlushFile:
        return QStringLiteral("flush file #%1").arg(op.inode);
    case Kind::FlushFolder:
        return QStringLiteral("flush folder '%1'").arg(op.path);
    case Kind::FlushAll:
        return QStringLiteral("flush all");
    case Kind::Mark:
        return QStringLiteral("mark: %1").arg(op.path);
    }
    return {};
}
