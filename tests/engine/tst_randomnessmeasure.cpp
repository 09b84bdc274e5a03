#include <QTest>

class tst_randomnessmeasure : public QObject
{
    Q_OBJECT
};

QTEST_GUILESS_MAIN(tst_randomnessmeasure)
#include "tst_randomnessmeasure.moc"
