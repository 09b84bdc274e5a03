#pragma once

#include "BatchContext.h"
#include "ReportText.h"
#include "RunState.h"
#include "ZR7FileOps.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <functional>

class CipherEngine;
class FileOperation;
class QEventLoop;
struct ListedFile;
namespace folder {
struct ListedFolder;
}

// The report window's logic: it runs a batch over a folder tree (or a measuring pass that only
// adds up sizes), writes the report and its closing statistics, and answers Stop and
// Pause/Continue between files. The windows, the command line and the tests drive it alike.
class BatchDriver
{
public:
    BatchDriver(Setup& setup, const KeyRecord& key, CipherEngine& engine, Interaction& interaction);
    ~BatchDriver();
    BatchDriver(const BatchDriver&) = delete;
    BatchDriver& operator=(const BatchDriver&) = delete;

    void SetView(ReportView* view);
    void SetPurgeAdvice(PurgeAdviceDialogs* advice) { m_context.advice = advice; }

    // Runs what the run state asks for: a randomness report, a measuring pass or a batch.
    // With none of them it only resets the status and places the caret.
    void ProcessFiles();

    // The Stop and Pause/Continue buttons; both take effect at the next file.
    void cmdStop_Click();
    void cmdPauseContinue_Click();
    // Ends a running batch at its next file, also from a pause, without the Stop button's
    // other effects (the report window closing while a batch runs).
    void RequestStop();

    RunState run;
    ReportText& report() { return m_report; }
    ZR7FileOps& fileOps() { return m_ops; }
    const BatchCounters& counters() const { return m_context.counters; }
    const QString& status() const { return m_status; }
    bool paused() const { return m_paused; }
    bool running() const { return m_running; }

    // Set by the reliability test: closing the report window then restores the setup.
    bool blnRestoreSetupOnClose = false;
    // Set while a reliability test drives the batch: no statistics and no Pause button.
    bool blnReliabilityTest = false;
    // While a reliability test runs: the output names of the last folder processed, in the
    // order the files went through, for the comparison that follows.
    QStringList lastOutputNames;
    // The randomness report of the analysis; runs instead of a batch when asked for.
    std::function<void()> randomnessReport;
    // What a report running inside ProcessFiles uses of the batch: the counters it adds to, the
    // pause-and-stop check between files (true when the run must end), and a step whose
    // failure is shown and handled as a batch handles it (false when it failed).
    BatchCounters& runCounters() { return m_context.counters; }
    bool PauseAndStopCheck() { return BetweenSteps(); }
    bool RunStep(const std::function<void()>& step) { return Step(step); }

    // Clocks, replaceable by tests: seconds since midnight, and the date and time of the
    // report's last line.
    std::function<double()> secondsSinceMidnight;
    std::function<QDateTime()> now;

private:
    void StartRun();
    void RunBatch();
    void FolderRoutine(const QString& inputFolder, const QString& inputSpec,
                       const QString& outputFolder, const QString& outputSpec);
    // The matching files of one folder (folder::ListedFolder): those the batch works on, each
    // only while it is still the file listed, and those it can only report. `outputFd`: the
    // output folder, open, when it is another folder (-1: by its path).
    bool ProcessFolderFiles(const QString& inputSpec, const folder::ListedFolder& files,
                            const QString& outputFolder, const QString& outputSpec, int outputFd);
    bool ReportNotTaken(FileOperation& operation, const QStringList& names, FileResult result);
    // What interrupted runs left in the input folder (open at `inputFd`) and the output folder
    // (open at `outputFd`, or -1: by its path).
    void RemoveLeftovers(const QString& inputFolder, int inputFd, const QString& outputFolder,
                         int outputFd);
    bool ProcessOneFile(FileOperation& operation, const QString& inputFolder,
                        const QString& inputName, const QString& outputFolder,
                        const QString& outputName, qint64 index, const ListedFile& listed);
    bool BetweenSteps();
    void WaitWhilePaused();
    bool Step(const std::function<void()>& step);
    void WriteStatistics(double elapsed);
    void WriteDateLine();
    void SetStatus(const QString& status);
    bool measuring() const;

    ZR7FileOps m_ops;
    ReportText m_report;
    BatchContext m_context;
    ReportView* m_view = nullptr;
    QString m_status;
    bool m_paused = false;
    bool m_running = false;
    bool m_stopNoted = false;
    QEventLoop* m_pauseLoop = nullptr;
};
