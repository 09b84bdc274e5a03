#pragma once

#include "analysis/ReliabilityTestHost.h"
#include "core/LaunchHost.h"

class BatchDriver;
class CommandWindow;
class Interaction;
class QLabel;
class QTimer;
class SetupEditor;
class frmReliabilityTest;
class frmReport;

// The reliability test in the windows: the query window that "Do it!" opens for a "zr7test"
// folder, and the test itself, with the window's commands disabled and a notice on it, the
// runs paced by a clock, and the comparison in the report window.
class ReliabilityTestCommand : public ReliabilityTestHost
{
public:
    ReliabilityTestCommand(CommandWindow& window, SetupEditor& editor, BatchDriver& driver,
                           frmReport& report, Interaction& interaction);
    ~ReliabilityTestCommand();

    // Asks whether to run the test and runs it when the user says so; `launchHost` starts
    // each encryption and decryption as "Do it!" does.
    LaunchHost::TestChoice Offer(LaunchHost& launchHost);

    frmReliabilityTest* query();

    // ReliabilityTestHost
    void TestStarted() override;
    void ComparisonStarted() override;
    void WaitBeforeNextRun(bool separateFiles) override;
    void RunsEnded() override;
    void TestEnded() override;

private:
    void SetMenuEnabled(bool enabled);

    CommandWindow& m_window;
    SetupEditor& m_editor;
    BatchDriver& m_driver;
    frmReport& m_report;
    Interaction& m_interaction;
    frmReliabilityTest* m_query = nullptr;
    QLabel* m_notice = nullptr; // the main window's notice label, once the test has shown it
    // Paces the runs: the first tick after 5 seconds, every later one after 4. A child of the
    // window, named "Clock".
    QTimer* m_clock = nullptr;
};
