#include "TemporaryReserve.h"

#include <algorithm>
#include <fcntl.h>

void TemporaryReserve::fill(int folderFd, std::size_t count, const std::function<bool()>& goOn,
                            const SystemCalls& calls)
{
    if (folderFd != m_folderFd || &calls != m_calls)
        clear();
    m_folderFd = folderFd;
    m_calls = &calls;
    const std::size_t wanted = std::min(count, MaxFiles);
    while (m_files.size() < wanted && goOn()) {
        Reserved file;
        file.fd = PosixFile::createTemporaryAt(folderFd, std::string(), file.name, calls);
        if (!file.fd.valid())
            break;
        m_files.push_back(std::move(file));
    }
}

PosixFile::Fd TemporaryReserve::take(int folderFd, std::string& name)
{
    if (folderFd != m_folderFd || m_files.empty())
        return PosixFile::Fd();
    Reserved file = std::move(m_files.back());
    m_files.pop_back();
    name = std::move(file.name);
    return std::move(file.fd);
}

void TemporaryReserve::clear()
{
    for (Reserved& file : m_files) {
        // Removed while still locked: no other run takes it for a leftover of its own meanwhile.
        m_calls->unlinkat(m_folderFd, file.name.c_str(), 0);
        file.fd.reset();
    }
    m_files.clear();
    m_folderFd = -1;
}
