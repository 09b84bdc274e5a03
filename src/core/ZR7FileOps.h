#pragma once

#include "FileResult.h"
#include "RandomnessAhead.h"
#include "engine/StreamRepairs.h"
#include "keys/SecretBytes.h"
#include "storage/FileUtility.h"
#include "support/FileRandomness.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <fcntl.h>
#include <functional>
#include <vector>

class FileCipher;
class InPlaceFile;
struct KeyRecord;
struct ListedFile;

// The engine call for one file and the protections around it: files that must never be
// replaced (known by device and inode, not by name), a file that another run or program is
// using, the result of an in-place operation written beside the file, proven on disk, exchanged
// with the original only while the original is unchanged, and the purge of the original.
class ZR7FileOps
{
public:
    // Moments of an operation, for tests that act at them: the input is open and taken,
    // nothing written yet; then, in place, the result's verification, the exchange, the purge.
    enum class Stage { Opened, Verifying, Exchanging, Purging };

    explicit ZR7FileOps(FileCipher& engine);
    ~ZR7FileOps();

    // Fills the in-place exclusion list with its 11 entries (bat, bin, ... sys).
    void FillExclusionList();
    const QStringList& exclusionList() const { return m_exclusions; }

    // OwnExecutable, CurrentKeyfile or ExcludedExtension when `path` must not be replaced or
    // written: the program itself or the keyfile in use (under any name that leads to them),
    // or, in place, an excluded extension. Otherwise Done.
    FileResult InPlaceGuard(const QString& path, const KeyRecord& key, bool inPlace = true) const;

    // True when both paths lead to the same existing file.
    static bool SameFile(const QString& first, const QString& second);

    // The (extended) key of the batch about to run: every file of the batch is transformed with
    // it, whatever key record Transform is given.
    void UseKey(SecretBytes key) { m_batchKey = std::move(key); }
    // NameTooLong or PathTooLong when the file system could not take these paths (the output
    // name, either path), else Done: such a file is neither looked for nor written.
    static FileResult LengthGuard(const QString& inputPath, const QString& outputPath);

    // The key derivation of a batch about to run, started now on a thread of its own (see
    // FileCipher::prepare_key); `firstInput` is the batch's first file, or "".
    void PrepareKey(const QString& firstInput, bool encrypt);
    // While that derivation still runs, rather than wait for it: makes the files of up to
    // `count` new outputs in the folder open at `folderFd` (FileCipher::reserve_outputs), and
    // measures the randomness of the files of a folder to decrypt (RandomnessAhead).
    // FolderDone removes the files not used and forgets the values not asked for.
    void ReserveOutputs(int folderFd, qsizetype count);
    void MeasureAhead(int folderFd, const QStringList& names, const QList<struct stat>& identities,
                      int minSize);
    // Returns once the key derivation started by PrepareKey is done, calling `whileWaiting`
    // every few milliseconds meanwhile, so that a window stays responsive however small the
    // first file is (a large one waits on a worker thread).
    void AwaitKey();
    // Called between the files made or measured while the key is derived, and while AwaitKey
    // waits: the batch processes the window's events there.
    std::function<void()> whileWaiting;
    void FolderDone();
    // Wipes the batch key, the engine's copy and every derived key: the batch was declined,
    // stopped or is over.
    void ForgetKeys();
    // Whether the encryptions that follow write repairable files (FileCipher::set_repairable).
    void SetRepairable(bool repairable);

    // One whole file: the guards, then for a new output one engine pass from the locked input;
    // in place the engine pass into a result file beside it, its proof on disk, `beforePurge`
    // (the purge advice), the exchange and the purge. Done or what went wrong; `temporaryPath`
    // names the result file when it is kept after a failure. With `listed` the input is
    // opened from its listed folder and taken only while it is still the listed file.
    FileResult Transform(const QString& inputPath, const QString& outputPath, const KeyRecord& key,
                         bool encrypt, bool inPlace, qint64 size, QString& temporaryPath,
                         const std::function<void()>& beforePurge = {},
                         const ListedFile* listed = nullptr);

    // Whether the new outputs of the files that follow wait, read back, for CommitOutputs()
    // to flush them and give them their names together (FileCipher::hold_outputs).
    void HoldOutputs(bool hold);
    // How many outputs wait; true once they should be committed.
    qsizetype HeldCount() const;
    bool OutputsDue() const;
    // For each waiting output, in the order they came: Done, or why it did not take its name.
    std::vector<FileResult> CommitOutputs();

    // Removes what interrupted runs left in `folder` (see InPlaceFile::RemoveLeftovers): the
    // names removed. With `folderFd` (the folder open) the names are taken there.
    static QStringList RemoveLeftovers(const QString& folder, int folderFd = AT_FDCWD);

    // The randomness of a file to be decrypted (FileUtility::fr). With `listed` it is read
    // from the listed folder; a file that is no longer the one listed is not measured and
    // counts as random, for the operation to turn it down. A value measured ahead is used.
    FileRandomness::RandomnessValue RandomnessOf(const QString& path, int minSize,
                                                 const ListedFile* listed);

    // The size of the output at `outputPath` of the input at `inputPath` that the last
    // Transform made: a new output's as written (it may still wait for its name), a result in
    // place looked up where Transform put it (with `listed`, in the folders the batch opened);
    // 0 when it is not there.
    qint64 OutputSize(const QString& inputPath, const QString& outputPath,
                      const ListedFile* listed) const;

    // Where the authenticated part of a failed decryption was kept ("" if nowhere).
    QString PartialOutput() const;
    // What the parity of the last file decrypted mended (nothing unless it was repairable and
    // damaged).
    StreamRepairs::Summary Repairs() const;

    // Bytes of the current file's work done so far and in all (two passes for an in-place
    // encryption), for a progress display; called every 100 ms during long work.
    std::function<void(qint64 done, qint64 total)> progress;

    // The program's own executable; tests point it elsewhere.
    QString ownExecutable;
    // Called at each stage of an in-place operation; tests damage or change files here.
    std::function<void(Stage, const InPlaceFile&)> onStage;
    // Called as each pass of an in-place operation after the transformation starts (the
    // verification, the exchange, the purge), on the calling thread, for the report to say
    // which is running.
    std::function<void(Stage)> passStarted;

private:
    // Calls whileWaiting; true while the key derivation runs.
    bool KeyStillPreparing();
    SecretBytes m_batchKey;
    FileResult Run(const std::function<FileResult()>& work, qint64 size);
    FileResult ReplaceInPlace(InPlaceFile& file, bool encrypt, qint64 size,
                              const std::function<void()>& beforePurge);
    FileResult SecureResult(InPlaceFile& file, bool encrypt, qint64 size);
    void Notify(Stage stage, const InPlaceFile& file);

    FileCipher& m_engine;
    RandomnessAhead m_measuredAhead;
    QStringList m_exclusions;
    QString m_partialOutput;
    qint64 m_passOffset = 0;  // bytes of earlier passes of this file
    bool m_newOutput = false; // the last Transform wrote a new output
    qint64 m_passTotal = 0;
};
