#include "TestFiles.h"
#include "engine/StreamFormat.h"
#include "storage/FileCipher.h"

#include <QCryptographicHash>
#include <QFile>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <QTest>

// One round trip of a file above 4 GiB, checked by hash: sizes and chunk counters must not
// wrap at 32 bits. Labelled "large" so that it can be run apart (ctest -L large / -LE large).
class tst_largefile : public QObject
{
    Q_OBJECT

private slots:
    void aboveFourGiB();
};

namespace {

constexpr qint64 FileSize = (qint64{4} << 30) + 12345;
constexpr qint64 Block = qint64{8} << 20;

// Writes FileSize bytes: one random block, made distinct per position by a counter.
QByteArray writeLargeFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return {};
    QCryptographicHash hash(QCryptographicHash::Sha256);
    QByteArray block = TestFiles::randomBytes(Block, 42);
    for (qint64 written = 0, index = 0; written < FileSize; ++index) {
        std::memcpy(block.data(), &index, sizeof index);
        const qint64 n = std::min(Block, FileSize - written);
        if (file.write(block.constData(), n) != n)
            return {};
        hash.addData(QByteArrayView(block.constData(), n));
        written += n;
    }
    return hash.result();
}

QByteArray hashOf(const QString& path)
{
    QFile file(path);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    return file.open(QIODevice::ReadOnly) && hash.addData(&file) ? hash.result() : QByteArray();
}

} // namespace

void tst_largefile::aboveFourGiB()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    if (QStorageInfo(dir.path()).bytesAvailable() < 3 * FileSize)
        QSKIP("needs about 13 GiB free in the temporary folder");

    const QString plain = dir.filePath("large.bin");
    const QString cipher = dir.filePath("large.zr7");
    const QString back = dir.filePath("large.out");
    const QByteArray expected = writeLargeFile(plain);
    QVERIFY(!expected.isEmpty());

    FileCipher engine;
    QCOMPARE(engine.allocate_buffers(), 1);
    engine.set_kdf_params({1, StreamFormat::MinMemLog});
    const std::string key(64, 'K');
    engine.operation_initialization(key, 1, FileSize, 0);
    QCOMPARE(engine.encrypt_file(TestFiles::native(plain), TestFiles::native(cipher)),
             EngineResult::Success);
    QCOMPARE(qint64(engine.bytes_done()), FileSize);
    QFile::remove(plain);
    const qint64 chunks = (FileSize + (qint64{1} << StreamFormat::DefaultChunkLog) - 1) >>
                          StreamFormat::DefaultChunkLog;
    QCOMPARE(QFileInfo(cipher).size(), qint64(StreamFormat::HeaderSize) + FileSize + 16 * chunks);

    engine.operation_initialization(key, 0, QFileInfo(cipher).size(), 0);
    QCOMPARE(engine.decrypt_file(TestFiles::native(cipher), TestFiles::native(back)),
             EngineResult::Success);
    QFile::remove(cipher);
    QCOMPARE(QFileInfo(back).size(), FileSize);
    QCOMPARE(hashOf(back), expected);
}

QTEST_GUILESS_MAIN(tst_largefile)
#include "tst_largefile.moc"
