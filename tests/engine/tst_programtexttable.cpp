#include <QTest>

class tst_programtexttable : public QObject
{
    Q_OBJECT
};

QTEST_GUILESS_MAIN(tst_programtexttable)
#include "tst_programtexttable.moc"
