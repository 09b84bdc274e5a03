#include "FileMetadata.h"

#include <algorithm>
#include <cerrno>
#include <linux/fs.h>
#include <string>
#include <sys/ioctl.h>
#include <sys/types.h>
#include <sys/xattr.h>
#include <vector>

namespace FileMetadata {
namespace {

// Calls `get(buffer, size)` (a flistxattr or fgetxattr) until the buffer holds the whole
// answer: the attribute may grow between asking its size and reading it. False when there is
// no answer (no such attribute, none kept on this file system).
template <typename Get> bool ReadGrowing(std::vector<char>& out, Get get)
{
    for (int tries = 0; tries < 4; ++tries) {
        const ssize_t size = get(nullptr, 0);
        if (size < 0)
            return false;
        out.resize(static_cast<std::size_t>(size));
        const ssize_t got = get(out.data(), out.size());
        if (got >= 0) {
            out.resize(static_cast<std::size_t>(got));
            return true;
        }
        if (errno != ERANGE)
            return false;
    }
    return false;
}

// The names of the extended attributes of `fd` that this process can see.
std::vector<std::string> Names(int fd)
{
    std::vector<char> list;
    std::vector<std::string> names;
    if (!ReadGrowing(list,
                     [fd](char* data, std::size_t size) { return ::flistxattr(fd, data, size); }))
        return names;
    for (std::size_t at = 0; at < list.size();) {
        names.emplace_back(list.data() + at);
        at += names.back().size() + 1;
    }
    return names;
}

} // namespace

void copyAttributes(int from, int to)
{
    const std::vector<std::string> wanted = Names(from);
    for (const std::string& name : Names(to)) {
        if (std::find(wanted.begin(), wanted.end(), name) == wanted.end())
            ::fremovexattr(to, name.c_str());
    }
    std::vector<char> value;
    for (const std::string& name : wanted) {
        // An attribute that this file system or this user may not set is left out.
        if (ReadGrowing(value, [&](char* data, std::size_t size) {
                return ::fgetxattr(from, name.c_str(), data, size);
            }))
            ::fsetxattr(to, name.c_str(), value.data(), value.size(), 0);
    }
}

void copyFlags(int from, int to)
{
    // What a user sets on a file with chattr, but immutable and append-only (see the header),
    // and the flags that only folders use.
    constexpr unsigned Copied = FS_SECRM_FL | FS_UNRM_FL | FS_COMPR_FL | FS_SYNC_FL | FS_NODUMP_FL |
                                FS_NOATIME_FL | FS_NOCOMP_FL | FS_JOURNAL_DATA_FL | FS_NOTAIL_FL |
                                FS_NOCOW_FL | FS_DAX_FL;
    int wanted = 0;
    int now = 0;
    if (::ioctl(from, FS_IOC_GETFLAGS, &wanted) != 0 || ::ioctl(to, FS_IOC_GETFLAGS, &now) != 0)
        return;
    // One flag at a time: a file system refuses the whole set for one flag it does not know.
    for (unsigned bit = 1; bit != 0 && bit <= Copied; bit <<= 1) {
        if ((Copied & bit) == 0 || ((unsigned(wanted) ^ unsigned(now)) & bit) == 0)
            continue;
        int next = int(unsigned(now) ^ bit);
        if (::ioctl(to, FS_IOC_SETFLAGS, &next) == 0)
            now = next;
    }
}

} // namespace FileMetadata
