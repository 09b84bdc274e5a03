#include "TestFiles.h"
#include "storage/FileCipher.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <chrono>
#include <thread>

// An in-place batch killed at any moment must not lose a file. Each file's own name then holds
// the file as it was or complete in its new form; anything else is left only under the
// program's temporary names, which the next run in the folder removes. The batch runs in
// batch_child, which the test kills with SIGKILL at points spread over the child's run, as
// measured first by runs that are left to finish, and inside the exchange and the purge of a
// large file.
class tst_crashsafety : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void encryptionKilledAnywhere();
    void decryptionKilledAnywhere();
    void killedInsideExchangeAndPurge_data();
    void killedInsideExchangeAndPurge();
    void nextRunRemovesLeftovers();

private:
    struct Sample
    {
        QString name;
        QByteArray plain;
        QByteArray cipher; // as the finished encryption left it
    };
    // What a path holds, seen from one sample.
    enum class Form { Missing, Plain, Cipher, Empty, Other };
    struct KillPoint
    {
        QString label;
        bool afterReady; // timed from the child's "ready" rather than from its start
        qint64 delayUs;
        QByteArray after = {}; // timed from this line of the child's instead
    };
    struct ChildRun
    {
        bool killed = false;
        int exitCode = 0;
        qint64 startupUs = 0; // start to "ready"
        qint64 batchUs = 0;   // "ready" to exit
        QByteArray errors;
    };
    // How the files were found after the kills of one direction.
    struct Tally
    {
        int kills = 0;
        int finishedFirst = 0;
        int unchanged = 0;
        int transformed = 0;
        int leftovers = 0;
        int mixedRuns = 0; // kills that left some files done and others not yet
    };

    QString NewFolder(const QString& label, bool ciphertexts);
    ChildRun FinishedRuns(bool encrypt);
    ChildRun RunChild(const QString& folder, bool encrypt, const KillPoint* kill,
                      QByteArray* output = nullptr);
    Form FormOf(const QString& path, const Sample& sample);
    void CheckFolder(const QString& folder, bool encrypt, bool finished, const QString& when,
                     Tally& tally);
    void KillAnywhere(bool encrypt);

    QTemporaryDir m_dir;
    QString m_keyfile;
    QString m_scratch;
    QList<Sample> m_samples;
    ChildRun m_encryptTiming;
    ChildRun m_decryptTiming;
    int m_folders = 0;
    QString m_leftoverFolder; // a killed run's folder that kept a leftover, for the next run
    FileCipher m_engine;
    const QByteArray m_key =
        QByteArray("A KEY FOR KILLING BATCHES: SIXTY-FOUR CHARACTERS OF IT").leftJustified(64, '#');
};

namespace {

constexpr int WaitMs = 60000;
constexpr qint64 MiB = qint64{1} << 20;

// Mixed so that small files run inline and large ones on the engine's worker thread, with the
// large ones spread through the batch rather than bunched at its end.
const qint64 Sizes[] = {
    0,       1,           4096,   3 * MiB,     2,    1000,   MiB - 1,       15,      256,
    8 * MiB, 16,          4097,   MiB,         17,   255,    10000,         MiB + 1, 65536,
    777,     3 * MiB / 2, 100003, 2 * MiB + 7, 4095, 262144, 4 * MiB + 100,
};

// The program's temporary files: a result being written or the original being purged.
const QRegularExpression Temporary(QStringLiteral("^\\.zr7-[0-9a-f]{12}\\.tmp$"));

QStringList Entries(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

} // namespace

void tst_crashsafety::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY(QFileInfo(QStringLiteral(ZR7_BATCH_CHILD)).isExecutable());
    QCOMPARE(m_engine.allocate_buffers(), 1);
    m_keyfile = m_dir.filePath(QStringLiteral("key.txt"));
    QVERIFY(TestFiles::write(m_keyfile, m_key));
    QVERIFY(QDir(m_dir.path()).mkdir(QStringLiteral("scratch")));
    m_scratch = m_dir.filePath(QStringLiteral("scratch/out"));

    int index = 0;
    for (const qint64 size : Sizes) {
        m_samples.append(
            {QStringLiteral("f%1-%2.dat").arg(index, 2, 10, QLatin1Char('0')).arg(size),
             TestFiles::randomBytes(size, 100 + index),
             {}});
        ++index;
    }

    m_encryptTiming = FinishedRuns(true);
    if (QTest::currentTestFailed())
        return;
    m_decryptTiming = FinishedRuns(false);
    qInfo("child run: encryption %lld ms start-up + %lld ms batch, decryption %lld + %lld ms",
          m_encryptTiming.startupUs / 1000, m_encryptTiming.batchUs / 1000,
          m_decryptTiming.startupUs / 1000, m_decryptTiming.batchUs / 1000);
}

// Runs the batch to its end three times and checks each result; the first encryption gives the
// ciphertexts that the decryptions start from. The median times are what the kill points are
// spread over: one slow run (the disk's flushes vary a lot) would send most kills past the end.
tst_crashsafety::ChildRun tst_crashsafety::FinishedRuns(bool encrypt)
{
    QList<qint64> startup;
    QList<qint64> batch;
    for (int i = 0; i < 3; ++i) {
        const QString label =
            QStringLiteral("finished %1 %2")
                .arg(encrypt ? QStringLiteral("encryption") : QStringLiteral("decryption"))
                .arg(i + 1);
        const QString folder = NewFolder(label, !encrypt);
        const ChildRun run = RunChild(folder, encrypt, nullptr);
        if (run.killed || run.exitCode != 0) {
            QTest::qFail(
                qPrintable(label + QStringLiteral(" failed: ") + QString::fromUtf8(run.errors)),
                __FILE__, __LINE__);
            return run;
        }
        Tally unused;
        CheckFolder(folder, encrypt, true, label, unused);
        if (QTest::currentTestFailed())
            return run;
        if (encrypt && i == 0) {
            for (Sample& sample : m_samples)
                sample.cipher = TestFiles::read(QDir(folder).filePath(sample.name));
        }
        QDir(folder).removeRecursively();
        startup.append(run.startupUs);
        batch.append(run.batchUs);
    }
    std::sort(startup.begin(), startup.end());
    std::sort(batch.begin(), batch.end());
    ChildRun median;
    median.startupUs = startup[1];
    median.batchUs = batch[1];
    return median;
}

QString tst_crashsafety::NewFolder(const QString& label, bool ciphertexts)
{
    const QString folder = m_dir.filePath(QStringLiteral("batch%1").arg(++m_folders));
    if (!QDir().mkpath(folder)) {
        QTest::qFail(qPrintable(QStringLiteral("cannot make a folder for ") + label), __FILE__,
                     __LINE__);
        return folder;
    }
    for (const Sample& sample : m_samples) {
        if (!TestFiles::write(QDir(folder).filePath(sample.name),
                              ciphertexts ? sample.cipher : sample.plain))
            QTest::qFail(qPrintable(QStringLiteral("cannot write ") + sample.name), __FILE__,
                         __LINE__);
    }
    return folder;
}

tst_crashsafety::ChildRun tst_crashsafety::RunChild(const QString& folder, bool encrypt,
                                                    const KillPoint* kill, QByteArray* output)
{
    ChildRun run;
    QProcess child;
    child.start(
        QStringLiteral(ZR7_BATCH_CHILD),
        {folder, m_keyfile, encrypt ? QStringLiteral("encrypt") : QStringLiteral("decrypt")});
    if (!child.waitForStarted(WaitMs)) {
        run.errors = "batch_child did not start";
        run.exitCode = -1;
        return run;
    }
    QElapsedTimer clock;
    clock.start();
    auto waitForReady = [&] {
        while (!child.canReadLine() && child.waitForReadyRead(WaitMs)) {
        }
    };
    QByteArray seen;
    if (kill) {
        if (kill->afterReady) {
            waitForReady();
            clock.restart();
        }
        if (!kill->after.isEmpty()) {
            while (!seen.contains(kill->after) && child.waitForReadyRead(WaitMs))
                seen += child.readAll();
            clock.restart();
        }
        const auto remaining = kill->delayUs - clock.nsecsElapsed() / 1000;
        if (remaining > 0)
            std::this_thread::sleep_for(std::chrono::microseconds(remaining));
        child.kill();
    } else {
        waitForReady();
        run.startupUs = clock.nsecsElapsed() / 1000;
        clock.restart();
    }
    child.waitForFinished(WaitMs);
    run.batchUs = clock.nsecsElapsed() / 1000;
    if (output)
        *output = seen + child.readAllStandardOutput();
    run.killed = child.exitStatus() == QProcess::CrashExit;
    run.exitCode = child.exitCode();
    run.errors = child.readAllStandardError();
    return run;
}

tst_crashsafety::Form tst_crashsafety::FormOf(const QString& path, const Sample& sample)
{
    if (!QFileInfo::exists(path))
        return Form::Missing;
    const QByteArray bytes = TestFiles::read(path);
    if (bytes == sample.plain)
        return Form::Plain;
    if (!sample.cipher.isEmpty() && bytes == sample.cipher)
        return Form::Cipher;
    if (bytes.isEmpty())
        return Form::Empty;
    m_engine.operation_initialization({m_key.constData(), size_t(m_key.size())}, 0, bytes.size(),
                                      0);
    const bool decrypts =
        m_engine.decrypt_file(TestFiles::native(path), TestFiles::native(m_scratch)) ==
            EngineResult::Success &&
        TestFiles::read(m_scratch) == sample.plain;
    // A failed decryption may have kept what it authenticated beside the scratch output.
    for (const QString& name : Entries(QFileInfo(m_scratch).path()))
        QFile::remove(QFileInfo(m_scratch).dir().filePath(name));
    return decrypts ? Form::Cipher : Form::Other;
}

void tst_crashsafety::CheckFolder(const QString& folder, bool encrypt, bool finished,
                                  const QString& when, Tally& tally)
{
    const QDir dir(folder);
    QStringList entries = Entries(folder);
    const Form done = encrypt ? Form::Cipher : Form::Plain;
    const Form before = encrypt ? Form::Plain : Form::Cipher;
    int unchanged = 0;
    int transformed = 0;
    for (const Sample& sample : m_samples) {
        entries.removeOne(sample.name);
        const Form atName = FormOf(dir.filePath(sample.name), sample);
        // An empty file is left alone in either direction.
        const bool empty = sample.plain.isEmpty();
        if (finished) {
            QVERIFY2(atName == (empty ? Form::Plain : done),
                     qPrintable(when + QStringLiteral(": ") + sample.name + " not done"));
            continue;
        }
        QVERIFY2(atName == Form::Plain || atName == Form::Cipher,
                 qPrintable(when + QStringLiteral(": ") + sample.name +
                            " is neither as it was nor complete in its new form"));
        if (!empty) {
            unchanged += atName == before ? 1 : 0;
            transformed += atName == done ? 1 : 0;
        }
    }
    for (const QString& entry : std::as_const(entries)) {
        QVERIFY2(!finished, qPrintable(when + QStringLiteral(": left behind ") + entry));
        QVERIFY2(Temporary.match(entry).hasMatch(),
                 qPrintable(when + QStringLiteral(": unrecognisable leftover ") + entry));
        ++tally.leftovers;
    }
    tally.unchanged += unchanged;
    tally.transformed += transformed;
    if (unchanged > 0 && transformed > 0)
        ++tally.mixedRuns;
}

void tst_crashsafety::KillAnywhere(bool encrypt)
{
    const ChildRun& timing = encrypt ? m_encryptTiming : m_decryptTiming;
    QList<KillPoint> points;
    points.append({QStringLiteral("at start"), false, 0});
    points.append({QStringLiteral("during start-up"), false, timing.startupUs / 2});
    for (const double share : {0.0, 0.01, 0.03, 0.06, 0.1, 0.15, 0.2, 0.25, 0.3,  0.4,
                               0.5, 0.6,  0.7,  0.75, 0.8, 0.85, 0.9, 0.95, 0.99, 1.1})
        points.append({QStringLiteral("at %1% of the batch").arg(share * 100), true,
                       qint64(share * double(timing.batchUs))});

    Tally tally;
    for (const KillPoint& point : std::as_const(points)) {
        const QString folder = NewFolder(point.label, !encrypt);
        const ChildRun run = RunChild(folder, encrypt, &point);
        QVERIFY2(run.killed || run.exitCode == 0,
                 qPrintable(point.label + QStringLiteral(": ") + QString::fromUtf8(run.errors)));
        if (run.killed)
            ++tally.kills;
        else
            ++tally.finishedFirst;
        CheckFolder(folder, encrypt, !run.killed, point.label, tally);
        if (QTest::currentTestFailed())
            return;
        QVERIFY(QDir(folder).removeRecursively());
    }
    qInfo("%d kills, %d runs ended first; files found unchanged %d, done %d; leftovers %d; "
          "kills inside the batch %d",
          tally.kills, tally.finishedFirst, tally.unchanged, tally.transformed, tally.leftovers,
          tally.mixedRuns);
    // Without kills that land between files the test would prove nothing.
    QVERIFY(tally.mixedRuns > 0);
}

void tst_crashsafety::killedInsideExchangeAndPurge_data()
{
    QTest::addColumn<bool>("encrypt");
    QTest::addColumn<QByteArray>("step");
    QTest::addColumn<qint64>("delayUs");
    // The largest file: its purge takes long enough to be cut in the middle.
    const QByteArray large = "f09-8388608.dat";
    for (const bool encrypt : {true, false}) {
        const char* direction = encrypt ? "encryption" : "decryption";
        for (const char* step : {"exchanging", "purging"}) {
            for (const qint64 delay : {0, 100, 1000, 4000, 15000}) {
                QTest::addRow("%s, %s, +%lld us", direction, step, delay)
                    << encrypt << QByteArray(step) + ' ' + large << delay;
            }
        }
    }
}

void tst_crashsafety::killedInsideExchangeAndPurge()
{
    QFETCH(bool, encrypt);
    QFETCH(QByteArray, step);
    QFETCH(qint64, delayUs);
    const QString label = QString::fromLatin1(QTest::currentDataTag());
    const QString folder = NewFolder(label, !encrypt);
    const KillPoint point{label, true, delayUs, step};
    const ChildRun run = RunChild(folder, encrypt, &point);
    QVERIFY2(run.killed || run.exitCode == 0, run.errors.constData());
    Tally tally;
    CheckFolder(folder, encrypt, !run.killed, label, tally);
    if (tally.leftovers > 0 && m_leftoverFolder.isEmpty() && encrypt)
        m_leftoverFolder = folder;
    else
        QVERIFY(QDir(folder).removeRecursively());
}

// A run in a folder where an earlier one was killed removes what that one left and says so.
void tst_crashsafety::nextRunRemovesLeftovers()
{
    if (m_leftoverFolder.isEmpty())
        QSKIP("no kill left a temporary file behind");
    // What was touched in the last moments might belong to a run still under way.
    QTest::qWait(2500);
    QByteArray report;
    const ChildRun run = RunChild(m_leftoverFolder, true, nullptr, &report);
    QVERIFY2(!run.killed, run.errors.constData());
    QVERIFY2(report.contains("by an interrupted run)"), report.constData());
    for (const QString& entry : Entries(m_leftoverFolder))
        QVERIFY2(!Temporary.match(entry).hasMatch(), qPrintable(entry));
}

void tst_crashsafety::encryptionKilledAnywhere()
{
    KillAnywhere(true);
}

void tst_crashsafety::decryptionKilledAnywhere()
{
    KillAnywhere(false);
}

QTEST_GUILESS_MAIN(tst_crashsafety)
#include "tst_crashsafety.moc"
