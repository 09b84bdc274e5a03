#include "RandomnessAhead.h"

#include "ListedFile.h"
#include "PosixFile.h"

#include <QFile>

#include <fcntl.h>

void RandomnessAhead::Measure(int folderFd, const QStringList& names,
                              const QList<struct stat>& identities, qint64 minSize,
                              const std::function<bool()>& goOn)
{
    if (folderFd != m_folderFd)
        Clear();
    m_folderFd = folderFd;
    for (qsizetype i = 0; i < names.size() && i < identities.size() && goOn(); ++i) {
        const struct stat& listed = identities[i];
        if (listed.st_ino == 0 || listed.st_size < minSize)
            continue;
        std::string name = QFile::encodeName(names[i]).toStdString();
        const PosixFile::Fd fd(
            ::openat(folderFd, name.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
        struct stat now;
        if (!fd.valid() || ::fstat(fd.get(), &now) != 0 ||
            !ListedFile{folderFd, name, listed, -1}.IsStill(now))
            continue; // measured in its turn, which reports what is wrong with it
        m_values.insert_or_assign(std::move(name),
                                  Measured{now, FileUtility::fr(fd.get(), int(minSize))});
    }
}

std::optional<FileUtility::RandomnessValue> RandomnessAhead::Take(const ListedFile& listed)
{
    if (listed.folderFd != m_folderFd)
        return std::nullopt;
    const auto found = m_values.find(listed.name);
    if (found == m_values.end())
        return std::nullopt;
    const Measured measured = found->second;
    m_values.erase(found);
    if (!listed.IsStill(measured.seen))
        return std::nullopt;
    return measured.value;
}

void RandomnessAhead::Clear()
{
    m_values.clear();
    m_folderFd = -1;
}
