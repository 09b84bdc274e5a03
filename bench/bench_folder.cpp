// Counting the files of a large folder, as the Output file(s) command and the launch checks do:
// "*.*" counts entries without looking at names, other specifications match every name.

#include "files/folder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int FolderFiles = 100000;

// 100,000 empty files, every fourth one a ".txt", made once per run and removed at exit.
const QString& LargeFolder()
{
    static QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/zr7bench-folder-XXXXXX"));
    static const bool made = [] {
        for (int i = 0; i < FolderFiles; ++i) {
            const char* extension = i % 4 == 0 ? ".txt" : ".dat";
            const QByteArray name =
                QFile::encodeName(dir.path()) + "/file" + QByteArray::number(i) + extension;
            const int fd = ::open(name.constData(), O_CREAT | O_WRONLY | O_EXCL, 0600);
            if (fd < 0)
                return false;
            ::close(fd);
        }
        return true;
    }();
    static const QString path = made ? dir.path() : QString();
    return path;
}

void CountFiles(benchmark::State& state, const QString& spec, qint64 expected)
{
    const QString& folder = LargeFolder();
    QString errorText;
    for (auto _ : state) {
        const qint64 count = folder::CountMatchingFiles(folder, spec, errorText);
        if (count != expected) {
            state.SkipWithError("wrong count");
            break;
        }
        benchmark::DoNotOptimize(count);
    }
    state.SetItemsProcessed(state.iterations() * FolderFiles);
}

void BM_FolderCountAll(benchmark::State& state)
{
    CountFiles(state, QStringLiteral("*.*"), FolderFiles);
}
BENCHMARK(BM_FolderCountAll)->Unit(benchmark::kMillisecond);

void BM_FolderCountTxt(benchmark::State& state)
{
    CountFiles(state, QStringLiteral("*.txt"), FolderFiles / 4);
}
BENCHMARK(BM_FolderCountTxt)->Unit(benchmark::kMillisecond);

} // namespace
