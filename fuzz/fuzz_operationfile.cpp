// Reads arbitrary bytes as an operation file. Whatever the reader accepts must survive a save
// and a second read unchanged, so that "Save setup" never writes a file that reads back as
// another setup or not at all.
#include "FuzzSupport.h"
#include "persist/OperationFile.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

namespace {

// The round trip writes through the real, durable save (fsync included): a folder in memory
// keeps that cheap where the system has one.
QString SaveFolder()
{
    static const QString base = QFileInfo(QStringLiteral("/dev/shm")).isWritable()
                                    ? QStringLiteral("/dev/shm")
                                    : QDir::tempPath();
    static const QTemporaryDir folder(base + QStringLiteral("/zr7-fuzz-XXXXXX"));
    FUZZ_CHECK(folder.isValid());
    return folder.path();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static MemoryFile file("operation");
    file.assign(data, size);
    OperationFileContents contents;
    if (!ReadOperationFile(QString::fromStdString(file.path()), contents))
        return 0;
    // A byte that is not UTF-8 reads as one replacement character of three bytes: beyond this
    // size a line could outgrow what the reader takes.
    constexpr std::size_t RoundTripLimit = 4096;
    if (size > RoundTripLimit)
        return 0;

    Setup setup;
    setup.Restore(contents.saved);
    const QString saved = SaveFolder() + QStringLiteral("/saved.opn");
    FUZZ_CHECK(WriteOperationFile(saved, setup));
    OperationFileContents again;
    FUZZ_CHECK(ReadOperationFile(saved, again));
    FUZZ_CHECK(again.saved == contents.saved);
    FUZZ_CHECK(again.versionText == VersionText());
    return 0;
}
