#pragma once

#include "ZR7FileOps.h"

#include <QString>

struct BatchContext;
struct ListedFile;

// One file of a batch: its line in the report, the refusals, the check that a file to be
// decrypted looks encrypted, the engine pass and, in place, the temporary output, its proof
// on disk, the purge and the rename; then the result in words and the counters.
class FileOperation
{
public:
    explicit FileOperation(BatchContext& context) : c(context) {}

    // Handles the file `inputName` of `inputFolder` (both folders end with "/"); `lastFile`
    // when it is the last of its folder's list. False when the user chose to end the batch.
    // With `listed` the file is taken only while it is still the file that the batch listed.
    bool Run(const QString& inputFolder, const QString& inputName, const QString& outputFolder,
             const QString& outputName, bool lastFile, const ListedFile* listed = nullptr);

    // The line of a matching file that the batch cannot work on (`shownName`, escaped where
    // its name is not valid UTF-8) with the reason `result`: it is left as it is and counts as
    // not done.
    void ReportNotTaken(const QString& shownName, FileResult result);
    // The start of a report line about `name`: its name, padded to the column of the results.
    static QString LineStart(const QString& name);

    // How far the last Run came before it returned or threw: a file whose transformation had
    // not begun is untouched and may be run again.
    enum class Progress { NotStarted, LineStarted, Transforming };
    Progress progress() const { return m_progress; }

private:
    enum class Anomaly { Go, Skip, Abort };

    Anomaly CheckAnomaly(const QString& inputPath, qint64 size, bool lastFile,
                         const ListedFile* listed);
    FileResult Transform(const QString& inputPath, const QString& outputPath, qint64 size,
                         QString& temporaryPath, const ListedFile* listed);
    void AdviseBeforePurge(const QString& inputPath);
    void ReportResult(FileResult result, const QString& inputPath, const QString& outputPath,
                      const QString& outputName, const QString& temporaryPath,
                      const ListedFile* listed);
    void ShowPassOf(ZR7FileOps::Stage stage);
    void ShowPass(const QString& text);
    void StartLine(const QString& name);
    void EndLine();

    BatchContext& c;
    Progress m_progress = Progress::NotStarted;
    QString m_passText; // the progress text at the end of the file's line
};
