// The batch driver end to end, as a user runs it: 2000 small files encrypted to a new folder
// and decrypted to a new folder, Argon2id included, and a 1 GiB file encrypted in place against the
// same file encrypted to a new file. The engine uses its real default Argon2id limits, and an
// application object exists, as in the program, so that large files go through the worker thread.
//
// Both cases time themselves (manual time) and leave the preparation out: writing fresh
// plaintext, making output folders, allocating the engine. Their data lives in temporary
// folders under the system's temporary folder (the file system of /tmp): the large file's
// goes when its case ends, the small files' when the program ends. Disks are noisy: use
// --benchmark_repetitions and read the medians.

#include "BenchWorkspace.h"
#include "core/BatchDriver.h"
#include "core/UnattendedInteraction.h"
#include "keys/KeyRecord.h"
#include "keys/ZR7KeyFrom.h"
#include "support/Interaction.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <chrono>

using namespace bench;

namespace {

constexpr qint64 BigBatchFileBytes = qint64{1} << 30;

// Without an application object the batch runs every file on the calling thread; the program
// always has one, so the benchmark makes one too.
void EnsureApplication()
{
    if (QCoreApplication::instance())
        return;
    static int argc = 1;
    static char name[] = "zr7bench";
    static char* argv[] = {name, nullptr};
    // Never deleted: it must outlive every case, and Qt's own globals may already be gone when
    // static destructors run.
    new QCoreApplication(argc, argv);
}

// Pushes everything written so far to the disk, so that its writeback does not run under a
// timed batch.
void SyncFileSystem(const QString& folder)
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY);
    if (fd < 0 || ::syncfs(fd) != 0)
        fail("syncfs " + folder.toStdString());
    ::close(fd);
}

void MakeFolder(const QString& folder)
{
    QDir(folder).removeRecursively();
    if (!QDir().mkpath(folder))
        fail("cannot create " + folder.toStdString());
}

// One encryption (or decryption) batch over `inputFolder` with a fresh driver, as the report
// window runs it; returns its seconds and sets `filesDone`. With `launched`, the batch is
// started as the program launches one: with the extended key, whose derivation begins on a
// thread of its own from the first input (`firstInput`) just before the batch runs.
double TimedBatch(FileCipher& engine, const QString& inputFolder, const QString& outputFolder,
                  const QString& outputSpec, bool inPlace, qint64& filesDone, bool encrypt = true,
                  const QString& firstInput = QString())
{
    BatchRequest request;
    request.inputFolder = inputFolder;
    request.inputSpec = QStringLiteral("*.*");
    request.outputFolder = outputFolder;
    request.outputSpec = outputSpec;
    request.encrypt = encrypt;
    request.inPlace = inPlace;
    KeyRecord key;
    key.strKey = QByteArray(Key.data(), qsizetype(Key.size()));
    key.intKeySource = KeyRecord::Keyboard;
    UnattendedInteraction interaction;
    BatchDriver driver(key, engine, interaction);

    const auto start = std::chrono::steady_clock::now();
    if (!firstInput.isEmpty()) {
        driver.fileOps().UseKey(ZR7KeyFrom::ExtendedKey(key.strKey.view()));
        driver.fileOps().PrepareKey(inputFolder + QLatin1Char('/') + firstInput, encrypt);
    }
    driver.Run(request);
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    filesDone = driver.counters().filesDone;
    return elapsed.count();
}

std::unique_ptr<FileCipher> NewEngine()
{
    auto engine = std::make_unique<FileCipher>();
    if (engine->allocate_buffers() == 0)
        fail("allocate_buffers");
    return engine;
}

// The folder of the small-file case, made once per run and removed at exit. Nothing in it is
// deleted before then: ext4 without a journal (as on some virtual machines) passes over
// recently freed inodes one by one whenever it allocates a new one (for up to five minutes
// when their inode table block is dirty), so a batch that runs soon after thousands of
// deletions on the same file system mostly times that scan. For the same reason the figures
// are steadiest when nothing else has deleted many files in the last minutes.
const QString& SmallFilesFolder()
{
    static QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/zr7bench-batch-XXXXXX"));
    static const bool made = [] {
        const QString input = dir.filePath(QStringLiteral("in"));
        MakeFolder(input);
        std::uint64_t seed = 7;
        std::vector<std::uint8_t> data(SmallFileSize);
        for (int i = 0; i < SmallFileCount; ++i) {
            fillRandom(data.data(), data.size(), seed);
            const QString path = input + QStringLiteral("/f%1.dat").arg(i, 4, 10, QLatin1Char('0'));
            const int fd = createFile(QFile::encodeName(path).toStdString());
            writeAll(fd, data.data(), data.size());
            ::close(fd);
        }
        return true;
    }();
    static const QString path = made ? dir.path() : QString();
    return path;
}

// The name of the first small file with `extension`, the one a launch derives the key from.
QString FirstSmallFile(const QString& extension)
{
    return QStringLiteral("f0000") + extension;
}

// Batches over `input` to new folders, end to end: a fresh engine each time, so that every
// batch pays its one Argon2id derivation, as a user's batch does. A batch to a new folder only
// reads its inputs, so every batch starts from the same untouched files. Each iteration then
// runs the batch once more on the same engine, whose key is derived by then (untimed for the
// case): key_ready_files_per_s is the rate of the file work alone.
void SmallFilesToNewFolders(benchmark::State& state, const QString& input, bool encrypt)
{
    const QString& folder = SmallFilesFolder();
    static int outputs = 0;
    const QString spec = encrypt ? QStringLiteral("*.enc") : QStringLiteral("*.dat");
    const QString first = FirstSmallFile(encrypt ? QStringLiteral(".dat") : QStringLiteral(".enc"));
    auto newOutput = [&] {
        const QString output = folder + QStringLiteral("/out%1").arg(++outputs);
        MakeFolder(output);
        SyncFileSystem(folder);
        return output;
    };
    double seconds = 0;
    double keyReadySeconds = 0;
    for (auto _ : state) {
        const std::unique_ptr<FileCipher> engine = NewEngine();
        qint64 done = 0;
        const double batch =
            TimedBatch(*engine, input, newOutput(), spec, false, done, encrypt, first);
        state.SetIterationTime(batch);
        seconds += batch;
        // The same batch again with the key already derived: the files' own cost.
        qint64 doneAgain = 0;
        keyReadySeconds +=
            TimedBatch(*engine, input, newOutput(), spec, false, doneAgain, encrypt, first);
        if (done != SmallFileCount || doneAgain != SmallFileCount ||
            engine->key_derivations() != 1) {
            state.SkipWithError("the batches did not do every file with one derivation");
            break;
        }
    }
    state.counters["files_per_s"] = double(state.iterations()) * SmallFileCount / seconds;
    state.counters["key_ready_files_per_s"] =
        double(state.iterations()) * SmallFileCount / keyReadySeconds;
}

// 2000 files of 4 KiB to a new folder as "*.enc".
void BM_BatchSmallFilesToNewFolder(benchmark::State& state)
{
    EnsureApplication();
    SmallFilesToNewFolders(state, SmallFilesFolder() + QStringLiteral("/in"), true);
}
BENCHMARK(BM_BatchSmallFilesToNewFolder)->UseManualTime()->Unit(Ms)->Iterations(2);

// The same 2000 files, encrypted once beforehand, decrypted to a new folder as "*.dat".
void BM_BatchSmallFilesDecryptToNewFolder(benchmark::State& state)
{
    EnsureApplication();
    const QString folder = SmallFilesFolder();
    const QString sealed = folder + QStringLiteral("/sealed");
    if (!QFileInfo::exists(sealed)) {
        MakeFolder(sealed);
        const std::unique_ptr<FileCipher> engine = NewEngine();
        qint64 done = 0;
        TimedBatch(*engine, folder + QStringLiteral("/in"), sealed, QStringLiteral("*.enc"), false,
                   done, true, FirstSmallFile(QStringLiteral(".dat")));
        if (done != SmallFileCount)
            fail("encrypting the small files");
    }
    SmallFilesToNewFolders(state, sealed, false);
}
BENCHMARK(BM_BatchSmallFilesDecryptToNewFolder)->UseManualTime()->Unit(Ms)->Iterations(2);

// A 1 GiB file encrypted in place (encrypt to a temporary file, flush it, read it back and
// authenticate it, overwrite and flush the plaintext, rename) against the same plaintext
// encrypted to a new file, both through the batch driver with the key already derived. The
// case's time is the in-place batch; in_place_ratio is in place over new file.
void BM_BatchBigFileInPlace(benchmark::State& state)
{
    EnsureApplication();
    QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/zr7bench-batch-XXXXXX"));
    const QString input = dir.filePath(QStringLiteral("in"));
    const QString output = dir.filePath(QStringLiteral("out"));
    MakeFolder(input);
    MakeFolder(output);
    const std::string plain = QFile::encodeName(input + QStringLiteral("/big.dat")).toStdString();
    const std::string sealed = QFile::encodeName(output + QStringLiteral("/big.enc")).toStdString();
    const std::string scratch =
        QFile::encodeName(dir.filePath(QStringLiteral("pretouch.tmp"))).toStdString();
    const std::size_t pretouch = std::size_t(BigBatchFileBytes) + 64 * MiB;

    // The master key is derived here, once, so that both timings are the file work alone.
    const std::unique_ptr<FileCipher> engine = NewEngine();
    writeRandomFile(plain, 4096, 1);
    engine->operation_initialization(Key, 1, 0, 0);
    if (engine->encrypt_file(plain, sealed) != EngineResult::Success)
        fail("warm-up encryption");
    ::unlink(sealed.c_str());
    const int derivations = engine->key_derivations();

    double inPlaceSeconds = 0;
    double newFileSeconds = 0;
    std::uint64_t seed = 11;
    for (auto _ : state) {
        writeRandomFile(plain, std::size_t(BigBatchFileBytes), seed++);
        pretouchPages(scratch, pretouch);
        qint64 done = 0;
        const double newFile =
            TimedBatch(*engine, input, output, QStringLiteral("*.enc"), false, done);
        bool ok = done == 1 && QFileInfo(QFile::decodeName(sealed.c_str())).exists();
        ::unlink(sealed.c_str());
        pretouchPages(scratch, pretouch);
        const double inPlace = TimedBatch(*engine, input, input, QStringLiteral("*.*"), true, done);
        ok = ok && done == 1 && QDir(input).entryList(QDir::Files | QDir::Hidden).size() == 1 &&
             QFileInfo(QFile::decodeName(plain.c_str())).size() > BigBatchFileBytes;
        ::unlink(plain.c_str());
        state.SetIterationTime(inPlace);
        inPlaceSeconds += inPlace;
        newFileSeconds += newFile;
        if (!ok) {
            state.SkipWithError("a batch did not encrypt the file");
            break;
        }
    }
    checkNoDerivation(state, *engine, derivations);
    state.SetBytesProcessed(state.iterations() * BigBatchFileBytes);
    state.counters["new_file_ms"] = 1000 * newFileSeconds / double(state.iterations());
    state.counters["in_place_ratio"] = inPlaceSeconds / newFileSeconds;
}
BENCHMARK(BM_BatchBigFileInPlace)->UseManualTime()->Unit(Ms)->Iterations(1);

} // namespace
