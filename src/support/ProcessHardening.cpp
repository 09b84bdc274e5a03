#include "ProcessHardening.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <string>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace ProcessHardening {

namespace {

bool closedAtStart[3] = {false, false, false};

constexpr char Tunables[] = "GLIBC_TUNABLES";
// The restarted process finds the user's own tunables here: "=" and their value, or "-" when
// there were none.
constexpr char UsersTunables[] = "ZR7_USERS_TUNABLES";
// The freed bytes become 0x5A; a freshly allocated block is filled with 0xA5.
constexpr char HeapWiping[] = "glibc.malloc.tcache_count=0:glibc.malloc.perturb=165";

void RestoreTunables(const char* saved)
{
    if (saved[0] == '=')
        ::setenv(Tunables, saved + 1, 1);
    else
        ::unsetenv(Tunables);
    ::unsetenv(UsersTunables);
}

// The arguments the process was started with, the program's name first.
std::vector<std::string> StartArguments()
{
    std::vector<std::string> arguments;
    std::ifstream cmdline("/proc/self/cmdline", std::ios::binary);
    for (std::string argument; std::getline(cmdline, argument, '\0');)
        arguments.push_back(argument);
    return arguments;
}

} // namespace

void WipeFreedMemory()
{
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
    if (const char* saved = ::getenv(UsersTunables)) {
        RestoreTunables(saved); // restarted: the heap wipes
        return;
    }
    const char* own = ::getenv(Tunables);
    const std::string saved = own ? std::string("=") + own : std::string("-");
    // The user's own settings first: ours, later in the list, are the ones glibc keeps.
    const std::string tunables =
        own && *own ? std::string(own) + ':' + HeapWiping : std::string(HeapWiping);
    if (::setenv(UsersTunables, saved.c_str(), 1) != 0 ||
        ::setenv(Tunables, tunables.c_str(), 1) != 0)
        return;
    std::vector<std::string> arguments = StartArguments();
    std::vector<char*> argv;
    for (std::string& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    if (arguments.size() > 0)
        ::execv("/proc/self/exe", argv.data());
    // Not started again (no /proc, say): on as started, the environment as it was.
    RestoreTunables(saved.c_str());
#endif
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
