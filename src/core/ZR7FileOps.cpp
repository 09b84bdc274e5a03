#include "ZR7FileOps.h"

#include "CipherEngine.h"
#include "FileUtility.h"
#include "WorkerCall.h"
#include "files/StrProc.h"
#include "keys/KeyRecord.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <thread>

namespace {

// Below this size a file's whole work takes well under a millisecond: no worker thread.
constexpr qint64 WorkerThreshold = 1 << 20;

std::string Native(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

} // namespace

ZR7FileOps::ZR7FileOps(CipherEngine& engine) : m_engine(engine)
{
    if (QCoreApplication::instance())
        ownExecutable = QCoreApplication::applicationFilePath();
    purge = [](const QString& path, int level) {
        return FileUtility::purge_file(Native(path), level, 0, -1);
    };
}

void ZR7FileOps::FillExclusionList()
{
    m_exclusions = {QStringLiteral("bat"), QStringLiteral("bin"), QStringLiteral("com"),
                    QStringLiteral("dll"), QStringLiteral("drv"), QStringLiteral("exe"),
                    QStringLiteral("ini"), QStringLiteral("ovl"), QStringLiteral("pif"),
                    QStringLiteral("swp"), QStringLiteral("sys")};
}

int ZR7FileOps::InPlaceGuard(const QString& inputPath, const KeyRecord& key) const
{
    const QString path = StrProc::LowerCaseText(inputPath);
    if (!ownExecutable.isEmpty() && path == StrProc::LowerCaseText(ownExecutable))
        return OwnExecutable;
    if (key.intKeySource == KeyRecord::Keyfile &&
        path == StrProc::LowerCaseText(key.strKeyfilePath))
        return CurrentKeyfile;
    if (m_exclusions.contains(StrProc::ExtensionPart(inputPath)))
        return ExcludedExtension;
    return 0;
}

int ZR7FileOps::Run(const std::function<int()>& work, qint64 size)
{
    auto tick = [this] {
        if (progress)
            progress(m_passOffset + qint64(m_engine.bytes_done()), m_passTotal);
    };
    return RunOnWorker(work, tick, size < WorkerThreshold);
}

int ZR7FileOps::EngineOperation(const QString& inputPath, const QString& outputPath,
                                const KeyRecord& key, bool encrypt, bool inPlace, qint64 size)
{
    if (inPlace) {
        const int refused = InPlaceGuard(inputPath, key);
        if (refused != 0)
            return refused;
    }
    m_passOffset = 0;
    // An in-place encryption reads the file twice: once to encrypt, once to verify.
    m_passTotal = inPlace && encrypt ? 2 * size : size;
    m_engine.operation_initialization(std::string_view(key.strKey.constData(), key.strKey.size()),
                                      encrypt ? 1 : 0, size, 0);
    const std::string input = Native(inputPath);
    const std::string output = Native(outputPath);
    return Run(
        [&] {
            return encrypt ? m_engine.encrypt_file(input, output)
                           : m_engine.decrypt_file(input, output);
        },
        size);
}

int ZR7FileOps::SecureResult(const QString& temporaryPath, bool encrypt, qint64 size)
{
    const std::string path = Native(temporaryPath);
    m_passOffset = encrypt ? size : 0;
    const int result = Run(
        [&] {
            // The disk writes while the file is read back (starting the writeback can itself
            // take a while); the flush then waits only for the rest.
            std::thread writeback([&path] { FileUtility::start_writeback(path); });
            // A decryption authenticated every chunk as it wrote it; the ciphertext that
            // an encryption wrote is read back and authenticated in full.
            const bool verified = !encrypt || m_engine.verify_file(path) == CipherEngine::Success;
            writeback.join();
            if (!verified || FileUtility::sync_file(path) != 0)
                return int(NotVerified);
            return 0;
        },
        size);
    if (result != 0)
        QFile::remove(temporaryPath);
    return result;
}

int ZR7FileOps::ReplaceInput(const QString& inputPath, const QString& temporaryPath, int level,
                             qint64 size)
{
    Run([&] { return purge(inputPath, level); }, level > 0 ? size : 0);
    // The purge's own result is not needed: whether the name is free decides. The move never
    // replaces an existing file, so an input the purge could not remove stays as it was.
    const std::string to = Native(inputPath);
    if (FileUtility::move_file(Native(temporaryPath), to) != 0)
        return RenameFailed;
    FileUtility::sync_file(to);
    return 0;
}

QString ZR7FileOps::TemporaryOutputName(const QString& outputPath)
{
    const int n = FileUtility::new_filepath_extension(Native(outputPath));
    return n == 0 ? QString() : outputPath + QString::number(n);
}

QString ZR7FileOps::PartialOutput() const
{
    return QFile::decodeName(QByteArray::fromStdString(m_engine.partial_output()));
}
