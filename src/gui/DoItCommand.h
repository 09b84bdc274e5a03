#pragma once

#include "core/LaunchHost.h"

#include <QtGlobal>

#include <functional>
#include <memory>

class BatchDriver;
class BatchEndNotice;
class CommandWindow;
class Interaction;
class ReliabilityTestCommand;
class SetupEditor;
class SummaryLines;
class frmConfirmOperation;
class frmReport;
struct BatchResult;

// "Do it!" in the windows: the launch checks, the confirmation window, the report window and
// the batch, or the reliability test for a "zr7test" folder. The window's commands are
// disabled while the batch runs, and the summary shows the files again afterwards. A long
// batch that ends while the user is in another program is announced on the desktop.
class DoItCommand : public LaunchHost
{
public:
    DoItCommand(CommandWindow& window, SummaryLines& summary, SetupEditor& editor,
                BatchDriver& driver, frmReport& report, Interaction& interaction);
    ~DoItCommand() override;

    void Run();
    // True while Run has not returned: a batch, or the next run of a reliability test, may
    // still start.
    bool Busy() const { return m_busy; }

    // Where the end of a long batch is announced; none: nowhere.
    void SetBatchEndNotice(BatchEndNotice* notice) { m_batchEndNotice = notice; }
    // Milliseconds on a steady clock, which times the batch; tests replace it.
    std::function<qint64()> steadyMsecs;

    void SwitchToInPlace() override;
    TestChoice OfferReliabilityTest() override;
    bool Confirm(const QString& description, const QString& question) override;
    void ShowReport(const QString& caption) override;

private:
    void AnnounceEnd(bool encrypt, const BatchResult& result);

    CommandWindow& m_window;
    SummaryLines& m_summary;
    SetupEditor& m_editor;
    BatchDriver& m_driver;
    frmReport& m_report;
    Interaction& m_interaction;
    frmConfirmOperation* m_confirm = nullptr;
    bool m_busy = false;
    BatchEndNotice* m_batchEndNotice = nullptr;
    qint64 m_batchStart = 0; // on steadyMsecs
    std::unique_ptr<ReliabilityTestCommand> m_reliabilityTest;
};
