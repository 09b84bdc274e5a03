#include "OutputFile.h"

#include <cerrno>
#include <cstdio>
#include <unistd.h>

bool OutputFile::create(const std::string& finalPath)
{
    discard();
    if (finalPath.empty() || finalPath.back() == '/')
        return false;
    m_finalPath = finalPath;
    m_fd = PosixFile::createTemporary(PosixFile::folderOf(finalPath), m_tempPath);
    return m_fd.valid();
}

int OutputFile::commit()
{
    if (const int error = m_fd.close())
        return error;
    if (::rename(m_tempPath.c_str(), m_finalPath.c_str()) != 0)
        return errno;
    m_tempPath.clear();
    return 0;
}

void OutputFile::discard()
{
    m_fd.reset();
    if (!m_tempPath.empty())
        ::unlink(m_tempPath.c_str());
    m_tempPath.clear();
}

std::string OutputFile::keepPartial()
{
    m_fd.close();
    const std::string name = m_tempPath.empty()
                                 ? std::string()
                                 : PosixFile::linkUnder(m_tempPath, m_finalPath + ".partial");
    discard();
    return name;
}
