#include "BatchDriver.h"

#include "FileOperation.h"
#include "ReportView.h"
#include "RunError.h"
#include "files/FolderWalk.h"
#include "files/NameBytes.h"
#include "files/NameFilter.h"
#include "files/OutputName.h"
#include "files/StrProc.h"
#include "storage/ListedFile.h"
#include "storage/PosixFile.h"
#include "support/Interaction.h"
#include "support/SizeText.h"
#include "support/TxtEncDec.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QScopeGuard>
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

BatchDriver::BatchDriver(const KeyRecord& key, FileCipher& engine, Interaction& interaction)
    : m_ops(engine), m_context{m_request, key, interaction, m_report, m_ops, nullptr,
                               nullptr,   {},  true,        {},       {}}
{
    secondsSinceMidnight = [] { return QTime::currentTime().msecsSinceStartOfDay() / 1000.0; };
    now = [] { return QDateTime::currentDateTime(); };
    m_context.secondsNow = [this] { return secondsSinceMidnight(); };
    m_context.stop = [this] { StopAtNextFile(); };
    m_context.held = &m_held;
    m_ops.whileWaiting = [this] { m_context.interaction.ProcessEvents(); };
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

BatchResult BatchDriver::Run(const BatchRequest& request)
{
    return Execute(request, Mode::Batch, {});
}

BatchResult BatchDriver::Measure(const BatchRequest& request)
{
    return Execute(request, Mode::Measure, {});
}

BatchResult BatchDriver::RunListing(const BatchRequest& request,
                                    const std::function<void()>& listing)
{
    return Execute(request, Mode::Listing, listing);
}

void BatchDriver::ResetStatus()
{
    SetStatus(QString());
    m_report.quiet = false;
    if (!m_report.isEmpty() && m_view)
        m_view->CaretBeforeLast();
}

BatchResult BatchDriver::Execute(const BatchRequest& request, Mode mode,
                                 const std::function<void()>& listing)
{
    SetStatus(QString());
    m_report.quiet = false;
    m_request = request;
    m_mode = mode;
    m_result = BatchResult();
    m_running = true;
    StartRun();
    double elapsed = 0;
    if (mode == Mode::Listing) {
        if (listing)
            listing();
    } else if (mode == Mode::Measure) {
        FolderRoutine();
    } else {
        const double start = secondsSinceMidnight();
        m_context.counters.pausedSeconds = 0;
        m_context.showPurgeWarning = true;
        // Every batch sets the form: the engine is shared, and a decryption reads either.
        m_ops.SetRepairable(request.encrypt && request.repairable);
        m_ops.FillExclusionList();
        FolderRoutine();
        elapsed = m_context.SecondsSince(start) - m_context.counters.pausedSeconds;
    }
    if (m_view) {
        m_view->RunEnded();
        m_view->ClockEnabled(false);
    }
    const bool reported = mode != Mode::Measure && !m_request.testRun;
    if (reported)
        Step([&] { WriteStatistics(elapsed); });
    if (m_result.outcome == BatchOutcome::DuplicateOutputNames) {
        if (m_view)
            m_view->HideWindow();
        m_context.interaction.Tell(QStringLiteral("Error"),
                                   QStringLiteral("Output file specification \"") +
                                       m_request.outputSpec +
                                       QStringLiteral("\" produces duplicate output "
                                                      "filenames!"),
                                   Interaction::Icon::Exclamation);
    }
    if (reported) {
        Step([&] { WriteDateLine(); });
        if (!m_report.isEmpty() && m_view)
            m_view->CopyAvailable();
    }
    if (m_status != Stopped && mode != Mode::Measure && m_context.counters.filesDone > 0)
        SetStatus(QStringLiteral("Done"));
    // A stopped batch leaves no derived key behind.
    if (m_stop) {
        m_ops.ForgetKeys();
        if (m_result.outcome == BatchOutcome::Finished)
            m_result.outcome = BatchOutcome::Stopped;
    }
    m_running = false;
    if (!m_report.isEmpty() && m_view)
        m_view->CaretBeforeLast();
    m_result.counters = m_context.counters;
    return m_result;
}

void BatchDriver::StartRun()
{
    m_report.Clear();
    if (m_view) {
        m_view->ClockEnabled(true);
        m_view->RunStarted(!m_request.testRun);
    }
    m_stop = false;
    m_paused = false;
    m_stopNoted = false;
    m_context.counters = BatchCounters();
    m_context.interaction.ProcessEvents();
}

void BatchDriver::FolderRoutine()
{
    const QString& inputSpec = m_request.inputSpec;
    const QString& outputSpec = m_request.outputSpec;
    QString topFolder = m_request.inputFolder;
    StrProc::EnsureTrailingBackslash(topFolder);
    QString topOutput = m_request.outputFolder;
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
               !m_stop;
    };
    callbacks.failed = [&](const QString& folderPath, const QString& errorText) {
        ++m_context.counters.foldersNotRead;
        m_context.interaction.Tell(QStringLiteral("Error"),
                                   QStringLiteral("Cannot read the folder ") +
                                       NameBytes::Shown(folderPath) + QStringLiteral(": ") +
                                       errorText,
                                   Interaction::Icon::Exclamation);
    };
    // Not a failure: the files of that folder were worked on once, the first time.
    callbacks.metBefore = [&](const QString& folderPath, const QString& firstPath) {
        m_context.interaction.Tell(QStringLiteral("Information"),
                                   QStringLiteral("Not walked twice: the folder ") +
                                       NameBytes::Shown(folderPath) + QStringLiteral(" is ") +
                                       NameBytes::Shown(firstPath) +
                                       QStringLiteral(" again, reached through a mount."),
                                   Interaction::Icon::Information);
    };
    callbacks.stopRequested = [&] {
        return BetweenSteps() || m_result.outcome == BatchOutcome::DuplicateOutputNames;
    };
    // A run over a folder holds it against another run over it or a folder above it; a single
    // file only looks whether one holds its folder, so that two files of one folder can be
    // done at once.
    using Hold = folder::WalkCallbacks::Hold;
    callbacks.hold = m_mode == Mode::Measure ? Hold::Nothing
                     : m_request.singleFile  ? Hold::FoldersAbove
                                             : Hold::Folders;
    const NameFilter filter(inputSpec, m_request.singleFile ? NameFilter::Kind::PickedName
                                                            : NameFilter::Kind::Specification);
    folder::WalkFolder(topFolder, filter, m_request.subfolders, callbacks);
}

QList<struct stat> BatchDriver::UnchangedSinceBegan(QList<struct stat> identities) const
{
    for (struct stat& seen : identities) {
        if (ListedFile{-1, {}, seen, -1, m_request.began}.ChangedSinceBegan())
            seen.st_ino = 0; // not measured: at its turn it is refused as changed
    }
    return identities;
}

bool BatchDriver::ProcessFolderFiles(const QString& inputSpec, const folder::ListedFolder& files,
                                     const QString& outputFolder, const QString& outputSpec,
                                     int outputFd)
{
    const BatchRequest& request = m_request;
    BatchCounters& counters = m_context.counters;
    const QString& inputFolder = files.path;
    const QStringList& names = files.names;
    if (names.isEmpty() && files.unreadable.isEmpty() && files.special.isEmpty() &&
        files.unreadableFolders.isEmpty())
        return true;
    const bool measure = m_mode == Mode::Measure;
    if (!measure && !m_report.quiet) {
        Step([&] {
            m_report.Write(TxtEncDec(QStringLiteral("Encrypting"), request.encrypt) +
                           QLatin1Char(' ') + NameBytes::Shown(inputSpec) + QStringLiteral(" in ") +
                           NameBytes::Shown(inputFolder) + QLatin1Char('\n'));
            ++counters.lineCount;
        });
    }
    if (!measure)
        RemoveLeftovers(inputFolder, files.fd, outputFolder, outputFd);

    QStringList outputNames = names;
    if (!request.inPlace) {
        for (QString& name : outputNames) {
            int code = 0;
            name = DeriveOutputName(name, outputSpec, code);
        }
        if (names.size() >= 2 && HasDuplicates(outputNames)) {
            m_result.outcome = BatchOutcome::DuplicateOutputNames;
            return false;
        }
    }

    if (request.testRun && !measure)
        m_result.lastOutputNames = outputNames;
    // New outputs go to the folder open at `outputFd`, or beside their inputs.
    const int outputsFd = outputFolder == inputFolder ? files.fd : outputFd;
    if (!measure && !request.inPlace && outputsFd >= 0)
        m_ops.ReserveOutputs(outputsFd, names.size());
    if (!measure && !request.encrypt)
        m_ops.MeasureAhead(files.fd, names, UnchangedSinceBegan(files.identities),
                           request.minSizeForRandomness);
    if (!measure)
        m_ops.AwaitKey();
    // Outputs still waiting in a group take their names however the folder ends.
    const auto folderDone = qScopeGuard([this] {
        m_held.Finish();
        m_ops.FolderDone();
    });
    FileOperation operation(m_context);
    for (qsizetype i = 0; i < names.size(); ++i) {
        const ListedFile listed{files.fd, QFile::encodeName(names[i]).toStdString(),
                                files.identities[i], outputFd, request.began};
        if (!measure)
            m_held.Before(qint64(listed.seen.st_size), !request.inPlace);
        if (measure) {
            const qint64 size = listed.seen.st_size;
            qint64& total = m_result.totalInputSize;
            total = request.inPlace ? qMax(total, size) : total + size;
        } else if (!ProcessOneFile(operation, inputFolder, names[i], outputFolder, outputNames[i],
                                   i == names.size() - 1, listed)) {
            // The user ended the batch at a question: noted in the report as a Stop is.
            BetweenSteps();
            return false;
        }
        if (!measure)
            m_held.CommitIfDue();
        if (i % 10 == 0)
            m_context.interaction.ProcessEvents();
        if (BetweenSteps())
            return false;
    }
    if (!measure) {
        m_held.Finish();
        if (!ReportNotTaken(operation, files.special, FileResult::NotRegularFile) ||
            !ReportNotTaken(operation, files.unreadable, FileResult::UnreadableName) ||
            !ReportFoldersNotEntered(files.unreadableFolders))
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

// A line for each subfolder whose name is not valid UTF-8: the batch cannot open it, so its
// files are left as they are. False when the batch ends meanwhile.
bool BatchDriver::ReportFoldersNotEntered(const QStringList& names)
{
    for (const QString& name : names) {
        if (!Step([&] {
                ++m_context.counters.foldersNotRead;
                m_report.AppendToReport(FileOperation::LineStart(name) +
                                            QStringLiteral("The name of this folder is not valid "
                                                           "UTF-8, so the program cannot open "
                                                           "it.\n"),
                                        true);
                ++m_context.counters.lineCount;
            }) ||
            BetweenSteps())
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
                                 const QString& outputName, bool lastFile, const ListedFile& listed)
{
    bool goOn = true;
    auto runFile = [&] {
        goOn = operation.Run(inputFolder, inputName, outputFolder, outputName, lastFile, &listed);
    };
    if (Step(runFile))
        return goOn;
    // The report filled up before the file was touched. When the user lets the batch go on
    // without per-file results, the file is handled now rather than silently left out.
    if (operation.progress() == FileOperation::Progress::Transforming || m_stop || !m_report.quiet)
        return true;
    if (operation.progress() == FileOperation::Progress::LineStarted)
        --m_context.counters.filesProcessed;
    Step(runFile);
    return goOn;
}

bool BatchDriver::BetweenSteps()
{
    m_context.interaction.ProcessEvents();
    if (!m_stop && m_paused)
        WaitWhilePaused();
    if (!m_stop)
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
    // The lines of the outputs done so far are shown while the batch waits.
    m_held.Commit();
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
    if (!m_stop) {
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
        // The lines held back go out first, each with its final result.
        m_held.Commit();
        m_context.interaction.Tell(QStringLiteral("Error"), error.description(),
                                   Interaction::Icon::Exclamation);
        if (error.kind() == RunError::Kind::ReportFull &&
            m_report.BufferFull(m_context.interaction, m_mode == Mode::Listing,
                                m_request.encrypt)) {
            m_stop = true;
            if (m_view)
                m_view->ClockEnabled(false);
        }
        return false;
    }
}

void BatchDriver::WriteStatistics(double elapsed)
{
    const BatchCounters& counters = m_context.counters;
    const bool encrypt = m_request.encrypt;
    const bool operation = m_mode == Mode::Batch;
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

void BatchDriver::StopAtNextFile()
{
    m_stop = true;
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
    m_stop = true;
    if (m_pauseLoop)
        m_pauseLoop->quit();
}

void BatchDriver::PauseOrContinue()
{
    m_paused = !m_paused;
    if (m_view)
        m_view->PauseChanged(m_paused);
    if (!m_paused && m_pauseLoop)
        m_pauseLoop->quit();
}
