#include "EngineFixture.h"
#include "TestFiles.h"
#include "storage/FileCipher.h"
#include "storage/PosixFile.h"

#include <QTest>

#include <fcntl.h>

// What a verifying pass finds in intact and damaged files, and the order of chunks that
// several workers seal and open at once.
class tst_engineverify : public QObject, public EngineFixture
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(setUp()); }
    void workersKeepOrder_data();
    void workersKeepOrder();
    void verifyFile();
    void verdicts_data();
    void verdicts();
};

// Chunks are sealed and opened by several workers at once; the output keeps the input's order,
// and a damaged chunk deep in the file keeps exactly the chunks before it, whichever worker
// met it first.
void tst_engineverify::workersKeepOrder_data()
{
    QTest::addColumn<unsigned>("workers");
    QTest::addColumn<qsizetype>("damagedChunk"); // -1: none
    for (const unsigned workers : {1u, 3u, 8u}) {
        const QByteArray name = QByteArray::number(workers) + " workers";
        QTest::newRow(name + ", intact") << workers << qsizetype(-1);
        QTest::newRow(name + ", chunk 29 damaged") << workers << qsizetype(29);
        QTest::newRow(name + ", last chunk damaged") << workers << qsizetype(64);
    }
}

void tst_engineverify::workersKeepOrder()
{
    QFETCH(unsigned, workers);
    QFETCH(qsizetype, damagedChunk);
    const QString plain = m_dir.filePath("plain.bin");
    const QString cipher = m_dir.filePath("cipher.zr7");
    const QString back = m_dir.filePath("back.bin");
    const QByteArray data = TestFiles::randomBytes(64 * Chunk + 33, workers);
    QVERIFY(TestFiles::write(plain, data));
    m_engine.set_workers(workers);
    QCOMPARE(encrypt(plain, cipher, m_key), EngineResult::Success);
    if (damagedChunk >= 0) {
        QByteArray bytes = TestFiles::read(cipher);
        bytes[Header + damagedChunk * Record + 7] ^= 0x01;
        QVERIFY(TestFiles::write(cipher, bytes));
    }
    const EngineResult expected =
        damagedChunk < 0 ? EngineResult::Success : EngineResult::InvalidBlockPartial;
    QCOMPARE(m_engine.verify_file(TestFiles::native(cipher)), expected);
    QCOMPARE(decrypt(cipher, back, m_key), expected);
    m_engine.set_workers(0);
    if (damagedChunk < 0) {
        QCOMPARE(TestFiles::read(back), data);
        QFile::remove(back);
    } else {
        QCOMPARE(TestFiles::read(back + ".partial"), data.left(damagedChunk * Chunk));
        QFile::remove(back + ".partial");
    }
    QVERIFY(leftovers().isEmpty());
}

void tst_engineverify::verifyFile()
{
    const QString plain = m_dir.filePath("plain.bin");
    const QString cipher = m_dir.filePath("cipher.zr7");
    QVERIFY(TestFiles::write(plain, TestFiles::randomBytes(2 * Chunk + 9, 5)));
    QCOMPARE(encrypt(plain, cipher, m_key), EngineResult::Success);
    const int filesBefore = QDir(m_dir.path()).count();
    QCOMPARE(m_engine.verify_file(TestFiles::native(cipher)), EngineResult::Success);
    QByteArray bytes = TestFiles::read(cipher);
    bytes[bytes.size() - 2] = char(bytes[bytes.size() - 2] ^ 1);
    QVERIFY(TestFiles::write(cipher, bytes));
    QCOMPARE(m_engine.verify_file(TestFiles::native(cipher)), EngineResult::InvalidBlockPartial);
    QCOMPARE(int(QDir(m_dir.path()).count()), filesBefore);
}

void tst_engineverify::verdicts_data()
{
    using Kind = FileCipher::Verdict::Kind;
    QTest::addColumn<qsizetype>("plainSize");
    QTest::addColumn<QString>("change");
    QTest::addColumn<qsizetype>("at"); // negative: from the end
    QTest::addColumn<int>("kind");
    QTest::addColumn<qsizetype>("offset");
    const qsizetype three = 3 * Chunk + 100; // three whole chunks and a short one
    const auto row = [](const char* tag, qsizetype size, const char* change, qsizetype at,
                        Kind kind, qsizetype offset) {
        QTest::newRow(tag) << size << QString::fromLatin1(change) << at << int(kind) << offset;
    };
    row("intact", three, "none", 0, Kind::Intact, 0);
    row("another key", three, "key", 0, Kind::WrongKey, 0);
    row("not ours", three, "plain", 0, Kind::NotEncrypted, 0);
    row("cut in the header", three, "truncate", 20, Kind::NotEncrypted, 0);
    row("second chunk damaged", three, "flip", Header + Record + 5, Kind::Damaged, Header + Record);
    row("cut after two chunks", three, "truncate", Header + 2 * Record, Kind::Truncated,
        Header + 2 * Record);
    row("cut in the last chunk", three, "truncate", -3, Kind::DamagedAtEnd, Header + 3 * Record);
    row("last tag damaged", three, "flip", -1, Kind::DamagedAtEnd, Header + 3 * Record);
    row("a record after a whole last chunk", 3 * Chunk, "append", Record, Kind::DataAfterEnd,
        Header + 3 * Record);
}

void tst_engineverify::verdicts()
{
    QFETCH(qsizetype, plainSize);
    QFETCH(QString, change);
    QFETCH(qsizetype, at);
    QFETCH(int, kind);
    QFETCH(qsizetype, offset);
    const QString plain = m_dir.filePath("plain.bin");
    const QString cipher = m_dir.filePath("cipher.zr7");
    QVERIFY(TestFiles::write(plain, TestFiles::randomBytes(plainSize, 11)));
    QCOMPARE(encrypt(plain, cipher, m_key), EngineResult::Success);
    QByteArray bytes = change == "plain" ? TestFiles::read(plain) : TestFiles::read(cipher);
    if (at < 0)
        at += bytes.size();
    if (change == "flip")
        bytes[at] = char(bytes[at] ^ 0x10);
    else if (change == "truncate")
        bytes.truncate(at);
    else if (change == "append")
        bytes.append(TestFiles::randomBytes(at, 3));
    QVERIFY(TestFiles::write(cipher, bytes));
    const QByteArray key = change == "key" ? QByteArray(m_key).replace(0, 3, "XYZ") : m_key;
    m_engine.operation_initialization({key.constData(), size_t(key.size())}, 0, 0, 0);
    PosixFile::Fd fd(::open(TestFiles::native(cipher).c_str(), O_RDONLY));
    const FileCipher::Verdict verdict = m_engine.verify_verdict(fd.get());
    QCOMPARE(int(verdict.kind), kind);
    QCOMPARE(qsizetype(verdict.offset), offset);
}

QTEST_GUILESS_MAIN(tst_engineverify)
#include "tst_engineverify.moc"
