#include "BatchFixture.h"
#include "InPlaceFile.h"
#include "LossTally.h"
#include "ReportLine.h"
#include "TestFiles.h"
#include "core/ZR7FileOps.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <optional>

#include <sys/fsuid.h>
#include <sys/stat.h>
#include <unistd.h>

// A batch whose input changes under it: while the first file is encrypted, another program
// deletes the second, puts a folder in its place, or takes away the right to read it. That file
// is reported with its own text and left as the other program made it; the files before and
// after it are done, and nothing is lost or left behind.
class TestFaultInjection : public QObject
{
    Q_OBJECT

private slots:
    void cleanupTestCase();
    void inputChangesBeforeItsTurn_data();
    void inputChangesBeforeItsTurn();
    void resultDamagedOnDisk_data();
    void resultDamagedOnDisk();

private:
    LossTally m_tally;
};

namespace {

const QStringList Names = {QStringLiteral("a.txt"), QStringLiteral("b.txt"),
                           QStringLiteral("c.txt")};

QByteArray Plain(int i)
{
    return TestFiles::randomBytes(5000 + i, 90 + i);
}

// Root reads any file whatever its permission bits say. For the unreadable file the batch runs
// under nobody's file-system identity (this thread only), on files and folders that nobody
// owns.
class ActAsNobody
{
public:
    explicit ActAsNobody(BatchFixture& f)
    {
        if (::geteuid() != 0)
            return;
        const QString top = f.path(QString());
        ::chown(QFile::encodeName(top), 65534, 65534);
        for (const QString& name : QDir(top + "in").entryList(QDir::Files))
            ::chown(QFile::encodeName(top + "in/" + name), 65534, 65534);
        ::chown(QFile::encodeName(top + "in"), 65534, 65534);
        ::setfsuid(65534);
        m_active = true;
    }
    ~ActAsNobody()
    {
        if (m_active)
            ::setfsuid(0);
    }

private:
    bool m_active = false;
};

} // namespace

void TestFaultInjection::cleanupTestCase()
{
    m_tally.print("tst_faultinjection");
}

void TestFaultInjection::inputChangesBeforeItsTurn_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<bool>("inPlace");
    QTest::addColumn<QString>("text");
    const QString special =
        QStringLiteral("This is a symbolic link or a special file.  Encryption not performed.");
    for (const bool inPlace : {false, true}) {
        const char* mode = inPlace ? "in place" : "to new files";
        QTest::addRow("deleted, %s", mode) << "deleted" << inPlace << "Input file not found.";
        QTest::addRow("a folder in its place, %s", mode) << "folder" << inPlace << special;
        QTest::addRow("unreadable, %s", mode)
            << "unreadable" << inPlace << "Unable to open input file.";
    }
}

void TestFaultInjection::inputChangesBeforeItsTurn()
{
    QFETCH(QString, change);
    QFETCH(bool, inPlace);
    QFETCH(QString, text);
    BatchFixture f;
    f.setup.blnOutputFilesSame = inPlace;
    for (int i = 0; i < Names.size(); ++i)
        f.write("in/" + Names[i], Plain(i));
    const QString second = f.path("in/b.txt");
    bool changed = false;
    f.interaction.onProcessEvents = [&] {
        if (changed || !f.report().contains(Names[0]))
            return;
        changed = true;
        if (change == "unreadable") {
            ::chmod(QFile::encodeName(second), 0);
            return;
        }
        QFile::remove(second);
        if (change == "folder")
            QDir().mkdir(second);
    };
    const QString out = inPlace ? "in" : "out";
    {
        std::optional<ActAsNobody> nobody;
        if (change == "unreadable")
            nobody.emplace(f);
        f.Run("in", "*.*", out, "*.*");
    }
    m_tally.caseRun();
    QVERIFY(changed);
    QCOMPARE(ReportLine(f.report(), Names[1]).result, text);
    QCOMPARE(f.driver.counters().filesDone, 2);
    for (const int i : {0, 2}) {
        QVERIFY(m_tally.check(Names[i], f.decrypted(out + '/' + Names[i]), Plain(i)));
        if (!inPlace)
            QVERIFY(m_tally.check(Names[i], f.read("in/" + Names[i]), Plain(i)));
    }
    QCOMPARE(QFileInfo(second).isDir(), change == "folder");
    if (change == "unreadable") {
        ::chmod(QFile::encodeName(second), 0600);
        QVERIFY(m_tally.check(Names[1], f.read("in/b.txt"), Plain(1)));
    }
    // Nothing but the files themselves: no result for the changed one, no temporary file.
    const QStringList done = {Names[0], Names[2]};
    const QStringList kept = change == "unreadable" ? Names : done;
    const auto files = QDir::Files | QDir::Hidden | QDir::System;
    QCOMPARE(QDir(f.path("in")).entryList(files, QDir::Name), kept);
    if (!inPlace)
        QCOMPARE(QDir(f.path("out")).entryList(files, QDir::Name), done);
}

// The result in place reaches the disk otherwise than it was written (a write the system
// reported done that never happened, a file cut or extended): the file keeps its original.
void TestFaultInjection::resultDamagedOnDisk_data()
{
    QTest::addColumn<bool>("encrypt");
    QTest::addColumn<QString>("damage");
    for (const bool encrypt : {true, false}) {
        const char* mode = encrypt ? "encrypted" : "decrypted";
        QTest::addRow("%s, 7 bytes lost at 1 MiB", mode) << encrypt << "lost";
        QTest::addRow("%s, cut short", mode) << encrypt << "cut";
        QTest::addRow("%s, extended", mode) << encrypt << "extended";
    }
}

void TestFaultInjection::resultDamagedOnDisk()
{
    QFETCH(bool, encrypt);
    QFETCH(QString, damage);
    BatchFixture f;
    f.setup.blnOutputFilesSame = true;
    f.setup.blnEncrypt = encrypt;
    const QByteArray plain = TestFiles::randomBytes(3 << 20, 17);
    if (encrypt)
        f.write(Names[0], plain);
    else
        f.writeEncrypted(Names[0], plain);
    const QByteArray before = f.read(Names[0]);
    f.driver.fileOps().onStage = [&](ZR7FileOps::Stage stage, const InPlaceFile& file) {
        if (stage != ZR7FileOps::Stage::Verifying)
            return;
        QFile result(QString::fromStdString(file.resultPath()));
        QVERIFY(result.open(QIODevice::ReadWrite));
        if (damage == "lost")
            QVERIFY(result.seek(1 << 20) && result.write(QByteArray(7, 0)) == 7);
        else
            QVERIFY(result.resize(result.size() + (damage == "cut" ? -1 : 1)));
    };
    f.Run(QString(), Names[0], QString(), QStringLiteral("*.*"));
    m_tally.caseRun();
    QCOMPARE(ReportLine(f.report(), Names[0]).result,
             QStringLiteral("The result could not be verified on disk, so the original file "
                            "was kept."));
    QCOMPARE(f.driver.counters().filesDone, 0);
    QVERIFY(m_tally.check(Names[0], f.read(Names[0]), before));
    QCOMPARE(QDir(f.path(QString())).entryList(QDir::Files | QDir::Hidden), QStringList(Names[0]));
}

QTEST_GUILESS_MAIN(TestFaultInjection)
#include "tst_faultinjection.moc"
