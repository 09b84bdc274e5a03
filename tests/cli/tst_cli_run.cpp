#include "CliRun.h"
#include "TestFiles.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

// zr7e-cli run: the setup saved in an operation file runs as saved; a file that cannot be
// loaded touches nothing. And runs as scripts make them, quiet.
class tst_cli_run : public QObject
{
    Q_OBJECT

private slots:
    void run_data();
    void run();
    void quiet_data();
    void quiet();
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

void tst_cli_run::quiet_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("err");
    QTest::newRow("all done: nothing") << QStringList{"encrypt", "--yes", "-q", "docs"} << 0 << ""
                                       << "";
    QTest::newRow("a file skipped: the report")
        << QStringList{"decrypt", "--yes", "--quiet", "--files", "*.txt", "docs"} << 1
        << "Decrypting *.txt in "
        << "";
    QTest::newRow("verify: only what did not verify")
        << QStringList{"verify", "--quiet", "docs"} << 1 << "b.txt  not an encrypted file\n"
        << "";
}

// Quiet, a run says only what went wrong: no description, no report when all is done.
void tst_cli_run::quiet()
{
    QFETCH(QStringList, args);
    QFETCH(int, status);
    QFETCH(QString, out);
    QFETCH(QString, err);
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("docs")));
    QVERIFY(TestFiles::write(dir.filePath(QStringLiteral("docs/a.zr7")), "to be encrypted"));
    // A key of 64 characters, which every command takes as it is.
    const QByteArray key = QByteArray(64, 'k') + '\n';
    QCOMPARE(RunCli(dir.path(), {"encrypt", "--yes", "--key-stdin", "docs/a.zr7"}, key).status, 0);
    QVERIFY(TestFiles::write(dir.filePath(QStringLiteral("docs/b.txt")), "never encrypted"));
    const CliRun run = RunCli(dir.path(), args + QStringList{"--key-stdin"}, key);
    QCOMPARE(run.err, err);
    QCOMPARE(run.status, status);
    QVERIFY2(status == 0 ? run.out.isEmpty() : run.out.startsWith(out), qPrintable(run.out));
}

QTEST_GUILESS_MAIN(tst_cli_run)
#include "tst_cli_run.moc"
