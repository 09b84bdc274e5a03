#include <QTest>

class tst_testvectors : public QObject
{
    Q_OBJECT
};

QTEST_GUILESS_MAIN(tst_testvectors)
#include "tst_testvectors.moc"
