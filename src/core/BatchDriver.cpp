#include "BatchDriver.h"

#include "FileOperation.h"
#include "ListedFile.h"
#include "PosixFile.h"
#include "ReportView.h"
#include "RunError.h"
#include "Setup.h"
#include "files/FolderWalk.h"
#include "files/NameBytes.h"
#include "files/NameFilter.h"
#include "files/OutputName.h"
#include "files/StrProc.h"
#include "support/Interaction.h"
#include "support/SizeText.h"
#include "support/TxtEncDec.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QSet>

#include <cmath>
#include <fcntl.h>

namespace {

const QString Stopped = QStringLiteral("Stopped");

// True when two names are the same. Names that differ in letter case are different files.
bool HasDuplicates(const QStringList& names)
{
    const QSet<QString> distinct(names.begin(), names.end());
    return distinct.size() != names.size();
}

} // namespace

BatchDriver::BatchDriver(Setup& setup, const KeyRecord& key, CipherEngine& engine,
                         Interaction& interaction)
    : m_ops(engine), m_context{setup,   key,     interaction, m_report, m_ops, run,
                               nullptr, nullptr, {},          {},       {}}
{
    secondsSinceMidnight = [] { return QTime::currentTime().msecsSinceStartOfDay() / 1000.0; };
    now = [] { return QDateTime::currentDateTime(); };
    m_context.secondsNow = [this] { return secondsSinceMidnight(); };
    m_context.stop = [this] { cmdStop_Click(); };
    m_ops.progress = [this](qint64 done, qint64 total) {
        if (m_view)
            m_view->Progress(done, total);
    };
}

BatchDriver::~BatchDriver() = default;

void BatchDriver::SetView(ReportView* view)
{
    m_view = view;
    m_context.view = view;
    m_report.SetView(view);
}

bool BatchDriver::measuring() const
{
    return run.blnPerformingOperation && run.blnGettingInputFilesizes && !run.blnRandomnessReport;
}

void BatchDriver::ProcessFiles()
{
    SetStatus(QString());
    run.intOperationResult = 0;
    m_report.quiet = false;
    if (run.blnPerformingOperation || run.blnRandomnessReport) {
        m_running = true;
        StartRun();
        double elapsed = 0;
        if (run.blnRandomnessReport) {
            if (randomnessReport)
                randomnessReport();
        } else if (measuring()) {
            run.lngTotalInputFilesize = 0;
            FolderRoutine(run.strInputDirpath, run.strInputFilespec, run.strOutputDirpath,
                          run.strOutputFilespec);
        } else {
            const double start = secondsSinceMidnight();
            m_context.counters.pausedSeconds = 0;
            m_context.setup.blnShowPurgeWarning = true;
            m_ops.FillExclusionList();
            FolderRoutine(run.strInputDirpath, run.strInputFilespec, run.strOutputDirpath,
                          run.strOutputFilespec);
            elapsed = m_context.SecondsSince(start) - m_context.counters.pausedSeconds;
        }
        if (m_view) {
            m_view->RunEnded();
            m_view->ClockEnabled(false);
        }
        const bool reported = !measuring() && !blnReliabilityTest;
        if (reported)
            Step([&] { WriteStatistics(elapsed); });
        if (run.intOperationResult == -1) {
            if (m_view)
                m_view->HideWindow();
            m_context.interaction.Tell(QStringLiteral("Error"),
                                       QStringLiteral("Output file specification \"") +
                                           run.strOutputFilespec +
                                           QStringLiteral("\" produces duplicate output "
                                                          "filenames!"),
                                       Interaction::Icon::Exclamation);
        }
        if (reported) {
            Step([&] { WriteDateLine(); });
            if (!m_report.isEmpty() && m_view)
                m_view->CopyAvailable();
        }
        if (m_status != Stopped && !measuring() && m_context.counters.filesDone > 0)
            SetStatus(QStringLiteral("Done"));
        // A stopped batch leaves no derived key behind.
        if (run.blnStop)
            m_ops.ForgetKeys();
        m_running = false;
    }
    if (!m_report.isEmpty() && m_view)
        m_view->CaretBeforeLast();
}

void BatchDriver::StartRun()
{
    m_report.Clear();
    if (m_view) {
        m_view->ClockEnabled(true);
        m_view->RunStarted(!blnReliabilityTest);
    }
    run.blnStop = false;
    m_paused = false;
    m_stopNoted = false;
    blnRestoreSetupOnClose = false;
    m_context.counters = BatchCounters();
    m_context.interaction.ProcessEvents();
}

void BatchDriver::FolderRoutine(const QString& inputFolder, const QString& inputSpec,
                                const QString& outputFolder, const QString& outputSpec)
{
    QString topFolder = inputFolder;
    StrProc::EnsureTrailingBackslash(topFolder);
    QString topOutput = outputFolder;
    StrProc::EnsureTrailingBackslash(topOutput);

    // Another output folder is opened once, as its path leads now: a name on that path
    // swapped for a link during the run does not move where the output files go.
    const PosixFile::Fd outputFd(
        topOutput == topFolder
            ? -1
            : ::open(QFile::encodeName(topOutput).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    folder::WalkCallbacks callbacks;
    callbacks.listed = [&](const folder::ListedFolder& files) {
        // A subfolder is its own output folder.
        const bool top = files.path == topFolder;
        const QString output = top ? topOutput : files.path;
        return ProcessFolderFiles(inputSpec, files, output, outputSpec,
                                  top ? outputFd.get() : -1) &&
               !run.blnStop;
    };
    callbacks.failed = [&](const QString& folderPath, const QString& errorText) {
        ++m_context.counters.foldersNotRead;
        m_context.interaction.Tell(QStringLiteral("Error"),
                                   QStringLiteral("Cannot read the folder ") +
                                       NameBytes::Shown(folderPath) + QStringLiteral(": ") +
                                       errorText,
                                   Interaction::Icon::Exclamation);
    };
    callbacks.stopRequested = [&] { return BetweenSteps() || run.intOperationResult == -1; };
    const Setup& setup = m_context.setup;
    const NameFilter filter(inputSpec, setup.blnSingleFile ? NameFilter::Kind::PickedName
                                                           : NameFilter::Kind::Specification);
    folder::WalkFolder(topFolder, filter, setup.blnSubdirectories, callbacks);
}

bool BatchDriver::ProcessFolderFiles(const QString& inputSpec, const folder::ListedFolder& files,
                                     const QString& outputFolder, const QString& outputSpec,
                                     int outputFd)
{
    Setup& setup = m_context.setup;
    BatchCounters& counters = m_context.counters;
    const QString& inputFolder = files.path;
    const QStringList& names = files.names;
    setup.intNumFiles = names.size();
    if (names.isEmpty() && files.unreadable.isEmpty() && files.special.isEmpty())
        return true;
    const bool measure = measuring();
    if (!measure && !m_report.quiet) {
        Step([&] {
            m_report.Write(TxtEncDec(QStringLiteral("Encrypting"), setup.blnEncrypt) +
                           QLatin1Char(' ') + NameBytes::Shown(inputSpec) + QStringLiteral(" in ") +
                           NameBytes::Shown(inputFolder) + QLatin1Char('\n'));
            ++counters.lineCount;
        });
    }
    if (!measure)
        RemoveLeftovers(inputFolder, files.fd, outputFolder, outputFd);

    QStringList outputNames = names;
    if (!setup.blnOutputFilesSame) {
        for (QString& name : outputNames) {
            int code = 0;
            name = DeriveOutputName(name, outputSpec, code);
        }
        if (names.size() >= 2 && HasDuplicates(outputNames)) {
            run.intOperationResult = -1;
            return false;
        }
    }

    if (blnReliabilityTest && !measure)
        lastOutputNames = outputNames;
    FileOperation operation(m_context);
    for (qsizetype i = 0; i < names.size(); ++i) {
        const ListedFile listed{files.fd, QFile::encodeName(names[i]).toStdString(),
                                files.identities[i], outputFd};
        if (measure) {
            const qint64 size = listed.seen.st_size;
            run.lngTotalInputFilesize = setup.blnOutputFilesSame
                                            ? qMax(run.lngTotalInputFilesize, size)
                                            : run.lngTotalInputFilesize + size;
        } else if (!ProcessOneFile(operation, inputFolder, names[i], outputFolder, outputNames[i],
                                   i, listed)) {
            // The user ended the batch at a question: noted in the report as a Stop is.
            BetweenSteps();
            return false;
        }
        if (i % 10 == 0)
            m_context.interaction.ProcessEvents();
        if (BetweenSteps())
            return false;
    }
    if (!measure) {
        if (!ReportNotTaken(operation, files.special, FileResult::NotRegularFile) ||
            !ReportNotTaken(operation, files.unreadable, FileResult::UnreadableName))
            return false;
        Step([&] {
            m_report.AppendToReport(QStringLiteral("\n"), true);
            ++counters.lineCount;
        });
    }
    return true;
}

// A line for each of `names`, which the batch cannot work on, with `result`; false when the
// batch ends meanwhile.
bool BatchDriver::ReportNotTaken(FileOperation& operation, const QStringList& names,
                                 FileResult result)
{
    for (const QString& name : names) {
        if (!Step([&] { operation.ReportNotTaken(name, result); }) || BetweenSteps())
            return false;
    }
    return true;
}

void BatchDriver::RemoveLeftovers(const QString& inputFolder, int inputFd,
                                  const QString& outputFolder, int outputFd)
{
    QStringList folders{inputFolder};
    if (outputFolder != inputFolder)
        folders.append(outputFolder);
    for (const QString& folder : std::as_const(folders)) {
        const int folderFd = folder == inputFolder ? inputFd : outputFd < 0 ? AT_FDCWD : outputFd;
        for (const QString& name : ZR7FileOps::RemoveLeftovers(folder, folderFd)) {
            Step([&] {
                m_report.AppendToReport(
                    QStringLiteral("(removed ") + name + QStringLiteral(", left in ") +
                        NameBytes::Shown(folder) + QStringLiteral(" by an interrupted run)\n"),
                    true);
                ++m_context.counters.lineCount;
            });
        }
    }
}

bool BatchDriver::ProcessOneFile(FileOperation& operation, const QString& inputFolder,
                                 const QString& inputName, const QString& outputFolder,
                                 const QString& outputName, qint64 index, const ListedFile& listed)
{
    bool goOn = true;
    auto runFile = [&] {
        goOn = operation.Run(inputFolder, inputName, outputFolder, outputName, index, &listed);
    };
    if (Step(runFile))
        return goOn;
    // The report filled up before the file was touched. When the user lets the batch go on
    // without per-file results, the file is handled now rather than silently left out.
    if (operation.progress() == FileOperation::Progress::Transforming || run.blnStop ||
        !m_report.quiet)
        return true;
    if (operation.progress() == FileOperation::Progress::LineStarted)
        --m_context.counters.filesProcessed;
    Step(runFile);
    return goOn;
}

bool BatchDriver::BetweenSteps()
{
    m_context.interaction.ProcessEvents();
    if (!run.blnStop && m_paused)
        WaitWhilePaused();
    if (!run.blnStop)
        return false;
    // The stop is noted once in the report, however many folder levels it ends.
    if (!m_stopNoted) {
        m_stopNoted = true;
        Step([&] {
            m_report.AppendToReport(QStringLiteral("\n"), false);
            ++m_context.counters.lineCount;
        });
    }
    return true;
}

void BatchDriver::WaitWhilePaused()
{
    if (!QCoreApplication::instance())
        return;
    if (m_view) {
        m_view->TextAppended(QString(), true);
        m_view->ClockEnabled(false);
    }
    SetStatus(QStringLiteral("Paused ..."));
    const double start = secondsSinceMidnight();
    QEventLoop loop;
    m_pauseLoop = &loop;
    loop.exec();
    m_pauseLoop = nullptr;
    m_context.counters.pausedSeconds += m_context.SecondsSince(start);
    if (!run.blnStop) {
        SetStatus(QString());
        if (m_view)
            m_view->ClockEnabled(true);
    }
}

bool BatchDriver::Step(const std::function<void()>& step)
{
    try {
        step();
        return true;
    } catch (const RunError& error) {
        m_context.interaction.Tell(QStringLiteral("Error"), error.description(),
                                   Interaction::Icon::Exclamation);
        if (error.kind() == RunError::Kind::ReportFull &&
            m_report.BufferFull(m_context.interaction, run.blnRandomnessReport,
                                m_context.setup.blnEncrypt)) {
            run.blnStop = true;
            if (m_view)
                m_view->ClockEnabled(false);
        }
        return false;
    }
}

void BatchDriver::WriteStatistics(double elapsed)
{
    const BatchCounters& counters = m_context.counters;
    const bool encrypt = m_context.setup.blnEncrypt;
    const bool operation = run.blnPerformingOperation;
    auto line = [&](const QString& text) {
        m_report.Write(text);
        ++m_context.counters.lineCount;
    };
    if (counters.filesProcessed != 1)
        line(QStringLiteral("\nNumber of files processed: ") +
             QString::number(counters.filesProcessed) + QLatin1Char('\n'));
    if (operation && (counters.filesProcessed != 1 || counters.filesDone != 1))
        line(QStringLiteral("Number of files ") + TxtEncDec(QStringLiteral("encrypted"), encrypt) +
             QStringLiteral(": ") + QString::number(counters.filesDone) + QLatin1Char('\n'));
    if (operation && counters.filesDone > 0) {
        const int decimals = counters.bytesDone > 1023999 ? 0 : 2;
        line(QStringLiteral("Total KB ") + TxtEncDec(QStringLiteral("encrypted"), encrypt) +
             QStringLiteral(": ") +
             StrProc::NumberLocale().toString(counters.bytesDone / 1024.0, 'f', decimals) +
             QLatin1Char('\n'));
        if (elapsed > 3)
            line(QStringLiteral("Elapsed time: ") +
                 StrProc::DurationText(int(std::lround(elapsed)), true) + QLatin1Char('\n'));
    }
    if (counters.lineCount < 100 && m_view)
        m_view->ShrinkToLines(counters.lineCount);
}

void BatchDriver::WriteDateLine()
{
    const QDateTime when = now();
    m_report.Write(
        QLatin1Char('\n') + QLocale::system().toString(when.date(), QLocale::ShortFormat) +
        QStringLiteral(", ") + when.toString(QStringLiteral("hh:mm")) + QLatin1Char('\n'));
}

void BatchDriver::SetStatus(const QString& status)
{
    m_status = status;
    if (m_view)
        m_view->StatusChanged(status);
}

void BatchDriver::cmdStop_Click()
{
    run.blnStop = true;
    m_context.setup.blnGenerateNextKey = true;
    if (m_view) {
        m_view->StopRequested();
        m_view->ClockEnabled(false);
        m_view->RunEnded();
    }
    SetStatus(Stopped);
    if (m_pauseLoop)
        m_pauseLoop->quit();
}

void BatchDriver::RequestStop()
{
    run.blnStop = true;
    if (m_pauseLoop)
        m_pauseLoop->quit();
}

void BatchDriver::cmdPauseContinue_Click()
{
    m_paused = !m_paused;
    if (m_view)
        m_view->PauseChanged(m_paused);
    if (!m_paused && m_pauseLoop)
        m_pauseLoop->quit();
}
