#include "TestFiles.h"
#include "support/Language.h"

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
    QTest::newRow("0") << 0 << "No program text was read.";
    QTest::newRow("-1") << -1 << "Cannot open file containing program text.\n/opt/zr7e.dat";
    QTest::newRow("-2") << -2 << "Particular memory allocation error.";
    QTest::newRow("-3") << -3 << "Too much program text.";
    QTest::newRow("-4") << -4 << "Text not recovered.";
    QTest::newRow("-5") << -5 << "Error -5";
    QTest::newRow("-6") << -6 << "File is empty.";
    QTest::newRow("-7") << -7 << "Error reading file.";
    QTest::newRow("-8") << -8 << "General memory allocation error.";
    QTest::newRow("-9") << -9 << "Error -9";
    QTest::newRow("-500") << -500 << "Error -500";
    QTest::newRow("-501") << -501 << "Missing string at line 1.";
    QTest::newRow("-1000") << -1000 << "Missing string at line 500.";
    QTest::newRow("-1001") << -1001 << "String too long at line 1.";
    QTest::newRow("-1234") << -1234 << "String too long at line 234.";
    QTest::newRow("-1500") << -1500 << "String too long at line 500.";
    QTest::newRow("-1501") << -1501 << "Duplicate in program text at line 1.";
    QTest::newRow("-1999") << -1999 << "Duplicate in program text at line 499.";
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
