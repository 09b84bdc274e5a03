#include "TestFiles.h"
#include "storage/FileCipher.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// Decrypts every file of tests/data/vectors and checks the outcome its manifest line expects:
// the code, the plaintext's hash on success, and no output under the output's name otherwise.
class tst_testvectors : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(m_engine.allocate_buffers() != 0); }
    void vector_data();
    void vector();

private:
    FileCipher m_engine;
    QTemporaryDir m_out;
};

void tst_testvectors::vector_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<EngineResult>("code");
    QTest::addColumn<QByteArray>("sha256");
    QFile manifest(ZR7_TEST_DATA "/vectors/vectors.txt");
    QVERIFY(manifest.open(QIODevice::ReadOnly | QIODevice::Text));
    int rows = 0;
    while (!manifest.atEnd()) {
        const QByteArray line = manifest.readLine().trimmed();
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        const QList<QByteArray> fields = line.simplified().split(' ');
        QCOMPARE(fields.size(), 4);
        // The manifest gives the engine's result by its number.
        QTest::newRow(fields[0].constData())
            << QString::fromUtf8(fields[0]) << static_cast<EngineResult>(fields[2].toInt())
            << fields[3];
        ++rows;
    }
    QVERIFY(rows >= 10);
}

void tst_testvectors::vector()
{
    QFETCH(QString, file);
    QFETCH(EngineResult, code);
    QFETCH(QByteArray, sha256);
    const QByteArray key = TestFiles::read(ZR7_TEST_DATA "/vectors/key.txt");
    QCOMPARE(key.size(), 64);
    const QString input = QStringLiteral(ZR7_TEST_DATA "/vectors/") + file;
    const QString output = m_out.filePath(file + ".out");
    m_engine.operation_initialization(key.toStdString(), 0, 0, 0);
    QCOMPARE(m_engine.verify_file(TestFiles::native(input)), code);
    QCOMPARE(m_engine.decrypt_file(TestFiles::native(input), TestFiles::native(output)), code);
    if (code == EngineResult::Success) {
        QCOMPARE(
            QCryptographicHash::hash(TestFiles::read(output), QCryptographicHash::Sha256).toHex(),
            sha256);
    } else {
        QVERIFY(!QFile::exists(output));
    }
}

QTEST_GUILESS_MAIN(tst_testvectors)
#include "tst_testvectors.moc"
