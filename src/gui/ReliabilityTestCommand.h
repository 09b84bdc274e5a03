#pragma once

#include "analysis/ReliabilityTestHost.h"
#include "core/LaunchHost.h"

class Interaction;
class QLabel;
class frmMain;
class frmReliabilityTest;
class frmReport;

// The reliability test in the windows: the query window that "Do it!" opens for a "zr7test"
// folder, and the test itself, with the main window's commands disabled and a notice on it,
// the runs paced by the main window's Clock, and the comparison in the report window.
class ReliabilityTestCommand : public ReliabilityTestHost
{
public:
    ReliabilityTestCommand(frmMain& main, frmReport& report, Interaction& interaction);

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

    frmMain& m_main;
    frmReport& m_report;
    Interaction& m_interaction;
    frmReliabilityTest* m_query = nullptr;
    QLabel* m_notice = nullptr; // lblPerformingReliabilityTest
};
