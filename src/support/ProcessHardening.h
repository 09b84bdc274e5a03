#pragma once

// Keeps the keys this process holds from leaving it by way of the system.
namespace ProcessHardening {

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
