#include "ZR7FileOps.h"

#include "WorkerCall.h"
#include "files/StrProc.h"
#include "keys/KeyRecord.h"
#include "storage/Durability.h"
#include "storage/FileCipher.h"
#include "storage/FileUtility.h"
#include "storage/InPlaceFile.h"
#include "storage/ListedFile.h"
#include "storage/PosixFile.h"
#include "support/FileRandomness.h"
#include "support/RandomnessMeasure.h"

#include <QCoreApplication>
#include <QFile>

#include <cerrno>
#include <climits>
#include <ctime>
#include <sys/stat.h>

namespace {

// Below this size a file's whole work takes well under a millisecond: no worker thread.
constexpr qint64 WorkerThreshold = 1 << 20;

std::string Native(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

// True when `path` leads to the file `target` describes.
bool LeadsTo(const QString& path, const struct stat& target)
{
    struct stat info;
    return ::stat(Native(path).c_str(), &info) == 0 && PosixFile::sameIdentity(info, target);
}

// The result code of a file that could not be taken on, or whose result could not take its
// name.
FileResult CodeOf(InPlaceFile::Status status)
{
    switch (status) {
    case InPlaceFile::Ready:
        return FileResult::Done;
    case InPlaceFile::NotFound:
        return FileResult::InputNotFound;
    case InPlaceFile::NotOpened:
        return FileResult::InputNotOpened;
    case InPlaceFile::NotRegular:
        return FileResult::NotRegularFile;
    case InPlaceFile::OtherLinks:
        return FileResult::OtherNames;
    case InPlaceFile::NotRemovable:
        return FileResult::CannotReplace;
    case InPlaceFile::InUse:
        return FileResult::InUse;
    case InPlaceFile::NoResultFile:
        return FileResult::NoTemporaryName;
    case InPlaceFile::Changed:
        return FileResult::ChangedMeanwhile;
    case InPlaceFile::ExchangeFailed:
        return FileResult::RenameFailed;
    case InPlaceFile::NotAsListed:
        return FileResult::ChangedSinceListed;
    }
    return FileResult::InputNotOpened;
}

// The folder, open, where a new output at `output` goes, with `output` cut to its name there:
// beside the input the folder the input was opened from, elsewhere the output folder as the
// batch opened it. AT_FDCWD leaves `output` a path.
int OutputFolder(const ListedFile* listed, const std::string& input, std::string& output)
{
    if (!listed)
        return AT_FDCWD;
    const std::string prefix = PosixFile::folderPrefix(output);
    const int folder =
        prefix == PosixFile::folderPrefix(input) ? listed->folderFd : listed->outputFolderFd;
    if (folder < 0)
        return AT_FDCWD;
    output.erase(0, prefix.size());
    return folder;
}

} // namespace

ZR7FileOps::ZR7FileOps(FileCipher& engine) : m_engine(engine)
{
    if (QCoreApplication::instance())
        ownExecutable = QCoreApplication::applicationFilePath();
}

ZR7FileOps::~ZR7FileOps() = default;

void ZR7FileOps::FillExclusionList()
{
    m_exclusions = {QStringLiteral("bat"), QStringLiteral("bin"), QStringLiteral("com"),
                    QStringLiteral("dll"), QStringLiteral("drv"), QStringLiteral("exe"),
                    QStringLiteral("ini"), QStringLiteral("ovl"), QStringLiteral("pif"),
                    QStringLiteral("swp"), QStringLiteral("sys")};
}

bool ZR7FileOps::SameFile(const QString& first, const QString& second)
{
    return PosixFile::sameFile(Native(first), Native(second));
}

FileResult ZR7FileOps::LengthGuard(const QString& inputPath, const QString& outputPath)
{
    const QByteArray output = QFile::encodeName(outputPath);
    if (output.size() - (output.lastIndexOf('/') + 1) > NAME_MAX)
        return FileResult::NameTooLong;
    // PATH_MAX counts the terminating zero byte.
    return QFile::encodeName(inputPath).size() >= PATH_MAX || output.size() >= PATH_MAX
               ? FileResult::PathTooLong
               : FileResult::Done;
}

void ZR7FileOps::PrepareKey(const QString& firstInput, bool encrypt)
{
    m_engine.prepare_key(m_batchKey.text(),
                         firstInput.isEmpty() ? std::string() : Native(firstInput), encrypt);
}

bool ZR7FileOps::KeyStillPreparing()
{
    if (whileWaiting)
        whileWaiting();
    return m_engine.preparing_key();
}

void ZR7FileOps::ReserveOutputs(int folderFd, qsizetype count)
{
    if (count > 0)
        m_engine.reserve_outputs(folderFd, std::size_t(count),
                                 [this] { return KeyStillPreparing(); });
}

void ZR7FileOps::MeasureAhead(int folderFd, const QStringList& names,
                              const QList<struct stat>& identities, int minSize)
{
    m_measuredAhead.Measure(folderFd, names, identities, minSize,
                            [this] { return KeyStillPreparing(); });
}

void ZR7FileOps::AwaitKey()
{
    while (KeyStillPreparing()) {
        const timespec pause = {0, 5000000};
        ::nanosleep(&pause, nullptr);
    }
}

void ZR7FileOps::FolderDone()
{
    m_engine.release_outputs();
    m_measuredAhead.Clear();
}

void ZR7FileOps::ForgetKeys()
{
    m_batchKey.clear();
    m_engine.forget_keys();
    m_engine.operation_initialization({}, 0, 0, 0); // overwrites the engine's copy of the key
}

void ZR7FileOps::SetRepairable(bool repairable)
{
    m_engine.set_repairable(repairable);
}

FileResult ZR7FileOps::InPlaceGuard(const QString& path, const KeyRecord& key, bool inPlace) const
{
    // Only a file that exists can be the program or the keyfile: a new output is looked up once.
    struct stat target;
    if (::stat(Native(path).c_str(), &target) == 0) {
        if (!ownExecutable.isEmpty() && LeadsTo(ownExecutable, target))
            return FileResult::OwnExecutable;
        if (key.intKeySource == KeyRecord::Keyfile && !key.strKeyfilePath.isEmpty() &&
            LeadsTo(key.strKeyfilePath, target))
            return FileResult::CurrentKeyfile;
    }
    if (inPlace && m_exclusions.contains(StrProc::ExtensionPart(path)))
        return FileResult::ExcludedExtension;
    return FileResult::Done;
}

FileResult ZR7FileOps::Run(const std::function<FileResult()>& work, qint64 size)
{
    auto tick = [this] {
        if (progress)
            progress(m_passOffset + qint64(m_engine.bytes_done()), m_passTotal);
    };
    FileResult result = FileResult::Done;
    RunOnWorker([&] { result = work(); }, tick, size < WorkerThreshold);
    return result;
}

void ZR7FileOps::Notify(Stage stage, const InPlaceFile& file)
{
    if (passStarted)
        passStarted(stage);
    if (onStage)
        onStage(stage, file);
}

FileResult ZR7FileOps::Transform(const QString& inputPath, const QString& outputPath,
                                 const KeyRecord& key, bool encrypt, bool inPlace, qint64 size,
                                 QString& temporaryPath, const std::function<void()>& beforePurge,
                                 const ListedFile* listed)
{
    m_partialOutput.clear();
    m_newOutput = false;
    InPlaceFile file(m_engine.system_calls());
    const InPlaceFile::Status opened = file.open(
        Native(inputPath), inPlace ? InPlaceFile::Mode::Replace : InPlaceFile::Mode::Read, listed);
    if (opened != InPlaceFile::Ready)
        return CodeOf(opened);
    // In place the input is what gets replaced; otherwise the output file that a new result
    // would replace.
    if (const FileResult refused = InPlaceGuard(inPlace ? inputPath : outputPath, key, inPlace);
        refused != FileResult::Done)
        return refused;
    if (onStage)
        onStage(Stage::Opened, file);

    m_passOffset = 0;
    // In place the file is read twice: once to transform it, once to verify the result.
    m_passTotal = inPlace ? 2 * size : size;
    // A batch run without a launch (no UseKey) works with the record's key as it stands.
    const SecretBytes& batchKey = m_batchKey.isEmpty() ? key.strKey : m_batchKey;
    m_engine.operation_initialization(batchKey.text(), encrypt ? 1 : 0, size, 0);
    if (!inPlace) {
        m_newOutput = true;
        std::string output = Native(outputPath);
        const int folder = OutputFolder(listed, file.path(), output);
        return Run(
            [&] {
                return FromEngine(encrypt ? m_engine.encrypt_to(file.fd(), output, folder)
                                          : m_engine.decrypt_to(file.fd(), output, folder));
            },
            size);
    }
    const FileResult result = ReplaceInPlace(file, encrypt, size, beforePurge);
    if (result == FileResult::RenameFailed || result == FileResult::PurgeFailed)
        temporaryPath = QFile::decodeName(QByteArray::fromStdString(file.releaseResult()));
    return result;
}

FileResult ZR7FileOps::ReplaceInPlace(InPlaceFile& file, bool encrypt, qint64 size,
                                      const std::function<void()>& beforePurge)
{
    if (file.createResult() != InPlaceFile::Ready)
        return FileResult::NoTemporaryName;
    FileResult result = Run(
        [&] {
            return FromEngine(encrypt ? m_engine.encrypt_fd(file.fd(), file.resultFd())
                                      : m_engine.decrypt_fd_recorded(file.fd(), file.resultFd()));
        },
        size);
    if (result != FileResult::Done) {
        // What a failed decryption wrote is authenticated plaintext: kept beside the file.
        if (!encrypt && m_engine.bytes_written() > 0)
            m_partialOutput =
                QFile::decodeName(QByteArray::fromStdString(file.keepPartialResult()));
        return result;
    }
    // The original goes only once its replacement is on disk and proven.
    result = SecureResult(file, encrypt, size);
    if (result != FileResult::Done)
        return result;
    if (beforePurge)
        beforePurge();
    Notify(Stage::Exchanging, file);
    const InPlaceFile::Status replaced = file.replace();
    if (replaced != InPlaceFile::Ready)
        return CodeOf(replaced);
    Notify(Stage::Purging, file);
    const int level = encrypt ? 1000 : 0;
    // The purge gives no measure of its progress: the display shows none while it runs.
    m_passOffset = 0;
    m_passTotal = 0;
    // The result has the file's name, but an original left on disk (a plaintext above all)
    // means the file is not done: the report says where it is.
    return Run(
        [&] {
            return FileUtility::purge_succeeded(file.purgeOriginal(level))
                       ? FileResult::Done
                       : FileResult::PurgeFailed;
        },
        level > 0 ? size : 0);
}

FileResult ZR7FileOps::SecureResult(InPlaceFile& file, bool encrypt, qint64 size)
{
    Notify(Stage::Verifying, file);
    file.copyMetadata();
    const int fd = file.resultFd();
    m_passOffset = size;
    const FileResult result = Run(
        [&] {
            // The result reaches the disk first and is then read back from the device, not from
            // memory: the ciphertext that an encryption wrote is authenticated in full, the
            // plaintext of a decryption compared with the digests taken as it was written.
            if (Durability::flushFromMemory(fd, m_engine.system_calls()) != 0)
                return FileResult::NotVerified;
            const bool verified = encrypt ? m_engine.verify_fd(fd) == EngineResult::Success
                                          : m_engine.written_intact(fd);
            return verified ? FileResult::Done : FileResult::NotVerified;
        },
        size);
    if (result != FileResult::Done)
        file.discardResult();
    return result;
}

void ZR7FileOps::HoldOutputs(bool hold)
{
    m_engine.hold_outputs(hold);
}

qsizetype ZR7FileOps::HeldCount() const
{
    return qsizetype(m_engine.held_outputs());
}

bool ZR7FileOps::OutputsDue() const
{
    return m_engine.outputs_due();
}

std::vector<FileResult> ZR7FileOps::CommitOutputs()
{
    std::vector<FileResult> results;
    if (m_engine.held_outputs() == 0)
        return results;
    for (const EngineResult result : m_engine.commit_outputs())
        results.push_back(FromEngine(result));
    return results;
}

QStringList ZR7FileOps::RemoveLeftovers(const QString& folder, int folderFd)
{
    QStringList names;
    for (const std::string& name : InPlaceFile::RemoveLeftovers(Native(folder), folderFd))
        names.append(QFile::decodeName(QByteArray::fromStdString(name)));
    return names;
}

FileRandomness::RandomnessValue ZR7FileOps::RandomnessOf(const QString& path, int minSize,
                                                         const ListedFile* listed)
{
    if (!listed)
        return FileRandomness::fr(Native(path), minSize);
    if (const auto measured = m_measuredAhead.Take(*listed))
        return *measured;
    return RandomnessAhead::OfListed(*listed, minSize)
        .value_or(FileRandomness::RandomnessValue(Randomness::MaximumMeasure));
}

qint64 ZR7FileOps::OutputSize(const QString& inputPath, const QString& outputPath,
                              const ListedFile* listed) const
{
    if (m_newOutput)
        return qint64(m_engine.output_size());
    std::string output = Native(outputPath);
    const int folder = OutputFolder(listed, Native(inputPath), output);
    struct stat info;
    return ::fstatat(folder, output.c_str(), &info, 0) == 0 ? qint64(info.st_size) : 0;
}

StreamRepairs::Summary ZR7FileOps::Repairs() const
{
    return m_engine.repairs();
}

QString ZR7FileOps::PartialOutput() const
{
    if (!m_partialOutput.isEmpty())
        return m_partialOutput;
    return QFile::decodeName(QByteArray::fromStdString(m_engine.partial_output()));
}
