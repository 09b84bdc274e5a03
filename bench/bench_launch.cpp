// "Do it!" as the windows run it, without the windows: the launch checks the setup, starts the
// key derivation, shows the confirmation (here: waits as a reader of it would) and runs the
// batch once the user says Yes. The figure is the time from Yes to the first file done, for a
// batch of one 4 KiB file, with the confirmation read for 0.5 s and for no time at all. When
// the derivation overlaps the reading, Yes is followed by the file's own work only.

#include "BenchWorkspace.h"
#include "core/BatchDriver.h"
#include "core/LaunchHost.h"
#include "core/OperationLaunch.h"
#include "core/Setup.h"
#include "core/UnattendedInteraction.h"
#include "keys/KeyRecord.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

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

void BM_YesToFirstFileDone(benchmark::State& state)
{
    if (QCoreApplication::instance() == nullptr) {
        static int argc = 1;
        static char name[] = "zr7bench";
        static char* argv[] = {name, nullptr};
        new QCoreApplication(argc, argv); // outlives every case, as in bench_batch.cpp
    }
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
        CipherEngine engine;
        if (engine.allocate_buffers() == 0)
            fail("allocate_buffers");
        const QString output = dir.filePath(QStringLiteral("out%1").arg(++outputs));
        QDir().mkpath(output);
        Setup setup;
        setup.blnEncrypt = true;
        setup.strDirpath = {input + QLatin1Char('/'), output + QLatin1Char('/')};
        setup.strFilespec = {QStringLiteral("*.*"), QStringLiteral("*.enc")};
        KeyRecord key;
        key.strKey = QByteArray(Key.data(), qsizetype(Key.size()));
        key.intKeySource = KeyRecord::Keyboard;
        UnattendedInteraction interaction;
        BatchDriver driver(key, engine, interaction);
        ReadingHost host;
        host.reading = std::chrono::milliseconds(state.range(0));
        OperationLaunch launch(setup, key, interaction, driver, host);
        const bool ran = launch.DoIt() == OperationLaunch::Outcome::Ran;
        const std::chrono::duration<double> afterYes = std::chrono::steady_clock::now() - host.yes;
        if (!ran || driver.counters().filesDone != 1) {
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

} // namespace
