#include "TemporaryReserve.h"

#include "engine/SystemCalls.h"

#include <algorithm>
#include <fcntl.h>

void TemporaryReserve::fill(int folderFd, std::size_t count, const std::function<bool()>& goOn)
{
    if (folderFd != m_folderFd)
        clear();
    m_folderFd = folderFd;
    const std::size_t wanted = std::min(count, MaxFiles);
    while (m_files.size() < wanted && goOn()) {
        Reserved file;
        file.fd = PosixFile::createTemporaryAt(folderFd, std::string(), file.name);
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
        Sys::unlinkat(m_folderFd, file.name.c_str(), 0);
        file.fd.reset();
    }
    m_files.clear();
    m_folderFd = -1;
}
