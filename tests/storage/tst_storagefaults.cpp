#include "EngineFixture.h"
#include "FaultyDisk.h"
#include "ScratchMount.h"
#include "TestFiles.h"
#include "engine/StreamFormat.h"
#include "storage/FileCipher.h"

#include <QDir>
#include <QFileInfo>
#include <QTest>

#include <optional>

// A disk that fills, fails a read or brings back other bytes than were written: the file cipher
// leaves nothing under the output's name, and only the engine given the faulty disk meets it.
class tst_storagefaults : public QObject, public EngineFixture
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(setUp()); }
    void diskFull_data();
    void diskFull();
    void faultyReads_data();
    void faultyReads();
};

void tst_storagefaults::diskFull_data()
{
    QTest::addColumn<bool>("encrypting");
    QTest::addColumn<bool>("onTmpfs");
    for (const bool onTmpfs : {false, true}) {
        const char* disk = onTmpfs ? "a small tmpfs" : "a disk that fails after 64 KiB";
        QTest::addRow("encryption, %s", disk) << true << onTmpfs;
        QTest::addRow("decryption, %s", disk) << false << onTmpfs;
    }
}

// A small tmpfs is a real full disk, but needs the right to mount one (else the case is
// skipped); the injected fault runs everywhere.
void tst_storagefaults::diskFull()
{
    QFETCH(bool, encrypting);
    QFETCH(bool, onTmpfs);
    const QString full = m_dir.filePath("full");
    QDir(full).removeRecursively();
    QDir(m_dir.path()).mkpath("full");
    ScratchMount mount;
    if (onTmpfs && !mount.tmpfs(full, 64))
        QSKIP("cannot mount a small file system here");
    const QString plain = m_dir.filePath("plain.bin");
    const QByteArray data = TestFiles::randomBytes(40 * Chunk, 8);
    QVERIFY(TestFiles::write(plain, data));
    QCOMPARE(encrypt(plain, m_dir.filePath("cipher"), m_key), EngineResult::Success);
    std::optional<FaultyDisk> disk;
    if (!onTmpfs) {
        disk.emplace(FaultyDisk::Fault::FullAfter, 64 * 1024);
        m_engine.set_system_calls(disk->calls());
    }
    const EngineResult rc = encrypting ? encrypt(plain, full + "/out", m_key)
                                       : decrypt(m_dir.filePath("cipher"), full + "/out", m_key);
    m_engine.set_system_calls(SystemCalls::System);
    QVERIFY(!disk || disk->failures() > 0);
    disk.reset();
    QCOMPARE(rc, EngineResult::DiskFull);
    QCOMPARE(TestFiles::read(plain), data);
    const QStringList left = QDir(full).entryList(QDir::Files | QDir::Hidden);
    if (encrypting) {
        QVERIFY(left.isEmpty()); // a partial ciphertext is worth nothing and frees the space
    } else {
        QCOMPARE(left, QStringList{"out.partial"});
        const QByteArray partial = TestFiles::read(full + "/out.partial");
        QVERIFY(!partial.isEmpty());
        QCOMPARE(partial, data.left(partial.size()));
    }
}

void tst_storagefaults::faultyReads_data()
{
    QTest::addColumn<bool>("encrypting");
    QTest::addColumn<int>("fault");
    QTest::addColumn<qint64>("after"); // bytes read before the fault, in chunks
    QTest::addColumn<EngineResult>("result");
    QTest::addColumn<bool>("partial");
    const int fails = int(FaultyDisk::Fault::ReadFails);
    const int flips = int(FaultyDisk::Fault::ReadsAFlip);
    // The input is 40 chunks: a fault after 20 lands in the pass, one after 60 in the read-back
    // of what the pass wrote.
    QTest::newRow("encrypting, the input fails")
        << true << fails << 20LL << EngineResult::ReadError << false;
    QTest::newRow("decrypting, the input fails")
        << false << fails << 20LL << EngineResult::ReadErrorPartial << true;
    QTest::newRow("encrypting, the read-back differs")
        << true << flips << 60LL << EngineResult::OutputNotVerified << false;
    QTest::newRow("decrypting, the read-back differs")
        << false << flips << 60LL << EngineResult::OutputNotVerified << false;
}

// A read that fails or brings back other bytes than were written leaves nothing under the
// output's name, and only this engine meets the fault: another one in the process works on.
void tst_storagefaults::faultyReads()
{
    QFETCH(bool, encrypting);
    QFETCH(int, fault);
    QFETCH(qint64, after);
    QFETCH(EngineResult, result);
    QFETCH(bool, partial);
    const QString plain = m_dir.filePath("plain.bin");
    const QByteArray data = TestFiles::randomBytes(40 * Chunk, 9);
    QVERIFY(TestFiles::write(plain, data));
    const QString cipher = m_dir.filePath("cipher");
    QCOMPARE(encrypt(plain, cipher, m_key), EngineResult::Success);
    const QString input = encrypting ? plain : cipher;
    const QString out = m_dir.filePath("out");
    QFile::remove(out + ".partial"); // kept by the row before

    const FaultyDisk disk(FaultyDisk::Fault(fault), after * Chunk);
    m_engine.set_system_calls(disk.calls());
    const EngineResult rc = encrypting ? encrypt(input, out, m_key) : decrypt(input, out, m_key);
    // The same work by another engine meanwhile, on the system's own calls.
    FileCipher other;
    QCOMPARE(other.allocate_buffers(), 1);
    other.set_kdf_params({1, StreamFormat::MinMemLog});
    other.operation_initialization({m_key.constData(), size_t(m_key.size())}, encrypting, 0, 0);
    const QString otherOut = m_dir.filePath("other");
    QCOMPARE(encrypting ? other.encrypt_file(TestFiles::native(input), TestFiles::native(otherOut))
                        : other.decrypt_file(TestFiles::native(input), TestFiles::native(otherOut)),
             EngineResult::Success);
    m_engine.set_system_calls(SystemCalls::System);

    QVERIFY(disk.failures() > 0);
    QCOMPARE(rc, result);
    QVERIFY(!QFileInfo::exists(out));
    QCOMPARE(QFileInfo::exists(out + ".partial"), partial);
    QCOMPARE(TestFiles::read(input), encrypting ? data : TestFiles::read(cipher));
    QVERIFY(leftovers().isEmpty());
}

QTEST_GUILESS_MAIN(tst_storagefaults)
#include "tst_storagefaults.moc"
