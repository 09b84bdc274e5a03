#include "ScriptedInteraction.h"
#include "TestFiles.h"
#include "files/FolderWalk.h"
#include "files/folder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

using namespace folder;

namespace {

// A folder with every kind of entry the counts must tell apart.
void MakeMixedFolder(const QString& path)
{
    const QDir dir(path);
    for (const char* name : {"a.txt", "B.TXT", "readme", ".profile", "notes.doc", "x:y.txt"})
        QVERIFY(TestFiles::write(dir.filePath(name), "x"));
    for (const char* name : {"sub.txt", ".hidden", "plain"})
        QVERIFY(dir.mkdir(name));
    QVERIFY(QFile::link("a.txt", dir.filePath("link.txt")));
    QVERIFY(QFile::link("plain", dir.filePath("folderlink")));
    QVERIFY(QFile::link("gone.txt", dir.filePath("dangling.txt")));
    QCOMPARE(::mkfifo(QFile::encodeName(dir.filePath("pipe.txt")).constData(), 0600), 0);
}

class CountingInteraction : public ScriptedInteraction
{
public:
    void ProcessEvents() override { ++calls; }
    int calls = 0;
};

// The walk as it should come out, from Qt's own unsorted listing: "folder: file file ...".
void ExpectedWalk(const QString& path, const QString& spec, QStringList& visits)
{
    const QDir dir(path);
    const QStringList files = dir.entryList({spec}, QDir::Files | QDir::Hidden, QDir::Unsorted);
    visits.append(path + ": " + files.join(' '));
    const auto folders = QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot | QDir::NoSymLinks;
    for (const QString& sub : dir.entryList(folders, QDir::Unsorted))
        ExpectedWalk(path + sub + '/', spec, visits);
}

} // namespace

// Counting files and subfolders, and walking folder trees, on real temporary folders.
class tst_folder : public QObject
{
    Q_OBJECT

private slots:
    void countMatchingFiles_data();
    void countMatchingFiles();
    void countMatchingFilesLetsEventsRun();
    void countsOfUnreadableFolders_data();
    void countsOfUnreadableFolders();
    void countsWithoutReadPermission();
    void walkOrderIsThePlatformsDepthFirst();
    void walkWithoutSubfolders();
    void walkStopsAfterASubfolder();
    void walkSkipsTheSubfoldersOfARefusedFolder();
    void walkReportsAFolderItCannotRead();
    void walkTakesNothingMadeDuringIt();
    void existence();
    void appDataFilePath();
};

void tst_folder::countMatchingFiles_data()
{
    QTest::addColumn<QString>("spec");
    QTest::addColumn<qint64>("count");
    const auto row = [](const char* tag, const QString& spec, qint64 count) {
        QTest::newRow(tag) << spec << count;
    };
    // Every file but folders, the fifo, the dangling link and the folder link; "*.*" does not
    // look at names, so the name with ":" counts there and nowhere else.
    row("all", "*.*", 7);
    row("all, blanks", " *.* ", 7);
    row("txt", "*.txt", 3);
    row("no extension", "*", 1);
    row("dot file", ".profile", 1);
    row("empty spec", "", 6);
    row("none", "zzz", 0);
}

void tst_folder::countMatchingFiles()
{
    QFETCH(QString, spec);
    QFETCH(qint64, count);
    QTemporaryDir dir;
    MakeMixedFolder(dir.path());
    QString errorText = "old";
    QCOMPARE(CountMatchingFiles(dir.path(), spec, errorText), count);
    QCOMPARE(errorText, QString());
    QCOMPARE(CountMatchingFiles(dir.path() + '/', spec, errorText), count);
}

void tst_folder::countMatchingFilesLetsEventsRun()
{
    QTemporaryDir dir;
    for (int i = 0; i < 600; ++i)
        QVERIFY(TestFiles::write(dir.filePath(QString("f%1.txt").arg(i)), ""));
    CountingInteraction interaction;
    QString errorText;
    QCOMPARE(CountMatchingFiles(dir.path(), "f1*.txt", errorText, &interaction), 111);
    QVERIFY(interaction.calls >= 2);
}

void tst_folder::countsOfUnreadableFolders_data()
{
    QTest::addColumn<QString>("path"); // "@" stands for a fresh temporary folder
    QTest::addColumn<qint64>("files");
    QTest::addColumn<qint64>("txtFiles");
    QTest::addColumn<qint64>("subfolders");
    QTest::addColumn<int>("errorNumber");
    const auto row = [](const char* tag, const QString& path, qint64 files, qint64 txtFiles,
                        qint64 subfolders, int errorNumber) {
        QTest::newRow(tag) << path << files << txtFiles << subfolders << errorNumber;
    };
    row("empty folder", "@/empty", 0, 0, 0, 0);
    row("mixed folder", "@/mixed", 7, 3, 3, 0);
    row("missing folder", "@/gone", -1, -1, -1, ENOENT);
    row("a file", "@/mixed/a.txt", -1, -1, -1, ENOTDIR);
    row("empty path", "", -1, -1, -1, ENOENT);
}

void tst_folder::countsOfUnreadableFolders()
{
    QFETCH(QString, path);
    QFETCH(qint64, files);
    QFETCH(qint64, txtFiles);
    QFETCH(qint64, subfolders);
    QFETCH(int, errorNumber);
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir("mixed"));
    QVERIFY(QDir(dir.path()).mkdir("empty"));
    MakeMixedFolder(dir.filePath("mixed"));
    path.replace('@', dir.path());
    QString errorText;
    int number = -5;
    QCOMPARE(CountMatchingFiles(path, "*.*", errorText), files);
    QCOMPARE(errorText.isEmpty(), files >= 0);
    QCOMPARE(CountMatchingFiles(path, "*.txt", errorText), txtFiles);
    QCOMPARE(CountSubfolders(path, errorText, number), subfolders);
    QCOMPARE(number, errorNumber);
    QCOMPARE(errorText, errorNumber ? qt_error_string(errorNumber) : QString());
}

void tst_folder::countsWithoutReadPermission()
{
    if (::geteuid() == 0)
        QSKIP("the superuser reads every folder");
    QTemporaryDir dir;
    const QString locked = dir.filePath("locked");
    QVERIFY(QDir().mkdir(locked, QFile::WriteOwner | QFile::ExeOwner));
    QString errorText;
    int number = 0;
    QCOMPARE(CountMatchingFiles(locked, "*.*", errorText), -1);
    QCOMPARE(CountSubfolders(locked, errorText, number), -1);
    QCOMPARE(number, EACCES);
    QVERIFY(!errorText.isEmpty());
}

void tst_folder::walkOrderIsThePlatformsDepthFirst()
{
    QTemporaryDir dir;
    const QString root = dir.path() + '/';
    // Made out of name order, so that a sorted listing would show.
    for (const char* sub : {"m", "c", "x", "a", "m/q", "m/b", "m/q/z", ".h"})
        QVERIFY(QDir(root).mkdir(sub));
    for (const char* file : {"k.txt", "d.txt", "w.TXT", "b.doc", "m/q/z/e.txt", "m/f.txt",
                             "m/n.txt", "a/g.txt", ".h/.t.txt", "c/s:t.txt"})
        QVERIFY(TestFiles::write(root + file, ""));
    QVERIFY(QFile::link(root + "m", root + "mlink"));
    QStringList expected;
    ExpectedWalk(root, "*.txt", expected);
    expected.replace(expected.indexOf(root + "c/: s:t.txt"), root + "c/: ");

    QStringList visits;
    WalkCallbacks callbacks;
    callbacks.files = [&visits](const QString& path, const QStringList& files) {
        visits.append(path + ": " + files.join(' '));
        return true;
    };
    QVERIFY(WalkFolder(dir.path(), "*.txt", true, callbacks));
    QCOMPARE(visits, expected);
    QCOMPARE(visits.size(), 9);
}

void tst_folder::walkWithoutSubfolders()
{
    QTemporaryDir dir;
    MakeMixedFolder(dir.path());
    QStringList visits;
    WalkCallbacks callbacks;
    callbacks.files = [&visits](const QString& path, const QStringList& files) {
        visits.append(path + ": " + files.join(' '));
        return true;
    };
    QVERIFY(WalkFolder(dir.path() + "//", "*", false, callbacks));
    QCOMPARE(visits, QStringList{dir.path() + "/: readme"});
}

void tst_folder::walkStopsAfterASubfolder()
{
    QTemporaryDir dir;
    for (const char* sub : {"a", "b", "a/deep", "b/deep"})
        QVERIFY(QDir(dir.path()).mkdir(sub));
    QStringList visits;
    bool stop = false;
    int asked = 0;
    WalkCallbacks callbacks;
    // The stop arrives while the first "deep" is walked, whichever comes first.
    callbacks.files = [&](const QString& path, const QStringList&) {
        visits.append(path);
        stop = stop || path.endsWith("/deep/");
        return true;
    };
    callbacks.stopRequested = [&] {
        ++asked;
        return stop;
    };
    QVERIFY(!WalkFolder(dir.path(), "*.*", true, callbacks));
    QCOMPARE(asked, 1);
    QCOMPARE(visits.size(), 3);
    QCOMPARE(visits[0], dir.path() + '/');
    QCOMPARE(visits[2], visits[1] + "deep/");
}

void tst_folder::walkSkipsTheSubfoldersOfARefusedFolder()
{
    QTemporaryDir dir;
    for (const char* sub : {"a", "b", "a/deep", "b/deep"})
        QVERIFY(QDir(dir.path()).mkdir(sub));
    QStringList visits;
    int asked = 0;
    WalkCallbacks callbacks;
    callbacks.files = [&](const QString& path, const QStringList&) {
        visits.append(path.mid(dir.path().size()));
        return !path.endsWith("/a/");
    };
    callbacks.stopRequested = [&asked] { return ++asked > 5; };
    QVERIFY(WalkFolder(dir.path(), "*.*", true, callbacks));
    QCOMPARE(asked, 3); // after "a", after "b/deep", after "b"
    visits.sort();
    QCOMPARE(visits, (QStringList{"/", "/a/", "/b/", "/b/deep/"}));
}

void tst_folder::walkReportsAFolderItCannotRead()
{
    QTemporaryDir dir;
    QStringList failures;
    int visits = 0;
    WalkCallbacks callbacks;
    callbacks.files = [&visits](const QString&, const QStringList&) { return ++visits > 0; };
    callbacks.failed = [&failures](const QString& path, const QString& errorText) {
        failures.append(path + ": " + errorText);
    };
    QVERIFY(WalkFolder(dir.filePath("gone"), "*.*", true, callbacks));
    QCOMPARE(failures, QStringList{dir.filePath("gone/") + ": " + qt_error_string(ENOENT)});
    QCOMPARE(visits, 0);
}

void tst_folder::walkTakesNothingMadeDuringIt()
{
    QTemporaryDir dir;
    QVERIFY(TestFiles::write(dir.filePath("one.txt"), ""));
    QStringList visits;
    WalkCallbacks callbacks;
    callbacks.files = [&visits](const QString& path, const QStringList& files) {
        visits.append(path + ": " + files.join(' '));
        QDir(path).mkdir("made");
        TestFiles::write(path + "two.txt", "");
        return true;
    };
    QVERIFY(WalkFolder(dir.path(), "*.txt", true, callbacks));
    QCOMPARE(visits, QStringList{dir.path() + "/: one.txt"});
}

void tst_folder::existence()
{
    QTemporaryDir dir;
    const QString file = dir.filePath("f.txt");
    QVERIFY(TestFiles::write(file, "x"));
    QVERIFY(FolderExists(dir.path()));
    QVERIFY(FolderExists("  " + dir.path() + "/ "));
    QVERIFY(!FolderExists(file));
    QVERIFY(!FolderExists(dir.filePath("gone")));
    QVERIFY(!FolderExists(""));
    QVERIFY(FileExists(file));
    QVERIFY(!FileExists(dir.path()));
    QVERIFY(!FileExists(dir.filePath("gone")));
    QVERIFY(!FileExists(""));
}

void tst_folder::appDataFilePath()
{
    QTemporaryDir dir;
    const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.path()));
    QCOMPARE(SpecialFolderPath(26), dir.path());
    QCOMPARE(SpecialFolderPath(5), QString());
    QCOMPARE(AppDataFilePath("zr7e.opn", "zr7e"), dir.path() + "/zr7e/zr7e.opn");
    QVERIFY(QFileInfo(dir.filePath("zr7e")).isDir());
    QCOMPARE(AppDataFilePath("other", "zr7e"), dir.path() + "/zr7e/other");

    // A config folder that is not there yet is made, private to the user.
    const QString fresh = dir.filePath("fresh");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(fresh));
    QCOMPARE(AppDataFilePath("zr7e.opn", "zr7e"), fresh + "/zr7e/zr7e.opn");
    QVERIFY(QFileInfo(fresh + "/zr7e").isDir());
    struct stat info;
    QCOMPARE(::stat(QFile::encodeName(fresh).constData(), &info), 0);
    QCOMPARE(info.st_mode & 07777, mode_t(0700));
    if (saved.isNull())
        qunsetenv("XDG_CONFIG_HOME");
    else
        qputenv("XDG_CONFIG_HOME", saved);
}

QTEST_GUILESS_MAIN(tst_folder)
#include "tst_folder.moc"
