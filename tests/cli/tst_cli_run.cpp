#include "CliRun.h"
#include "TestFiles.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

// zr7e-cli run: the setup saved in an operation file runs as saved; a file that cannot be
// loaded touches nothing.
class tst_cli_run : public QObject
{
    Q_OBJECT

private slots:
    void run_data();
    void run();
};

void tst_cli_run::run_data()
{
    QTest::addColumn<int>("lines"); // of the operation file; 0: no file
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QByteArray>("beyond"); // after the input folder's path
    QTest::newRow("saved setup") << 9 << 0 << "" << QByteArray();
    QTest::newRow("eight lines") << 8 << 2
                                 << "Error: Error when attempting to load setup from file op.opn!"
                                 << QByteArray();
    QTest::newRow("no file") << 0 << 2
                             << "Error when attempting to load setup.: File op.opn not found!"
                             << QByteArray();
    // Shown as one folder, the system would read another: refused before it is shown.
    QTest::newRow("a NUL in the folder")
        << 9 << 2 << "/docs/\\x00/etc/*.txt holds a NUL character" << QByteArray("\0/etc/", 6);
}

void tst_cli_run::run()
{
    QFETCH(int, lines);
    QFETCH(int, status);
    QFETCH(QString, message);
    QFETCH(QByteArray, beyond);
    QTemporaryDir dir;
    const QString docs = dir.filePath(QStringLiteral("docs/"));
    const QString safe = dir.filePath(QStringLiteral("safe/"));
    QDir().mkpath(docs);
    QDir().mkpath(safe);
    const QByteArray letter = QByteArray("Dear reader,\n").repeated(40);
    TestFiles::write(docs + QStringLiteral("letter.txt"), letter);
    const QList<QByteArray> file = {"1.02",      " 1 ",
                                    " 0 ",       " 0 ",
                                    " 0 ",       '"' + docs.toUtf8() + beyond + '"',
                                    "\"*.txt\"", '"' + safe.toUtf8() + '"',
                                    "\"*.enc\""};
    if (lines)
        TestFiles::write(dir.filePath(QStringLiteral("op.opn")),
                         QList<QByteArray>(file.mid(0, lines)).join("\r\n") + "\r\n");
    const QByteArray key = "correct horse battery staple\n";
    const CliRun run = RunCli(dir.path(), {"run", "op.opn", "--key-stdin", "--yes"}, key);
    QCOMPARE(run.status, status);
    QVERIFY2(run.err.contains(message), qPrintable(run.err));
    QVERIFY(status == 0 || !run.err.contains(QStringLiteral("(--yes)")));
    QCOMPARE(TestFiles::read(docs + QStringLiteral("letter.txt")), letter);
    QCOMPARE(QDir(safe).entryList(QDir::Files | QDir::Hidden),
             status ? QStringList() : QStringList{"letter.enc"});
    if (status)
        return;
    const CliRun back = RunCli(
        dir.path(), {"decrypt", "--as", "*.out", "--key-stdin", "--yes", "safe/letter.enc"}, key);
    QCOMPARE(back.status, 0);
    QCOMPARE(TestFiles::read(safe + QStringLiteral("letter.out")), letter);
}

QTEST_GUILESS_MAIN(tst_cli_run)
#include "tst_cli_run.moc"
