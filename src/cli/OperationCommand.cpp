#include "OperationCommand.h"

#include "CliInteraction.h"
#include "CliKey.h"
#include "CliReportView.h"
#include "CommandLine.h"
#include "ExitStatus.h"
#include "Messages.h"
#include "StopSignals.h"
#include "StreamCommand.h"
#include "core/BatchDriver.h"
#include "core/LaunchHost.h"
#include "core/OperationLaunch.h"
#include "core/Setup.h"
#include "core/SetupEditor.h"
#include "files/StrProc.h"
#include "files/folder.h"
#include "keys/KeyRecord.h"
#include "storage/FileCipher.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>

#include <cerrno>
#include <sys/stat.h>

namespace {

struct Options
{
    QString path;
    QString files;
    QString to;
    QString as;
    bool subfolders = false;
    bool inPlace = false;
    bool repairable = false;
    RunChoices choices;
};

bool ParseOptions(QStringList args, Options& options, QString& error)
{
    while (!args.isEmpty()) {
        const QString arg = args.takeFirst();
        QString* value = arg == QLatin1String("--files") ? &options.files
                         : arg == QLatin1String("--to")  ? &options.to
                         : arg == QLatin1String("--as")  ? &options.as
                                                         : nullptr;
        if (value) {
            if (args.isEmpty()) {
                error = arg + QStringLiteral(" needs a value.");
                return false;
            }
            *value = args.takeFirst();
        } else if (arg == QLatin1String("--subfolders")) {
            options.subfolders = true;
        } else if (arg == QLatin1String("--in-place")) {
            options.inPlace = true;
        } else if (arg == QLatin1String("--repairable")) {
            options.repairable = true;
        } else if (TakeRunChoice(arg, options.choices)) {
            // taken: one of the options of every operation
        } else if (CommandLine::IsOption(arg) || !options.path.isEmpty()) {
            error = QStringLiteral("unexpected argument ") + arg;
            return false;
        } else {
            options.path = arg;
        }
    }
    if (options.path.isEmpty()) {
        error = QStringLiteral("no file or folder given.");
        return false;
    }
    if (options.inPlace && (!options.to.isEmpty() || !options.as.isEmpty())) {
        error = QStringLiteral("--in-place cannot be combined with --to or --as.");
        return false;
    }
    return true;
}

QString FolderPath(const QString& path)
{
    QString folder = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    StrProc::EnsureTrailingBackslash(folder);
    return folder;
}

// What keeps `path` from being the input of an operation, or nothing: it must be a file or a
// folder (a link to one counts as what it leads to).
QString InputProblem(const QString& path)
{
    struct stat info = {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0) {
        const int error = errno;
        return error == ENOENT
                   ? path + QStringLiteral(" does not exist.")
                   : path + QStringLiteral(" cannot be reached: ") + qt_error_string(error) + u'.';
    }
    if (S_ISREG(info.st_mode) || S_ISDIR(info.st_mode))
        return {};
    const QString kind = S_ISFIFO(info.st_mode)   ? QStringLiteral("a named pipe (FIFO)")
                         : S_ISSOCK(info.st_mode) ? QStringLiteral("a socket")
                                                  : QStringLiteral("a device");
    return path + QStringLiteral(" is ") + kind +
           QStringLiteral(", not a file or a folder: only files and folders can be ") +
           QStringLiteral("encrypted or decrypted.");
}

// The setup the options describe, made through the setup editor as the window makes it: a file
// is a single-file operation, a folder takes --files. Without --to and --as the output files
// are the input files.
bool BuildSetup(const Options& options, bool encrypt, SetupEditor& editor, QString& error)
{
    if (const QString problem = InputProblem(options.path); !problem.isEmpty()) {
        error = problem;
        return false;
    }
    const QFileInfo input(folder::SingleFilePath(options.path));
    const bool single = input.isFile();
    if (single && (!options.files.isEmpty() || options.subfolders)) {
        error = QStringLiteral("--files and --subfolders need a folder, not a file.");
        return false;
    }
    if (options.repairable && !encrypt) {
        error = QStringLiteral("--repairable is for encrypt: decrypt recognises repairable files "
                               "by itself.");
        return false;
    }
    const bool inPlace = options.inPlace || (options.to.isEmpty() && options.as.isEmpty());
    std::array<QString, 2> folders;
    std::array<QString, 2> specs;
    folders[Setup::Input] = FolderPath(single ? input.absolutePath() : options.path);
    specs[Setup::Input] = single                    ? input.fileName()
                          : options.files.isEmpty() ? QStringLiteral("*.*")
                                                    : options.files;
    folders[Setup::Output] =
        inPlace || options.to.isEmpty() ? folders[Setup::Input] : FolderPath(options.to);
    specs[Setup::Output] = inPlace                ? specs[Setup::Input]
                           : options.as.isEmpty() ? QStringLiteral("*.*")
                                                  : options.as;
    if (!QFileInfo(folders[Setup::Output]).isDir()) {
        error = QStringLiteral("The output folder ") + folders[Setup::Output] +
                QStringLiteral(" does not exist.");
        return false;
    }
    editor.UseSides(folders, specs, single);
    editor.SetSwitches(encrypt, inPlace, options.subfolders && inPlace);
    editor.SetRepairable(options.repairable);
    // Subfolders with a separate output are left for the launch to refuse with its message,
    // rather than quietly turned into an operation in place.
    if (options.subfolders && !inPlace)
        editor.SetSubdirectoriesOnly(true);
    return true;
}

// The launch on the command line: the description is printed and confirmed by --yes or on
// the terminal; there is no report window to show.
class CliLaunchHost : public LaunchHost
{
public:
    CliLaunchHost(SetupEditor& editor, const RunChoices& choices)
        : m_editor(editor), m_choices(choices)
    {
    }

    void SwitchToInPlace() override { m_editor.SetOutputFilesSame(true); }

    bool Confirm(const QString& description, const QString& question) override
    {
        if (!m_choices.quiet)
            Messages::Print(description);
        if (m_choices.yes) {
            if (!m_choices.quiet)
                Messages::Print(question + QStringLiteral(" Yes (--yes)"));
            return true;
        }
        QFile terminal(QStringLiteral("/dev/tty"));
        if (!terminal.open(QIODevice::ReadWrite)) {
            Messages::PrintError(
                QStringLiteral("Without a terminal, confirm the operation with --yes."));
            return false;
        }
        // A Ctrl-C from the moment the question shows ends the program.
        const StopSignals::TerminalQuestion asking(terminal.handle(), false);
        if (m_choices.quiet)
            terminal.write((description + QLatin1Char('\n')).toLocal8Bit());
        terminal.write((question + QStringLiteral(" [y/N] ")).toLocal8Bit());
        terminal.flush();
        const QString answer = QString::fromLocal8Bit(terminal.readLine()).trimmed();
        return answer.compare(QLatin1String("y"), Qt::CaseInsensitive) == 0 ||
               answer.compare(QLatin1String("yes"), Qt::CaseInsensitive) == 0;
    }

    void ShowReport(const QString&) override {}

private:
    SetupEditor& m_editor;
    const RunChoices& m_choices;
};

int ExitStatusOf(OperationLaunch::Outcome outcome, const BatchResult& result)
{
    if (StopSignals::Requested())
        return ExitStatus::Interrupted;
    if (outcome != OperationLaunch::Outcome::Ran ||
        result.outcome == BatchOutcome::DuplicateOutputNames)
        return ExitStatus::Refused;
    const BatchCounters& counters = result.counters;
    return counters.filesDone == counters.filesProcessed && counters.foldersNotRead == 0 &&
                   result.outcome == BatchOutcome::Finished
               ? ExitStatus::Done
               : ExitStatus::Failed;
}

} // namespace

int RunOperation(bool encrypt, QStringList args)
{
    CliKey keyOptions;
    QString error;
    Options options;
    // "-" stands for standard input and output.
    const bool stream = args.contains(QStringLiteral("-"));
    if (stream)
        keyOptions.SetDataOnStdin();
    if (!keyOptions.ParseOptions(args, error)) {
        Messages::PrintUsage(error);
        return ExitStatus::Refused;
    }
    if (stream)
        return RunStream(encrypt, keyOptions, args);
    CliInteraction interaction;
    SetupEditor editor(interaction);
    if (!ParseOptions(args, options, error)) {
        Messages::PrintUsageError(error);
        return ExitStatus::Refused;
    }
    if (!BuildSetup(options, encrypt, editor, error)) {
        Messages::PrintError(error);
        return ExitStatus::Refused;
    }
    return RunSetup(editor, keyOptions, options.choices);
}

bool TakeRunChoice(const QString& arg, RunChoices& choices)
{
    bool* choice = arg == QLatin1String("--yes")                                   ? &choices.yes
                   : arg == QLatin1String("--force")                               ? &choices.force
                   : arg == QLatin1String("--quiet") || arg == QLatin1String("-q") ? &choices.quiet
                                                                                   : nullptr;
    if (choice)
        *choice = true;
    return choice != nullptr;
}

int RunSetup(SetupEditor& editor, CliKey& keyOptions, const RunChoices& choices)
{
    const Setup& setup = editor.setup();
    QString error;
    KeyRecord key;
    if (!keyOptions.Read(key.strKey, error, setup.blnEncrypt)) {
        Messages::Print(error);
        return ExitStatus::Refused;
    }
    key.intKeySource = keyOptions.keyFile().isEmpty() ? KeyRecord::Keyboard : KeyRecord::Keyfile;
    key.strKeyfilePath = keyOptions.keyFile().isEmpty()
                             ? QString()
                             : QFileInfo(keyOptions.keyFile()).absoluteFilePath();

    FileCipher engine;
    if (!engine.allocate_buffers()) {
        Messages::Print(
            QStringLiteral("Fatal error: Attempt to allocate buffers was unsuccessful!"));
        key.EraseKey();
        return ExitStatus::Failed;
    }
    CliInteraction interaction;
    interaction.force = choices.force;
    BatchDriver driver(key, engine, interaction);
    CliReportView view(driver.report(), choices.quiet);
    driver.SetView(&view);
    interaction.onInterrupt = [&driver] { driver.StopAtNextFile(); };
    StopSignals::StopAfterCurrentFile();

    CliLaunchHost host(editor, choices);
    OperationLaunch launch(setup, key, interaction, driver, host);
    const OperationLaunch::Outcome outcome = launch.DoIt();
    key.EraseKey();
    engine.deallocate_buffers();
    const int status = ExitStatusOf(outcome, launch.result());
    // Quiet, the report is there only to say what went wrong.
    if (!choices.quiet || status != ExitStatus::Done)
        view.Flush();
    return status;
}
