#include "EngineFixture.h"
#include "TestFiles.h"
#include "engine/RepairLayout.h"
#include "storage/FileRepair.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTest>

#include <functional>

// Repairable files: damage of the kinds storage suffers is mended before authentication, in a
// decryption, a verification and a repair alike; damage beyond the parity is refused as in a
// plain file, with nothing under the output's name.
class tst_repairable : public QObject, public EngineFixture
{
    Q_OBJECT

private slots:
    void initTestCase();
    void damage_data();
    void damage();
    void layoutFromSize_data();
    void layoutFromSize();

private:
    QByteArray m_plain;
    QByteArray m_cipher;
};

namespace {

using Damage = std::function<void(QByteArray&)>;
constexpr qsizetype Sector = 4096;
constexpr qsizetype MiB = qsizetype{1} << 20;

void fillSector(QByteArray& file, qsizetype sector, bool garble)
{
    for (qsizetype i = 0; i < Sector && sector * Sector + i < file.size(); ++i)
        file[sector * Sector + i] = garble ? char(QRandomGenerator::global()->generate()) : char(0);
}

// Sectors anywhere in each MiB of the file, the parity's among them.
Damage sectorPerMiB(bool garble)
{
    return [garble](QByteArray& file) {
        for (qsizetype mib = 0; mib * MiB < file.size(); ++mib) {
            const qsizetype sectors = std::min(MiB, file.size() - mib * MiB) / Sector;
            if (sectors > 0)
                fillSector(file, mib * MiB / Sector + QRandomGenerator::global()->bounded(sectors),
                           garble);
        }
    };
}

void flipByte(QByteArray& file, qsizetype at)
{
    file[at] = char(file[at] ^ (1 + QRandomGenerator::global()->bounded(255)));
}

} // namespace

void tst_repairable::initTestCase()
{
    QVERIFY(setUp());
    m_plain = TestFiles::randomBytes(3 * MiB + 12345, 41);
    const QString plain = m_dir.filePath("plain"), cipher = m_dir.filePath("cipher");
    QVERIFY(TestFiles::write(plain, m_plain));
    m_engine.set_repairable(true);
    QCOMPARE(encrypt(plain, cipher, m_key), EngineResult::Success);
    m_engine.set_repairable(false);
    m_cipher = TestFiles::read(cipher);
    // 16 parity bytes for every 239 of the stream: 6.3% of the file.
    const auto layout = RepairLayout::fromFileSize(quint64(m_cipher.size()));
    QVERIFY(layout.has_value());
    const double share = 1 - double(layout->streamLength()) / double(m_cipher.size());
    QVERIFY2(share > 0.06 && share < 0.07, qPrintable(QString::number(share)));
}

void tst_repairable::damage_data()
{
    QTest::addColumn<Damage>("damage");
    QTest::addColumn<EngineResult>("decrypted");
    QTest::addColumn<FileCipher::Verdict::Kind>("verdict");
    QTest::addColumn<FileRepair::Outcome>("repaired");
    using Kind = FileCipher::Verdict::Kind;
    using Outcome = FileRepair::Outcome;
    const auto ok = EngineResult::Success;
    QTest::newRow("none") << Damage([](QByteArray&) {}) << ok << Kind::Intact << Outcome::Intact;
    QTest::newRow("a zeroed sector in each MiB")
        << sectorPerMiB(false) << ok << Kind::RepairableDamage << Outcome::Repaired;
    QTest::newRow("a garbled sector in each MiB")
        << sectorPerMiB(true) << ok << Kind::RepairableDamage << Outcome::Repaired;
    QTest::newRow("bytes garbled at 1 in 1,000") << Damage([](QByteArray& file) {
        for (qsizetype i = 0; i < file.size() / 1000; ++i)
            flipByte(file, QRandomGenerator::global()->bounded(file.size()));
    }) << ok << Kind::RepairableDamage << Outcome::Repaired;
    // The version byte among them: garbled, the file looks like no file of ours until mended.
    QTest::newRow("16 header bytes garbled") << Damage([](QByteArray& file) {
        for (const int at : {0, 5, 9, 16, 17, 18, 19, 20, 30, 36, 40, 47, 50, 61, 66, 67})
            flipByte(file, at);
    }) << ok << Kind::RepairableDamage << Outcome::Repaired;
    QTest::newRow("the version byte made the plain form's")
        << Damage([](QByteArray& file) { file[16] = char(file[16] ^ 3 ^ 2); }) << ok
        << Kind::RepairableDamage << Outcome::Repaired;
    QTest::newRow("17 sectors of the second group zeroed") << Damage([](QByteArray& file) {
        for (qsizetype s = 0; s < 17; ++s)
            fillSector(file, 239 + 3 * s, false);
    }) << EngineResult::InvalidBlockPartial << Kind::BeyondRepair
                                                           << Outcome::BeyondRepair;
    QTest::newRow("the first 17 sectors zeroed") << Damage([](QByteArray& file) {
        for (qsizetype s = 0; s < 17; ++s)
            fillSector(file, s, false);
    }) << EngineResult::InvalidBlock << Kind::NotEncrypted
                                                 << Outcome::NotRepairable;
    // The size no longer tells where the stream ends (it gives another stream's end, or none): the
    // chunks are read on until one fails.
    QTest::newRow("cut short by a byte")
        << Damage([](QByteArray& file) { file.chop(1); }) << EngineResult::InvalidBlockPartial
        << Kind::BeyondRepair << Outcome::BeyondRepair;
}

void tst_repairable::damage()
{
    QFETCH(Damage, damage);
    QFETCH(EngineResult, decrypted);
    QFETCH(FileCipher::Verdict::Kind, verdict);
    QFETCH(FileRepair::Outcome, repaired);
    QByteArray damaged = m_cipher;
    damage(damaged);
    const QString file = m_dir.filePath("damaged"), out = m_dir.filePath("out");
    QVERIFY(TestFiles::write(file, damaged));
    QFile::remove(out);
    QFile::remove(out + ".partial");

    QCOMPARE(decrypt(file, out, m_key), decrypted);
    if (decrypted == EngineResult::Success) {
        QCOMPARE(TestFiles::read(out), m_plain);
    } else {
        QVERIFY(!QFile::exists(out));
        QCOMPARE(QFile::exists(out + ".partial"), decrypted == EngineResult::InvalidBlockPartial);
    }
    QVERIFY(leftovers().isEmpty());

    {
        QFile opened(file);
        QVERIFY(opened.open(QIODevice::ReadOnly));
        QCOMPARE(m_engine.verify_verdict(opened.handle()).kind, verdict);
    }

    const FileRepair::Result result = FileRepair::repairFile(TestFiles::native(file), 2);
    QCOMPARE(result.outcome, repaired);
    QCOMPARE(TestFiles::read(file), repaired == FileRepair::Outcome::Repaired ? m_cipher : damaged);
    QVERIFY(leftovers().isEmpty());
}

void tst_repairable::layoutFromSize_data()
{
    QTest::addColumn<quint64>("stream");
    const quint64 group = RepairLayout::GroupBytes;
    for (const quint64 stream : {quint64{84}, quint64{239 * 9}, quint64{239 * 9 + 1}, group - 1,
                                 group, group + 1, 5 * group + 12345})
        QTest::addRow("%llu", static_cast<unsigned long long>(stream)) << stream;
}

// The size alone tells where the stream ends, and a size one byte off is another stream's or
// none.
void tst_repairable::layoutFromSize()
{
    QFETCH(quint64, stream);
    const quint64 size = RepairLayout(stream).fileSize();
    const auto layout = RepairLayout::fromFileSize(size);
    QVERIFY(layout.has_value());
    QCOMPARE(layout->streamLength(), stream);
    for (const quint64 other : {size - 1, size + 1}) {
        const auto near = RepairLayout::fromFileSize(other);
        QVERIFY(!near || (near->streamLength() != stream && near->fileSize() == other));
    }
}

QTEST_GUILESS_MAIN(tst_repairable)
#include "tst_repairable.moc"
