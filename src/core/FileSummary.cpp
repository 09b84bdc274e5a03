#include "FileSummary.h"

#include "Setup.h"
#include "files/StrProc.h"
#include "support/FileRandomness.h"
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

FileRandomness::RandomnessValue Measure(const Setup& setup, const QString& path)
{
    return FileRandomness::fr(QFile::encodeName(path).toStdString(),
                              setup.intMinFilesizeForRandomness);
}

// Above the threshold a file's bytes look encrypted (or compressed); a file too short to
// measure does not.
bool Judged(const FileRandomness::RandomnessValue& r, double minEncrypted)
{
    return r.measured() && r.value > minEncrypted;
}

QString InputFileComment(const FileRandomness::RandomnessValue& r, const QString& path,
                         double minEncrypted)
{
    using Error = FileRandomness::RandomnessError;
    switch (r.error) {
    case Error::FileReadError:
        return QStringLiteral("(Error reading file.)");
    case Error::FileNotFound:
        return QStringLiteral("(File not found.)");
    case Error::FileEmpty:
        return QStringLiteral("(File is empty.)");
    case Error::FileTooShort:
    case Error::None:
        break;
    }
    // A file too short to measure is listed as one that does not look encrypted.
    QString comment = StrProc::FileSizeText(path, 2);
    if (Judged(r, minEncrypted))
        comment += QStringLiteral("  (Seems to be either encrypted or compressed.)");
    else if (!r.measured() || r.value < 0.8)
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
    const FileRandomness::RandomnessValue r = Measure(setup, path);
    // An empty or short file exists just as much: the user must not be told nothing before it
    // is overwritten.
    const bool exists = r.measured() || r.error == FileRandomness::RandomnessError::FileEmpty ||
                        r.error == FileRandomness::RandomnessError::FileTooShort;
    if (side == Setup::Output)
        summary.comment = exists ? QStringLiteral("(File exists already.)") : QString();
    else
        summary.comment = InputFileComment(r, path, setup.dblMinZR7Randomness);
    return summary;
}

bool SeemsEncrypted(const Setup& setup, const QString& path)
{
    return Judged(Measure(setup, path), setup.dblMinZR7Randomness);
}

QString HintLine(const Setup& setup)
{
    if (!setup.strFilespec[Setup::Input].isEmpty())
        return {};
    return QStringLiteral("To ") + TxtEncDec(QStringLiteral("encrypt"), setup.blnEncrypt) +
           QStringLiteral(" multiple files specify input folder and input files.");
}

} // namespace FileSummary
