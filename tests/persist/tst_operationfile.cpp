#include "TestFiles.h"
#include "persist/OperationFile.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

// Operation files: the bytes written, odd names read back unchanged, the files refused, and a
// save that fails leaving the old file as it was.
class tst_operationfile : public QObject
{
    Q_OBJECT

private slots:
    void writesNineLines();
    void roundTrip_data();
    void roundTrip();
    void read_data();
    void read();
    void failedSaveKeepsOldFile_data();
    void failedSaveKeepsOldFile();
    void neverReplacesLinksOrSpecialFiles();

private:
    QTemporaryDir m_dir;
};

namespace {

// Switch bits: 1 encrypt, 2 confirm files, 4 output files same, 8 subfolders, 16 single file
// (a picked name), 32 repairable files. Sides: input
// folder, input files, output folder, output files.
Setup MakeSetup(int switches, const QStringList& sides)
{
    Setup setup;
    setup.blnEncrypt = switches & 1;
    setup.blnConfirmFiles = switches & 2;
    setup.blnOutputFilesSame = switches & 4;
    setup.blnSubdirectories = switches & 8;
    setup.blnSingleFile = switches & 16;
    setup.blnRepairable = switches & 32;
    setup.strDirpath = {sides[0], sides[2]};
    setup.strFilespec = {sides[1], sides[3]};
    return setup;
}

const QStringList Example = {"/a/", "*.txt", "/b/", "*.enc"};
const QByteArray ExampleLines = " 1 \r\n 0 \r\n 0 \r\n 0 \r\n\"/a/\"\r\n\"*.txt\"\r\n\"/b/\"\r\n";

} // namespace

void tst_operationfile::writesNineLines()
{
    const QString path = m_dir.filePath(QStringLiteral("example.opn"));
    QVERIFY(WriteOperationFile(path, MakeSetup(1, Example)));
    QCOMPARE(TestFiles::read(path),
             VersionText().toUtf8() + "\r\n" + ExampleLines + "\"*.enc\"\r\n");
    QVERIFY(WriteOperationFile(path, MakeSetup(2 | 4 | 8, {"/a/", "", "", ""})));
    QCOMPARE(TestFiles::read(path),
             VersionText().toUtf8() +
                 "\r\n 0 \r\n 1 \r\n 1 \r\n 1 \r\n\"/a/\"\r\n\"\"\r\n\"\"\r\n\"\"\r\n");
    // Repairable files add an eleventh line, with the tenth before it whether or not it is on.
    QVERIFY(WriteOperationFile(path, MakeSetup(1 | 32, Example)));
    QCOMPARE(TestFiles::read(path),
             VersionText().toUtf8() + "\r\n" + ExampleLines + "\"*.enc\"\r\n 0 \r\n 1 \r\n");
}

void tst_operationfile::roundTrip_data()
{
    QTest::addColumn<int>("switches");
    QTest::addColumn<QStringList>("sides");
    QTest::newRow("non-ASCII") << 1
                               << QStringList{"/home/zoë/文書/", "résumé *.txt", "/Ωμέγα/", "*.€"};
    QTest::newRow("quotes, commas, wildcards")
        << 2 << QStringList{"/a \"b\", c/", "\"x\".t?t", "/[x]/", "\""};
    QTest::newRow("blanks, tab, CR at the ends")
        << 15 << QStringList{" /lead/ ", "\t*.*\t", "/trail\r/", " "};
    QTest::newRow("empty") << 4 << QStringList{"", "", "", ""};
    QTest::newRow("picked name") << 16 + 4 << QStringList{"/a/", "q?.txt", "/a/", "q?.txt"};
    QTest::newRow("repairable") << 32 + 1 << Example;
}

void tst_operationfile::roundTrip()
{
    QFETCH(int, switches);
    QFETCH(QStringList, sides);
    const QString path = m_dir.filePath(QStringLiteral("round.opn"));
    const Setup setup = MakeSetup(switches, sides);
    QVERIFY(WriteOperationFile(path, setup));
    OperationFileContents contents;
    QVERIFY(ReadOperationFile(path, contents));
    QCOMPARE(contents.versionText, VersionText());
    QCOMPARE(contents.saved, setup.Keep());
}

void tst_operationfile::read_data()
{
    QTest::addColumn<QByteArray>("text"); // a null array: no file
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<int>("optional"); // the switch bits of the optional lines read
    const QByteArray nine = "9.92\r\n" + ExampleLines + "\"*.enc\"\r\n";
    QTest::newRow("nine lines") << nine << true << 0;
    QTest::newRow("LF line ends, none at the end")
        << QByteArray(nine).replace("\r\n", "\n").chopped(1) << true << 0;
    QTest::newRow("more lines") << nine + "\"later\"\r\n" << true << 0;
    QTest::newRow("single file, written before repairable files") << nine + " 1 \r\n" << true << 16;
    QTest::newRow("repairable") << nine + " 0 \r\n 1 \r\n" << true << 32;
    QTest::newRow("repairable, single file") << nine + " 1 \n 1" << true << 16 + 32;
    QTest::newRow("missing file") << QByteArray() << false << 0;
    QTest::newRow("empty file") << QByteArray("") << false << 0;
    QTest::newRow("eight lines") << "9.92\r\n" + ExampleLines << false << 0;
    QTest::newRow("switch not a number") << QByteArray(nine).replace(" 1 ", " x ") << false << 0;
    QTest::newRow("switch 2") << QByteArray(nine).replace(" 1 ", " 2 ") << false << 0;
    QTest::newRow("switch -1") << QByteArray(nine).replace(" 1 ", "-1") << false << 0;
    QTest::newRow("string without quotes")
        << QByteArray(nine).replace("\"/a/\"", "/a/") << false << 0;
    QTest::newRow("line too long")
        << QByteArray(nine).replace("/a/", QByteArray(20000, 'a')) << false << 0;
}

void tst_operationfile::read()
{
    QFETCH(QByteArray, text);
    QFETCH(bool, accepted);
    QFETCH(int, optional);
    const QString path = m_dir.filePath(QStringLiteral("read.opn"));
    QFile::remove(path);
    if (!text.isNull())
        TestFiles::write(path, text);
    OperationFileContents contents{QStringLiteral("before"),
                                   MakeSetup(0, {"/x/", "", "", ""}).Keep()};
    const OperationFileContents before = contents;
    QCOMPARE(ReadOperationFile(path, contents), accepted);
    QCOMPARE(contents.saved, accepted ? MakeSetup(1 | optional, Example).Keep() : before.saved);
    QCOMPARE(contents.versionText, accepted ? QStringLiteral("9.92") : before.versionText);
}

void tst_operationfile::failedSaveKeepsOldFile_data()
{
    QTest::addColumn<int>("failure");
    QTest::newRow("read-only folder") << 0;
    QTest::newRow("file size limit reached while writing") << 1;
    QTest::newRow("line break in a name") << 2;
}

void tst_operationfile::failedSaveKeepsOldFile()
{
    QFETCH(int, failure);
    const QString folder = m_dir.filePath(QString::number(failure));
    QVERIFY(QDir().mkpath(folder));
    const QString path = folder + QStringLiteral("/kept.opn");
    TestFiles::write(path, "old");
    Setup setup = MakeSetup(1, Example);
    bool written = true;
    if (failure == 0) {
        if (::geteuid() == 0)
            QSKIP("root writes into read-only folders");
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
        written = WriteOperationFile(path, setup);
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    } else if (failure == 1) {
        rlimit saved = {};
        ::getrlimit(RLIMIT_FSIZE, &saved);
        rlimit small = saved;
        small.rlim_cur = 20;
        std::signal(SIGXFSZ, SIG_IGN);
        ::setrlimit(RLIMIT_FSIZE, &small);
        written = WriteOperationFile(path, setup);
        ::setrlimit(RLIMIT_FSIZE, &saved);
    } else {
        setup.strDirpath[Setup::Output] = QStringLiteral("/b\n/");
        written = WriteOperationFile(path, setup);
    }
    QVERIFY(!written);
    QCOMPARE(TestFiles::read(path), QByteArray("old"));
    QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList{"kept.opn"});
}

// A link is never written through (it could lead to any file of the system), and a FIFO is
// never replaced.
void tst_operationfile::neverReplacesLinksOrSpecialFiles()
{
    QTemporaryDir dir;
    const QString real = dir.filePath(QStringLiteral("real.opn"));
    QVERIFY(TestFiles::write(real, "old"));
    QVERIFY(QFile::link(real, dir.filePath(QStringLiteral("link.opn"))));
    QCOMPARE(::mkfifo(TestFiles::native(dir.filePath(QStringLiteral("fifo.opn"))).c_str(), 0600),
             0);
    for (const char* name : {"link.opn", "fifo.opn"})
        QVERIFY(!WriteOperationFile(dir.filePath(QLatin1String(name)), MakeSetup(1, Example)));
    QCOMPARE(TestFiles::read(real), QByteArray("old"));
    QVERIFY(QFileInfo(dir.filePath(QStringLiteral("link.opn"))).isSymLink());
    QVERIFY(!QFileInfo(dir.filePath(QStringLiteral("fifo.opn"))).isFile());
    QCOMPARE(QDir(dir.path())
                 .entryList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot),
             (QStringList{"fifo.opn", "link.opn", "real.opn"}));
}

QTEST_GUILESS_MAIN(tst_operationfile)
#include "tst_operationfile.moc"
