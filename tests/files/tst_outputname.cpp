#include "files/OutputName.h"

#include <QTest>

// The output name derivation and its wildcard substitution.
class tst_outputname : public QObject
{
    Q_OBJECT

private slots:
    void deriveOutputName_data();
    void deriveOutputName();
    void substituteWildcards_data();
    void substituteWildcards();
};

void tst_outputname::deriveOutputName_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("spec");
    QTest::addColumn<QString>("output");
    QTest::addColumn<int>("code");
    const auto row = [](const char* tag, const QString& input, const QString& spec,
                        const QString& output,
                        int code) { QTest::newRow(tag) << input << spec << output << code; };
    // Worked results.
    row("new extension", "report.txt", "*.enc", "report.enc", 0);
    row("back to txt", "report.enc", "*.txt", "report.txt", 0);
    row("all files", "report.txt", "*.*", "report.txt", 1);
    row("all files, no extension", "readme", "*.*", "readme", 1);
    row("extension added", "readme", "*.enc", "readme.enc", 0);
    row("star drops the extension", "report.txt", "*", "report", 0);
    row("trailing dot dropped", "report.txt", "copy.", "copy", 0);
    row("no name part", "report.txt", ".enc", ".enc", 0);
    row("prefix over the start", "report.txt", "new*.*", "newort.txt", 0);
    row("question mark copies", "abc.txt", "x?z.*", "xbz.txt", 0);
    row("question marks vanish", "ab.txt", "????x.*", "abx.txt", 0);
    row("last dot splits", "a.b.c", "*.x", "a.b.x", 0);
    row("literal after star lost", "abc.txt", "*x.doc", "abc.doc", 0);
    // "?" and "*" are ordinary characters of a file's name.
    row("star in input", "a*.txt", "*.enc", "a*.enc", 0);
    row("question mark in input", "what?.txt", "*.*", "what?.txt", 1);
    // What each choice of the output file dialog yields for «report.txt».
    row("existing file", "report.txt", "old.enc", "old.enc", 0);
    row("new file", "report.txt", "new.enc", "new.enc", 0);
    row("extension, several inputs", "report.txt", "*.enc", "report.enc", 0);
    row("extension, one input", "report.txt", "report.enc", "report.enc", 0);
    row("file specification", "report.txt", "x*.*", "xeport.txt", 0);
    // Without wildcards every input gets the same name; the batch reports the duplicates.
    row("fixed name, first input", "a.txt", "out.enc", "out.enc", 0);
    row("fixed name, second input", "b.doc", "out.enc", "out.enc", 0);
    // Equality is exact: a difference in letter case alone is a new name.
    row("case differs", "report.txt", "R*.TXT", "Report.TXT", 0);
    row("same, several dots", "a.b.c", "*.*", "a.b.c", 1);
    row("blanks kept", " lead.txt", "*.encrypted", " lead.encrypted", 0);
    row("blanks, same name", " report.txt ", "*.*", " report.txt ", 1);
    row("one trailing dot only", "report.txt", "copy..", "copy.", 0);
    row("empty input", "", "*.*", "", -1);
    row("blank name", "   ", "*.*", "   ", 1);
    row("empty input and spec", "", "", "", -1);
    row("empty spec", "report.txt", "", "", -2);
    row("blank spec", "report.txt", "  ", "  ", 0);
    row("dot alone", "report.txt", ".", "", -4);
    row("dot file, name only", ".profile", "*.", "", -4);
    row("dot file, all", ".profile", "*.*", ".profile", 1);
}

void tst_outputname::deriveOutputName()
{
    QFETCH(QString, input);
    QFETCH(QString, spec);
    QFETCH(QString, output);
    QFETCH(int, code);
    int result = 99;
    QCOMPARE(DeriveOutputName(input, spec, result), output);
    QCOMPARE(result, code);
}

void tst_outputname::substituteWildcards_data()
{
    QTest::addColumn<QString>("part");
    QTest::addColumn<QString>("templatePart");
    QTest::addColumn<QString>("result");
    const auto row = [](const char* tag, const QString& part, const QString& templatePart,
                        const QString& result) {
        QTest::newRow(tag) << part << templatePart << result;
    };
    row("no wildcards", "abc", "xyz", "xyz");
    row("star takes the rest from its place", "report", "new*", "newort");
    row("star past the end", "ab", "abcd*", "abcd");
    row("everything after star dropped", "abc", "*x?*", "abc");
    row("question mark, then star", "xyz", "a?*?", "ayz");
    row("vanished question marks shift", "ab", "????x", "abx");
    row("empty part", "", "??x*", "x");
    row("empty template", "abc", "", "");
    // A wildcard copied from the part is not substituted again.
    row("wildcards in the part", "a?*", "???", "a?*");
}

void tst_outputname::substituteWildcards()
{
    QFETCH(QString, part);
    QFETCH(QString, templatePart);
    QFETCH(QString, result);
    QCOMPARE(SubstituteWildcards(part, templatePart), result);
}

QTEST_GUILESS_MAIN(tst_outputname)
#include "tst_outputname.moc"
