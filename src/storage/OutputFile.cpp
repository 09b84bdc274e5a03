#include "OutputFile.h"

#include "Durability.h"
#include "TemporaryReserve.h"

#include <cerrno>
#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

bool OutputFile::create(const std::string& finalPath, int folderFd, TemporaryReserve* reserve)
{
    discard();
    if (finalPath.empty() || finalPath.back() == '/')
        return false;
    m_finalPath = finalPath;
    m_folderFd = folderFd;
    // A reserved file lies in the folder itself: only for a bare name in an open folder.
    if (reserve && folderFd != AT_FDCWD && finalPath.find('/') == std::string::npos)
        m_fd = reserve->take(folderFd, m_tempPath);
    if (!m_fd.valid())
        m_fd = PosixFile::createTemporaryAt(folderFd, PosixFile::folderPrefix(finalPath),
                                            m_tempPath, m_calls);
    if (!m_fd.valid())
        return false;
    // The file this one will replace keeps its data until the rename, but not its cached pages:
    // they are what the new file's pages are best made of.
    PosixFile::releaseCachedPages(folderFd, finalPath);
    return true;
}

int OutputFile::commit()
{
    if (const int error = Durability::flushFile(m_fd.get(), m_calls))
        return error;
    if (const int error = giveName())
        return error;
    (void)m_fd.close(); // flushed already: a late error has nothing left to report
    return Durability::flushFolder(m_folderFd, m_finalPath, m_calls);
}

int OutputFile::giveName()
{
    const int error = Durability::giveName(m_folderFd, m_tempPath, m_finalPath,
                                           Durability::Naming::Replace, m_calls);
    if (error == 0)
        m_tempPath.clear();
    return error;
}

void OutputFile::discard()
{
    m_fd.reset();
    if (!m_tempPath.empty())
        m_calls.unlinkat(m_folderFd, m_tempPath.c_str(), 0);
    m_tempPath.clear();
}

std::string OutputFile::keepPartial()
{
    // A write error that surfaces only now leaves less in the file than was written; what is
    // there is still authenticated plaintext, and the report calls it partial.
    // Like every name the program gives, this one comes only once the data is on the disk.
    const bool kept = Durability::flushFile(m_fd.get(), m_calls) == 0;
    (void)m_fd.close();
    const std::string name =
        m_tempPath.empty() || !kept
            ? std::string()
            : PosixFile::linkUnderAt(m_folderFd, m_tempPath, m_finalPath + ".partial", m_calls);
    discard();
    if (!name.empty())
        (void)Durability::flushFolder(m_folderFd, name, m_calls);
    return name;
}
