#include "OutputFile.h"

#include "SystemCalls.h"
#include "TemporaryReserve.h"

#include <cerrno>
#include <cstdio>
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
        m_fd =
            PosixFile::createTemporaryAt(folderFd, PosixFile::folderPrefix(finalPath), m_tempPath);
    if (!m_fd.valid())
        return false;
    // The file this one will replace keeps its data until the rename, but not its cached pages:
    // they are what the new file's pages are best made of.
    PosixFile::releaseCachedPages(folderFd, finalPath);
    return true;
}

int OutputFile::commit()
{
    if (const int error = m_fd.close())
        return error;
    if (Sys::renameat(m_folderFd, m_tempPath.c_str(), m_folderFd, m_finalPath.c_str()) != 0)
        return errno;
    m_tempPath.clear();
    return 0;
}

void OutputFile::discard()
{
    m_fd.reset();
    if (!m_tempPath.empty())
        ::unlinkat(m_folderFd, m_tempPath.c_str(), 0);
    m_tempPath.clear();
}

std::string OutputFile::keepPartial()
{
    // A write error that surfaces only now leaves less in the file than was written; what is
    // there is still authenticated plaintext, and the report calls it partial.
    (void)m_fd.close();
    const std::string name = m_tempPath.empty() ? std::string()
                                                : PosixFile::linkUnderAt(m_folderFd, m_tempPath,
                                                                         m_finalPath + ".partial");
    discard();
    return name;
}
