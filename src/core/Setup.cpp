#include "Setup.h"

#include "files/NameBytes.h"

#include <QCoreApplication>
#include <QVersionNumber>

void Setup::SetStartUpDefaults()
{
    intCharWidth = 106;
    blnEncrypt = true;
    blnOutputFilesSame = false;
    blnSubdirectories = false;
    strDirpath = {};
    strFilespec = {};
    blnSingleFile = false;
    blnRepairable = false;
    dblMinZR7Randomness = 0.89;
    intMinFilesizeForRandomness = 256;
    intMinKeyLength = 16;
    intMaxKeyLength = 64;
}

namespace {

void Synchronise(std::array<QString, 2>& pair)
{
    if (!pair[Setup::Input].isEmpty() || pair[Setup::Output].isEmpty())
        pair[Setup::Output] = pair[Setup::Input];
    else
        pair[Setup::Input] = pair[Setup::Output];
}

} // namespace

void Setup::SynchroniseOutputSide()
{
    // An input side made from the output side names no picked file.
    if (strFilespec[Input].isEmpty())
        blnSingleFile = false;
    Synchronise(strDirpath);
    Synchronise(strFilespec);
}

NameFilter Setup::Filter(int side) const
{
    const bool picked = blnSingleFile && (side == Input || blnOutputFilesSame);
    return NameFilter(strFilespec[side],
                      picked ? NameFilter::Kind::PickedName : NameFilter::Kind::Specification);
}

QString Setup::CutPath(int side) const
{
    const QString path = strDirpath[side] + strFilespec[side];
    if (!path.contains(QChar(0)))
        return {};
    return (side == Input ? QStringLiteral("The input path ")
                          : QStringLiteral("The output path ")) +
           NameBytes::Shown(path) +
           QStringLiteral(" holds a NUL character (\\x00), which no file or folder name can hold: "
                          "it is not used.");
}

KeptSetup Setup::Keep() const
{
    return {blnEncrypt, blnConfirmFiles, blnOutputFilesSame, blnSubdirectories,
            strDirpath, strFilespec,     blnSingleFile,      blnRepairable};
}

void Setup::Restore(const KeptSetup& kept)
{
    blnEncrypt = kept.blnEncrypt;
    blnConfirmFiles = kept.blnConfirmFiles;
    blnOutputFilesSame = kept.blnOutputFilesSame;
    blnSubdirectories = kept.blnSubdirectories;
    strDirpath = kept.strDirpath;
    strFilespec = kept.strFilespec;
    blnSingleFile = kept.blnSingleFile;
    blnRepairable = kept.blnRepairable;
}

QString VersionText()
{
    const QVersionNumber version = QVersionNumber::fromString(ZR7_VERSION);
    return QString::number(version.majorVersion()) + QLatin1Char('.') +
           QString::number(version.minorVersion()) + QLatin1Char('2');
}

QString ProjectVersion()
{
    return QStringLiteral(ZR7_VERSION);
}
