// "Do it!" as the windows run it, without the windows: the launch checks the setup, starts the
// key derivation, shows the confirmation (here: waits as a reader of it would) and runs the
// batch once the user says Yes. The first figure is the time from Yes to the first file done,
// for a batch of one 4 KiB file, with the confirmation read for 0.5 s and for no time at all.
// When the derivation overlaps the reading, Yes is followed by the file's own work only. The
// second is the longest time the window's thread went without handling its events while a
// batch whose first file is 1 GiB started and ran, Yes given at once: a window is frozen for
// that long.

#include "BenchWorkspace.h"
#include "core/BatchDriver.h"
#include "core/LaunchHost.h"
#include "core/OperationLaunch.h"
#include "core/Setup.h"
#include "core/UnattendedInteraction.h"
#include "keys/KeyRecord.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>

#include <chrono>
#include <thread>

using namespace bench;

namespace {

// Answers Yes after `reading` and notes when.
struct ReadingHost : LaunchHost
{
    std::chrono::milliseconds reading{0};
    std::chrono::steady_clock::time_point yes;
    void SwitchToInPlace() override {}
    bool Confirm(const QString&, const QString&) override
    {
        std::this_thread::sleep_for(reading);
        yes = std::chrono::steady_clock::now();
        return true;
    }
    void ShowReport(const QString&) override {}
};

void EnsureApplication()
{
    if (QCoreApplication::instance() == nullptr) {
        static int argc = 1;
        static char name[] = "zr7bench";
        static char* argv[] = {name, nullptr};
        new QCoreApplication(argc, argv); // outlives every case, as in bench_batch.cpp
    }
}

// A launch of an encryption of `input` into a new folder under `dir`, Yes after `reading`.
struct TimedLaunch
{
    FileCipher engine;
    Setup setup;
    KeyRecord key;
    UnattendedInteraction interaction;
    BatchDriver driver{key, engine, interaction};
    ReadingHost host;

    TimedLaunch(const QString& input, const QString& output, std::chrono::milliseconds reading)
    {
        if (engine.allocate_buffers() == 0)
            fail("allocate_buffers");
        QDir().mkpath(output);
        setup.blnEncrypt = true;
        setup.strDirpath = {input + QLatin1Char('/'), output + QLatin1Char('/')};
        setup.strFilespec = {QStringLiteral("*.*"), QStringLiteral("*.enc")};
        key.strKey = QByteArray(Key.data(), qsizetype(Key.size()));
        key.intKeySource = KeyRecord::Keyboard;
        host.reading = reading;
    }
    // True when it encrypted its one file.
    bool run()
    {
        OperationLaunch launch(setup, key, interaction, driver, host);
        return launch.DoIt() == OperationLaunch::Outcome::Ran && driver.counters().filesDone == 1;
    }
};

void BM_YesToFirstFileDone(benchmark::State& state)
{
    EnsureApplication();
    QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/zr7bench-launch-XXXXXX"));
    const QString input = dir.filePath(QStringLiteral("in"));
    QDir().mkpath(input);
    std::vector<std::uint8_t> data(SmallFileSize);
    std::uint64_t seed = 5;
    fillRandom(data.data(), data.size(), seed);
    const int fd = createFile(QFile::encodeName(input + QStringLiteral("/a.dat")).toStdString());
    writeAll(fd, data.data(), data.size());
    ::close(fd);

    double seconds = 0;
    int outputs = 0;
    for (auto _ : state) {
        // A fresh engine each time: every launch derives its key, as a user's first one does.
        TimedLaunch launch(input, dir.filePath(QStringLiteral("out%1").arg(++outputs)),
                           std::chrono::milliseconds(state.range(0)));
        const bool ran = launch.run();
        const std::chrono::duration<double> afterYes =
            std::chrono::steady_clock::now() - launch.host.yes;
        if (!ran) {
            state.SkipWithError("the launch did not encrypt the file");
            break;
        }
        state.SetIterationTime(afterYes.count());
        seconds += afterYes.count();
    }
    state.counters["after_yes_ms"] = 1000 * seconds / double(state.iterations());
}
BENCHMARK(BM_YesToFirstFileDone)
    ->ArgName("confirmation_ms")
    ->Arg(1000)
    ->Arg(500)
    ->Arg(0)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

void BM_LongestEventGap(benchmark::State& state)
{
    EnsureApplication();
    QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/zr7bench-gap-XXXXXX"));
    const QString input = dir.filePath(QStringLiteral("in"));
    QDir().mkpath(input);
    std::vector<std::uint8_t> data(64 * MiB);
    std::uint64_t seed = 7;
    fillRandom(data.data(), data.size(), seed);
    const int fd = createFile(QFile::encodeName(input + QStringLiteral("/big.dat")).toStdString());
    for (int part = 0; part < 16; ++part)
        writeAll(fd, data.data(), data.size());
    ::close(fd);

    double longest = 0;
    int outputs = 0;
    for (auto _ : state) {
        TimedLaunch launch(input, dir.filePath(QStringLiteral("out%1").arg(++outputs)),
                           std::chrono::milliseconds(0));
        // Ticks every 10 ms whenever the thread handles its events.
        QElapsedTimer clock;
        qint64 gap = 0;
        QTimer ticks;
        ticks.setInterval(10);
        QObject::connect(&ticks, &QTimer::timeout, [&] { gap = std::max(gap, clock.restart()); });
        clock.start();
        ticks.start();
        const bool ran = launch.run();
        ticks.stop();
        gap = std::max(gap, clock.elapsed());
        QDir(dir.filePath(QStringLiteral("out%1").arg(outputs))).removeRecursively();
        if (!ran) {
            state.SkipWithError("the launch did not encrypt the file");
            break;
        }
        state.SetIterationTime(double(gap) / 1000);
        longest = std::max(longest, double(gap));
    }
    state.counters["longest_gap_ms"] = longest;
}
BENCHMARK(BM_LongestEventGap)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace
