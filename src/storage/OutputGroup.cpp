#include "OutputGroup.h"

#include "Durability.h"
#include "PosixFile.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <sys/stat.h>

namespace {

// Dirty data of other programs that a flush of the whole file system may wait for, beyond the
// group's own.
constexpr long long OthersAllowance = 16LL << 20;

// The data of the whole system waiting to be written, in bytes (/proc/meminfo), or -1.
long long SystemDirtyBytes()
{
    std::FILE* file = std::fopen("/proc/meminfo", "re");
    if (file == nullptr)
        return -1;
    long long kib = -1;
    char line[128];
    while (std::fgets(line, sizeof line, file) != nullptr) {
        if (std::sscanf(line, "Dirty: %lld kB", &kib) == 1)
            break;
    }
    std::fclose(file);
    return kib < 0 ? -1 : kib * 1024;
}

// Where the name of `file` goes: its folder, open, or the folder part of its path.
std::string FolderKey(const OutputFile& file)
{
    return file.folderFd() == AT_FDCWD ? PosixFile::folderOf(file.finalPath())
                                       : "#" + std::to_string(file.folderFd());
}

} // namespace

std::size_t OutputGroup::add(std::unique_ptr<OutputFile> file)
{
    if (m_files.empty())
        m_firstAdded = std::chrono::steady_clock::now();
    m_files.push_back(std::move(file));
    return m_files.size() - 1;
}

bool OutputGroup::due() const
{
    return !m_files.empty() && (m_files.size() >= MaxFiles ||
                                std::chrono::steady_clock::now() - m_firstAdded >= MaxWait);
}

std::vector<int> OutputGroup::flushAll() const
{
    std::vector<int> results(m_files.size(), 0);
    std::vector<struct stat> seen(m_files.size());
    long long ours = 0;
    for (std::size_t i = 0; i < m_files.size(); ++i) {
        if (::fstat(m_files[i]->fd(), &seen[i]) == 0)
            ours += seen[i].st_size;
    }
    // One flush of each file system instead of one per file, with one flush of the device's
    // cache instead of one per file, but only while little else waits to be written there: a
    // flush of the whole file system also waits for other programs' data. With more of it (a
    // large copy under way), each member is flushed alone and waits for its own data only.
    const long long dirty = SystemDirtyBytes();
    if (m_files.size() < 2 || dirty < 0 || dirty > ours + OthersAllowance) {
        for (std::size_t i = 0; i < m_files.size(); ++i)
            results[i] = Durability::flushFile(m_files[i]->fd(), m_files[i]->calls());
        return results;
    }
    for (std::size_t i = 0; i < m_files.size(); ++i) {
        std::size_t first = 0;
        while (first < i && seen[first].st_dev != seen[i].st_dev)
            ++first;
        results[i] = first < i ? results[first]
                               : Durability::flushFileSystem(m_files[i]->fd(), m_files[i]->calls());
    }
    return results;
}

std::vector<int> OutputGroup::commit()
{
    std::vector<int> results = flushAll();
    for (std::size_t i = 0; i < m_files.size(); ++i) {
        if (results[i] == 0)
            results[i] = m_files[i]->giveName();
    }
    // Each folder once, however many names it took.
    std::vector<std::pair<std::string, int>> flushed;
    for (std::size_t i = 0; i < m_files.size(); ++i) {
        if (results[i] != 0)
            continue;
        const std::string key = FolderKey(*m_files[i]);
        auto known = flushed.begin();
        while (known != flushed.end() && known->first != key)
            ++known;
        if (known == flushed.end())
            known =
                flushed.insert(flushed.end(), {key, Durability::flushFolder(m_files[i]->folderFd(),
                                                                            m_files[i]->finalPath(),
                                                                            m_files[i]->calls())});
        results[i] = known->second;
    }
    m_files.clear(); // closes the members; those not named are removed
    return results;
}
