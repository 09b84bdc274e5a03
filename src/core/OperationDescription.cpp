#include "OperationDescription.h"

#include "Setup.h"
#include "files/NameBytes.h"
#include "support/TxtEncDec.h"

namespace {

// The line that warns of output files about to be replaced; "" when none is.
QString ReplacedFilesLine(qint64 replaced, bool single)
{
    if (replaced <= 0)
        return {};
    QString line = QStringLiteral("\n");
    if (single)
        line += QStringLiteral("The output file exists");
    else if (replaced == 1)
        line += QStringLiteral("1 of the output files exists");
    else
        line += QString::number(replaced) + QStringLiteral(" of the output files exist");
    return line + QStringLiteral(" already and will be replaced.");
}

// The line that tells an encryption writes repairable files; "" otherwise.
QString RepairableLine(const Setup& setup)
{
    if (!setup.blnEncrypt || !setup.blnRepairable)
        return {};
    return QStringLiteral("\nThe encrypted files carry repair data (about 7% larger) that mends "
                          "damaged sectors.");
}

} // namespace

QString OperationDescription(const Setup& setup, qint64 count, qint64 replaced)
{
    // Shown as the report shows them: a name cannot break the description's lines.
    const QString inputFolder = NameBytes::Shown(setup.strDirpath[Setup::Input]);
    const QString inputSpec = NameBytes::Shown(setup.strFilespec[Setup::Input]);
    const QString outputFolder = NameBytes::Shown(setup.strDirpath[Setup::Output]);
    const QString outputSpec = NameBytes::Shown(setup.strFilespec[Setup::Output]);
    const QString allFiles = QStringLiteral("*.*");

    QString text = TxtEncDec(QStringLiteral("Encrypting"), setup.blnEncrypt) + QLatin1Char(' ');
    if (inputSpec == allFiles)
        text += QStringLiteral("all files in the folder ") + inputFolder;
    else
        text += inputSpec + QStringLiteral(" in the folder ") + inputFolder;
    text += QStringLiteral(" (") + QString::number(count) + QLatin1Char(' ') +
            (count == 1 ? QStringLiteral("file") : QStringLiteral("files")) + QStringLiteral(") ");
    if (setup.blnSubdirectories)
        text += QStringLiteral("and in all lower subfolders");
    text += QStringLiteral(".  ");

    if (setup.blnOutputFilesSame) {
        if (count == 1)
            text += QStringLiteral("The output file will have the same name as the input file "
                                   "(so the input file will be overwritten)");
        else
            text += QStringLiteral("The output files will have the same names as the input "
                                   "files (so the input files will be overwritten)");
        return text + RepairableLine(setup);
    }
    const bool single = count == 1 && !setup.blnSubdirectories;
    if (outputSpec != allFiles)
        text += (single ? QStringLiteral("The output file is specified as ")
                        : QStringLiteral("The output files are specified as ")) +
                outputSpec;
    else
        text += single ? QStringLiteral("The output file will have the same name")
                       : QStringLiteral("The output files will have the same names");
    if (setup.strDirpath[Setup::Output] != setup.strDirpath[Setup::Input])
        text += QStringLiteral(" in the folder ") + outputFolder;
    else
        text += setup.blnSubdirectories ? QStringLiteral(" in the same folders")
                                        : QStringLiteral(" in the same folder");
    return text + ReplacedFilesLine(replaced, single) + RepairableLine(setup);
}

QString PerformOperationQuestion(bool encrypt)
{
    return QStringLiteral("Perform this ") + TxtEncDec(QStringLiteral("encryption"), encrypt) +
           QStringLiteral(" operation?");
}
