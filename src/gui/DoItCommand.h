#pragma once

#include "core/LaunchHost.h"

#include <memory>

class Interaction;
class ReliabilityTestCommand;
class frmConfirmOperation;
class frmMain;
class frmReport;

// "Do it!" in the windows: the launch checks, the confirmation window, the report window and
// the batch, or the reliability test for a "zr7test" folder. The main window's buttons are
// disabled while the batch runs.
class DoItCommand : public LaunchHost
{
public:
    DoItCommand(frmMain& main, frmReport& report, Interaction& interaction);
    ~DoItCommand() override;

    void Run();
    // True while Run has not returned: a batch, or the next run of a reliability test, may
    // still start.
    bool Busy() const { return m_busy; }

    void SwitchToInPlace() override;
    TestChoice OfferReliabilityTest() override;
    bool Confirm(const QString& description, const QString& question) override;
    void ShowReport(const QString& caption) override;

private:
    void SetCommandsEnabled(bool enabled);

    frmMain& m_main;
    frmReport& m_report;
    Interaction& m_interaction;
    frmConfirmOperation* m_confirm = nullptr;
    bool m_busy = false;
    std::unique_ptr<ReliabilityTestCommand> m_reliabilityTest;
};
