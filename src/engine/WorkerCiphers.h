#pragma once

#include "ChunkCipher.h"

#include <memory>
#include <vector>

// The ciphers of the pipeline's workers for one file: the engine's own for the first worker, and
// for each other one a cipher keyed from it when that worker first needs it. The copies of the
// key are wiped when the file is done.
class WorkerCiphers
{
public:
    WorkerCiphers(ChunkCipher& first, std::vector<std::unique_ptr<ChunkCipher>>& helpers,
                  unsigned workers);
    ~WorkerCiphers();
    WorkerCiphers(const WorkerCiphers&) = delete;
    WorkerCiphers& operator=(const WorkerCiphers&) = delete;

    // Only ever called by worker `worker` itself; nullptr when its key could not be set.
    ChunkCipher* of(unsigned worker);

private:
    ChunkCipher& m_first;
    std::vector<std::unique_ptr<ChunkCipher>>& m_helpers;
    std::vector<char> m_keyed;
};
