#pragma once

#include <functional>

class ReportText;
struct BatchCounters;

// What a listing that the batch driver runs (the randomness report) shares with a batch
// between its files: the counters and the report it writes to, the pause-and-stop check, and
// a step whose failure is shown and handled as in a batch (a full report may end the run).
class RunSteps
{
public:
    virtual ~RunSteps() = default;

    virtual BatchCounters& runCounters() = 0;
    virtual ReportText& report() = 0;
    // Waits while paused; true when the run must end.
    virtual bool PauseAndStopCheck() = 0;
    // Runs `step`; false when it failed, with its message shown.
    virtual bool RunStep(const std::function<void()>& step) = 0;
};
