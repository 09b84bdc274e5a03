#include "CliRun.h"
#include "LossTally.h"
#include "ReportLine.h"
#include "ScratchMount.h"
#include "TestFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QMap>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

// zr7e-cli on storage that fails under it: a disk that fills up, an output folder it may not
// write to, a read-only file system. Each file ends with its own report text, and nothing is
// lost: an original keeps its bytes unless its complete result is there (proven by decrypting
// it back), and no incomplete or temporary file is left under a name the report does not give.
class tst_cli_faults : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void cleanupTestCase();
    void diskFull_data();
    void diskFull();
    void outputFolderNotWritable_data();
    void outputFolderNotWritable();
    void readOnlyFileSystem_data();
    void readOnlyFileSystem();
    void folderReachedTwice_data();
    void folderReachedTwice();

private:
    // One file of a run: where it is read and where its result goes (the same in place).
    struct Item
    {
        QString input;
        QString output;
        QByteArray original;
        QByteArray plain;
    };

    QList<Item> Prepare(bool encrypt, const QList<int>& sizes, const QString& copyTo,
                        const QString& outputFolder);
    CliRun Operate(bool encrypt, const QStringList& args, bool asNobody = false);
    void CheckOutcome(const CliRun& run, const QList<Item>& items, bool encrypt,
                      const QString& failure, bool someDone);
    void CheckFailed(const Item& item, const ReportLine& line, QStringList& left);
    void ProveEncrypted(const QMap<QString, QByteArray>& results);
    void CheckFolders(const QMap<QString, QStringList>& expected);

    static QString Source(bool encrypt) { return encrypt ? "plain" : "made"; }
    QString path(const QString& relative) const { return m_dir->path() + '/' + relative; }
    QByteArray read(const QString& relative) const { return TestFiles::read(path(relative)); }

    static constexpr const char* Key = "a full disk must lose nothing";
    std::unique_ptr<QTemporaryDir> m_dir;
    ScratchMount m_mount;
    LossTally m_tally;
};

namespace {

const QString PartialNote = QString(14, ' ') + "Partial plaintext may be in ";

QString NotReplaced(bool encrypt)
{
    return QStringLiteral("This file cannot be replaced here (it is protected, or the folder "
                          "does not allow it).  ") +
           (encrypt ? "Encryption" : "Decryption") + " not performed.";
}

QString FolderOf(const QString& relative)
{
    const qsizetype slash = relative.lastIndexOf('/');
    return slash < 0 ? QString() : relative.left(slash);
}

} // namespace

void tst_cli_faults::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
}

// The mount goes first, whatever the test did: the temporary folder can then be removed.
void tst_cli_faults::cleanup()
{
    m_mount.unmount();
    m_dir.reset();
}

void tst_cli_faults::cleanupTestCase()
{
    m_tally.print("tst_cli_faults");
}

// Files f1.dat, f2.dat, ... of the given sizes, as plaintexts in "plain" or, to decrypt, as
// their ciphertexts in "made"; copied to `copyTo` when given. Their results go to
// `outputFolder`.
QList<tst_cli_faults::Item> tst_cli_faults::Prepare(bool encrypt, const QList<int>& sizes,
                                                    const QString& copyTo,
                                                    const QString& outputFolder)
{
    QDir().mkpath(path("plain"));
    QList<Item> items;
    for (qsizetype i = 0; i < sizes.size(); ++i) {
        const QString name = QStringLiteral("f%1.dat").arg(i + 1);
        const QByteArray plain = TestFiles::randomBytes(sizes[i], 70 + i);
        TestFiles::write(path("plain/" + name), plain);
        items.append({name, outputFolder + '/' + name, {}, plain});
    }
    // Without its ciphertexts a decryption case has nothing to work on: no items.
    if (!encrypt &&
        (!QDir().mkpath(path("made")) || Operate(true, {"--to", "made", "plain"}).status != 0))
        return {};
    const QString inputFolder = copyTo.isEmpty() ? Source(encrypt) : copyTo;
    for (Item& item : items) {
        const QString name = item.input;
        item.input = inputFolder + '/' + name;
        if (!copyTo.isEmpty())
            QFile::copy(path(Source(encrypt) + '/' + name), path(item.input));
        item.original = read(item.input);
    }
    return items;
}

CliRun tst_cli_faults::Operate(bool encrypt, const QStringList& args, bool asNobody)
{
    const QStringList run =
        QStringList{encrypt ? "encrypt" : "decrypt", "--yes", "--key-stdin"} + args;
    if (!asNobody)
        return RunCli(m_dir->path(), run, QByteArray(Key) + '\n');
    return RunCli(m_dir->path(),
                  QStringList{"--reuid=65534", "--regid=65534", "--clear-groups", ZR7_CLI} + run,
                  QByteArray(Key) + '\n', QStringLiteral("setpriv"));
}

// Every file either done, with its complete result, or failed with `failure` and its original
// as it was; `someDone` when the run must have done some files but not all, otherwise none.
void tst_cli_faults::CheckOutcome(const CliRun& run, const QList<Item>& items, bool encrypt,
                                  const QString& failure, bool someDone)
{
    QMap<QString, QStringList> left; // folder -> the names that must be in it, and no others
    QMap<QString, QByteArray> toProve;
    qsizetype done = 0;
    for (const Item& item : items) {
        left[FolderOf(item.output)];
        const ReportLine line(run.out, QFileInfo(item.input).fileName());
        QVERIFY2(line.found, qPrintable(run.out + run.err));
        QStringList& names = left[FolderOf(item.input)];
        if (item.input != item.output || !line.result.startsWith("-> "))
            names.append(QFileInfo(item.input).fileName());
        if (!line.result.startsWith("-> ")) {
            QCOMPARE(line.result, failure);
            CheckFailed(item, line, names);
            continue;
        }
        ++done;
        left[FolderOf(item.output)].append(QFileInfo(item.output).fileName());
        if (item.input != item.output)
            QVERIFY(m_tally.check(item.input, read(item.input), item.original));
        if (encrypt)
            toProve.insert(item.output, item.plain);
        else
            QVERIFY(m_tally.check(item.output, read(item.output), item.plain));
    }
    QCOMPARE(run.status, done == items.size() ? 0 : 1);
    if (someDone)
        QVERIFY2(done > 0 && done < items.size(), qPrintable(run.out));
    else
        QCOMPARE(done, 0);
    ProveEncrypted(toProve);
    CheckFolders(left);
}

// A failed file keeps its original; a decryption may have kept what it authenticated, under
// the name its report gives.
void tst_cli_faults::CheckFailed(const Item& item, const ReportLine& line, QStringList& left)
{
    QVERIFY(m_tally.check(item.input, read(item.input), item.original));
    if (item.input != item.output)
        QVERIFY(!QFileInfo::exists(path(item.output)));
    if (!line.next.startsWith(PartialNote))
        return;
    QString partial = line.next.mid(PartialNote.size());
    partial.chop(1);
    if (!partial.startsWith('/'))
        partial = path(FolderOf(item.output) + '/' + partial);
    const QByteArray kept = TestFiles::read(partial);
    QVERIFY(!kept.isEmpty());
    QVERIFY(m_tally.check(partial, kept, item.plain.left(kept.size())));
    if (FolderOf(partial) == path(FolderOf(item.output)))
        left.append(QFileInfo(partial).fileName());
}

// Copies of the results, decrypted in place in one run, must give the plaintexts back.
void tst_cli_faults::ProveEncrypted(const QMap<QString, QByteArray>& results)
{
    if (results.isEmpty())
        return;
    QDir().mkpath(path("proof"));
    int n = 0;
    for (auto it = results.begin(); it != results.end(); ++it)
        QVERIFY(QFile::copy(path(it.key()), path(QStringLiteral("proof/r%1").arg(++n))));
    const CliRun run = Operate(false, {"--in-place", "proof"});
    QVERIFY2(run.status == 0, qPrintable(run.out + run.err));
    n = 0;
    for (auto it = results.begin(); it != results.end(); ++it)
        QVERIFY(m_tally.check(it.key(), read(QStringLiteral("proof/r%1").arg(++n)), it.value()));
}

void tst_cli_faults::CheckFolders(const QMap<QString, QStringList>& expected)
{
    const auto files = QDir::Files | QDir::Hidden | QDir::System;
    for (auto it = expected.begin(); it != expected.end(); ++it) {
        QStringList names = it.value();
        names.sort();
        // Joined, so that a failure shows the names.
        QCOMPARE(QDir(path(it.key())).entryList(files, QDir::Name).join(", "), names.join(", "));
    }
}

void tst_cli_faults::diskFull_data()
{
    QTest::addColumn<bool>("encrypt");
    QTest::addColumn<bool>("inPlace");
    QTest::addColumn<int>("kib");
    QTest::addColumn<QList<int>>("sizes");
    // A file of one page and a byte takes two pages once encrypted or decrypted: the launch's
    // estimate of the space needed lets the batch start, and the disk fills half way.
    const QList<int> pages(6, 4097);
    // In place nothing is estimated: the middle file needs room for a second copy of itself.
    const QList<int> large{100, 3 << 20, 100};
    QTest::newRow("encrypt to a new folder") << true << false << 32 << pages;
    QTest::newRow("decrypt to a new folder") << false << false << 32 << pages;
    QTest::newRow("encrypt in place") << true << true << 5120 << large;
    QTest::newRow("decrypt in place") << false << true << 5120 << large;
}

void tst_cli_faults::diskFull()
{
    QFETCH(bool, encrypt);
    QFETCH(bool, inPlace);
    QFETCH(int, kib);
    QFETCH(QList<int>, sizes);
    const QString disk = inPlace ? "disk" : "out";
    if (!m_mount.tmpfs(path(disk), kib))
        QSKIP("cannot mount a small tmpfs here (needs root): the full disk is not tried");
    const QList<Item> items = Prepare(encrypt, sizes, inPlace ? disk : QString(), disk);
    QVERIFY(!items.isEmpty());
    m_tally.caseRun();
    const CliRun run = Operate(encrypt, inPlace ? QStringList{"--in-place", disk}
                                                : QStringList{"--to", disk, Source(encrypt)});
    CheckOutcome(run, items, encrypt, "Write error: disk full.", true);
}

void tst_cli_faults::outputFolderNotWritable_data()
{
    QTest::addColumn<bool>("encrypt");
    QTest::addColumn<bool>("bind");
    QTest::newRow("encrypt, read-only bind mount") << true << true;
    QTest::newRow("decrypt, read-only bind mount") << false << true;
    QTest::newRow("encrypt, folder without write permission") << true << false;
    QTest::newRow("decrypt, folder without write permission") << false << false;
}

// Root writes whatever the permission bits say: it runs the program as nobody instead.
void tst_cli_faults::outputFolderNotWritable()
{
    QFETCH(bool, encrypt);
    QFETCH(bool, bind);
    QDir().mkpath(path("out"));
    const QList<Item> items = Prepare(encrypt, {4097, 70000}, QString(), "out");
    QVERIFY(!items.isEmpty());
    const bool asNobody = !bind && ::geteuid() == 0;
    if (bind && !m_mount.bindReadOnly(path("out")))
        QSKIP("cannot bind-mount a folder read-only here (needs root)");
    if (!bind)
        QVERIFY(::chmod(QFile::encodeName(path("out")), 0555) == 0);
    if (asNobody) {
        QVERIFY(::chmod(QFile::encodeName(m_dir->path()), 0755) == 0);
        for (const Item& item : items)
            QVERIFY(::chmod(QFile::encodeName(path(item.input)), 0644) == 0);
    }
    m_tally.caseRun();
    const CliRun run = Operate(encrypt, {"--to", "out", Source(encrypt)}, asNobody);
    if (asNobody && run.err.contains("Permission denied") && run.status != 1)
        QSKIP("the program cannot be run as another user here");
    CheckOutcome(run, items, encrypt, "Unable to open output file.", false);
}

void tst_cli_faults::readOnlyFileSystem_data()
{
    QTest::addColumn<bool>("encrypt");
    QTest::addColumn<bool>("inPlace");
    QTest::newRow("encrypt in place") << true << true;
    QTest::newRow("decrypt in place") << false << true;
    QTest::newRow("encrypt to a new folder on it") << true << false;
    QTest::newRow("decrypt to a new folder on it") << false << false;
}

void tst_cli_faults::readOnlyFileSystem()
{
    QFETCH(bool, encrypt);
    QFETCH(bool, inPlace);
    if (!m_mount.tmpfs(path("disk"), 1024))
        QSKIP("cannot mount a tmpfs here (needs root): the read-only file system is not tried");
    QDir().mkpath(path("disk/out"));
    const QList<Item> items =
        Prepare(encrypt, {4097, 70000}, "disk", inPlace ? "disk" : "disk/out");
    QVERIFY(!items.isEmpty());
    QVERIFY(m_mount.makeReadOnly());
    m_tally.caseRun();
    const CliRun run = Operate(encrypt, inPlace ? QStringList{"--in-place", "disk"}
                                                : QStringList{"--to", "disk/out", "disk"});
    CheckOutcome(run, items, encrypt,
                 inPlace ? NotReplaced(encrypt) : QStringLiteral("Unable to open output file."),
                 false);
}

void tst_cli_faults::folderReachedTwice_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("target");
    QTest::newRow("a sibling mounted on another") << "tree/a"
                                                  << "tree/b";
    QTest::newRow("the tree mounted inside itself") << "tree"
                                                    << "tree/a/loop";
}

// Each file is encrypted once, however often the walk could reach its folder.
void tst_cli_faults::folderReachedTwice()
{
    QFETCH(QString, source);
    QFETCH(QString, target);
    QDir().mkpath(path("tree/a/loop"));
    QDir().mkpath(path("tree/b"));
    const QByteArray plain = TestFiles::randomBytes(5000, 3);
    QVERIFY(TestFiles::write(path("tree/a/x.txt"), plain));
    if (!m_mount.bind(path(source), path(target)))
        QSKIP("cannot bind-mount a folder here (needs root)");
    const CliRun run = Operate(true, {"--in-place", "--subfolders", "--files", "*.txt", "tree"});
    m_mount.unmount();
    QCOMPARE(run.status, 0);
    QCOMPARE(run.err.count("Not walked twice: the folder "), 1);
    const CliRun opened = Operate(false, {"--to", "tree/b", "tree/a/x.txt"});
    QCOMPARE(opened.status, 0);
    QCOMPARE(read("tree/b/x.txt"), plain);
}

QTEST_GUILESS_MAIN(tst_cli_faults)
#include "tst_cli_faults.moc"
