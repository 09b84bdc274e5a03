#include <QTest>

class tst_fileutility : public QObject
{
    Q_OBJECT
};

QTEST_GUILESS_MAIN(tst_fileutility)
#include "tst_fileutility.moc"
