#include "RandomnessCommand.h"

#include "CliInteraction.h"
#include "CliReportView.h"
#include "CommandLine.h"
#include "DestinationFile.h"
#include "ExitStatus.h"
#include "Messages.h"
#include "StopSignals.h"
#include "analysis/BytePairPicture.h"
#include "analysis/BytePairPictureView.h"
#include "analysis/RandomnessReport.h"
#include "analysis/RandomnessView.h"
#include "analysis/SingleFileFigures.h"
#include "core/BatchDriver.h"
#include "core/Setup.h"
#include "core/SetupEditor.h"
#include "files/StrProc.h"
#include "keys/KeyRecord.h"
#include "storage/FileCipher.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QImage>

#include <cstdio>

namespace {

// The picture is drawn to the end at once: nobody watches its progress.
class SilentPictureView : public BytePairPictureView
{
public:
    void ButtonCaption(const QString&) override {}
    void ProgressBar(const QString&) override {}
    void ClockEnabled(bool) override {}
    void HideWindow() override {}
};

// A single file's figures go to standard output, and its byte-pair picture to a PNG file when
// one is asked for; the listing reaches standard output through the report.
class CliRandomnessView : public RandomnessView
{
public:
    CliRandomnessView(Interaction& interaction, const DestinationFile* picture)
        : m_interaction(interaction), m_picture(picture)
    {
    }

    void ShowSingleFile(const SingleFileFigures& figures) override
    {
        std::fputs(qPrintable(figures.filesize + QLatin1Char('\n') + figures.randomness +
                              QLatin1Char('\n')),
                   stdout);
        if (m_picture)
            pictureSaved = SavePicture(figures);
    }
    void ShowReportWindow(const QString&) override {}

    bool pictureSaved = true;

private:
    bool SavePicture(const SingleFileFigures& figures)
    {
        SilentPictureView view;
        BytePairPicture picture(m_interaction, view);
        picture.Prepare(figures.path, figures.drawingLength);
        picture.cmdDisplay_Click();
        const QByteArray& pixels = picture.pixels();
        const QImage image(reinterpret_cast<const uchar*>(pixels.constData()),
                           BytePairPicture::Side, BytePairPicture::Side, BytePairPicture::Side,
                           QImage::Format_Grayscale8);
        QByteArray png;
        QBuffer buffer(&png);
        if (buffer.open(QIODevice::WriteOnly) && image.save(&buffer, "PNG"))
            return m_picture->Write(png) == ExitStatus::Done;
        Messages::PrintError(QStringLiteral("Cannot write the picture to ") + m_picture->path +
                             QLatin1Char('.'));
        return false;
    }

    Interaction& m_interaction;
    const DestinationFile* m_picture;
};

struct Arguments
{
    QString input;   // the file or folder measured
    QString picture; // --picture FILE, or ""
    bool force = false;
    bool subfolders = false;
    // The input side the report is made on: a folder, and the one file or the specification.
    QString folderPath;
    QString spec;
    bool single = false;
    bool notFound = false; // the input given does not exist
};

// The input side from the arguments; false with `error` when they do not fit.
bool ParseArguments(QStringList args, Arguments& given, QString& error)
{
    QString& path = given.input;
    QString files;
    while (!args.isEmpty()) {
        const QString arg = args.takeFirst();
        if (arg == QLatin1String("--subfolders")) {
            given.subfolders = true;
        } else if (arg == QLatin1String("--force")) {
            given.force = true;
        } else if (arg == QLatin1String("--files") || arg == QLatin1String("--picture")) {
            if (args.isEmpty()) {
                error = arg + QStringLiteral(" needs a value.");
                return false;
            }
            (arg == QLatin1String("--files") ? files : given.picture) = args.takeFirst();
        } else if (CommandLine::IsOption(arg) || !path.isEmpty()) {
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
        given.notFound = !path.isEmpty();
        return false;
    }
    const bool single = !info.isDir();
    if (single && (!files.isEmpty() || given.subfolders)) {
        error = QStringLiteral("--files and --subfolders need a folder, not a file.");
        return false;
    }
    if (!single && !given.picture.isEmpty()) {
        error = QStringLiteral("--picture needs a single file.");
        return false;
    }
    QString folderPath = QDir::cleanPath(single ? info.absolutePath() : info.absoluteFilePath());
    StrProc::EnsureTrailingBackslash(folderPath);
    given.folderPath = folderPath;
    given.spec = single ? info.fileName() : files.isEmpty() ? QStringLiteral("*.*") : files;
    given.single = single;
    return true;
}

} // namespace

int RunRandomness(QStringList args)
{
    Arguments arguments;
    QString error;
    if (!ParseArguments(args, arguments, error)) {
        // A path that leads nowhere is no mistake in the way the command was given.
        if (arguments.notFound)
            Messages::PrintError(error);
        else
            Messages::PrintUsageError(error);
        return ExitStatus::Refused;
    }
    // The picture's name is checked before the file is measured: a refusal costs nothing.
    const DestinationFile picture(arguments.picture, arguments.force, {arguments.input});
    if (!arguments.picture.isEmpty()) {
        if (const int refused = picture.Check())
            return refused;
    }
    FileCipher engine; // never called: a randomness report encrypts nothing
    KeyRecord key;
    CliInteraction interaction;
    SetupEditor editor(interaction);
    editor.UseSides({arguments.folderPath, QString()}, {arguments.spec, QString()},
                    arguments.single);
    editor.SetSubdirectoriesOnly(arguments.subfolders);
    const Setup& setup = editor.setup();
    BatchDriver driver(key, engine, interaction);
    CliReportView reportView(driver.report());
    driver.SetView(&reportView);
    interaction.onInterrupt = [&driver] { driver.StopAtNextFile(); };
    StopSignals::StopAfterCurrentFile();

    CliRandomnessView view(interaction, arguments.picture.isEmpty() ? nullptr : &picture);
    RandomnessReport report(setup, driver, interaction, view);
    const RandomnessReport::Outcome outcome = report.MakeRandomnessReport(Setup::Input);
    reportView.Flush();
    if (StopSignals::Requested())
        return ExitStatus::Interrupted;
    const bool given = outcome == RandomnessReport::Outcome::SingleFile ||
                       outcome == RandomnessReport::Outcome::Listing;
    return given && view.pictureSaved ? ExitStatus::Done : ExitStatus::Failed;
}
