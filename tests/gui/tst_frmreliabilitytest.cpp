#include "gui/frmReliabilityTest.h"

#include <QLineEdit>
#include <QRadioButton>
#include <QTest>

// The query window's number box: only digits, Backspace and the clipboard keys edit it, Enter
// answers Continue, Escape answers Cancel, and the count is the value of its leading digits.
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
    QTest::addColumn<int>("answer"); // the key that closes the window
    QTest::newRow("digits") << "25"
                            << ""
                            << "25" << 25 << int(Qt::Key_Return);
    QTest::newRow("letters and signs discarded") << "a-2 .x7"
                                                 << ""
                                                 << "27" << 27 << int(Qt::Key_Return);
    QTest::newRow("pasted text counts to its first non-digit") << ""
                                                               << "3x4"
                                                               << "3x4" << 3 << int(Qt::Key_Enter);
    QTest::newRow("no leading digit") << "5"
                                      << "x"
                                      << "x5" << 0 << int(Qt::Key_Return);
    QTest::newRow("empty") << ""
                           << ""
                           << "" << 0 << int(Qt::Key_Return);
    QTest::newRow("escape cancels") << "12"
                                    << ""
                                    << "12" << -1 << int(Qt::Key_Escape);
}

void tst_frmreliabilitytest::numberBox()
{
    QFETCH(QString, typed);
    QFETCH(QString, pasted);
    QFETCH(QString, text);
    QFETCH(int, count);
    QFETCH(int, answer);
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
    QTest::keyClick(box, Qt::Key(answer));
    QVERIFY(form.isHidden());
    QCOMPARE(form.blnCancel, answer == Qt::Key_Escape);
    QCOMPARE(form.blnPerformingReliabilityTest, answer != Qt::Key_Escape);
    if (answer != Qt::Key_Escape)
        QCOMPARE(form.intNumReliabilityTests, count);
}

QTEST_MAIN(tst_frmreliabilitytest)
#include "tst_frmreliabilitytest.moc"
