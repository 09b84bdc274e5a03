#include "FileSummary.h"

#include "FileUtility.h"
#include "Setup.h"
#include "files/StrProc.h"
#include "support/SizeText.h"
#include "support/TxtEncDec.h"

#include <QFile>

namespace FileSummary {

namespace {

constexpr int MaxFolderLine = 70;
constexpr int MaxWildcardSummary = 20;

QString WildcardComment(const QString& spec)
{
    if (spec == QLatin1String("*.*"))
        return QStringLiteral("(All files.)");
    if (spec.startsWith(QLatin1String("*.")))
        return QStringLiteral("(All files with extension \"") + spec.mid(2) +
               QStringLiteral("\".)");
    return QStringLiteral("(All files of the form \"") + spec + QStringLiteral("\".)");
}

// The measure's error results are whole numbers; compare them as such.
bool Is(double r, FileUtility::RandomnessError error)
{
    return r == static_cast<double>(static_cast<int>(error));
}

QString InputFileComment(double r, const QString& path, double minEncrypted)
{
    if (Is(r, FileUtility::FileReadError))
        return QStringLiteral("(Error reading file.)");
    if (Is(r, FileUtility::FileNotFound))
        return QStringLiteral("(File not found.)");
    if (Is(r, FileUtility::FileEmpty))
        return QStringLiteral("(File is empty.)");
    QString comment = StrProc::FileSizeText(path, 2);
    if (r > minEncrypted)
        comment += QStringLiteral("  (Seems to be either encrypted or compressed.)");
    else if (r < 0.8)
        comment += QStringLiteral("  (Seems not ZR7-encrypted.)");
    return comment;
}

} // namespace

SideSummary Describe(const Setup& setup, int side)
{
    SideSummary summary;
    const QString& folderPath = setup.strDirpath[side];
    const QString& spec = setup.strFilespec[side];
    summary.folderLine = folderPath.size() > MaxFolderLine
                             ? StrProc::ShortenText(folderPath, MaxFolderLine)
                         : folderPath.isEmpty() ? setup.strNotSpecifiedWord
                                                : folderPath;
    summary.filesLine = spec.isEmpty() ? setup.strNotSpecifiedWord : spec;
    const int width = setup.intCharWidth;
    // A picked file's name is that file's name, whatever characters it holds.
    const bool pattern = setup.Filter(side).isPattern();
    if (side == Setup::Input && pattern && spec.size() <= MaxWildcardSummary) {
        summary.comment = WildcardComment(spec);
        summary.commentOffset =
            spec == QLatin1String("*.*") ? (spec.size() + 2) * width : spec.size() * width + 300;
        return summary;
    }
    if (spec.isEmpty())
        return summary;
    if (pattern) {
        summary.commentOffset = spec.size() * width + 300;
        return summary;
    }
    summary.commentOffset = StrProc::TrimBlanks(spec).size() * width + 300;
    const QString path = folderPath + spec;
    if (side == Setup::Output && setup.blnOutputFilesSame)
        return summary;
    const double r =
        FileUtility::fr(QFile::encodeName(path).toStdString(), setup.intMinFilesizeForRandomness);
    // An empty or short file exists just as much: the user must not be told nothing before it
    // is overwritten.
    const bool exists = r >= 0 || Is(r, FileUtility::FileEmpty) || Is(r, FileUtility::FileTooShort);
    if (side == Setup::Output)
        summary.comment = exists ? QStringLiteral("(File exists already.)") : QString();
    else
        summary.comment = InputFileComment(r, path, setup.dblMinZR7Randomness);
    return summary;
}

QString HintLine(const Setup& setup)
{
    if (!setup.strFilespec[Setup::Input].isEmpty())
        return {};
    return QStringLiteral("To ") + TxtEncDec(QStringLiteral("encrypt"), setup.blnEncrypt) +
           QStringLiteral(" multiple files specify input folder and input files.");
}

} // namespace FileSummary
