#include "support/ProcessHardening.h"

#include <QTest>

#include <csignal>
#include <cstdlib>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

// Once called, the process can leave no core file behind; with freed memory wiped, glibc still
// stops a process whose heap is misused, and the programs it starts get the user's environment.
class tst_processhardening : public QObject
{
    Q_OBJECT

public:
    // As the program starts, here with tunables of the user's own.
    static void initMain()
    {
        if (!qEnvironmentVariableIsSet("ZR7_USERS_TUNABLES"))
            ::setenv("GLIBC_TUNABLES", "glibc.malloc.check=0", 1);
        ProcessHardening::WipeFreedMemory();
    }

private slots:
    void coreDumpsAreOff();
    void heapChecksStayOn();
    void startedProgramsGetTheUsersEnvironment();
};

namespace {

// Freed twice through a pointer the compiler cannot follow.
void* volatile Block = nullptr;

} // namespace

void tst_processhardening::coreDumpsAreOff()
{
    QVERIFY(ProcessHardening::DisableCoreDumps());
    QCOMPARE(::prctl(PR_GET_DUMPABLE, 0, 0, 0, 0), 0);
    rlimit limit = {};
    QCOMPARE(::getrlimit(RLIMIT_CORE, &limit), 0);
    QCOMPARE(limit.rlim_cur, rlim_t(0));
    QCOMPARE(limit.rlim_max, rlim_t(0)); // nor can the process raise it again
}

void tst_processhardening::heapChecksStayOn()
{
#if defined(__SANITIZE_ADDRESS__)
    QSKIP("The sanitizer keeps the heap and checks it its own way.");
#endif
    const pid_t child = ::fork();
    if (child == 0) {
        ::signal(SIGABRT, SIG_DFL);
        Block = std::malloc(40);
        std::free(Block);
        std::free(Block);
        ::_exit(0);
    }
    int status = 0;
    QCOMPARE(::waitpid(child, &status, 0), child);
    QVERIFY2(WIFSIGNALED(status) && WTERMSIG(status) == SIGABRT, "a double free went unnoticed");
}

void tst_processhardening::startedProgramsGetTheUsersEnvironment()
{
    QCOMPARE(qgetenv("GLIBC_TUNABLES"), QByteArray("glibc.malloc.check=0"));
    QVERIFY(!qEnvironmentVariableIsSet("ZR7_USERS_TUNABLES"));
}

QTEST_GUILESS_MAIN(tst_processhardening)
#include "tst_processhardening.moc"
