#include "TestCopies.h"

#include "engine/SystemCalls.h"
#include "storage/FileUtility.h"
#include "storage/PosixFile.h"
#include "storage/ReplacingWrite.h"

#include <QByteArrayList>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

using PosixFile::Fd;

constexpr std::size_t CopyBlock = std::size_t{1} << 20;

std::string Native(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

// Writes `to` whole through a temporary file (see ReplacingWrite): `to` is either as it was or
// complete, also after a crash. Whether an existing `to` may be replaced is decided before.
// 0 or the errno.
int Replace(const std::string& to, const ReplacingWrite::Fill& fill,
            const ReplacingWrite::Check& check = {})
{
    ReplacingWrite::Target target;
    target.path = to;
    target.replace = true;
    target.keepMode = false;
    int error = 0;
    switch (ReplacingWrite::write(target, fill, error, check)) {
    case ReplacingWrite::Result::Written:
        return 0;
    case ReplacingWrite::Result::Exists:
        return EEXIST;
    case ReplacingWrite::Result::NotRegular:
    case ReplacingWrite::Result::Protected:
        return EINVAL;
    case ReplacingWrite::Result::Failed:
        break;
    }
    return error != 0 ? error : EIO;
}

// True when the two open files hold the same bytes, read from their starts.
bool SameBytes(int first, int second)
{
    std::vector<std::uint8_t> a(CopyBlock), b(CopyBlock);
    for (long long at = 0;; at += static_cast<long long>(CopyBlock)) {
        const long long got = PosixFile::readFullAt(first, a.data(), a.size(), at);
        if (got < 0 || PosixFile::readFullAt(second, b.data(), b.size(), at) != got ||
            !std::equal(a.begin(), a.begin() + got, b.begin()))
            return false;
        if (got < static_cast<long long>(CopyBlock))
            return true;
    }
}

// Copies `from` to `to`, with its permissions and, where the file system lets us, its owner.
int CopyFile(const std::string& from, const std::string& to)
{
    Fd in(::open(from.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    struct stat status;
    if (!in.valid() || ::fstat(in.get(), &status) != 0)
        return errno;
    if (!S_ISREG(status.st_mode))
        return EINVAL;
    return Replace(
        to,
        [&](int out) {
            std::vector<std::uint8_t> block(CopyBlock);
            for (long long got = CopyBlock; got == static_cast<long long>(CopyBlock);) {
                got = PosixFile::readFull(in.get(), block.data(), block.size());
                if (got < 0)
                    return static_cast<int>(-got);
                if (const int error = PosixFile::writeFull(out, block.data(), std::size_t(got)))
                    return error;
            }
            if (::fchmod(out, status.st_mode & 07777) != 0)
                return errno;
            if (::fchown(out, status.st_uid, status.st_gid) != 0 && errno != EPERM)
                return errno;
            return 0;
        },
        [&](int out) { return SameBytes(in.get(), out); });
}

int WriteFile(const std::string& to, const QByteArray& bytes)
{
    return Replace(to, [&](int out) {
        return PosixFile::writeFull(out, reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                    bytes.size());
    });
}

bool SameContent(const QString& first, const QString& second)
{
    const std::int64_t result = FileUtility::compare_files(Native(first), Native(second));
    // The comparison calls an empty first file a failure; two empty files are the same.
    const QFileInfo secondFile(second);
    return result == FileUtility::Identical ||
           (result == FileUtility::FirstEmpty && secondFile.isFile() && secondFile.size() == 0);
}

// A name as a word of the list: its bytes, percent-encoded, so that blanks and line breaks
// in names cannot break the list.
QByteArray Word(const QString& name)
{
    return QFile::encodeName(name).toPercentEncoding();
}

QString FromWord(const QByteArray& word)
{
    return QFile::decodeName(QByteArray::fromPercentEncoding(word));
}

} // namespace

const QString TestCopies::ListName = QStringLiteral(".zr7test-copies");

TestCopies::TestCopies(const QString& folder) : m_folder(folder) {}

bool TestCopies::ReadList(QList<Pair>& pairs, QString& error) const
{
    QFile list(Path(ListName));
    if (!list.open(QIODevice::ReadOnly)) {
        error = list.errorString();
        return false;
    }
    const QByteArray content = list.readAll();
    if (list.error() != QFileDevice::NoError) {
        error = list.errorString();
        return false;
    }
    for (const QByteArray& line : content.split('\n')) {
        if (line.isEmpty())
            continue;
        const QByteArrayList words = line.split(' ');
        if (words.size() != 2 || words[0].isEmpty() || words[1].isEmpty()) {
            error = QStringLiteral("it is damaged");
            return false;
        }
        pairs.append({FromWord(words[0]), FromWord(words[1])});
    }
    return true;
}

bool TestCopies::RestoreUnfinished(QString& note, QString& error) const
{
    const QString listPath = Path(ListName);
    if (!QFileInfo::exists(listPath))
        return true;
    QList<Pair> pairs;
    QString why;
    if (!ReadList(pairs, why)) {
        error = QStringLiteral("The list of copies left by an interrupted reliability test, ") +
                listPath + QStringLiteral(", cannot be read: ") + why +
                QStringLiteral(". Copy each .bak file over its .tst file, then delete the list.");
        return false;
    }
    for (const Pair& pair : std::as_const(pairs)) {
        const QString copy = Path(pair.copy);
        const QString original = Path(pair.original);
        // No copy: the test ended before it made this one, and before it encrypted anything.
        if (!QFileInfo::exists(copy) || SameContent(copy, original))
            continue;
        if (const int failed = CopyFile(Native(copy), Native(original))) {
            error = QStringLiteral("Unable to restore ") + pair.original +
                    QStringLiteral(" from its copy ") + pair.copy +
                    QStringLiteral(", left by an interrupted reliability test: ") +
                    qt_error_string(failed) + QStringLiteral(". Copy ") + pair.copy +
                    QStringLiteral(" over ") + pair.original +
                    QStringLiteral(" before the test runs again.");
            return false;
        }
        note += QStringLiteral("(restored ") + pair.original + QStringLiteral(" from ") +
                pair.copy + QStringLiteral(", left by an interrupted test)\n");
    }
    Compared();
    return true;
}

bool TestCopies::Make(const QList<Pair>& pairs, QString& refusal) const
{
    QByteArray list;
    QStringList copies;
    for (const Pair& pair : pairs) {
        // Names that differ only in letter case are different files, whose copies would
        // share one name.
        if (copies.contains(pair.copy)) {
            refusal = QStringLiteral("Two test files would be copied to ") + pair.copy +
                      QStringLiteral(". Rename one of them, then start the test again.");
            return false;
        }
        copies.append(pair.copy);
        const QString copy = Path(pair.copy);
        if (QFileInfo(copy).isSymLink() ||
            (QFileInfo::exists(copy) && !SameContent(copy, Path(pair.original)))) {
            refusal = pair.copy + QStringLiteral(" differs from ") + pair.original +
                      QStringLiteral(" and was not made by the reliability test, which does not "
                                     "overwrite it. If ") +
                      pair.original + QStringLiteral(" is encrypted and ") + pair.copy +
                      QStringLiteral(" is its original, copy it over ") + pair.original +
                      QStringLiteral("; otherwise rename ") + pair.copy +
                      QStringLiteral(". Then start the test again.");
            return false;
        }
        list += Word(pair.original) + ' ' + Word(pair.copy) + '\n';
    }
    if (WriteFile(Native(Path(ListName)), list) != 0)
        return false;
    for (const Pair& pair : pairs) {
        if (CopyFile(Native(Path(pair.original)), Native(Path(pair.copy))) != 0)
            return false;
    }
    return true;
}

void TestCopies::Compared() const
{
    const std::string path = Native(Path(ListName));
    // The list is only the test's own bookkeeping: should its removal not reach the disk, the
    // next run finds it and starts afresh.
    if (Sys::unlink(path.c_str()) == 0)
        (void)PosixFile::syncFolderOf(path);
}
