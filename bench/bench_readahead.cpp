// The first file's read-ahead during the key derivation, measured where it matters: an input
// that is not in the page cache. Each run evicts the big file's pages (POSIX_FADV_DONTNEED, no
// root needed; a tmpfs keeps them, as it must), then times a fresh engine from the start of the
// derivation to the encrypted output, with the start of the input read ahead (arg 1) or not
// (arg 0). ZR7BENCH_DIR puts the files on the storage to compare: the disk, a tmpfs, a loop-
// mounted image.

#include "BenchWorkspace.h"

using namespace bench;

namespace {

void EvictFromPageCache(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 || ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED) != 0)
        fail("evict " + path);
    ::close(fd);
}

void BM_FirstFileReadAhead(benchmark::State& state)
{
    Workspace& workspace = Workspace::get();
    const std::string& input = workspace.bigFile();
    const std::string output = workspace.path("readahead.out");
    const bool readAhead = state.range(0) != 0;
    for (auto _ : state) {
        state.PauseTiming();
        ::unlink(output.c_str());
        auto engine = std::make_unique<CipherEngine>();
        if (engine->allocate_buffers() == 0)
            fail("allocate_buffers");
        syncFile(input);
        EvictFromPageCache(input);
        pretouchPages(workspace.path("pretouch"), pretouchBytes());
        state.ResumeTiming();
        engine->prepare_key(Key, readAhead ? input : std::string(), true);
        engine->operation_initialization(Key, 1, 0, 0);
        if (engine->encrypt_file(input, output) != CipherEngine::Success)
            fail("encrypt " + input);
    }
    ::unlink(output.c_str());
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bigFileBytes()));
}

} // namespace

BENCHMARK(BM_FirstFileReadAhead)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
