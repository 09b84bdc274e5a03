#include "ProcessHardening.h"

#include <sys/prctl.h>
#include <sys/resource.h>

namespace ProcessHardening {

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

} // namespace ProcessHardening
