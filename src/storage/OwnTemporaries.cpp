#include "OwnTemporaries.h"

#include "PosixFile.h"

#include <atomic>
#include <climits>
#include <cstddef>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace OwnTemporaries {
namespace {

// Open Purging sections in the low bits; a stop waiting for them to close; the end under way.
constexpr unsigned Pending = 1u << 30;
constexpr unsigned Ending = 1u << 31;
constexpr unsigned Sections = Pending - 1;

std::atomic<unsigned> s_state{0};
std::atomic<void (*)()> s_end{nullptr};
static_assert(std::atomic<unsigned>::is_always_lock_free &&
                  std::atomic<void (*)()>::is_always_lock_free,
              "a signal handler may only use lock-free atomics");

// "/proc/self/fd/" and the decimal `fd`, into `link`.
void FdLink(const char* number, char* link, std::size_t size)
{
    constexpr char Prefix[] = "/proc/self/fd/";
    std::size_t length = sizeof Prefix - 1;
    std::memcpy(link, Prefix, length);
    while (*number != '\0' && length + 1 < size)
        link[length++] = *number++;
    link[length] = '\0';
}

int ParseFd(const char* name)
{
    int fd = 0;
    for (; *name != '\0'; ++name) {
        if (*name < '0' || *name > '9' || fd > INT_MAX / 10 - 1)
            return -1;
        fd = fd * 10 + (*name - '0');
    }
    return fd;
}

// Removes the file open at `fd` when its name is one of the program's temporary names and the
// name still leads to that very file.
void RemoveIfTemporary(int fd, const char* number)
{
    char link[64];
    FdLink(number, link, sizeof link);
    char path[PATH_MAX];
    const ssize_t length = ::readlink(link, path, sizeof path - 1);
    if (length <= 0)
        return;
    path[length] = '\0';
    const char* slash = std::strrchr(path, '/');
    struct stat open, named;
    if (slash == nullptr || !IsTemporaryName(slash + 1) || ::fstat(fd, &open) != 0 ||
        ::lstat(path, &named) != 0 || !S_ISREG(named.st_mode) ||
        !PosixFile::sameIdentity(open, named))
        return;
    ::unlink(path);
}

} // namespace

bool IsTemporaryName(const char* name) noexcept
{
    constexpr std::size_t Length = 21; // ".zr7-" + 12 hex digits + ".tmp"
    if (std::strlen(name) != Length || std::strncmp(name, ".zr7-", 5) != 0 ||
        std::strcmp(name + 17, ".tmp") != 0)
        return false;
    for (std::size_t i = 5; i < 17; ++i) {
        const char c = name[i];
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return false;
    }
    return true;
}

void RemoveAll() noexcept
{
    const int folder = ::open("/proc/self/fd", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0)
        return;
    alignas(dirent64) char entries[4096];
    ssize_t got;
    while ((got = ::getdents64(folder, entries, sizeof entries)) > 0) {
        for (ssize_t at = 0; at < got;) {
            const auto* entry = reinterpret_cast<const dirent64*>(entries + at);
            at += entry->d_reclen;
            const int fd = ParseFd(entry->d_name);
            if (fd >= 0 && fd != folder && entry->d_name[0] != '\0')
                RemoveIfTemporary(fd, entry->d_name);
        }
    }
    ::close(folder);
}

void EndWhenSafe(void (*end)()) noexcept
{
    s_end.store(end);
    unsigned state = s_state.load();
    for (;;) {
        if (state & (Ending | Pending))
            return; // already decided; whoever decided ends the program
        if ((state & Sections) == 0) {
            if (s_state.compare_exchange_weak(state, state | Ending)) {
                end();
                return;
            }
        } else if (s_state.compare_exchange_weak(state, state | Pending)) {
            return;
        }
    }
}

Purging::Purging()
{
    unsigned state = s_state.load();
    for (;;) {
        // The program is ending: what this section would begin must not begin.
        while (state & (Ending | Pending)) {
            ::pause();
            state = s_state.load();
        }
        if (s_state.compare_exchange_weak(state, state + 1))
            return;
    }
}

Purging::~Purging()
{
    const unsigned state = s_state.fetch_sub(1) - 1;
    if ((state & Sections) != 0 || !(state & Pending))
        return;
    unsigned expected = state;
    if (s_state.compare_exchange_strong(expected, Ending))
        s_end.load()();
}

} // namespace OwnTemporaries
