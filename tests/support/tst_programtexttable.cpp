#include "TestFiles.h"
#include "support/ProgramTextTable.h"

#include <QTemporaryDir>
#include <QTest>

// Loading the program text file: every load result, the limits, and lookup.
class tst_programtexttable : public QObject
{
    Q_OBJECT

private slots:
    void parse_data();
    void parse();
    void loadFromFile_data();
    void loadFromFile();
    void lookup();
};

void tst_programtexttable::parse_data()
{
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<int>("result");
    const QByteArray longText(1024, 'x');
    QTest::newRow("two texts") << QByteArray("1 One\n2\tTwo words\n") << 2;
    QTest::newRow("comments and blank lines") << QByteArray("# c\n\n   \n5 Five\n") << 1;
    QTest::newRow("CRLF line ends") << QByteArray("1 One\r\n2 Two\r\n") << 2;
    QTest::newRow("no final line end") << QByteArray("1 One") << 1;
    QTest::newRow("only comments") << QByteArray("# nothing here\n") << 0;
    QTest::newRow("empty") << QByteArray() << -6;
    QTest::newRow("text of 1024 characters") << "7 " + longText + "\n" << 1;
    QTest::newRow("text of 1024 non-ASCII characters")
        << "7 " + QString(1024, QChar(0xe9)).toUtf8() << 1;
    QTest::newRow("text of 1025 characters at line 3") << "1 a\n2 b\n3 " + longText + "y" << -1003;
    QTest::newRow("number without text at line 2") << QByteArray("1 One\n2\n") << -502;
    QTest::newRow("number and blanks only") << QByteArray("1 One\n\n4    \n") << -503;
    QTest::newRow("no number at line 1") << QByteArray("One\n") << -501;
    QTest::newRow("number 0") << QByteArray("0 Zero\n") << -501;
    QTest::newRow("number too large") << QByteArray("32768 Big\n") << -501;
    QTest::newRow("number glued to text") << QByteArray("12abc\n") << -501;
    QTest::newRow("duplicate at line 4") << QByteArray("1 a\n2 b\n#\n1 c\n") << -1504;
    QTest::newRow("not UTF-8") << QByteArray("1 caf\xe9\n") << -4;
    QTest::newRow("overlong form") << QByteArray("1 Reva\xc1\xbb\n") << -4;
    QTest::newRow("surrogate") << QByteArray("1 \xed\xa0\x80\n") << -4;
    QTest::newRow("past U+10FFFF") << QByteArray("1 \xf4\x90\x80\x80\n") << -4;
    QTest::newRow("four-byte character") << QByteArray("1 \xf0\x9d\x84\x9e\n") << 1;
    QByteArray many;
    for (int i = 1; i <= 501; ++i)
        many += QByteArray::number(i) + " text\n";
    QTest::newRow("501 lines") << many << -3;
}

void tst_programtexttable::parse()
{
    QFETCH(QByteArray, contents);
    QFETCH(int, result);
    std::map<int, std::string> texts;
    QCOMPARE(ProgramTextTable::parse(contents.toStdString(), texts), result);
    if (result < 1)
        QVERIFY(texts.empty());
}

void tst_programtexttable::loadFromFile_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("result");
    QTest::newRow("good file") << "good.dat" << 3;
    QTest::newRow("missing file") << "missing.dat" << -1;
    QTest::newRow("a folder") << "folder" << -1;
    QTest::newRow("empty file") << "empty.dat" << -6;
}

void tst_programtexttable::loadFromFile()
{
    QFETCH(QString, name);
    QFETCH(int, result);
    QTemporaryDir dir;
    QVERIFY(TestFiles::write(dir.filePath("good.dat"), "1 One\n6 ~\n26 https://x\n"));
    QVERIFY(TestFiles::write(dir.filePath("empty.dat"), ""));
    QVERIFY(QDir(dir.path()).mkdir("folder"));
    QCOMPARE(ProgramTextTable::lt(TestFiles::native(dir.filePath(name)), 0), result);
}

void tst_programtexttable::lookup()
{
    QTemporaryDir dir;
    QVERIFY(TestFiles::write(dir.filePath("t.dat"), "1 Program name\n6 ~\n"));
    QCOMPARE(ProgramTextTable::lt(TestFiles::native(dir.filePath("t.dat")), 0), 2);
    std::string text = "stale";
    QCOMPARE(ProgramTextTable::gt(1, 0, text), 12);
    QCOMPARE(text, std::string("Program name"));
    QCOMPARE(ProgramTextTable::gt(6, 0, text), 1); // "~": the caller reads it as empty
    QCOMPARE(ProgramTextTable::gt(2, 0, text), 0);
    QVERIFY(text.empty());
    QCOMPARE(ProgramTextTable::gt(1, 1, text), 0); // only language 0 exists
    // A failed load leaves nothing to look up.
    QCOMPARE(ProgramTextTable::lt(TestFiles::native(dir.filePath("none")), 0), -1);
    QCOMPARE(ProgramTextTable::gt(1, 0, text), 0);
}

QTEST_GUILESS_MAIN(tst_programtexttable)
#include "tst_programtexttable.moc"
