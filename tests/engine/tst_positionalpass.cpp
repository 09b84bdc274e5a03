#include "EngineFixture.h"
#include "TestFiles.h"
#include "engine/PositionalPass.h"
#include "storage/FileCipher.h"

#include <QTest>

#include <fcntl.h>
#include <unistd.h>

// Regular files are read and written at their offsets by several workers at once: the result
// must be the one that reading and writing in order gives, whoever hands the files over.
class tst_positionalpass : public QObject, public EngineFixture
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(setUp()); }
    void callerDescriptors_data();
    void callerDescriptors();
    void inputShrinks_data();
    void inputShrinks();
};

// A caller's output that already holds something, or that was opened for appending (where
// offsets are ignored, so records must go in order), gets the result after what it holds, and
// both descriptors are left after what was read and written.
void tst_positionalpass::callerDescriptors_data()
{
    QTest::addColumn<bool>("encrypting");
    QTest::addColumn<bool>("append");
    QTest::newRow("encrypt after a prefix") << true << false;
    QTest::newRow("encrypt, appending") << true << true;
    QTest::newRow("decrypt after a prefix") << false << false;
    QTest::newRow("decrypt, appending") << false << true;
}

void tst_positionalpass::callerDescriptors()
{
    QFETCH(bool, encrypting);
    QFETCH(bool, append);
    const QString plain = m_dir.filePath("plain.bin");
    const QString cipher = m_dir.filePath("cipher.zr7");
    const QString result = m_dir.filePath("result.bin");
    const QByteArray data = TestFiles::randomBytes(3 * Chunk + 5, 9);
    QVERIFY(TestFiles::write(plain, data));
    QCOMPARE(encrypt(plain, cipher, m_key), EngineResult::Success);
    const QByteArray prefix("PREFIX");
    QVERIFY(TestFiles::write(result, prefix));

    const QString input = encrypting ? plain : cipher;
    const int in = ::open(TestFiles::native(input).c_str(), O_RDONLY | O_CLOEXEC);
    const int out =
        ::open(TestFiles::native(result).c_str(), O_WRONLY | O_CLOEXEC | (append ? O_APPEND : 0));
    QVERIFY(in >= 0 && out >= 0);
    QCOMPARE(::lseek(out, 0, SEEK_END), off_t(prefix.size()));
    m_engine.operation_initialization({m_key.constData(), size_t(m_key.size())}, encrypting ? 1 : 0,
                                      QFileInfo(input).size(), 0);
    const EngineResult rc =
        encrypting ? m_engine.encrypt_fd(in, out) : m_engine.decrypt_fd(in, out);
    const off_t inAt = ::lseek(in, 0, SEEK_CUR);
    const off_t outAt = ::lseek(out, 0, SEEK_CUR);
    ::close(in);
    ::close(out);
    QCOMPARE(rc, EngineResult::Success);
    QCOMPARE(inAt, off_t(QFileInfo(input).size()));
    QCOMPARE(outAt, off_t(QFileInfo(result).size()));

    const QByteArray written = TestFiles::read(result);
    QVERIFY(written.startsWith(prefix));
    if (!encrypting) {
        QCOMPARE(written.mid(prefix.size()), data);
        return;
    }
    const QString sealed = m_dir.filePath("sealed.zr7");
    const QString back = m_dir.filePath("back.bin");
    QVERIFY(TestFiles::write(sealed, written.mid(prefix.size())));
    QCOMPARE(decrypt(sealed, back, m_key), EngineResult::Success);
    QCOMPARE(TestFiles::read(back), data);
}

// The input loses its tail while it is read: a record that was known to have a successor and
// finds nothing is a read failure, never an early end; a record cut short is the last one.
void tst_positionalpass::inputShrinks_data()
{
    QTest::addColumn<int>("cutTo");    // the input's size once record 1 is processed
    QTest::addColumn<int>("failedAt"); // -1: no failure
    QTest::addColumn<int>("written");
    QTest::newRow("cut at a record boundary") << 200 << 2 << 2 * 101;
    QTest::newRow("cut inside a record") << 230 << -1 << 2 * 101 + 31;
}

void tst_positionalpass::inputShrinks()
{
    QFETCH(int, cutTo);
    QFETCH(int, failedAt);
    QFETCH(int, written);
    constexpr std::size_t RecordSize = 100;
    const QString inputPath = m_dir.filePath("shrinking.bin");
    const QString outputPath = m_dir.filePath("out.bin");
    QVERIFY(TestFiles::write(inputPath, TestFiles::randomBytes(4 * RecordSize, 2)));
    const int in = ::open(TestFiles::native(inputPath).c_str(), O_RDWR | O_CLOEXEC);
    const int out =
        ::open(TestFiles::native(outputPath).c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    QVERIFY(PositionalPass::canRead(in) && PositionalPass::canWrite(out));
    std::vector<std::uint8_t> slot(RecordSize + 1);
    PositionalPass pass({slot.data()}, in, RecordSize);
    pass.setOutput(out, RecordSize + 1);
    // One worker: the records come in order, so the cut falls after record 1.
    const ChunkPass::Failure failure =
        pass.run(0, [&](unsigned, std::uint64_t number, const ChunkPass::Record& record,
                        std::size_t& length) {
            if (number == 1 && ::ftruncate(in, cutTo) != 0)
                return false;
            length = static_cast<std::size_t>(record.length) + 1;
            record.data[record.length] = '+';
            return true;
        });
    QCOMPARE(pass.finish(), 0);
    ::close(in);
    ::close(out);
    QCOMPARE(failure.failed, failedAt >= 0);
    if (failure.failed) {
        QCOMPARE(int(failure.number), failedAt);
        QVERIFY(failure.length < 0);
    }
    QCOMPARE(int(pass.bytesWritten()), written);
    QCOMPARE(int(QFileInfo(outputPath).size()), written);
}

QTEST_GUILESS_MAIN(tst_positionalpass)
#include "tst_positionalpass.moc"
