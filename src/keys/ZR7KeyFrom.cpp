#include "ZR7KeyFrom.h"

#include "KeyRecord.h"
#include "Windows1252.h"
#include "engine/RandomKey.h"
#include "storage/FileCipher.h"
#include "support/FileRandomness.h"

#include <QCryptographicHash>
#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

namespace ZR7KeyFrom {

namespace {

constexpr int KeyfileBytes = 64;

const std::uint8_t* Bytes(QByteArrayView bytes)
{
    return reinterpret_cast<const std::uint8_t*>(bytes.data());
}

QString SystemError(int code)
{
    return QString::fromLocal8Bit(std::strerror(code));
}

// File systems whose files the kernel makes up as they are read (process and system state,
// counters, control files): a "regular" file there gives other bytes on the next read, and
// reading some of them even changes what they hold.
bool OnPseudoFileSystem(int fd)
{
    constexpr unsigned long Pseudo[] = {
        PROC_SUPER_MAGIC, SYSFS_MAGIC,        DEBUGFS_MAGIC,         TRACEFS_MAGIC,
        SECURITYFS_MAGIC, CGROUP_SUPER_MAGIC, CGROUP2_SUPER_MAGIC,   DEVPTS_SUPER_MAGIC,
        0x62656570, // configfs
        BPF_FS_MAGIC,     EFIVARFS_MAGIC,     PSTOREFS_MAGIC,        BINFMTFS_MAGIC,
        SELINUX_MAGIC,    SMACK_MAGIC,        USBDEVICE_SUPER_MAGIC, NSFS_MAGIC,
        0x65735543, // fusectl
    };
    struct statfs system = {};
    if (::fstatfs(fd, &system) != 0)
        return false; // a regular file whose file system is unknown is judged by its reads
    for (unsigned long type : Pseudo) {
        if (static_cast<unsigned long>(system.f_type) == type)
            return true;
    }
    return false;
}

// A key is only as good as the file that gives it back: a pipe, a FIFO or a device such as
// /dev/urandom would hand out a key that is never seen again, and a FIFO without a writer would
// block the read for ever; a file under /proc or /sys changes by itself, and writing to one
// may change the system. So the file is opened without waiting for a FIFO's other end
// (O_NONBLOCK has no effect on a regular file) and checked before a single byte moves. The
// descriptor, or -1 with `notRegular` or the system's reason in `error`; `info` describes the
// file.
int OpenRegularFile(const QString& path, int flags, const QString& notRegular, struct stat& info,
                    QString& error)
{
    const int fd = ::open(QFile::encodeName(path).constData(),
                          flags | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, 0600);
    if (fd < 0) {
        // A socket, or a FIFO opened for writing with no reader, cannot be opened at all.
        error = errno == ENXIO ? notRegular : SystemError(errno);
        return -1;
    }
    const bool known = ::fstat(fd, &info) == 0;
    if (known && S_ISREG(info.st_mode) && !OnPseudoFileSystem(fd))
        return fd;
    error = known ? notRegular : SystemError(errno);
    ::close(fd);
    return -1;
}

// Moves `size` bytes with `transfer` (read or write), going on after short transfers and
// interrupted calls. The count moved, fewer at the end of a file; -1 on an error, with errno set.
template <typename Transfer>
qsizetype TransferAll(Transfer transfer, int fd, char* data, qsizetype size)
{
    qsizetype done = 0;
    while (done < size) {
        const ssize_t n = transfer(fd, data + done, static_cast<std::size_t>(size - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return -1;
        if (n == 0)
            break;
        done += n;
    }
    return done;
}

} // namespace

namespace {

qsizetype NormalizedLength(QByteArrayView key)
{
    return std::count_if(key.begin(), key.end(),
                         [](char c) { return static_cast<unsigned char>(c) > 32; });
}

} // namespace

SecretBytes NormalizedKey(QByteArrayView key)
{
    SecretBytes normalized(NormalizedLength(key));
    qsizetype n = 0;
    for (char c : key) {
        const auto code = static_cast<unsigned char>(c);
        if (code > 32 && n < normalized.size())
            normalized[n++] = static_cast<char>(Windows1252::ToUpper(code));
    }
    return normalized;
}

SecretBytes NormalizedKey(const QString& typed)
{
    QByteArray bytes = Windows1252::FromUnicode(typed);
    SecretBytes normalized = NormalizedKey(bytes);
    bytes.fill('\0'); // its own buffer: FromUnicode made it
    return normalized;
}

bool KeyHasMinLength(QByteArrayView key)
{
    return NormalizedLength(key) >= MinKeyLength;
}

bool KeyIsText(QByteArrayView key)
{
    return FileCipher::key_is_text(Bytes(key), static_cast<int>(key.size())) != 0;
}

bool KeyIsRandom(QByteArrayView key)
{
    const int length = static_cast<int>(std::min<qsizetype>(key.size(), KeyfileBytes));
    return FileRandomness::randomness_measure(Bytes(key), length, KeyfileBytes) >= MinKeyRandomness;
}

int KeyChecksum(QByteArrayView normalizedKey, QByteArray& digest)
{
    digest = QCryptographicHash::hash(normalizedKey, QCryptographicHash::Md5);
    qint32 sum = 0;
    for (int k = 0; k < 8; ++k)
        sum += static_cast<unsigned char>(digest[2 * k]) * 65536 +
               static_cast<unsigned char>(digest[2 * k + 1]);
    return sum % 8999 + 1001;
}

QString ChecksumText(int checksum)
{
    return QStringLiteral("Checksum is %1.").arg(checksum);
}

KeyfileStatus ReadKeyfile(const QString& path, SecretBytes& keyBytes, QString& error)
{
    keyBytes = SecretBytes(KeyfileBytes);
    const QString unsteady =
        path + QStringLiteral(" cannot hold a key: a keyfile must be an ordinary file that gives "
                              "the same bytes every time it is read.");
    struct stat info = {};
    const int fd = OpenRegularFile(path, O_RDONLY, unsteady, info, error);
    if (fd < 0)
        return KeyfileStatus::Error;
    // One byte more than the key, so that a file that gives more than its size tells so too.
    SecretBytes read(KeyfileBytes + 1);
    const qsizetype got = TransferAll(::read, fd, read.data(), read.size());
    const int readErrno = errno;
    ::close(fd);
    const qsizetype expected = std::min<qsizetype>(info.st_size, read.size());
    if (got < 0 || got != expected) {
        error = got < 0 ? SystemError(readErrno) : unsteady;
        return KeyfileStatus::Error;
    }
    std::memcpy(keyBytes.data(), read.constData(), std::min<qsizetype>(got, KeyfileBytes));
    // The length counts only the bytes as they are: replaced NULs must not make a key long
    // enough.
    if (!KeyHasMinLength(keyBytes.view()))
        return KeyfileStatus::Unsuitable;
    qsizetype last = keyBytes.size(); // 1-based position of the last byte that is not NUL
    while (last > 0 && keyBytes[last - 1] == '\0')
        --last;
    for (qsizetype i = 0; i < last; ++i) {
        if (keyBytes[i] == '\0')
            keyBytes[i] = static_cast<char>(128 - (i + 1));
    }
    return KeyfileStatus::Ok;
}

bool WriteKeyfile(const QString& path, QByteArrayView keyBytes, QString& error, bool mustBeNew)
{
    // No O_TRUNC: a longer existing file keeps its tail, which is never read.
    const int flags = O_WRONLY | O_CREAT | (mustBeNew ? O_EXCL : 0);
    struct stat info = {};
    const int fd = OpenRegularFile(
        path, flags,
        path + QStringLiteral(" cannot keep a key: a keyfile must be an ordinary file on a disk."),
        info, error);
    if (fd < 0)
        return false;
    SecretBytes bytes(KeyfileBytes);
    std::memcpy(bytes.data(), keyBytes.data(),
                static_cast<std::size_t>(std::min<qsizetype>(keyBytes.size(), KeyfileBytes)));
    const qsizetype written = TransferAll(::write, fd, bytes.data(), KeyfileBytes);
    const int writeErrno = written < 0 ? errno : EIO; // a write that moves nothing: a device fault
    const bool closed = ::close(fd) == 0;
    if (written != KeyfileBytes || !closed) {
        error = SystemError(written != KeyfileBytes ? writeErrno : errno);
        return false;
    }
    return true;
}

SecretBytes NewRandomKeyBytes()
{
    SecretBytes bytes(KeyfileBytes);
    RandomKeyBytes(reinterpret_cast<std::uint8_t*>(bytes.data()), KeyfileBytes);
    return bytes;
}

SecretBytes ExtendedKey(QByteArrayView key)
{
    if (key.isEmpty() || key.size() >= MaxKeyLength)
        return SecretBytes::CopyOf(key);
    SecretBytes extended(std::min<qsizetype>(4 * key.size(), MaxKeyLength));
    for (qsizetype i = 0; i < extended.size(); ++i)
        extended[i] = key[i % key.size()];
    return extended;
}

QString KeyLine(const KeyRecord& key, const QString& specifiedWord, const QString& notSpecifiedWord)
{
    if (key.intKeySource == KeyRecord::NotSpecified)
        return notSpecifiedWord;
    QString source = QStringLiteral("keyboard entry");
    if (key.intKeySource == KeyRecord::Keyfile) {
        if (key.blnNewKeyfile)
            source = QStringLiteral("new random key in keyfile");
        else if (key.blnKeyRandom)
            source = QStringLiteral("apparently random key in keyfile");
        else if (key.blnKeyText)
            source = QStringLiteral("text key in keyfile");
        else
            source = QStringLiteral("non-random non-text key in keyfile");
    }
    return specifiedWord + QStringLiteral(" (") + source +
           QStringLiteral(", checksum = %1)").arg(key.intKeyChecksum);
}

} // namespace ZR7KeyFrom
