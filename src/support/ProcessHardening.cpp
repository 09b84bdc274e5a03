#include "ProcessHardening.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <unistd.h>

namespace ProcessHardening {

namespace {
bool closedAtStart[3] = {false, false, false};
}

bool DisableCoreDumps()
{
    // Both, since either alone leaves a way out: the limit is ignored when the system pipes core
    // files to a handler, and the dumpable flag is reset when the process starts another
    // program, which inherits the limit.
    const bool undumpable = ::prctl(PR_SET_DUMPABLE, 0, 0, 0, 0) == 0;
    const rlimit none = {0, 0};
    const bool noCore = ::setrlimit(RLIMIT_CORE, &none) == 0;
    return undumpable && noCore;
}

void OpenClosedStandardDescriptors()
{
    for (int fd = 0; fd < 3; ++fd) {
        if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF)
            continue;
        closedAtStart[fd] = true;
        // open() returns the lowest free number, which is fd itself since the lower ones are
        // open by now; anything else would be a descriptor of no use, so it is closed again.
        const int opened = ::open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
        if (opened != fd && opened != -1)
            ::close(opened);
    }
}

bool ClosedAtStart(int fd)
{
    return fd >= 0 && fd < 3 && closedAtStart[fd];
}

} // namespace ProcessHardening
