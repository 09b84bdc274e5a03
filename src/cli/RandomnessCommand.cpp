#include "RandomnessCommand.h"

#include "CipherEngine.h"
#include "CliInteraction.h"
#include "CliReportView.h"
#include "ExitStatus.h"
#include "PrintError.h"
#include "analysis/BytePairPicture.h"
#include "analysis/BytePairPictureView.h"
#include "analysis/RandomnessReport.h"
#include "analysis/RandomnessView.h"
#include "analysis/SingleFileFigures.h"
#include "core/BatchDriver.h"
#include "core/Setup.h"
#include "files/StrProc.h"
#include "keys/KeyRecord.h"

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
    CliRandomnessView(Interaction& interaction, const QString& picturePath)
        : m_interaction(interaction), m_picturePath(picturePath)
    {
    }

    void ShowSingleFile(const SingleFileFigures& figures) override
    {
        std::fputs(qPrintable(figures.filesize + QLatin1Char('\n') + figures.randomness +
                              QLatin1Char('\n')),
                   stdout);
        if (!m_picturePath.isEmpty())
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
        if (image.save(m_picturePath, "PNG"))
            return true;
        PrintError(QStringLiteral("Cannot write the picture to ") + m_picturePath +
                   QLatin1Char('.'));
        return false;
    }

    Interaction& m_interaction;
    QString m_picturePath;
};

// The input side of `setup` from the arguments; false with `error` when they do not fit.
bool ParseArguments(QStringList args, Setup& setup, QString& picture, QString& error)
{
    QString path;
    QString files;
    while (!args.isEmpty()) {
        const QString arg = args.takeFirst();
        if (arg == QLatin1String("--subfolders")) {
            setup.blnSubdirectories = true;
        } else if (arg == QLatin1String("--files") || arg == QLatin1String("--picture")) {
            if (args.isEmpty()) {
                error = arg + QStringLiteral(" needs a value.");
                return false;
            }
            (arg == QLatin1String("--files") ? files : picture) = args.takeFirst();
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
    if (!single && !picture.isEmpty()) {
        error = QStringLiteral("--picture needs a single file.");
        return false;
    }
    QString folderPath = QDir::cleanPath(single ? info.absolutePath() : info.absoluteFilePath());
    StrProc::EnsureTrailingBackslash(folderPath);
    setup.strDirpath[Setup::Input] = folderPath;
    setup.strFilespec[Setup::Input] = single            ? info.fileName()
                                      : files.isEmpty() ? QStringLiteral("*.*")
                                                        : files;
    setup.blnSingleFile = single;
    return true;
}

} // namespace

int RunRandomness(QStringList args)
{
    Setup setup;
    QString picture;
    QString error;
    if (!ParseArguments(args, setup, picture, error)) {
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

    CliRandomnessView view(interaction, picture);
    RandomnessReport report(setup, driver, interaction, view);
    const RandomnessReport::Outcome outcome = report.MakeRandomnessReport(Setup::Input);
    reportView.Flush();
    if (CliInteraction::Interrupted())
        return ExitStatus::Interrupted;
    const bool given = outcome == RandomnessReport::Outcome::SingleFile ||
                       outcome == RandomnessReport::Outcome::Listing;
    return given && view.pictureSaved ? ExitStatus::Done : ExitStatus::Failed;
}
