#include "OperationLaunch.h"

#include "BatchDriver.h"
#include "LaunchHost.h"
#include "OperationDescription.h"
#include "Setup.h"
#include "SetupEditor.h"
#include "ZR7FileOps.h"
#include "files/ExistingOutputs.h"
#include "files/folder.h"
#include "keys/KeyRecord.h"
#include "keys/ZR7KeyFrom.h"
#include "storage/ListedFile.h"
#include "support/DiskProc.h"
#include "support/Interaction.h"
#include "support/TxtEncDec.h"

#include <cmath>

namespace {

const QString ErrorTitle = QStringLiteral("Error");

// " 900 KB" below 1024 KB, else the whole or decimal MB.
QString KilobytesText(double kb, bool wholeMegabytes)
{
    if (kb < 1024)
        return QLatin1Char(' ') + QString::number(qint64(kb)) + QStringLiteral(" KB");
    const double mb = kb / 1024;
    return QLatin1Char(' ') +
           (wholeMegabytes ? QString::number(qint64(mb)) : QString::number(mb, 'g', 15)) +
           QStringLiteral(" MB");
}

} // namespace

OperationLaunch::OperationLaunch(const Setup& setup, KeyRecord& key, Interaction& interaction,
                                 BatchDriver& driver, LaunchHost& host)
    : m_setup(setup), m_key(key), m_interaction(interaction), m_driver(driver), m_host(host)
{
    freeSpace = [](const QString& path, double& bytesAvailable) {
        double total = 0;
        return DiskProc::FreeSpaceOfDrive(path, bytesAvailable, total);
    };
}

OperationLaunch::Outcome OperationLaunch::DoIt()
{
    // The files are looked at from here on: what changes after this is not what the user
    // is asked to confirm.
    const struct timespec began = ListedFile::BatchBegins();
    for (int side : {Setup::Input, Setup::Output}) {
        if (const QString cut = m_setup.CutPath(side); !cut.isEmpty()) {
            m_interaction.Tell(ErrorTitle, cut, Interaction::Icon::Exclamation);
            return Outcome::Refused;
        }
    }
    if (!CheckInput())
        return Outcome::Refused;
    if (IsReliabilityTestFolder()) {
        switch (m_host.OfferReliabilityTest()) {
        case LaunchHost::TestChoice::Cancelled:
            return Outcome::Cancelled;
        case LaunchHost::TestChoice::Ran:
            return Outcome::TestRan;
        case LaunchHost::TestChoice::NormalEncryption:
            break;
        }
    }
    if (!CheckOutput())
        return Outcome::Refused;

    BatchRequest request = BatchRequest::Of(m_setup);
    request.testRun = blnTestMode;
    request.began = began;
    const QString caption = TxtEncDec(QStringLiteral("Encrypting"), request.encrypt) +
                            QLatin1Char(' ') + request.inputSpec;

    // The batch works with its own extended copy of the key; the user's record stays as it is.
    m_driver.fileOps().UseKey(ZR7KeyFrom::ExtendedKey(m_key.strKey.view()));
    if (!blnTestMode)
        PrepareKey();
    if (!blnTestMode && !Confirmed()) {
        m_driver.fileOps().ForgetKeys();
        return Outcome::Cancelled;
    }
    if (!request.inPlace && !CheckDiskSpace(request)) {
        m_driver.fileOps().ForgetKeys();
        if (blnTestMode)
            blnLaunchAbandoned = true;
        return Outcome::Refused;
    }
    m_host.ShowReport(caption);
    m_result = m_driver.Run(request);
    m_driver.fileOps().ForgetKeys();
    return Outcome::Ran;
}

// The key derivation costs a large part of a second by design. It runs while the user reads the
// confirmation (and, on the command line, while the sizes are added up), with the key the batch
// will use, and the first file starts coming off the disk meanwhile.
void OperationLaunch::PrepareKey()
{
    const QString& folder = m_setup.strDirpath[Setup::Input];
    const QString first = folder::FirstMatchingFile(folder, m_setup.Filter(Setup::Input));
    m_driver.fileOps().PrepareKey(first.isEmpty() ? QString() : folder + first, m_setup.blnEncrypt);
}

bool OperationLaunch::CheckInput()
{
    const QString& folder = m_setup.strDirpath[Setup::Input];
    const QString& spec = m_setup.strFilespec[Setup::Input];
    if (folder.isEmpty() || spec.isEmpty()) {
        m_interaction.Tell(ErrorTitle, QStringLiteral("Input file(s) not specified."),
                           Interaction::Icon::Exclamation);
        return false;
    }
    if (!SetupEditor::CheckInputFolder(folder, m_setup.Filter(Setup::Input), m_interaction,
                                       &m_matchingFiles))
        return false;
    if (m_matchingFiles == 0 && !m_setup.blnSubdirectories) {
        m_interaction.Tell(QStringLiteral("Nothing to do"),
                           QStringLiteral("The input folder contains no matching files."),
                           Interaction::Icon::Exclamation);
        return false;
    }
    if (m_key.intKeySource == KeyRecord::NotSpecified) {
        m_interaction.Tell(TxtEncDec(QStringLiteral("Encryption"), m_setup.blnEncrypt) +
                               QStringLiteral(" key not specified"),
                           QStringLiteral("Please specify the ") +
                               TxtEncDec(QStringLiteral("encryption"), m_setup.blnEncrypt) +
                               QStringLiteral(" key."),
                           Interaction::Icon::None);
        return false;
    }
    return true;
}

bool OperationLaunch::IsReliabilityTestFolder() const
{
    // No path here is on a floppy drive, so the drive condition always holds.
    const QString& spec = m_setup.strFilespec[Setup::Input];
    const qsizetype dot = spec.lastIndexOf(QLatin1Char('.'));
    return m_setup.blnEncrypt && !blnTestMode && !m_setup.blnSubdirectories &&
           m_setup.strDirpath[Setup::Input].endsWith(QLatin1String("zr7test/")) && dot >= 0 &&
           spec.mid(dot + 1).compare(QLatin1String("tst"), Qt::CaseInsensitive) == 0;
}

bool OperationLaunch::CheckOutput()
{
    const auto& dir = m_setup.strDirpath;
    const auto& spec = m_setup.strFilespec;
    if (dir[Setup::Output].isEmpty() || spec[Setup::Output].isEmpty()) {
        m_interaction.Tell(ErrorTitle, QStringLiteral("Output file(s) not specified."),
                           Interaction::Icon::Exclamation);
        return false;
    }
    // The output files are the input files only when the names are the same, letter for letter,
    // in the same folder: "Docs" and "docs" are two folders, "*.TXT" gives other names than
    // "*.txt". A folder is the same under any path that leads to it.
    const bool sameFolder = dir[Setup::Output] == dir[Setup::Input] ||
                            ZR7FileOps::SameFile(dir[Setup::Output], dir[Setup::Input]);
    if (sameFolder && spec[Setup::Output] == spec[Setup::Input])
        m_host.SwitchToInPlace();
    if (m_setup.blnSubdirectories && !m_setup.blnOutputFilesSame) {
        m_interaction.Tell(
            QString(),
            QStringLiteral("If subfolders are included then the output files must be the "
                           "same as the input files."),
            Interaction::Icon::Information);
        return false;
    }
    return true;
}

bool OperationLaunch::Confirmed()
{
    const QString& folder = m_setup.strDirpath[Setup::Input];
    QString errorText;
    const NameFilter filter = m_setup.Filter(Setup::Input);
    const qint64 count = folder::CountMatchingFiles(folder, filter, errorText, &m_interaction);
    // New output files may land on files that are there already: the user is told how many
    // before saying Yes. With subfolders the output files are the input files.
    qint64 replaced = 0;
    if (count >= 0 && !m_setup.blnOutputFilesSame && !m_setup.blnSubdirectories)
        replaced = folder::CountExistingOutputFiles(
            folder, filter, m_setup.strDirpath[Setup::Output], m_setup.strFilespec[Setup::Output],
            errorText, &m_interaction);
    if (count < 0 || replaced < 0) {
        m_interaction.Tell(ErrorTitle,
                           QStringLiteral("Error when attempting to count files in ") + folder +
                               QStringLiteral("."),
                           Interaction::Icon::Exclamation);
        return false;
    }
    return m_host.Confirm(OperationDescription(m_setup, count, replaced),
                          PerformOperationQuestion(m_setup.blnEncrypt));
}

bool OperationLaunch::CheckDiskSpace(const BatchRequest& request)
{
    m_result = m_driver.Measure(request);
    if (m_result.outcome == BatchOutcome::DuplicateOutputNames)
        return false;
    double needed = double(m_result.totalInputSize);
    if (needed == 0) {
        m_interaction.Tell(ErrorTitle, QStringLiteral("Total input filesize is 0 bytes."),
                           Interaction::Icon::Exclamation);
        return false;
    }
    // A repairable file carries 16 bytes of parity for every 239 bytes of its stream.
    if (request.encrypt && request.repairable)
        needed += std::ceil(needed * 16 / 239);
    // The drive is the file system of the output folder; the folder names it.
    const QString drive = m_setup.strDirpath[Setup::Output];
    double available = 0;
    if (freeSpace(drive, available) != 0) {
        m_interaction.Tell(ErrorTitle,
                           QStringLiteral("Error when attempting to access drive ") + drive,
                           Interaction::Icon::Exclamation);
        return false;
    }
    const double availableKB = std::round(available / 1024);
    if (needed / 1024 > availableKB) {
        m_interaction.Tell(QStringLiteral("Insufficient disk space"),
                           InsufficientSpaceText(drive, needed, availableKB),
                           Interaction::Icon::Exclamation);
        return false;
    }
    return true;
}

QString OperationLaunch::InsufficientSpaceText(const QString& drive, double neededBytes,
                                               double availableKB)
{
    const double neededKB = std::floor(neededBytes / 1024);
    return QStringLiteral("Estimated space required on drive ") + drive + QStringLiteral(" is") +
           KilobytesText(neededKB, true) + QStringLiteral(", but there is only") +
           KilobytesText(availableKB, false) + QStringLiteral(" available.");
}
