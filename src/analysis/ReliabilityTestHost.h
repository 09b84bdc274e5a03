#pragma once

// What the reliability test needs of the front end that runs it. Every default does nothing,
// so that the command line and the tests override only what they show; the windows disable
// their commands, show a notice, pace the runs with the main window's clock and relabel the
// report window.
class ReliabilityTestHost
{
public:
    virtual ~ReliabilityTestHost() = default;

    // The test begins: the commands that could change the setup are disabled.
    virtual void TestStarted() {}
    // The comparison of a run begins: the report window takes its comparison caption and
    // empties its status, and its Close restores the setup of before the test.
    virtual void ComparisonStarted() {}
    // Between two runs: returns when the next run is due, by the main window's clock, or once
    // the report window's Stop has ended the test. The command line goes on at once. In the
    // separate-files mode the Stop button is shortened to "Stop" meanwhile.
    virtual void WaitBeforeNextRun(bool /*separateFiles*/) {}
    // The last run is over: Stop goes and Close comes back.
    virtual void RunsEnded() {}
    // The setup has been restored: the commands come back and the report has the focus.
    virtual void TestEnded() {}
};
