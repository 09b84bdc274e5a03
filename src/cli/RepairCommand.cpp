#include "RepairCommand.h"

#include "CommandLine.h"
#include "ExitStatus.h"
#include "Messages.h"
#include "core/FileResultText.h"
#include "files/NameBytes.h"
#include "storage/FileRepair.h"

#include <QFile>

#include <cstdio>
#include <thread>

namespace {

QString ResultText(const FileRepair::Result& result)
{
    using Outcome = FileRepair::Outcome;
    const QString why =
        result.error != 0 ? QStringLiteral(": ") + qt_error_string(result.error) : QString();
    switch (result.outcome) {
    case Outcome::Repaired:
        return QStringLiteral("repaired: ") +
               FileResultText::RepairedText(result.bytes, result.sectors) +
               QStringLiteral(" mended");
    case Outcome::Intact:
        return QStringLiteral("intact: nothing to repair");
    case Outcome::NotRepairable:
        return QStringLiteral("not a repairable file: nothing written");
    case Outcome::BeyondRepair:
        return QStringLiteral("damaged beyond repair: its parity cannot mend it; nothing written");
    case Outcome::NotOpened:
        return QStringLiteral("cannot be opened") + why;
    case Outcome::ReadError:
        return QStringLiteral("read error") + why + QStringLiteral("; nothing written");
    case Outcome::DiskFull:
        return QStringLiteral("disk full; nothing written");
    case Outcome::NotVerified:
        return QStringLiteral("the repaired copy did not read back intact; nothing written");
    case Outcome::WriteError:
        break;
    }
    return QStringLiteral("write error") + why + QStringLiteral("; nothing written");
}

} // namespace

int RunRepair(QStringList args)
{
    QStringList paths;
    for (const QString& arg : args) {
        if (CommandLine::IsOption(arg)) {
            Messages::PrintUsageError(QStringLiteral("unexpected argument ") + arg);
            return ExitStatus::Refused;
        }
        paths << arg;
    }
    if (paths.isEmpty()) {
        Messages::PrintUsageError(QStringLiteral("no file given."));
        return ExitStatus::Refused;
    }
    const unsigned threads = std::max(1u, std::thread::hardware_concurrency());
    int status = ExitStatus::Done;
    for (const QString& path : paths) {
        const FileRepair::Result result =
            FileRepair::repairFile(QFile::encodeName(path).toStdString(), threads);
        const bool fine = result.outcome == FileRepair::Outcome::Repaired ||
                          result.outcome == FileRepair::Outcome::Intact;
        if (!fine)
            status = ExitStatus::Failed;
        std::fputs(qPrintable(NameBytes::Shown(path) + QStringLiteral("  ") + ResultText(result) +
                              QLatin1Char('\n')),
                   stdout);
    }
    return status;
}
