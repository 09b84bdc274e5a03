#include "CommandLine.h"
#include "ExitStatus.h"
#include "KeyCommands.h"
#include "OperationCommand.h"
#include "RandomnessCommand.h"
#include "RunCommand.h"
#include "TestCommand.h"
#include "VerifyCommand.h"
#include "support/ProcessHardening.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>

namespace {

const char Usage[] =
    "Usage:\n"
    "  zr7e-cli encrypt|decrypt [options] PATH   PATH is a file, or a folder with --files\n"
    "  zr7e-cli encrypt|decrypt --key-file FILE -  standard input to standard output\n"
    "  zr7e-cli verify [--files SPEC] [--subfolders] [key] PATH\n"
    "                                             checks encrypted files with the key,\n"
    "                                             writing nothing\n"
    "  zr7e-cli run OPERATION_FILE [key] [--yes] [--force]\n"
    "                                             the saved setup of an operation file\n"
    "  zr7e-cli randomness [--subfolders] PATH [--files SPEC] [--picture FILE.png]\n"
    "                     [--force]\n"
    "  zr7e-cli test FOLDER [--runs N] [--in-place] [key]   the reliability test\n"
    "  zr7e-cli checksum [key]                    prints \"Checksum is N.\"\n"
    "  zr7e-cli newkey [--force] FILE             a new random 64-byte keyfile (a FILE\n"
    "                                             that begins with - is written ./-name)\n"
    "\n"
    "Options:\n"
    "  --files SPEC      input file specification for a folder (default \"*.*\")\n"
    "  --subfolders      include all lower subfolders\n"
    "  --in-place        output files are the input files\n"
    "  --to DIR          output folder (default: the input folder)\n"
    "  --as SPEC         output file specification (default \"*.*\")\n"
    "  --key-file FILE   key from a keyfile\n"
    "  --key-stdin       key typed on the first line of standard input\n"
    "  --yes             confirm the operation without asking\n"
    "  --force           decrypt files that do not look encrypted; with newkey and\n"
    "                    --picture, replace an existing file\n"
    "  --                every argument after it is a path, even one that begins with -\n"
    "\n"
    "[key] is --key-file FILE or --key-stdin; without either, the key is asked for on the\n"
    "terminal. A key is never given on the command line itself. With -, standard input is\n"
    "the data: the key comes from --key-file, or is typed on the terminal.\n"
    "\n"
    "Examples:\n"
    "  tar c photos | zr7e-cli encrypt --key-file my.key - > photos.tar.zr7\n"
    "  zr7e-cli decrypt --key-file my.key - < photos.tar.zr7 | tar t\n"
    "  zr7e-cli verify --subfolders --files '*.zr7' --key-file my.key archive\n";

// "--help" or "-h" anywhere asks for the usage: it never names a file or a key, so that
// "zr7e-cli newkey --help" cannot write a keyfile of that name.
bool AsksForHelp(const QString& command, const QStringList& args)
{
    const QStringList help = {QStringLiteral("--help"), QStringLiteral("-h")};
    return help.contains(command) || args.contains(help[0]) || args.contains(help[1]);
}

} // namespace

int main(int argc, char* argv[])
{
    // Before anything else: a key read later must leave no copy in freed memory, and none in
    // a core file.
    ProcessHardening::WipeFreedMemory();
    ProcessHardening::DisableCoreDumps();
    ProcessHardening::OpenClosedStandardDescriptors();
    QCoreApplication app(argc, argv);
    QStringList args = CommandLine::Normalized(QCoreApplication::arguments().mid(1));
    const QString command = args.isEmpty() ? QString() : args.takeFirst();
    if (AsksForHelp(command, args)) {
        std::fputs(Usage, stdout);
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
    std::fputs(Usage, stderr);
    return ExitStatus::Refused;
}
