#include "CliRun.h"
#include "TestFiles.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// Every test vector opened as a user would open it: with zr7e-cli and a key given the way the
// manifests say. The engine's vectors open with key.txt as a keyfile; the program's vectors
// with a keyfile and with a typed key whose letters go beyond ASCII.
class tst_cli_vectors : public QObject
{
    Q_OBJECT

private slots:
    void vector_data();
    void vector();
};

namespace {

const QString Vectors = QStringLiteral(ZR7_TEST_DATA "/vectors/");

// The non-comment lines of a manifest, split at runs of blanks.
QList<QStringList> Rows(const QString& name)
{
    QFile manifest(Vectors + name);
    QList<QStringList> rows;
    if (!manifest.open(QIODevice::ReadOnly | QIODevice::Text))
        return rows;
    while (!manifest.atEnd()) {
        const QString line = QString::fromUtf8(manifest.readLine()).trimmed();
        if (!line.isEmpty() && !line.startsWith(QLatin1Char('#')))
            rows.append(line.split(QLatin1Char(' '), Qt::SkipEmptyParts));
    }
    return rows;
}

} // namespace

void tst_cli_vectors::vector_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QStringList>("keyOptions");
    QTest::addColumn<QString>("keyInput"); // file whose bytes go to standard input
    QTest::addColumn<QString>("checksum");
    QTest::addColumn<QByteArray>("sha256"); // "-" when the file must not open
    for (const QStringList& row : Rows(QStringLiteral("vectors.txt")))
        QTest::newRow(qPrintable(row[0]))
            << row[0] << QStringList{"--key-file", Vectors + "key.txt"} << QString() << QString()
            << row[3].toLatin1();
    const QList<QStringList> program = Rows(QStringLiteral("program-vectors.txt"));
    QCOMPARE(program.size(), 2);
    for (const QStringList& row : program) {
        // "--key-file FILE" or "--key-stdin < FILE"
        const bool typed = row[1] == QLatin1String("--key-stdin");
        const QString keyFile = Vectors + (typed ? row[3] : row[2]);
        QTest::newRow(qPrintable(row[0]))
            << row[0] << (typed ? QStringList{row[1]} : QStringList{row[1], keyFile})
            << (typed ? keyFile : QString()) << row[typed ? 4 : 3] << row[typed ? 5 : 4].toLatin1();
    }
}

void tst_cli_vectors::vector()
{
    QFETCH(QString, file);
    QFETCH(QStringList, keyOptions);
    QFETCH(QString, keyInput);
    QFETCH(QString, checksum);
    QFETCH(QByteArray, sha256);
    QTemporaryDir out;
    const QByteArray input = keyInput.isEmpty() ? QByteArray() : TestFiles::read(keyInput);
    const CliRun run = RunCli(out.path(),
                              QStringList{"decrypt", "--force", "--yes", "--to", out.path(), "--as",
                                          "*.out", Vectors + file} +
                                  keyOptions,
                              input);
    const QString result = out.filePath(QFileInfo(file).completeBaseName() + ".out");
    if (sha256 == "-") {
        QVERIFY2(run.status == 1, qPrintable(run.out + run.err));
        QVERIFY(!QFileInfo::exists(result));
        return;
    }
    QVERIFY2(run.status == 0, qPrintable(run.out + run.err));
    QCOMPARE(QCryptographicHash::hash(TestFiles::read(result), QCryptographicHash::Sha256).toHex(),
             sha256);
    if (!checksum.isEmpty()) {
        const CliRun sum = RunCli(out.path(), QStringList{"checksum"} + keyOptions, input);
        QCOMPARE(sum.out.trimmed(), QStringLiteral("Checksum is %1.").arg(checksum));
    }
}

QTEST_GUILESS_MAIN(tst_cli_vectors)
#include "tst_cli_vectors.moc"
