#include "ChunkWriter.h"

#include "PosixFile.h"

ChunkWriter::ChunkWriter(std::vector<std::uint8_t*> slots)
    : m_slots(std::move(slots)), m_lengths(m_slots.size(), 0)
{
}

ChunkWriter::~ChunkWriter()
{
    finish();
}

std::uint8_t* ChunkWriter::acquire()
{
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_submitted - m_done < m_slots.size(); });
    return m_slots[m_submitted % m_slots.size()];
}

void ChunkWriter::writeSlot(std::size_t index, std::size_t length)
{
    if (m_error.load() != 0)
        return;
    if (m_fd < 0) {
        m_written.fetch_add(length);
        return;
    }
    const int error = PosixFile::writeFull(m_fd, m_slots[index], length);
    if (error != 0)
        m_error.store(error);
    else
        m_written.fetch_add(length);
}

void ChunkWriter::submit(std::size_t length, bool last)
{
    std::unique_lock lock(m_mutex);
    const std::size_t index = m_submitted % m_slots.size();
    if (!m_thread.joinable() && last) {
        // Nothing is queued and nothing follows: a thread would only add latency.
        lock.unlock();
        writeSlot(index, length);
        lock.lock();
        ++m_submitted;
        ++m_done;
        return;
    }
    m_lengths[index] = length;
    ++m_submitted;
    if (!m_thread.joinable())
        m_thread = std::thread(&ChunkWriter::run, this);
    m_changed.notify_all();
}

void ChunkWriter::run()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return m_done < m_submitted || m_closing; });
        if (m_done == m_submitted)
            return; // closing, and nothing left
        const std::size_t index = m_done % m_slots.size();
        const std::size_t length = m_lengths[index];
        lock.unlock();
        writeSlot(index, length);
        lock.lock();
        ++m_done;
        m_changed.notify_all();
    }
}

int ChunkWriter::finish()
{
    {
        std::lock_guard lock(m_mutex);
        m_closing = true;
    }
    m_changed.notify_all();
    if (m_thread.joinable())
        m_thread.join();
    return m_error.load();
}
