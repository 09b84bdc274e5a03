#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>

class CipherEngine;
struct KeyRecord;

// The engine call for one file and the protections around an in-place operation: files that
// must never be replaced, the temporary output beside the file, proof that the result is on
// disk before the original goes, the purge and the final rename.
class ZR7FileOps
{
public:
    // The program's own result codes of one file; the engine's codes are negative.
    enum Result {
        OwnExecutable = 1,
        CurrentKeyfile = 2,
        EmptyFile = 3,
        TooSmallToDecrypt = 4,
        NoTemporaryName = 5,
        RenameFailed = 6,
        ExcludedExtension = 7,
        RenameFailedFloppy = 8, // a drive A: or B: rule; no path is on such a drive here
        NotVerified = 9,        // the result could not be proven on disk: the original stays
    };

    explicit ZR7FileOps(CipherEngine& engine);

    // Fills the in-place exclusion list with its 11 entries (bat, bin, ... sys).
    void FillExclusionList();
    const QStringList& exclusionList() const { return m_exclusions; }

    // 1, 2 or 7 when `inputPath` must not be replaced in place, otherwise 0: the program
    // itself, the keyfile in use, an excluded extension. Letter case is ignored.
    int InPlaceGuard(const QString& inputPath, const KeyRecord& key) const;

    // The engine operation: the in-place guard when `inPlace`, then one engine pass from
    // `inputPath` to `outputPath` with `key`. Runs on a worker thread for large files.
    int EngineOperation(const QString& inputPath, const QString& outputPath, const KeyRecord& key,
                        bool encrypt, bool inPlace, qint64 size);

    // Makes the result of an in-place operation durable and, after an encryption, proves it
    // by authenticating it in full: 0, or NotVerified (the temporary file is then removed).
    int SecureResult(const QString& temporaryPath, bool encrypt, qint64 size);

    // Purges the input (level 1000 overwrites a plaintext first, 0 only deletes) and puts the
    // temporary file under the input's name: 0, or RenameFailed (the result then stays in
    // the temporary file).
    int ReplaceInput(const QString& inputPath, const QString& temporaryPath, int level,
                     qint64 size);

    // A free name for the temporary output of an in-place operation: the output path with a
    // number appended, in the same folder; "" when there is none.
    static QString TemporaryOutputName(const QString& outputPath);

    // Where the engine kept the authenticated part of a failed decryption ("" if nowhere).
    QString PartialOutput() const;

    // Bytes of the current file's work done so far and in all (two passes for an in-place
    // encryption), for a progress display; called every 100 ms during long work.
    std::function<void(qint64 done, qint64 total)> progress;

    // The program's own executable; tests point it elsewhere.
    QString ownExecutable;
    // The purge of the input; tests replace it to make it fail.
    std::function<int(const QString& path, int level)> purge;

private:
    int Run(const std::function<int()>& work, qint64 size);

    CipherEngine& m_engine;
    QStringList m_exclusions;
    qint64 m_passOffset = 0; // bytes of earlier passes of this file
    qint64 m_passTotal = 0;
};
