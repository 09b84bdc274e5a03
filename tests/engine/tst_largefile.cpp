#include <QTest>

class tst_largefile : public QObject
{
    Q_OBJECT
};

QTEST_GUILESS_MAIN(tst_largefile)
#include "tst_largefile.moc"
