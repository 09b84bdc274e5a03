#include "ChunkPipeline.h"

#include "PosixFile.h"

ChunkPipeline::ChunkPipeline(std::vector<std::uint8_t*> slots, ChunkReader& reader,
                             std::size_t recordSize)
    : m_slots(std::move(slots)), m_reader(reader), m_recordSize(recordSize),
      m_readLengths(m_slots.size(), 0), m_readLast(m_slots.size(), 0),
      m_writeLengths(m_slots.size(), 0)
{
}

ChunkPipeline::~ChunkPipeline()
{
    finish();
}

// Reads record number m_read into its slot; the caller holds no lock, and the slot is free.
void ChunkPipeline::readOne(std::size_t index)
{
    bool last = false;
    const long long n = m_reader.next(m_slots[index], m_recordSize, last);
    std::lock_guard lock(m_mutex);
    m_readLengths[index] = n;
    m_readLast[index] = n < 0 || last;
    ++m_read;
    m_changed.notify_all();
}

void ChunkPipeline::readLoop()
{
    for (;;) {
        std::size_t index = 0;
        {
            std::unique_lock lock(m_mutex);
            m_changed.wait(lock,
                           [this] { return m_stopReading || m_read - m_done < m_slots.size(); });
            if (m_stopReading)
                return;
            index = m_read % m_slots.size();
        }
        readOne(index);
        if (m_readLast[index])
            return;
    }
}

ChunkPipeline::Record ChunkPipeline::next()
{
    if (m_read == 0) {
        // The first record on the caller's thread: a one-chunk file needs no threads at all.
        readOne(0);
        if (!m_readLast[0])
            m_readerThread = std::thread(&ChunkPipeline::readLoop, this);
    }
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_taken < m_read; });
    const std::size_t index = m_taken++ % m_slots.size();
    return {m_slots[index], m_readLengths[index], m_readLast[index] != 0};
}

void ChunkPipeline::writeSlot(std::size_t index, std::size_t length)
{
    if (m_error.load() != 0)
        return;
    if (m_fd >= 0) {
        if (const int error = PosixFile::writeFull(m_fd, m_slots[index], length)) {
            m_error.store(error);
            return;
        }
    }
    m_written.fetch_add(length);
}

void ChunkPipeline::submit(std::size_t length, bool last)
{
    std::unique_lock lock(m_mutex);
    const std::size_t index = m_submitted % m_slots.size();
    if (!m_writerThread.joinable() && last) {
        // Nothing is queued and nothing follows: a thread would only add latency.
        lock.unlock();
        writeSlot(index, length);
        lock.lock();
        ++m_submitted;
        ++m_done;
        m_changed.notify_all();
        return;
    }
    m_writeLengths[index] = length;
    ++m_submitted;
    if (!m_writerThread.joinable())
        m_writerThread = std::thread(&ChunkPipeline::writeLoop, this);
    m_changed.notify_all();
}

void ChunkPipeline::writeLoop()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return m_done < m_submitted || m_closing; });
        if (m_done == m_submitted)
            return; // closing, and nothing left
        const std::size_t index = m_done % m_slots.size();
        const std::size_t length = m_writeLengths[index];
        lock.unlock();
        writeSlot(index, length);
        lock.lock();
        ++m_done;
        m_changed.notify_all();
    }
}

int ChunkPipeline::finish()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopReading = true;
        m_closing = true;
    }
    m_changed.notify_all();
    if (m_readerThread.joinable())
        m_readerThread.join();
    if (m_writerThread.joinable())
        m_writerThread.join();
    return m_error.load();
}
