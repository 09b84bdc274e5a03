#pragma once

// The program's own temporary files when it is told to stop at once (a second Ctrl-C): every
// file under a temporary name that this process holds open is an output not yet complete or
// not yet named, an empty reserved file, or the temporary file of a replacing write, and is
// removed before the program ends. The one exception is an original that an in-place operation
// has exchanged with its result and is purging: it lies under a temporary name too, and the
// end waits until its purge is over (a Purging section).
namespace OwnTemporaries {

// Removes the files described above. Async-signal-safe, for a signal handler: it only makes
// system calls and allocates nothing.
void RemoveAll() noexcept;

// Calls `end`, which must be async-signal-safe and must not return, now; or, while a Purging
// section is open, as soon as the last one closes (on the thread that closes it). A section that
// would open after that waits for the end. Async-signal-safe.
void EndWhenSafe(void (*end)()) noexcept;

// While one lives, a temporary name of this process may hold an original being purged, which
// RemoveAll must not take: the end waits for it.
class Purging
{
public:
    Purging();
    ~Purging();
    Purging(const Purging&) = delete;
    Purging& operator=(const Purging&) = delete;
};

// True for a name that PosixFile::createTemporary makes (".zr7-" 12 hex digits ".tmp").
// Async-signal-safe.
bool IsTemporaryName(const char* name) noexcept;

} // namespace OwnTemporaries
