#pragma once

#include "BatchContext.h"
#include "BatchRequest.h"
#include "HeldOutputs.h"
#include "ReportText.h"
#include "RunSteps.h"
#include "ZR7FileOps.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <functional>

class FileCipher;
class FileOperation;
class QEventLoop;
struct ListedFile;
namespace folder {
struct ListedFolder;
}

// The report window's logic: it runs a batch over a folder tree (or a measuring pass that only
// adds up sizes, or a listing such as the randomness report), writes the report and its
// closing statistics, and answers Stop and Pause/Continue between files. Each run is a request
// and a result. The windows, the command line and the tests drive it alike.
class BatchDriver : public RunSteps
{
public:
    BatchDriver(const KeyRecord& key, FileCipher& engine, Interaction& interaction);
    ~BatchDriver() override;
    BatchDriver(const BatchDriver&) = delete;
    BatchDriver& operator=(const BatchDriver&) = delete;

    void SetView(ReportView* view);
    void SetPurgeAdvice(PurgeAdviceDialogs* advice) { m_context.advice = advice; }

    // The batch the request describes, with its report and closing statistics.
    BatchResult Run(const BatchRequest& request);
    // Adds up the input sizes of the files the batch would work on (in place, the largest),
    // touching nothing; a folder whose output names collide ends it.
    BatchResult Measure(const BatchRequest& request);
    // A listing over the request's input side, written by `listing` with the run's steps,
    // closed with the statistics and the date line of a batch.
    BatchResult RunListing(const BatchRequest& request, const std::function<void()>& listing);
    // The report window coming back into view: the status is reset and the caret placed.
    void ResetStatus();

    // Stop, and Pause or Continue: both take effect at the next file. Stop also shows the run
    // as stopped.
    void StopAtNextFile();
    void PauseOrContinue();
    // Ends a running batch at its next file, also from a pause, without the Stop button's
    // other effects (the report window closing while a batch runs).
    void RequestStop();

    ReportText& report() override { return m_report; }
    ZR7FileOps& fileOps() { return m_ops; }
    const BatchCounters& counters() const { return m_context.counters; }
    const QString& status() const { return m_status; }
    bool paused() const { return m_paused; }
    bool running() const { return m_running; }
    // True while a measuring pass runs.
    bool measuring() const { return m_running && m_mode == Mode::Measure; }
    // True once Stop (or a full report) has ended the run, until the next run starts.
    bool stopRequested() const { return m_stop; }
    // Whether the purge advice is still shown in this batch.
    bool showPurgeWarning() const { return m_context.showPurgeWarning; }

    // RunSteps
    BatchCounters& runCounters() override { return m_context.counters; }
    bool PauseAndStopCheck() override { return BetweenSteps(); }
    bool RunStep(const std::function<void()>& step) override { return Step(step); }

    // Clocks, replaceable by tests: seconds since midnight, and the date and time of the
    // report's last line.
    std::function<double()> secondsSinceMidnight;
    std::function<QDateTime()> now;

private:
    enum class Mode { Batch, Measure, Listing };

    BatchResult Execute(const BatchRequest& request, Mode mode,
                        const std::function<void()>& listing);
    void StartRun();
    void FolderRoutine();
    // The matching files of one folder (folder::ListedFolder): those the batch works on, each
    // only while it is still the file listed, and those it can only report. `outputFd`: the
    // output folder, open, when it is another folder (-1: by its path).
    // `identities` without those of files changed since the batch began (as gone).
    QList<struct stat> UnchangedSinceBegan(QList<struct stat> identities) const;
    bool ProcessFolderFiles(const QString& inputSpec, const folder::ListedFolder& files,
                            const QString& outputFolder, const QString& outputSpec, int outputFd);
    bool ReportNotTaken(FileOperation& operation, const QStringList& names, FileResult result);
    bool ReportFoldersNotEntered(const QStringList& names);
    // What interrupted runs left in the input folder (open at `inputFd`) and the output folder
    // (open at `outputFd`, or -1: by its path).
    void RemoveLeftovers(const QString& inputFolder, int inputFd, const QString& outputFolder,
                         int outputFd);
    bool ProcessOneFile(FileOperation& operation, const QString& inputFolder,
                        const QString& inputName, const QString& outputFolder,
                        const QString& outputName, bool lastFile, const ListedFile& listed);
    bool BetweenSteps();
    void WaitWhilePaused();
    bool Step(const std::function<void()>& step);
    void WriteStatistics(double elapsed);
    void WriteDateLine();
    void SetStatus(const QString& status);

    ZR7FileOps m_ops;
    ReportText m_report;
    BatchContext m_context;
    HeldOutputs m_held{m_context};
    ReportView* m_view = nullptr;
    BatchRequest m_request; // the run's own copy, unchanged while it runs
    BatchResult m_result;
    Mode m_mode = Mode::Batch;
    bool m_stop = false;
    QString m_status;
    bool m_paused = false;
    bool m_running = false;
    bool m_stopNoted = false;
    QEventLoop* m_pauseLoop = nullptr;
};
