#include "RandomnessAhead.h"

#include "storage/ListedFile.h"
#include "storage/PosixFile.h"
#include "support/FileRandomness.h"

#include <QFile>

#include <cerrno>
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
        ListedFile file{folderFd, QFile::encodeName(names[i]).toStdString(), listed, -1};
        // Anything amiss is measured again in its turn, which reports it.
        const auto value = OfListed(file, int(minSize));
        if (value && value->measured())
            m_values.insert_or_assign(std::move(file.name), *value);
    }
}

std::optional<FileRandomness::RandomnessValue> RandomnessAhead::Take(const ListedFile& listed)
{
    if (listed.folderFd != m_folderFd)
        return std::nullopt;
    const auto found = m_values.find(listed.name);
    if (found == m_values.end())
        return std::nullopt;
    const FileRandomness::RandomnessValue value = found->second;
    m_values.erase(found);
    return value;
}

void RandomnessAhead::Clear()
{
    m_values.clear();
    m_folderFd = -1;
}

std::optional<FileRandomness::RandomnessValue> RandomnessAhead::OfListed(const ListedFile& listed,
                                                                         int minSize)
{
    const PosixFile::Fd fd(::openat(listed.folderFd, listed.name.c_str(),
                                    O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (!fd.valid())
        return errno == ENOENT || errno == ENOTDIR ? FileRandomness::RandomnessError::FileNotFound
                                                   : FileRandomness::RandomnessError::FileReadError;
    struct stat now;
    if (::fstat(fd.get(), &now) != 0 || !listed.IsStill(now))
        return std::nullopt;
    return FileRandomness::fr(fd.get(), minSize);
}
