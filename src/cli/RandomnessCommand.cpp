#include "RandomnessCommand.h"

#include "CipherEngine.h"
#include "CliInteraction.h"
#include "CliReportView.h"
#include "ExitStatus.h"
#include "analysis/RandomnessReport.h"
#include "analysis/RandomnessView.h"
#include "analysis/SingleFileFigures.h"
#include "core/BatchDriver.h"
#include "core/Setup.h"
#include "files/StrProc.h"
#include "keys/KeyRecord.h"

#include <QDir>
#include <QFileInfo>

#include <cstdio>

namespace {

void PrintError(const QString& text)
{
    std::fputs(qPrintable(QStringLiteral("Error: ") + text + QLatin1Char('\n')), stderr);
}

// A single file's figures go to standard output; the listing reaches it through the report.
class CliRandomnessView : public RandomnessView
{
public:
    void ShowSingleFile(const SingleFileFigures& figures) override
    {
        std::fputs(qPrintable(figures.filesize + QLatin1Char('\n') + figures.randomness +
                              QLatin1Char('\n')),
                   stdout);
    }
    void ShowReportWindow(const QString&) override {}
};

// The input side of `setup` from the arguments; false with `error` when they do not fit.
bool ParseArguments(QStringList args, Setup& setup, QString& error)
{
    QString path;
    QString files;
    while (!args.isEmpty()) {
        const QString arg = args.takeFirst();
        if (arg == QLatin1String("--subfolders")) {
            setup.blnSubdirectories = true;
        } else if (arg == QLatin1String("--files")) {
            if (args.isEmpty()) {
                error = QStringLiteral("--files needs a value.");
                return false;
            }
            files = args.takeFirst();
        } else if (arg.startsWith(QLatin1String("--")) || !path.isEmpty()) {
            error = QStringLiteral("unexpected argument ") + arg;
            return false;
        } else {
            path = arg;
        }
    }
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists()) {
        error = path.isEmpty() ? QStringLiteral("no file or folder given.")
                               : QStringLiteral("there is no file or folder ") + path;
        return false;
    }
    const bool single = !info.isDir();
    if (single && (!files.isEmpty() || setup.blnSubdirectories)) {
        error = QStringLiteral("--files and --subfolders need a folder, not a file.");
        return false;
    }
    QString folderPath = QDir::cleanPath(single ? info.absolutePath() : info.absoluteFilePath());
    StrProc::EnsureTrailingBackslash(folderPath);
    setup.strDirpath[Setup::Input] = folderPath;
    setup.strFilespec[Setup::Input] = single            ? info.fileName()
                                      : files.isEmpty() ? QStringLiteral("*.*")
                                                        : files;
    return true;
}

} // namespace

int RunRandomness(QStringList args)
{
    Setup setup;
    QString error;
    if (!ParseArguments(args, setup, error)) {
        PrintError(error);
        return ExitStatus::Refused;
    }
    CipherEngine engine; // never called: a randomness report encrypts nothing
    KeyRecord key;
    CliInteraction interaction;
    BatchDriver driver(setup, key, engine, interaction);
    CliReportView reportView(driver.report());
    driver.SetView(&reportView);
    interaction.onInterrupt = [&driver] { driver.cmdStop_Click(); };
    CliInteraction::CatchInterrupt();

    CliRandomnessView view;
    RandomnessReport report(setup, driver, interaction, view);
    const RandomnessReport::Outcome outcome = report.MakeRandomnessReport(Setup::Input);
    reportView.Flush();
    if (CliInteraction::Interrupted())
        return ExitStatus::Interrupted;
    return outcome == RandomnessReport::Outcome::SingleFile ||
                   outcome == RandomnessReport::Outcome::Listing
               ? ExitStatus::Done
               : ExitStatus::Failed;
}
