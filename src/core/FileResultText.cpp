#include "FileResultText.h"

#include "files/StrProc.h"
#include "support/SizeText.h"
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

} // namespace

QString FailureText(FileResult result, bool encrypt, const QString& inputPath,
                    const QString& temporaryPath)
{
    // No default: a result without words here does not build.
    switch (result) {
    case FileResult::OwnExecutable:
        return NotPerformed(QStringLiteral("This is the ZR7 executable.  "), encrypt);
    case FileResult::CurrentKeyfile:
        return NotPerformed(QStringLiteral("This is the current keyfile.  "), encrypt);
    case FileResult::EmptyFile:
        return QStringLiteral("This file is empty (0 bytes).");
    case FileResult::TooSmallToDecrypt:
        return QStringLiteral("This file is too small to have been ZR7-encrypted.");
    case FileResult::NoTemporaryName:
        return QStringLiteral("Unable to get temporary output filename.");
    case FileResult::RenameFailed:
        return QStringLiteral("Error when renaming temporary output file. ") +
               ResultIsIn(encrypt, temporaryPath);
    case FileResult::ExcludedExtension:
        return QStringLiteral("ZR7 does not ") + TxtEncDec(QStringLiteral("encrypt"), encrypt) +
               QStringLiteral("-in-place files with extension \"") +
               StrProc::ExtensionPart(inputPath) + QStringLiteral("\".");
    case FileResult::NotRegularFile:
        return NotPerformed(QStringLiteral("This is a symbolic link or a special file.  "),
                            encrypt);
    case FileResult::OtherNames:
        return NotPerformed(QStringLiteral("This file has other names (hard links).  "), encrypt);
    case FileResult::CannotReplace:
        return NotPerformed(QStringLiteral("This file cannot be replaced here (it is protected, "
                                           "or the folder does not allow it).  "),
                            encrypt);
    case FileResult::InUse:
        return NotPerformed(QStringLiteral("This file is in use by another program.  "), encrypt);
    case FileResult::ChangedMeanwhile:
        return QStringLiteral("This file changed during the ") +
               TxtEncDec(QStringLiteral("encryption"), encrypt) +
               QStringLiteral(", so it was left as it is.");
    case FileResult::UnreadableName:
        return NotPerformed(QStringLiteral("The name of this file is not valid UTF-8, so the "
                                           "program cannot open it.  "),
                            encrypt);
    case FileResult::ChangedSinceListed:
        return QStringLiteral("This file changed since the batch began, so it was left as it is.");
    case FileResult::PurgeFailed:
        return QStringLiteral("The file was ") + TxtEncDec(QStringLiteral("encrypted"), encrypt) +
               (encrypt ? QStringLiteral(", but its plaintext could not be purged")
                        : QStringLiteral(", but its ciphertext could not be removed")) +
               QStringLiteral(": it is still in ") + temporaryPath + QStringLiteral(".");
    case FileResult::NameTooLong:
        return QStringLiteral("The output name would be longer than %1 bytes, which the file "
                              "system does not allow.")
            .arg(NAME_MAX);
    case FileResult::PathTooLong:
        return QStringLiteral("The path is longer than the %1 bytes the system allows.")
            .arg(PATH_MAX);
    case FileResult::NotVerified:
        return QStringLiteral("The result could not be verified on disk, so the original file "
                              "was kept.");
    case FileResult::OutputNotVerified:
        return QStringLiteral("The output did not read back from the disk as it was written, so "
                              "it was not kept.");
    case FileResult::InputNotFound:
        return QStringLiteral("Input file not found.");
    case FileResult::InputNotOpened:
        return QStringLiteral("Unable to open input file.");
    case FileResult::OutputNotOpened:
        return QStringLiteral("Unable to open output file.");
    case FileResult::ReadError:
    case FileResult::ReadErrorPartial:
        return QStringLiteral("Read error.");
    case FileResult::WriteError:
    case FileResult::WriteErrorPartial:
        return QStringLiteral("Write error.");
    case FileResult::InvalidBlock:
    case FileResult::InvalidBlockPartial:
        return QStringLiteral("Invalid block size.") + Indent +
               QStringLiteral("Decryption key is incorrect or ciphertext is corrupt.");
    case FileResult::DiskFull:
        return QStringLiteral("Write error: disk full.");
    case FileResult::KeyDerivationFailed:
        return QStringLiteral("Out of memory: the key could not be derived for this file.");
    case FileResult::RetiredFormat:
        return QStringLiteral("This file is in a format of a test version that this version "
                              "does not read.");
    // The engine was used out of order: a fault of the program, given by its number.
    case FileResult::NotAllocated:
    case FileResult::NotInitialised:
    case FileResult::Done:
        break;
    }
    return QStringLiteral("Unknown error #") + QString::number(static_cast<int>(result)) +
           QStringLiteral(".");
}

bool MayLeavePartialOutput(FileResult result)
{
    return result == FileResult::ReadErrorPartial || result == FileResult::WriteErrorPartial ||
           result == FileResult::InvalidBlockPartial || result == FileResult::RetiredFormat;
}

QString PartialOutputNote(const QString& file)
{
    return Indent + QStringLiteral("Partial plaintext may be in ") + file + QStringLiteral(".");
}

QString RepairedText(quint64 bytes, quint64 sectors)
{
    const QLocale numbers = StrProc::NumberLocale();
    return numbers.toString(bytes) + QStringLiteral(" bytes in ") + numbers.toString(sectors) +
           (sectors == 1 ? QStringLiteral(" sector") : QStringLiteral(" sectors"));
}

QString FileNotFoundText(const QString& path)
{
    return QStringLiteral("File ") + path + QStringLiteral(" not found!");
}

} // namespace FileResultText
