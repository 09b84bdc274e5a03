#include "FileResultText.h"

#include "ZR7FileOps.h"
#include "files/StrProc.h"
#include "support/TxtEncDec.h"

#include <climits>

namespace FileResultText {

namespace {

// Continuation lines of a result start under the result column.
const QString Indent = QStringLiteral("\n") + QString(14, QLatin1Char(' '));

QString ResultIsIn(bool encrypt, const QString& temporaryPath)
{
    return QStringLiteral("The result of the ") + TxtEncDec(QStringLiteral("encryption"), encrypt) +
           QStringLiteral(" operation ") + QStringLiteral("is in the file ") + temporaryPath +
           QStringLiteral(".");
}

QString NotPerformed(const QString& what, bool encrypt)
{
    return what + TxtEncDec(QStringLiteral("Encryption"), encrypt) +
           QStringLiteral(" not performed.");
}

QString BlockExpansionText(int count)
{
    const QString errors =
        count == 1 ? QStringLiteral("One block expansion error occurred.")
                   : QString::number(count) + QStringLiteral(" block expansion errors occurred.");
    return errors + Indent +
           QStringLiteral("Ciphertext is corrupt or decryption key is incorrect.");
}

} // namespace

QString FailureText(int result, bool encrypt, const QString& inputPath,
                    const QString& temporaryPath)
{
    switch (result) {
    case ZR7FileOps::OwnExecutable:
        return NotPerformed(QStringLiteral("This is the ZR7 executable.  "), encrypt);
    case ZR7FileOps::CurrentKeyfile:
        return NotPerformed(QStringLiteral("This is the current keyfile.  "), encrypt);
    case ZR7FileOps::EmptyFile:
        return QStringLiteral("This file is empty (0 bytes).");
    case ZR7FileOps::TooSmallToDecrypt:
        return QStringLiteral("This file is too small to have been ZR7-encrypted.");
    case ZR7FileOps::NoTemporaryName:
        return QStringLiteral("Unable to get temporary output filename.");
    case ZR7FileOps::RenameFailed:
        return QStringLiteral("Error when renaming temporary output file. ") +
               ResultIsIn(encrypt, temporaryPath);
    case ZR7FileOps::ExcludedExtension:
        return QStringLiteral("ZR7 does not ") + TxtEncDec(QStringLiteral("encrypt"), encrypt) +
               QStringLiteral("-in-place files with extension \"") +
               StrProc::ExtensionPart(inputPath) + QStringLiteral("\".");
    case ZR7FileOps::RenameFailedFloppy:
        return QStringLiteral("Error: probably insufficient space ") +
               QStringLiteral("on the floppy disk in drive ") + inputPath.left(1).toUpper() +
               QStringLiteral(".  ") + ResultIsIn(encrypt, temporaryPath);
    case ZR7FileOps::NotRegularFile:
        return NotPerformed(QStringLiteral("This is a symbolic link or a special file.  "),
                            encrypt);
    case ZR7FileOps::OtherNames:
        return NotPerformed(QStringLiteral("This file has other names (hard links).  "), encrypt);
    case ZR7FileOps::CannotReplace:
        return NotPerformed(QStringLiteral("This file cannot be replaced here (it is protected, "
                                           "or the folder does not allow it).  "),
                            encrypt);
    case ZR7FileOps::InUse:
        return NotPerformed(QStringLiteral("This file is in use by another program.  "), encrypt);
    case ZR7FileOps::ChangedMeanwhile:
        return QStringLiteral("This file changed during the ") +
               TxtEncDec(QStringLiteral("encryption"), encrypt) +
               QStringLiteral(", so it was left as it is.");
    case ZR7FileOps::UnreadableName:
        return NotPerformed(QStringLiteral("The name of this file is not valid UTF-8, so the "
                                           "program cannot open it.  "),
                            encrypt);
    case ZR7FileOps::ChangedSinceListed:
        return QStringLiteral("This file changed since the batch began, so it was left as it is.");
    case ZR7FileOps::PurgeFailed:
        return QStringLiteral("The file was ") + TxtEncDec(QStringLiteral("encrypted"), encrypt) +
               (encrypt ? QStringLiteral(", but its plaintext could not be purged")
                        : QStringLiteral(", but its ciphertext could not be removed")) +
               QStringLiteral(": it is still in ") + temporaryPath + QStringLiteral(".");
    case ZR7FileOps::NameTooLong:
        return QStringLiteral("The output name would be longer than %1 bytes, which the file "
                              "system does not allow.")
            .arg(NAME_MAX);
    case ZR7FileOps::PathTooLong:
        return QStringLiteral("The path is longer than the %1 bytes the system allows.")
            .arg(PATH_MAX);
    case ZR7FileOps::NotVerified:
        return QStringLiteral("The result could not be verified on disk, so the original file "
                              "was kept.");
    case -3:
        return QStringLiteral("Input file not found.");
    case -4:
        return QStringLiteral("Unable to open input file.");
    case -5:
        return QStringLiteral("Unable to open output file.");
    case -6:
    case -16:
        return QStringLiteral("Read error.");
    case -7:
    case -17:
        return QStringLiteral("Write error.");
    case -8:
    case -18:
        return QStringLiteral("Invalid block size.") + Indent +
               QStringLiteral("Decryption key is incorrect or ciphertext is corrupt.");
    case -9:
        return QStringLiteral("Write error: disk full.");
    case -10:
        return QStringLiteral("Out of memory: the key could not be derived for this file.");
    case -19:
        return QStringLiteral("This file is in a format of a test version that this version "
                              "does not read.");
    default:
        if (result <= -21 && result >= -29)
            return BlockExpansionText(-result - 20);
        return QStringLiteral("Unknown error #") + QString::number(result) + QStringLiteral(".");
    }
}

bool MayLeavePartialOutput(int result)
{
    return result >= -99 && result <= -16;
}

QString PartialOutputNote(const QString& file)
{
    return Indent + QStringLiteral("Partial plaintext may be in ") + file + QStringLiteral(".");
}

} // namespace FileResultText
