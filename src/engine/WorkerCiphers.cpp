#include "WorkerCiphers.h"

WorkerCiphers::WorkerCiphers(ChunkCipher& first, std::vector<std::unique_ptr<ChunkCipher>>& helpers,
                             unsigned workers)
    : m_first(first), m_helpers(helpers), m_keyed(workers, 0)
{
    while (m_helpers.size() + 1 < workers)
        m_helpers.push_back(std::make_unique<ChunkCipher>());
}

WorkerCiphers::~WorkerCiphers()
{
    for (std::size_t i = 1; i < m_keyed.size(); ++i) {
        if (m_keyed[i])
            m_helpers[i - 1]->clear();
    }
}

ChunkCipher* WorkerCiphers::of(unsigned worker)
{
    if (worker == 0)
        return &m_first;
    ChunkCipher& helper = *m_helpers[worker - 1];
    if (!m_keyed[worker]) {
        if (!helper.copyKeyFrom(m_first))
            return nullptr;
        m_keyed[worker] = 1;
    }
    return &helper;
}
