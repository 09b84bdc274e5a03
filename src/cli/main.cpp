#include "CommandLine.h"
#include "ExitStatus.h"
#include "KeyCommands.h"
#include "Messages.h"
#include "OperationCommand.h"
#include "RandomnessCommand.h"
#include "RepairCommand.h"
#include "RunCommand.h"
#include "StopSignals.h"
#include "TestCommand.h"
#include "VerifyCommand.h"
#include "core/Setup.h"
#include "support/ProcessHardening.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>

namespace {

const char Help[] =
    "zr7e-cli: encrypt and decrypt files and folders with a key, from scripts.\n"
    "\n"
    "Usage:\n"
    "  zr7e-cli encrypt|decrypt [options] PATH\n"
    "                 PATH is a file, or a folder with --files; without --to and\n"
    "                 --as, the files are replaced in place by their results\n"
    "  zr7e-cli encrypt|decrypt --key-file FILE -\n"
    "                 standard input to standard output\n"
    "  zr7e-cli verify [--files SPEC] [--subfolders] [--quiet] [key] PATH\n"
    "                 checks encrypted files with the key, writing nothing\n"
    "  zr7e-cli repair FILE...\n"
    "                 rewrites damaged repairable files whole from their parity\n"
    "                 (no key needed)\n"
    "  zr7e-cli run OPERATION_FILE [key] [--yes] [--force] [--quiet]\n"
    "                 the saved setup of an operation file\n"
    "  zr7e-cli randomness [--subfolders] PATH [--files SPEC]\n"
    "                 [--picture FILE.png] [--force]\n"
    "  zr7e-cli test FOLDER [--runs N] [--in-place] [key]\n"
    "                 the reliability test\n"
    "  zr7e-cli checksum [key]\n"
    "                 prints \"Checksum is N.\"\n"
    "  zr7e-cli newkey [--force] FILE\n"
    "                 a new random 64-byte keyfile (a FILE that begins with - is\n"
    "                 written ./-name)\n"
    "  zr7e-cli --help | --version\n"
    "\n"
    "Options:\n"
    "  --files SPEC      input file specification for a folder (default \"*.*\")\n"
    "  --subfolders      include all lower subfolders\n"
    "  --in-place        output files are the input files\n"
    "  --to DIR          output folder (default: the input folder)\n"
    "  --as SPEC         output file specification (default \"*.*\")\n"
    "  --repairable      encrypt with parity (about 7% more) that mends lost sectors\n"
    "                    and garbled bytes; decryption recognises such files itself\n"
    "  --key-file FILE   key from a keyfile\n"
    "  --key-stdin       key typed on the first line of standard input\n"
    "  --yes             confirm the operation without asking\n"
    "  --force           decrypt files that do not look encrypted; with newkey and\n"
    "                    --picture, replace an existing file\n"
    "  -q, --quiet       only what went wrong: no description and no progress; the\n"
    "                    report only when a file failed (verify: only the files\n"
    "                    that did not verify)\n"
    "  --                every argument after it is a path, even one that begins\n"
    "                    with -\n"
    "  -h, --help        print this help\n"
    "  --version         print the version\n"
    "\n"
    "[key] is --key-file FILE or --key-stdin; without either, the key is asked for\n"
    "on the terminal. A key is never given on the command line itself. With -,\n"
    "standard input is the data: the key comes from --key-file, or is typed on the\n"
    "terminal. Messages go to standard error, each beginning with \"zr7e-cli: \".\n"
    "\n"
    "Exit status:\n"
    "  0    every file was done\n"
    "  1    a file failed, was refused or was skipped\n"
    "  2    the setup was refused, or the command was given wrongly\n"
    "  130  stopped by Ctrl-C, SIGTERM or SIGHUP\n"
    "\n"
    "Examples:\n"
    "  zr7e-cli encrypt --key-file my.key --yes documents\n"
    "  zr7e-cli decrypt --key-file my.key --yes --quiet documents\n"
    "  zr7e-cli encrypt --to safe --as '*.zr7' --key-file my.key --yes report.pdf\n"
    "  tar c photos | zr7e-cli encrypt --key-file my.key - > photos.tar.zr7\n"
    "  zr7e-cli decrypt --key-file my.key - < photos.tar.zr7 | tar t\n"
    "  zr7e-cli verify --subfolders --files '*.zr7' --key-file my.key safe\n";

// "--help" or "-h" anywhere asks for the help, "--version" for the version: neither ever names
// a file or a key, so that "zr7e-cli newkey --help" cannot write a keyfile of that name.
bool Asks(const QStringList& words, const QString& command, const QStringList& args)
{
    for (const QString& word : words) {
        if (command == word || args.contains(word))
            return true;
    }
    return false;
}

} // namespace

int main(int argc, char* argv[])
{
    // Before anything else: a key read later must leave no copy in freed memory, and none in
    // a core file.
    ProcessHardening::WipeFreedMemory();
    ProcessHardening::DisableCoreDumps();
    ProcessHardening::OpenClosedStandardDescriptors();
    StopSignals::Catch();
    QCoreApplication app(argc, argv);
    QStringList args = CommandLine::Normalized(QCoreApplication::arguments().mid(1));
    const QString command = args.isEmpty() ? QString() : args.takeFirst();
    if (Asks({QStringLiteral("--help"), QStringLiteral("-h")}, command, args)) {
        std::fputs(Help, stdout);
        return ExitStatus::Done;
    }
    if (Asks({QStringLiteral("--version")}, command, args)) {
        std::printf("%s %s\n", Messages::ProgramName, qPrintable(ProjectVersion()));
        return ExitStatus::Done;
    }
    if (command == QLatin1String("checksum"))
        return RunChecksum(args);
    if (command == QLatin1String("newkey"))
        return RunNewKey(args);
    if (command == QLatin1String("encrypt") || command == QLatin1String("decrypt"))
        return RunOperation(command == QLatin1String("encrypt"), args);
    if (command == QLatin1String("run"))
        return RunOperationFile(args);
    if (command == QLatin1String("test"))
        return RunTest(args);
    if (command == QLatin1String("randomness"))
        return RunRandomness(args);
    if (command == QLatin1String("verify"))
        return RunVerify(args);
    if (command == QLatin1String("repair"))
        return RunRepair(args);
    Messages::PrintUsageError(command.isEmpty() ? QStringLiteral("no command given.")
                                                : QStringLiteral("unknown command ") + command);
    return ExitStatus::Refused;
}
