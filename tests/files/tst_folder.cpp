#include "ScriptedInteraction.h"
#include "TestFiles.h"
#include "files/FolderWalk.h"
#include "files/NameBytes.h"
#include "files/NameFilter.h"
#include "files/folder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <fcntl.h>
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

// Makes a file whose name is `name`'s bytes, valid UTF-8 or not.
bool MakeRawFile(const QString& folder, const QByteArray& name)
{
    const int fd = ::open((QFile::encodeName(folder) + '/' + name).constData(),
                          O_CREAT | O_WRONLY | O_EXCL, 0600);
    return fd >= 0 && ::close(fd) == 0;
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
    void walkOrderIsForPeopleDepthFirst();
    void namesOfEveryKindAreAccountedFor();
    void aFilesOwnNameIsTakenLiterally_data();
    void aFilesOwnNameIsTakenLiterally();
    void escapedNames_data();
    void escapedNames();
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
    // Every file but folders, the fifo, the dangling link and the folder link.
    row("all", "*.*", 7);
    row("all, blanks", " *.* ", 7);
    row("txt", "*.txt", 4);
    row("no extension", "*", 1);
    row("dot file", ".profile", 1);
    row("empty spec", "", 7);
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
    row("mixed folder", "@/mixed", 7, 4, 3, 0);
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

void tst_folder::walkOrderIsForPeopleDepthFirst()
{
    QTemporaryDir dir;
    const QString root = dir.path() + '/';
    for (const char* sub : {"m", "C", "x10", "x9", "m/q", "m/b", "m/q/z", ".h"})
        QVERIFY(QDir(root).mkdir(sub));
    for (const char* file : {"k.txt", "D.txt", "w.TXT", "b.doc", "f10.txt", "f9.txt", "F1.txt",
                             "m/q/z/e.txt", "m/f.txt", "m/n.txt", ".h/.t.txt", "C/s:t.txt"})
        QVERIFY(TestFiles::write(root + file, ""));
    QVERIFY(QFile::link(root + "m", root + "mlink"));

    QStringList visits;
    WalkCallbacks callbacks;
    callbacks.files = [&](const QString& path, const QStringList& files, const QStringList&) {
        visits.append(path.mid(root.size()) + ": " + files.join(' '));
        return true;
    };
    QVERIFY(WalkFolder(dir.path(), "*.txt", true, callbacks));
    // Letter case ignored, numbers by value, and files before subfolders at each level.
    const QStringList expected{": D.txt F1.txt f9.txt f10.txt k.txt w.TXT",
                               ".h/: .t.txt",
                               "C/: s:t.txt",
                               "m/: f.txt n.txt",
                               "m/b/: ",
                               "m/q/: ",
                               "m/q/z/: e.txt",
                               "x9/: ",
                               "x10/: "};
    QCOMPARE(visits, expected);
}

void tst_folder::namesOfEveryKindAreAccountedFor()
{
    QTemporaryDir dir;
    for (const char* name : {"what?.txt", "a*b.txt", "back\\slash.txt", "plain.txt"})
        QVERIFY(TestFiles::write(dir.filePath(name), ""));
    QVERIFY(MakeRawFile(dir.path(), "caf\xe9.txt"));
    QVERIFY(MakeRawFile(dir.path(), "\xff\xfe.doc"));
    QCOMPARE(::mkdir((QFile::encodeName(dir.path()) + "/old\xe9").constData(), 0700), 0);

    QStringList visits;
    QStringList failures;
    WalkCallbacks callbacks;
    callbacks.files = [&](const QString&, const QStringList& files, const QStringList& unreadable) {
        visits.append(files.join(' ') + " | " + unreadable.join(' '));
        return true;
    };
    callbacks.failed = [&](const QString& path, const QString& errorText) {
        failures.append(path.mid(dir.path().size()) + ": " + errorText);
    };
    QVERIFY(WalkFolder(dir.path(), "*.txt", true, callbacks));
    QCOMPARE(visits, QStringList{"a*b.txt back\\slash.txt plain.txt what?.txt | caf\\xE9.txt"});
    QCOMPARE(failures, QStringList{"/old\\xE9/: " + UnreadableNameText()});
    QString errorText;
    QCOMPARE(CountMatchingFiles(dir.path(), "*.txt", errorText), 5);
}

void tst_folder::aFilesOwnNameIsTakenLiterally_data()
{
    QTest::addColumn<QString>("spec");
    QTest::addColumn<QString>("selected");
    QTest::addColumn<bool>("picked");
    QTest::newRow("a picked name with ?") << "what?.txt"
                                          << "what?.txt" << true;
    QTest::newRow("its other case") << "WHAT?.TXT"
                                    << "what?.txt whatx.txt" << false;
    QTest::newRow("a picked name with *") << "a*.txt"
                                          << "a*.txt" << true;
    QTest::newRow("a pattern") << "wha??.txt"
                               << "what?.txt whatx.txt" << false;
    QTest::newRow("a pattern, no file of its name") << "a?.txt"
                                                    << "a*.txt ab.txt" << false;
}

void tst_folder::aFilesOwnNameIsTakenLiterally()
{
    QFETCH(QString, spec);
    QFETCH(QString, selected);
    QFETCH(bool, picked);
    const NameFilter filter(spec, picked ? NameFilter::Kind::PickedName
                                         : NameFilter::Kind::Specification);
    QTemporaryDir dir;
    for (const char* name : {"what?.txt", "whatx.txt", "a*.txt", "ab.txt"})
        QVERIFY(TestFiles::write(dir.filePath(name), ""));
    QStringList walked;
    WalkCallbacks callbacks;
    callbacks.files = [&](const QString&, const QStringList& files, const QStringList&) {
        walked = files;
        return true;
    };
    WalkFolder(dir.path(), filter, false, callbacks);
    QCOMPARE(walked.join(' '), selected);
    QString errorText;
    QCOMPARE(CountMatchingFiles(dir.path(), filter, errorText), qint64(walked.size()));
}

void tst_folder::escapedNames_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::addColumn<QString>("shown");
    QTest::newRow("ascii") << QByteArray("a.txt") << "a.txt";
    QTest::newRow("utf-8") << QByteArray("caf\xc3\xa9 \xe2\x82\xac\xf0\x9f\x94\x91")
                           << QString::fromUtf8("caf\xc3\xa9 \xe2\x82\xac\xf0\x9f\x94\x91");
    QTest::newRow("latin-1") << QByteArray("caf\xe9.txt") << "caf\\xE9.txt";
    QTest::newRow("overlong") << QByteArray("\xc0\xaf") << "\\xC0\\xAF";
    QTest::newRow("cut short") << QByteArray("a\xe2\x82") << "a\\xE2\\x82";
    QTest::newRow("surrogate") << QByteArray("\xed\xa0\x80") << "\\xED\\xA0\\x80";
    QTest::newRow("past U+10FFFF") << QByteArray("\xf4\x90\x80\x80") << "\\xF4\\x90\\x80\\x80";
    // Qt would drop a leading mark and so name another file; one inside a name stays text.
    QTest::newRow("leading byte order mark")
        << QByteArray("\xef\xbb\xbfn.txt") << "\\xEF\\xBB\\xBFn.txt";
    QTest::newRow("byte order mark inside")
        << QByteArray("n\xef\xbb\xbfx") << QString::fromUtf8("n\xef\xbb\xbfx");
    QTest::newRow("byte order mark after a byte")
        << QByteArray("\xff\xef\xbb\xbfx") << QString::fromUtf8("\\xFF\xef\xbb\xbfx");
}

void tst_folder::escapedNames()
{
    QFETCH(QByteArray, name);
    QFETCH(QString, shown);
    QCOMPARE(NameBytes::Escaped(name), shown);
    QCOMPARE(NameBytes::IsReadable(name), !shown.contains("\\x"));
}

void tst_folder::walkWithoutSubfolders()
{
    QTemporaryDir dir;
    MakeMixedFolder(dir.path());
    QStringList visits;
    WalkCallbacks callbacks;
    callbacks.files = [&visits](const QString& path, const QStringList& files, const QStringList&) {
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
    callbacks.files = [&](const QString& path, const QStringList&, const QStringList&) {
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
    callbacks.files = [&](const QString& path, const QStringList&, const QStringList&) {
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
    callbacks.files = [&visits](const QString&, const QStringList&, const QStringList&) {
        return ++visits > 0;
    };
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
    callbacks.files = [&visits](const QString& path, const QStringList& files, const QStringList&) {
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
