#pragma once

// Keeps the keys this process holds from leaving it by way of the system.
namespace ProcessHardening {

// Makes the process undumpable (no core file, and other processes of the same user cannot
// attach to it or read its memory) and sets the core file size limit to zero, which child
// processes inherit. Called first thing in main(), before any key can be in memory. False when
// the system refused either; the process then runs on as before.
bool DisableCoreDumps();

} // namespace ProcessHardening
