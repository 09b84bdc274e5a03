#include "RandomnessReport.h"

#include "RandomnessView.h"
#include "SingleFileFigures.h"
#include "core/BatchDriver.h"
#include "core/Setup.h"
#include "files/StrProc.h"
#include "files/folder.h"
#include "support/FileRandomness.h"
#include "support/Interaction.h"
#include "support/SizeText.h"

#include <QFileInfo>

namespace {

const QString Title = QStringLiteral("Randomness report");

} // namespace

RandomnessReport::RandomnessReport(const Setup& setup, BatchDriver& driver,
                                   Interaction& interaction, RandomnessView& view)
    : m_setup(setup), m_driver(driver), m_interaction(interaction), m_view(view),
      m_listing(driver, setup)
{
}

bool RandomnessReport::SideSpecified(const Setup& setup, int side)
{
    return !setup.strDirpath[side].isEmpty() && !setup.strFilespec[side].isEmpty();
}

bool RandomnessReport::CheckSidesSpecified()
{
    if (SideSpecified(m_setup, Setup::Input) || SideSpecified(m_setup, Setup::Output))
        return true;
    m_interaction.Tell(QStringLiteral("Error"),
                       QStringLiteral("Neither input files nor output files are specified."),
                       Interaction::Icon::Exclamation);
    return false;
}

RandomnessReport::Outcome RandomnessReport::MakeRandomnessReport(int side)
{
    if (!SideSpecified(m_setup, side))
        return Outcome::NothingSpecified;
    if (const QString cut = m_setup.CutPath(side); !cut.isEmpty()) {
        m_interaction.Tell(Title, cut, Interaction::Icon::Exclamation);
        return Outcome::NoFiles;
    }
    const QString folderPath = m_setup.strDirpath[side];
    const QString spec = m_setup.strFilespec[side];
    const NameFilter filter = m_setup.Filter(side);
    const bool wildcards = filter.isPattern();
    if (!m_setup.blnSubdirectories) {
        QString errorText;
        if (folder::CountMatchingFiles(folderPath, filter, errorText, &m_interaction) == 0) {
            m_interaction.Tell(Title,
                               wildcards
                                   ? QStringLiteral("There are no files in ") + folderPath +
                                         QStringLiteral(" matching ") + spec + QLatin1Char('.')
                                   : QStringLiteral("File ") + spec + QStringLiteral(" not found."),
                               Interaction::Icon::Exclamation);
            m_view.CloseChoices();
            return Outcome::NoFiles;
        }
    }
    m_view.CloseChoices();
    if (!m_setup.blnSubdirectories && !wildcards)
        return SingleFileReport(side, folderPath + spec, spec);
    ListingReport(side, folderPath, spec);
    return Outcome::Listing;
}

RandomnessReport::Outcome RandomnessReport::SingleFileReport(int side, const QString& path,
                                                             const QString& spec)
{
    const qint64 length = QFileInfo(path).size();
    m_view.ShowChecking(true);
    const FileRandomness::RandomnessValue value =
        m_listing.measure(path, m_setup.intMinFilesizeForRandomness);
    m_view.ShowChecking(false);
    if (value.error == FileRandomness::RandomnessError::FileTooShort) {
        m_interaction.Tell(Title,
                           spec + QStringLiteral(" is too small (") + QString::number(length) +
                               QStringLiteral(" bytes) to have a randomness value."),
                           Interaction::Icon::None);
        return Outcome::TooSmall;
    }
    if (!value.measured()) {
        m_interaction.Tell(QStringLiteral("Error"),
                           QStringLiteral("Cannot give a randomness report for this file."),
                           Interaction::Icon::Exclamation);
        return Outcome::CannotReport;
    }
    const QLocale locale = StrProc::NumberLocale();
    SingleFileFigures figures;
    figures.caption = (side == Setup::Input ? QStringLiteral("Input") : QStringLiteral("Output")) +
                      QStringLiteral(" file: ") + StrProc::FileNamePart(path);
    figures.filesize =
        QStringLiteral("Filesize = ") + locale.toString(length) + QStringLiteral(" bytes");
    figures.randomness = QStringLiteral("Randomness = ") + locale.toString(value.value, 'f', 3);
    figures.path = path;
    figures.drawingLength = length - length % 2;
    m_view.ShowSingleFile(figures);
    return Outcome::SingleFile;
}

void RandomnessReport::ListingReport(int side, const QString& folderPath, const QString& spec)
{
    BatchRequest request = BatchRequest::Of(m_setup);
    request.inputFolder = folderPath;
    request.inputSpec = spec;
    m_view.ShowReportWindow(
        QStringLiteral("Randomness report for ") +
        (side == Setup::Input ? QStringLiteral("input files") : QStringLiteral("output files")) +
        QLatin1Char(' ') + spec);
    m_driver.RunListing(request, [&] { m_listing.ReportFolderRandomness(folderPath, spec); });
}
