#include "TestFiles.h"
#include "support/Language.h"
#include "support/ProgramTextTable.h"

#include <QTemporaryDir>
#include <QTest>

// The program's numbered texts: the messages for each load result, and lookup.
class tst_language : public QObject
{
    Q_OBJECT

private slots:
    void failureMessage_data();
    void failureMessage();
    void shippedTextFile();
    void tildeIsEmpty();
};

void tst_language::failureMessage_data()
{
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("message");
    using namespace ProgramTextTable;
    QTest::newRow("nothing read") << int(NothingRead) << "No program text was read.";
    QTest::newRow("cannot open") << int(CannotOpen)
                                 << "Cannot open file containing program text.\n/opt/zr7e.dat";
    QTest::newRow("too much") << int(TooMuchText) << "Too much program text.";
    QTest::newRow("not recovered") << int(NotRecovered) << "Text not recovered.";
    QTest::newRow("empty") << int(FileEmpty) << "File is empty.";
    QTest::newRow("read error") << int(ReadError) << "Error reading file.";
    QTest::newRow("out of memory") << int(OutOfMemory) << "General memory allocation error.";
    // Numbers that no load gives have no words of their own.
    QTest::newRow("-2") << -2 << "Error -2";
    QTest::newRow("-5") << -5 << "Error -5";
    QTest::newRow("-9") << -9 << "Error -9";
    QTest::newRow("missing base") << int(MissingStringBase) << "Error -500";
    QTest::newRow("missing 1") << MissingStringBase - 1 << "Missing string at line 1.";
    QTest::newRow("missing 500") << MissingStringBase - 500 << "Missing string at line 500.";
    QTest::newRow("too long 1") << StringTooLongBase - 1 << "String too long at line 1.";
    QTest::newRow("too long 234") << StringTooLongBase - 234 << "String too long at line 234.";
    QTest::newRow("too long 500") << StringTooLongBase - 500 << "String too long at line 500.";
    QTest::newRow("duplicate 1") << DuplicateBase - 1 << "Duplicate in program text at line 1.";
    QTest::newRow("duplicate 499")
        << DuplicateBase - 499 << "Duplicate in program text at line 499.";
}

void tst_language::failureMessage()
{
    QFETCH(int, result);
    QFETCH(QString, message);
    QCOMPARE(Language::LoadFailureMessage(result, "/opt/zr7e.dat"), message);
}

void tst_language::shippedTextFile()
{
    QVERIFY(Language::Load(ZR7_DATA_DIR "/zr7e.dat") >= 6);
    for (int number : {1, 5, 6, 7, 26, 310})
        QVERIFY2(!Language::Text(number).isEmpty(), qPrintable(QString::number(number)));
    QCOMPARE(Language::Text(310), QStringLiteral("zr7e"));
}

void tst_language::tildeIsEmpty()
{
    QTemporaryDir dir;
    QVERIFY(TestFiles::write(dir.filePath("t.dat"), "1 Name\n6 ~\n7 ~~\n"));
    QCOMPARE(Language::Load(dir.filePath("t.dat")), 3);
    QCOMPARE(Language::Text(1), QStringLiteral("Name"));
    QCOMPARE(Language::Text(6), QString());
    QCOMPARE(Language::Text(7), QStringLiteral("~~"));
    QCOMPARE(Language::Text(8), QString());
}

QTEST_GUILESS_MAIN(tst_language)
#include "tst_language.moc"
