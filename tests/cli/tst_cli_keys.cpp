#include "CliRun.h"
#include "TestFiles.h"
#include "keys/ZR7KeyFrom.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

// zr7e-cli checksum and newkey, run as a script would run them.
class tst_cli_keys : public QObject
{
    Q_OBJECT

private slots:
    void checksum_data();
    void checksum();
    void newKey();

private:
    CliRun Cli(const QStringList& args, const QByteArray& input = {})
    {
        return RunCli(m_dir.path(), args, input);
    }
    QTemporaryDir m_dir;
};

void tst_cli_keys::checksum_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("err");
    const QString abc16 = ZR7KeyFrom::ChecksumText([] {
        QByteArray digest;
        return ZR7KeyFrom::KeyChecksum("ABCDEFGHIJKLMNOP", digest);
    }());
    QTest::newRow("typed on stdin") << QStringList{"checksum", "--key-stdin"}
                                    << QByteArray("abcd efgh ijkl mnop\n") << 0 << abc16 + "\n"
                                    << "";
    QTest::newRow("keyfile") << QStringList{"checksum", "--key-file", "letters.key"} << QByteArray()
                             << 0 << abc16 + "\n"
                             << "";
    const QStringList typed{"checksum", "--key-stdin"};
    QTest::newRow("BOM, CR LF") << typed << QByteArray("\uFEFFabcd efgh ijkl mnop\r\n") << 0
                                << abc16 + "\n"
                                << "";
    QTest::newRow("65 with blanks, CR")
        << typed << "abcdefghijklmnop" + QByteArray(48, ' ') + "\r\r\n"
        << 2 << ""
        << "Error: A typed key has at most 64 characters.\n";
    QTest::newRow("code 0x81 in a keyfile") << QStringList{"checksum", "--key-file", "81.key"}
                                            << QByteArray() << 0 << "Checksum is 6990.\n"
                                            << "";
    QTest::newRow("too short") << QStringList{"checksum", "--key-stdin"}
                               << QByteArray("abcd efgh ijkl mno\n") << 2 << ""
                               << "Error: The key must have at least 16 characters, spaces not "
                                  "counted.\n";
    QTest::newRow("a line without end")
        << QStringList{"checksum", "--key-stdin"} << QByteArray("</dev/zero") << 2 << ""
        << "Error: A typed key has at most 64 characters.\n";
    QTest::newRow("unsuitable keyfile")
        << QStringList{"checksum", "--key-file", "short.key"} << QByteArray() << 2 << ""
        << "Unsuitable keyfile: short.key is not a suitable keyfile.\n";
    QTest::newRow("no key option without a terminal")
        << QStringList{"checksum"} << QByteArray() << 2 << ""
        << "Error: No key given: use --key-file FILE or --key-stdin.\n";
    QTest::newRow("a key as an argument is refused")
        << QStringList{"checksum", "abcdefghijklmnopq"} << QByteArray() << 2 << ""
        << "Error: unexpected argument abcdefghijklmnopq\n";
}

void tst_cli_keys::checksum()
{
    QFETCH(QStringList, args);
    QFETCH(QByteArray, input);
    QFETCH(int, status);
    QFETCH(QString, out);
    QFETCH(QString, err);
    QVERIFY(TestFiles::write(m_dir.filePath("letters.key"), "ABCD EFGH\nIJKL MNOP"));
    QVERIFY(TestFiles::write(m_dir.filePath("short.key"), "ABC"));
    QVERIFY(TestFiles::write(m_dir.filePath("81.key"), "abcdefghijklmnop\x81q"));
    // "<FILE": standard input is that file, as a shell redirection gives it.
    const CliRun run =
        input.startsWith('<')
            ? RunCli(m_dir.path(), QStringList{"-c", "exec \"$0\" \"$@\" " + input, ZR7_CLI} + args,
                     {}, "/bin/sh")
            : Cli(args, input);
    QCOMPARE(run.err, err);
    QCOMPARE(run.out, out);
    QCOMPARE(run.status, status);
}

void tst_cli_keys::newKey()
{
    const CliRun made = Cli({"newkey", "fresh.key"});
    QCOMPARE(made.status, 0);
    const QByteArray bytes = TestFiles::read(m_dir.filePath("fresh.key"));
    QCOMPARE(bytes.size(), 64);
    for (char c : bytes)
        QVERIFY(static_cast<unsigned char>(c) >= 33);
    QCOMPARE(QFileInfo(m_dir.filePath("fresh.key")).permissions() & 0x0077, QFile::Permissions());
    QByteArray digest;
    QCOMPARE(made.out, ZR7KeyFrom::ChecksumText(ZR7KeyFrom::KeyChecksum(
                           ZR7KeyFrom::NormalizedKey(bytes).view(), digest)) +
                           "\n");
    QCOMPARE(Cli({"checksum", "--key-file", "fresh.key"}).out, made.out);

    const CliRun again = Cli({"newkey", "fresh.key"});
    QCOMPARE(again.status, 2);
    QCOMPARE(TestFiles::read(m_dir.filePath("fresh.key")), bytes);
    // Replaced only when asked, and never through a link, which could lead anywhere.
    QVERIFY(QFile::link(m_dir.filePath("fresh.key"), m_dir.filePath("link.key")));
    QCOMPARE(Cli({"newkey", "--force", "link.key"}).status, 2);
    QCOMPARE(TestFiles::read(m_dir.filePath("fresh.key")), bytes);
    QCOMPARE(Cli({"newkey", "--force", "fresh.key"}).status, 0);
    QVERIFY(TestFiles::read(m_dir.filePath("fresh.key")) != bytes);
    // Help is never a file name, nor is anything else that begins with "-".
    for (const QString arg : {"--help", "-h", "-"})
        QCOMPARE(Cli({"newkey", arg}).out.startsWith("Usage:"), arg != "-");
    QCOMPARE(QDir(m_dir.path()).entryList({"-*"}, QDir::Files), QStringList());
}

QTEST_GUILESS_MAIN(tst_cli_keys)
#include "tst_cli_keys.moc"
