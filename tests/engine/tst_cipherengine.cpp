#include <QTest>

class tst_cipherengine : public QObject
{
    Q_OBJECT
};

QTEST_GUILESS_MAIN(tst_cipherengine)
#include "tst_cipherengine.moc"
