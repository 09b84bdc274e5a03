#pragma once

// Keeps the keys this process holds from leaving it by way of the system.
namespace ProcessHardening {

// Has glibc's allocator overwrite every block this process frees. A key passes through
// ordinary strings on its way in (the text of a key box, a typed line); a freed copy would
// otherwise stay in the heap until the block happens to be reused. glibc does this itself when
// asked through its tunables (glibc.malloc.perturb, with the per-thread cache off, whose
// blocks it would pass over), which it reads only as a process starts: so the program starts
// itself once more with them, first thing in main(), with the arguments it was given. The restarted
// process takes them out of its environment again, so that the programs it starts get the
// environment the user gave. glibc's own checks of the heap stay as they are. Does nothing
// under a sanitizer, which keeps its own heap, nor when the program cannot be started again.
void WipeFreedMemory();

// Makes the process undumpable (no core file, and other processes of the same user cannot
// attach to it or read its memory) and sets the core file size limit to zero, which child
// processes inherit. Called first thing in main(), before any key can be in memory. False when
// the system refused either; the process then runs on as before.
bool DisableCoreDumps();

// Opens /dev/null on each of the standard descriptors 0, 1 and 2 that the process was started
// without, so that no file, pipe or eventfd the program opens later can take one of their
// numbers and be read as standard input or written as standard output. Called first thing in
// main(). Remembers which were closed, for ClosedAtStart().
void OpenClosedStandardDescriptors();

// True when the standard descriptor `fd` (0, 1 or 2) was closed when the process started.
bool ClosedAtStart(int fd);

} // namespace ProcessHardening
