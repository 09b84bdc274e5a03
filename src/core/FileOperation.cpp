#include "FileOperation.h"

#include "BatchContext.h"
#include "BatchRequest.h"
#include "FileResultText.h"
#include "HeldOutputs.h"
#include "PurgeAdvice.h"
#include "ReportText.h"
#include "ReportView.h"
#include "ZR7FileOps.h"
#include "files/NameBytes.h"
#include "storage/FileCipher.h"
#include "storage/ListedFile.h"
#include "support/FileRandomness.h"
#include "support/Interaction.h"
#include "support/SizeText.h"
#include "support/TxtEncDec.h"

#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>

namespace {

QString Bytes(qint64 size)
{
    return StrProc::NumberLocale().toString(size) + QStringLiteral(" bytes");
}

// Why the file is not taken on at all, or Done: nothing of it is read.
FileResult Refusal(const QString& inputPath, const QString& outputPath, bool exists, qint64 size,
                   bool encrypt)
{
    if (const FileResult tooLong = ZR7FileOps::LengthGuard(inputPath, outputPath);
        tooLong != FileResult::Done)
        return tooLong;
    if (!exists)
        return FileResult::InputNotFound;
    if (size == 0)
        return FileResult::EmptyFile;
    if (!encrypt && size < 3)
        return FileResult::TooSmallToDecrypt;
    return FileResult::Done;
}

} // namespace

double BatchContext::SecondsSince(double start) const
{
    double now = secondsNow();
    if (now < start)
        now += 86400;
    return now - start;
}

bool FileOperation::Run(const QString& inputFolder, const QString& inputName,
                        const QString& outputFolder, const QString& outputName, bool lastFile,
                        const ListedFile* listed)
{
    const bool encrypt = c.request.encrypt;
    const QString inputPath = inputFolder + inputName;
    const QString outputPath = outputFolder + outputName;
    const QFileInfo input(inputPath);
    // A listed file is known by what the listing found; its path is not looked up again.
    const bool exists = listed ? listed->seen.st_ino != 0 : input.exists();
    const qint64 size = listed ? qint64(listed->seen.st_size) : input.size();

    StartLine(inputName);
    FileResult result = Refusal(inputPath, outputPath, exists, size, encrypt);
    QString temporaryPath;
    bool heldOutput = false; // the output waits in a group to take its name
    if (result == FileResult::Done) {
        c.report.AppendToReport(Bytes(size) + QStringLiteral("   "), true);
        const Anomaly anomaly = CheckAnomaly(inputPath, size, lastFile, listed);
        if (anomaly == Anomaly::Abort)
            return false;
        if (anomaly == Anomaly::Skip) {
            EndLine();
            return true;
        }
        ShowPass(QStringLiteral("  ... ") + TxtEncDec(QStringLiteral("encrypting"), encrypt) +
                 QStringLiteral(" ... "));
        m_progress = Progress::Transforming;
        c.ops.passStarted = [this](ZR7FileOps::Stage stage) { ShowPassOf(stage); };
        const auto unhook = qScopeGuard([this] { c.ops.passStarted = nullptr; });
        const qsizetype heldBefore = c.held ? c.ops.HeldCount() : 0;
        result = Transform(inputPath, outputPath, size, temporaryPath, listed);
        heldOutput = c.held && c.ops.HeldCount() > heldBefore;
        if (c.view)
            c.view->Progress(0, 0);
        ShowPass(QString());
        // A result that could not take the file's name is not done, whatever else it is.
        if (result == FileResult::Done) {
            ++c.counters.filesDone;
            c.counters.bytesDone += size;
        }
    }
    if (heldOutput)
        c.held->Noted(c.report.heldSize(), inputPath, size);
    ReportResult(result, inputPath, outputPath, outputName, temporaryPath, listed);
    if (heldOutput)
        c.held->NotedEnd(c.report.heldSize());
    EndLine();
    return true;
}

FileOperation::Anomaly FileOperation::CheckAnomaly(const QString& inputPath, qint64 size,
                                                   bool lastFile, const ListedFile* listed)
{
    const bool encrypt = c.request.encrypt;
    if (encrypt || size < c.request.minSizeForRandomness)
        return Anomaly::Go;
    const FileRandomness::RandomnessValue randomness =
        c.ops.RandomnessOf(inputPath, c.request.minSizeForRandomness, listed);
    if (randomness.measured() && randomness.value >= c.request.minRandomness)
        return Anomaly::Go;
    // A file that cannot be opened or read is no anomaly of its bytes: its turn comes, and the
    // operation reports why it cannot be read, rather than this file's being taken for a
    // plaintext.
    if (randomness.error == FileRandomness::RandomnessError::FileNotFound ||
        randomness.error == FileRandomness::RandomnessError::FileReadError)
        return Anomaly::Go;
    // The question comes after the lines of the files before this one.
    if (c.held)
        c.held->Commit();
    if (c.interaction.Ask(QStringLiteral("Anomaly"),
                          QStringLiteral("This file appears NOT to be encrypted?\n"
                                         "Attempt to decrypt it anyway?"),
                          Interaction::Yes | Interaction::No, Interaction::No) == Interaction::Yes)
        return Anomaly::Go;
    c.report.AppendToReport(QStringLiteral("skipped (file seems not encrypted)"), true);
    ++c.counters.lineCount;
    if (lastFile)
        return Anomaly::Skip;
    const QString question = QStringLiteral("Abort this ") +
                             TxtEncDec(QStringLiteral("encryption"), encrypt) +
                             QStringLiteral(" operation?");
    if (c.interaction.Ask(QStringLiteral("Abort?"), question, Interaction::Yes | Interaction::No,
                          Interaction::No) != Interaction::Yes)
        return Anomaly::Skip;
    c.report.AppendToReport(QStringLiteral("\n"), true);
    ++c.counters.lineCount;
    c.stop();
    return Anomaly::Abort;
}

FileResult FileOperation::Transform(const QString& inputPath, const QString& outputPath,
                                    qint64 size, QString& temporaryPath, const ListedFile* listed)
{
    const bool encrypt = c.request.encrypt;
    // A file whose output is the file itself, under its own name or another one that leads to
    // it, is replaced in place whatever the switch says, with every in-place protection.
    // The output first: a new one that does not exist yet ends the look-up there.
    const bool inPlace =
        c.request.inPlace || inputPath == outputPath || ZR7FileOps::SameFile(outputPath, inputPath);
    return c.ops.Transform(
        inputPath, outputPath, c.key, encrypt, inPlace, size, temporaryPath,
        [&] {
            if (encrypt)
                AdviseBeforePurge(inputPath);
        },
        listed);
}

void FileOperation::AdviseBeforePurge(const QString& inputPath)
{
    if (!c.showPurgeWarning || !c.advice || !PurgeAdvice::IsWatchedExtension(inputPath))
        return;
    if (c.held)
        c.held->Commit();
    if (c.view)
        c.view->ClockEnabled(false);
    const double start = c.secondsNow();
    if (c.advice->AskAntivirus() == PurgeAdviceDialogs::Antivirus::No)
        c.showPurgeWarning = false;
    else
        c.showPurgeWarning = !c.advice->ShowPurgeAdvice(inputPath);
    c.counters.pausedSeconds += c.SecondsSince(start);
    if (c.view)
        c.view->ClockEnabled(true);
}

void FileOperation::ReportResult(FileResult result, const QString& inputPath,
                                 const QString& outputPath, const QString& outputName,
                                 const QString& temporaryPath, const ListedFile* listed)
{
    QString text;
    if (result == FileResult::Done) {
        text = QStringLiteral("-> ");
        if (inputPath != outputPath)
            text += NameBytes::Shown(outputName) + QStringLiteral("  ");
        text += Bytes(c.ops.OutputSize(inputPath, outputPath, listed));
        // A repairable file decrypts whole after its parity mended it: the user learns that its
        // copy on the disk is damaged, and by how much.
        if (const StreamRepairs::Summary repairs = c.ops.Repairs();
            !c.request.encrypt && repairs.bytes > 0)
            text += QStringLiteral("  (repaired ") +
                    FileResultText::RepairedText(repairs.bytes, repairs.sectors) + QLatin1Char(')');
    } else {
        text = FileResultText::FailureText(result, c.request.encrypt, NameBytes::Shown(inputPath),
                                           NameBytes::Shown(temporaryPath));
    }
    // The engine names the file where it kept what could be authenticated; when it kept
    // nothing there is nothing to point to. A decryption that ran out of disk space keeps its
    // authenticated part too, under its own code.
    const QString partial = c.ops.PartialOutput();
    const bool mayKeep =
        FileResultText::MayLeavePartialOutput(result) || result == FileResult::DiskFull;
    if (mayKeep && !partial.isEmpty())
        text += FileResultText::PartialOutputNote(
            NameBytes::Shown(inputPath == outputPath ? partial : QFileInfo(partial).fileName()));
    c.report.AppendToReport(text, false);
}

// The passes after the transformation of a file in place take as long again as the
// transformation itself; the report says which one is running. The purge after a decryption
// only unlinks the ciphertext, which is quick.
void FileOperation::ShowPassOf(ZR7FileOps::Stage stage)
{
    if (stage == ZR7FileOps::Stage::Verifying)
        ShowPass(QStringLiteral("  ... verifying ... "));
    else if (stage == ZR7FileOps::Stage::Purging && c.request.encrypt)
        ShowPass(QStringLiteral("  ... purging the original ... "));
}

// Replaces the progress text at the end of the file's line with `text` ("" removes it).
void FileOperation::ShowPass(const QString& text)
{
    if (!c.report.quiet)
        c.report.CutFromEnd(m_passText);
    m_passText = text;
    if (text.isEmpty())
        return;
    c.report.AppendToReport(text, true);
    c.interaction.ProcessEvents();
}

void FileOperation::ReportNotTaken(const QString& shownName, FileResult result)
{
    StartLine(shownName);
    c.report.AppendToReport(
        FileResultText::FailureText(result, c.request.encrypt, shownName, QString()), false);
    EndLine();
}

QString FileOperation::LineStart(const QString& name)
{
    return NameBytes::Shown(name).leftJustified(12) + QStringLiteral("  ");
}

void FileOperation::StartLine(const QString& name)
{
    m_progress = Progress::NotStarted;
    c.report.AppendToReport(LineStart(name), false);
    ++c.counters.filesProcessed;
    m_progress = Progress::LineStarted;
}

void FileOperation::EndLine()
{
    c.report.AppendToReport(QStringLiteral("\n"), true);
    ++c.counters.lineCount;
}
