#include "support/ProcessHardening.h"

#include <QTest>

#include <sys/prctl.h>
#include <sys/resource.h>

// Once called, the process can leave no core file behind.
class tst_processhardening : public QObject
{
    Q_OBJECT

private slots:
    void coreDumpsAreOff();
};

void tst_processhardening::coreDumpsAreOff()
{
    QVERIFY(ProcessHardening::DisableCoreDumps());
    QCOMPARE(::prctl(PR_GET_DUMPABLE, 0, 0, 0, 0), 0);
    rlimit limit = {};
    QCOMPARE(::getrlimit(RLIMIT_CORE, &limit), 0);
    QCOMPARE(limit.rlim_cur, rlim_t(0));
    QCOMPARE(limit.rlim_max, rlim_t(0)); // nor can the process raise it again
}

QTEST_GUILESS_MAIN(tst_processhardening)
#include "tst_processhardening.moc"
