#include "gui/frmReliabilityTest.h"

#include <QLineEdit>
#include <QRadioButton>
#include <QTest>

// The query window's number box: only digits, Backspace and the clipboard keys edit it, Enter
// answers Continue, and the count is the value of its leading digits.
class tst_frmreliabilitytest : public QObject
{
    Q_OBJECT

private slots:
    void numberBox_data();
    void numberBox();
};

void tst_frmreliabilitytest::numberBox_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("pasted");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("count");
    QTest::newRow("digits") << "25"
                            << ""
                            << "25" << 25;
    QTest::newRow("letters and signs discarded") << "a-2 .x7"
                                                 << ""
                                                 << "27" << 27;
    QTest::newRow("pasted text counts to its first non-digit") << ""
                                                               << "3x4"
                                                               << "3x4" << 3;
    QTest::newRow("no leading digit") << "5"
                                      << "x"
                                      << "x5" << 0;
    QTest::newRow("empty") << ""
                           << ""
                           << "" << 0;
}

void tst_frmreliabilitytest::numberBox()
{
    QFETCH(QString, typed);
    QFETCH(QString, pasted);
    QFETCH(QString, text);
    QFETCH(int, count);
    frmReliabilityTest form(nullptr);
    form.show();
    QLineEdit* box = form.txbNumTests;
    box->setFocus();
    box->selectAll();
    QTest::keyClick(box, Qt::Key_Backspace);
    if (!pasted.isEmpty())
        box->insert(pasted);
    QTest::keyClicks(box, typed);
    QCOMPARE(box->text(), text);
    QTest::keyClick(box, Qt::Key_Return);
    QVERIFY(form.isHidden());
    QVERIFY(!form.blnCancel);
    QVERIFY(form.blnPerformingReliabilityTest);
    QCOMPARE(form.intNumReliabilityTests, count);
}

QTEST_MAIN(tst_frmreliabilitytest)
#include "tst_frmreliabilitytest.moc"
