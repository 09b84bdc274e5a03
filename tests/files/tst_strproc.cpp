#include "files/StrProc.h"

#include <QTest>

using namespace StrProc;

// Case folding, file specification matching, shortening for display and path parts.
class tst_strproc : public QObject
{
    Q_OBJECT

private slots:
    void lowerCaseText_data();
    void lowerCaseText();
    void wildcardMatch_data();
    void wildcardMatch();
    void fileNameMatchesSpec_data();
    void fileNameMatchesSpec();
    void shortenText_data();
    void shortenText();
    void pathParts_data();
    void pathParts();
    void ensureTrailingBackslash_data();
    void ensureTrailingBackslash();
    void textOperations();
};

void tst_strproc::lowerCaseText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("folded");
    const auto row = [](const char* tag, const QString& text, const QString& folded) {
        QTest::newRow(tag) << text << folded;
    };
    row("plain", "ReadMe.TXT", "readme.txt");
    row("accented", "ÉCOLE Ñandú", "école ñandú");
    // Every pair of the table, the accented "À" in it choosing the table.
    row("whole table", "ABCDEFGHIJKLMNOPQRSTUVWXYZŠŒŸÀÁÂÃÄÅÆÇÈÉÊËÌÍÎÏÐÑÒÓÔÕÖØÙÚÛÜÝÞ",
        "abcdefghijklmnopqrstuvwxyzšœÿàáâãäåæçèéêëìíîïðñòóôõöøùúûüýþ");
    row("sharp s stays", "STRAßE", "straße");
    // Without an accented letter the ordinary lower-casing runs and knows other scripts...
    row("greek alone", "ΣΟΦΙΑ", "σοφια");
    row("Z caron alone", "ŽÆÞŒ", "žæþœ");
    // ...with one, only the table folds, and letters outside it stay.
    row("greek with accent", "ΣÉ", "Σé");
    row("Z caron with accent", "ŽÀ", "Žà");
    row("lower accent chooses table", "ΣÆé", "Σæé");
    row("empty", "", "");
}

void tst_strproc::lowerCaseText()
{
    QFETCH(QString, text);
    QFETCH(QString, folded);
    QCOMPARE(LowerCaseText(text), folded);
}

void tst_strproc::wildcardMatch_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<bool>("matches");
    const auto row = [](const char* tag, const QString& name, const QString& pattern,
                        bool matches) { QTest::newRow(tag) << name << pattern << matches; };
    row("equal", "abc", "abc", true);
    row("both empty", "", "", true);
    row("case ignored", "ABC", "a?c", true);
    row("accented case ignored", "École", "É*E", true);
    row("empty name, stars", "", "**", true);
    row("empty name, question mark", "", "*?", false);
    row("empty name, literal", "", "a", false);
    row("empty pattern", "anything", "", true);
    row("question marks", "abc", "???", true);
    row("too few characters", "a", "??", false);
    row("too many characters", "abcd", "???", false);
    row("star inside", "abcdef", "a*ef", true);
    row("no backtracking", "axbxb", "a*b", false);
    row("star then question mark", "ba", "*?a", false);
    row("trailing star and question mark", "a", "a*?", true);
    row("star takes a rest", "abc", "a*", true);
    row("literal not found", "abc", "a*x", false);
    row("two stars", "abcbd", "a**d", true);
    row("star finds first", "xay", "*a?", true);
}

void tst_strproc::wildcardMatch()
{
    QFETCH(QString, name);
    QFETCH(QString, pattern);
    QFETCH(bool, matches);
    QCOMPARE(WildcardMatch(name, pattern), matches);
}

void tst_strproc::fileNameMatchesSpec_data()
{
    QTest::addColumn<QString>("spec");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("matches");
    const auto row = [](const char* tag, const QString& spec, const QString& name, bool matches) {
        QTest::newRow(tag) << spec << name << matches;
    };
    row("all: no extension", "*.*", "readme", true);
    row("all: extension", "*.*", "a.txt", true);
    row("all: dot file", "*.*", ".profile", true);
    row("star: no extension", "*", "readme", true);
    row("star: extension", "*", "a.txt", false);
    row("txt: upper case", "*.txt", "A.TXT", true);
    row("txt: mixed case", "*.txt", "notes.Txt", true);
    row("txt: no extension", "*.txt", "readme", false);
    row("a*.d*: abc.doc", "a*.d*", "abc.doc", true);
    row("a*.d*: a.d", "a*.d*", "a.d", true);
    row("a*.d*: abc.txt", "a*.d*", "abc.txt", false);
    row("a*.d*: b.doc", "a*.d*", "b.doc", false);
    row("a*.d*: no extension", "a*.d*", "abc", false);
    row("a*.**: no extension", "a*.**", "abc", true);
    row("?.txt: a.txt", "?.txt", "a.txt", true);
    row("?.txt: ab.txt", "?.txt", "ab.txt", false);
    row("?.txt: .txt", "?.txt", ".txt", false);
    row("??: a", "??", "a", false);
    row("a*b: axbxb", "a*b", "axbxb", false);
    row("a*?: a", "a*?", "a", true);
    // The last dot splits: «x.tar» is compared with the name part, «gz» with the extension.
    row("tar.gz: *.*", "*.*", "x.tar.gz", true);
    row("tar.gz: *.gz", "*.gz", "x.tar.gz", true);
    row("tar.gz: *.tar", "*.tar", "x.tar.gz", false);
    row("tar.gz: x.*", "x.*", "x.tar.gz", false);
    row("tar.gz: x.tar.*", "x.tar.*", "x.tar.gz", true);
    row(".txt: x.txt", ".txt", "x.txt", true);
    row(".txt: y.TXT", ".txt", "y.TXT", true);
    row(".txt: x.doc", ".txt", "x.doc", false);
    row("report.: report", "report.", "report", true);
    row("report.: report.doc", "report.", "report.doc", true);
    row("report.: report.txt", "report.", "report.txt", true);
    row("report.: reports", "report.", "reports", false);
    row("*.: readme", "*.", "readme", true);
    row("*.: a.txt", "*.", "a.txt", true);
    row("*.: .profile", "*.", ".profile", true);
    row("*.: trailing dot", "*.", "a.", true);
    row("no dot: name with dot", "readme", "readme.txt", false);
    row("accented spec", "é*.txt", "École.TXT", true);
    // Characters that other systems keep out of names are ordinary ones here.
    row("colon: all", "*.*", "a:b.txt", true);
    row("colon: literal", "a:b.txt", "a:b.txt", true);
    row("backslash", "*.*", "a\\b.txt", true);
    row("question mark in name", "*.txt", "a?.txt", true);
    row("star in name", "a?.*", "a*.txt", true);
    row("empty spec", "", "any.thing", true);
    row("blank spec", "   ", "any.thing", true);
    row("blanks around spec", "  *.txt  ", "a.txt", true);
    row("blanks of the name kept", "a.txt", " a.txt", false);
}

void tst_strproc::fileNameMatchesSpec()
{
    QFETCH(QString, spec);
    QFETCH(QString, name);
    QFETCH(bool, matches);
    QCOMPARE(FileNameMatchesSpec(name, spec), matches);
}

void tst_strproc::shortenText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("n");
    QTest::addColumn<QString>("shortened");
    const auto row = [](const char* tag, const QString& text, int n, const QString& shortened) {
        QTest::newRow(tag) << text << n << shortened;
    };
    const QString path80 =
        "/srv/archive/2023/quarterly-statements/customer-records/encrypted/backup-001.zr7";
    row("80 characters to 70", path80, 70,
        "/sr...3/quarterly-statements/customer-records/encrypted/backup-001.zr7");
    row("tail starts after a blank", QString(path80).replace('-', ' '), 70,
        "/sr...statements/customer records/encrypted/backup 001.zr7");
    row("shortest", "abcdefghijk", 10, "abc...hijk");
    row("fits exactly", "abcdefghij", 10, "abcdefghij");
    row("n below 10", "abcdefghijklmnop", 9, "abcdefghijklmnop");
    row("blank at the tail's end", "aaaaaaaaaaaaaaaaaaaa ", 10, "aaa...");
}

void tst_strproc::shortenText()
{
    QFETCH(QString, text);
    QFETCH(int, n);
    QFETCH(QString, shortened);
    QCOMPARE(ShortenText(text, n), shortened);
    if (n >= 10)
        QVERIFY(shortened.size() <= n);
}

void tst_strproc::pathParts_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("folderPart");
    QTest::addColumn<QString>("fileNamePart");
    QTest::addColumn<QString>("extension");
    const auto row = [](const char* tag, const QString& path, const QString& folderPart,
                        const QString& fileNamePart, const QString& extension) {
        QTest::newRow(tag) << path << folderPart << fileNamePart << extension;
    };
    row("no slash", "readme.txt", "", "", "txt");
    row("full path", "/home/Ann/Report.TXT", "/home/Ann/", "Report.TXT", "txt");
    row("dot in folder only", "/home/a.b/readme", "/home/a.b/", "readme", "");
    row("dot file", "/home/a/.profile", "/home/a/", ".profile", "profile");
    row("two dots", "/x.tar.gz", "/", "x.tar.gz", "gz");
    row("folder", "/home/a/", "/home/a/", "", "");
    row("root", "/", "/", "", "");
    row("accented extension", "/d/Ÿ.ÉTÉ", "/d/", "Ÿ.ÉTÉ", "été");
}

void tst_strproc::pathParts()
{
    QFETCH(QString, path);
    QFETCH(QString, folderPart);
    QFETCH(QString, fileNamePart);
    QFETCH(QString, extension);
    QCOMPARE(FolderPart(path), folderPart);
    QCOMPARE(FileNamePart(path), fileNamePart);
    QCOMPARE(ExtensionPart(path), extension);
    // Letter case tells files apart here, so the display form may not change it.
    QCOMPARE(PathCase(path), path);
}

void tst_strproc::ensureTrailingBackslash_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("ensured");
    const auto row = [](const char* tag, const QString& path, const QString& ensured) {
        QTest::newRow(tag) << path << ensured;
    };
    row("empty", "", "");
    row("root", "/", "/");
    row("double root", "//", "/");
    row("without", "/home/ann", "/home/ann/");
    row("with one", "/home/ann/", "/home/ann/");
    row("with several", "/home/ann///", "/home/ann/");
    row("relative", "C:", "C:/");
}

void tst_strproc::ensureTrailingBackslash()
{
    QFETCH(QString, path);
    QFETCH(QString, ensured);
    EnsureTrailingBackslash(path);
    QCOMPARE(path, ensured);
}

void tst_strproc::textOperations()
{
    QCOMPARE(LeftPart("abc", 2), QStringLiteral("ab"));
    QCOMPARE(LeftPart("abc", 5), QStringLiteral("abc"));
    QCOMPARE(LeftPart("abc", 0), QString());
    QCOMPARE(LeftPart("abc", -1), QString());

    QString text = "name.enc.enc.enc";
    RemoveTrailing(text, ".enc");
    QCOMPARE(text, QStringLiteral("name"));
    RemoveTrailing(text, "");
    QCOMPARE(text, QStringLiteral("name"));

    text = "a?b*c?";
    RemoveCharacters(text, "?*");
    QCOMPARE(text, QStringLiteral("abc"));

    QCOMPARE(TrimBlanks("  a b \t "), QStringLiteral("a b \t"));
    QVERIFY(HasWildcards("a?"));
    QVERIFY(HasWildcards("*"));
    QVERIFY(!HasWildcards("a.b"));
}

QTEST_GUILESS_MAIN(tst_strproc)
#include "tst_strproc.moc"
