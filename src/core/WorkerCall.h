#pragma once

#include <functional>

// Runs a long piece of file work (an engine pass, a verification, a purge) on a worker thread
// while this thread keeps its event loop going, so that windows repaint and their buttons can
// be clicked. `tick` runs on this thread every 100 ms while the work goes on. Without an
// application object, or when `inline` is true (small files, where a thread costs more than
// it saves), the work runs here directly. The work leaves its result in what it captures; the
// call returns once the work has ended.
void RunOnWorker(const std::function<void()>& work, const std::function<void()>& tick,
                 bool runInline = false);
