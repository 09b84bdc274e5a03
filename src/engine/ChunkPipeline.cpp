#include "ChunkPipeline.h"

#include "PosixIo.h"

#include <system_error>

ChunkPipeline::ChunkPipeline(std::vector<std::uint8_t*> slots, int input, std::size_t recordSize,
                             const SystemCalls& calls)
    : m_calls(calls), m_slots(std::move(slots)), m_reader(input, calls), m_recordSize(recordSize),
      m_readLengths(m_slots.size(), 0), m_readLast(m_slots.size(), 0),
      m_writeLengths(m_slots.size(), 0), m_states(m_slots.size(), SlotState::Pending)
{
}

// With the lock held: the writer stopped at a failure; nothing more is read, taken or written.
void ChunkPipeline::halt()
{
    m_halted = true;
    wakeEveryone();
}

// With the lock held.
void ChunkPipeline::wakeEveryone()
{
    m_slotFree.notify_all();
    m_recordRead.notify_all();
    m_processed.notify_all();
    m_allWritten.notify_all();
}

ChunkPipeline::~ChunkPipeline()
{
    // Ends the threads of a pass its caller gave up on; the caller has heard of the failure
    // that made it give up, and nobody is left to hear of another.
    (void)finish();
}

// The first record on the caller's thread: a one-chunk file needs no threads at all.
void ChunkPipeline::startReading()
{
    if (m_read != 0 || m_readerThread.joinable())
        return;
    readOne(0);
    if (!m_readLast[0])
        m_readerThread = std::thread(&ChunkPipeline::readLoop, this);
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
    m_recordRead.notify_one();
}

void ChunkPipeline::readLoop()
{
    for (;;) {
        std::size_t index = 0;
        {
            std::unique_lock lock(m_mutex);
            m_slotFree.wait(lock, [this] {
                return m_stopReading || m_halted || m_read - m_done < m_slots.size();
            });
            if (m_stopReading || m_halted)
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
    startReading();
    std::unique_lock lock(m_mutex);
    m_recordRead.wait(lock, [this] { return m_taken < m_read; });
    const std::size_t index = m_taken++ % m_slots.size();
    if (m_readLast[index])
        m_allTaken = true;
    return {m_slots[index], m_readLengths[index], m_readLast[index] != 0};
}

void ChunkPipeline::submit(std::size_t length)
{
    std::unique_lock lock(m_mutex);
    const std::size_t index = (m_taken - 1) % m_slots.size();
    if (!m_writerThread.joinable() && m_readLast[index] && m_done + 1 == m_taken) {
        // Nothing is queued and nothing follows: a thread would only add latency.
        lock.unlock();
        writeSlot(index, length);
        lock.lock();
        ++m_done;
        m_slotFree.notify_one();
        return;
    }
    markProcessed(index, true, length);
    if (!m_writerThread.joinable())
        m_writerThread = std::thread(&ChunkPipeline::writeLoop, this);
}

// With the lock held.
void ChunkPipeline::markProcessed(std::size_t index, bool ok, std::size_t length)
{
    m_writeLengths[index] = length;
    m_states[index] = ok ? SlotState::Ready : SlotState::Refused;
    if (!ok) {
        m_allTaken = true; // what follows a refused record is never written
        m_recordRead.notify_all();
    }
    if (index == m_done % m_slots.size())
        m_processed.notify_one();
}

ChunkPipeline::Failure ChunkPipeline::run(unsigned workers, const Work& work)
{
    startReading();
    {
        std::unique_lock lock(m_mutex);
        m_recordRead.wait(lock, [this] { return m_taken < m_read || m_allTaken; });
        if (m_allTaken)
            return m_failure;
        const std::size_t index = m_taken % m_slots.size();
        if (m_readLast[index] && m_done == m_taken && !m_writerThread.joinable()) {
            // A single record: done here, as next() and submit() do it.
            lock.unlock();
            const std::uint64_t number = m_taken;
            const Record record = next();
            std::size_t length = 0;
            if (record.length >= 0 && work(0, number, record, length)) {
                submit(length);
                return {};
            }
            lock.lock();
            m_halted = true;
            m_failure = {true, number, record.length, true};
            return m_failure;
        }
    }
    if (!m_writerThread.joinable())
        m_writerThread = std::thread(&ChunkPipeline::writeLoop, this);
    std::vector<std::thread> helpers;
    try {
        for (unsigned worker = 1; worker < workers; ++worker)
            helpers.emplace_back(&ChunkPipeline::workLoop, this, worker, std::cref(work));
    } catch (const std::system_error&) {
        // Fewer threads than asked for: the work gets done all the same, more slowly.
    }
    workLoop(0, work);
    for (auto& helper : helpers)
        helper.join();
    std::unique_lock lock(m_mutex);
    m_allWritten.wait(lock, [this] { return m_halted || m_done == m_taken; });
    return m_failure;
}

void ChunkPipeline::workLoop(unsigned worker, const Work& work)
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_recordRead.wait(lock, [this] { return m_halted || m_allTaken || m_taken < m_read; });
        if (m_halted || m_allTaken)
            return;
        const std::uint64_t number = m_taken++;
        const std::size_t index = number % m_slots.size();
        const Record record{m_slots[index], m_readLengths[index], m_readLast[index] != 0};
        if (record.last) {
            m_allTaken = true;
            m_recordRead.notify_all(); // the other workers are done
        }
        lock.unlock();
        std::size_t length = 0;
        const bool ok = record.length >= 0 && work(worker, number, record, length);
        lock.lock();
        markProcessed(index, ok, length);
    }
}

void ChunkPipeline::writeSlot(std::size_t index, std::size_t length)
{
    if (m_error.load() != 0)
        return;
    if (m_fd >= 0) {
        if (const int error = PosixFile::writeFull(m_fd, m_slots[index], length, m_calls)) {
            m_error.store(error);
            return;
        }
    }
    m_written.fetch_add(length);
}

// Writes the processed records in the input's order, and stops at the first refused one or
// the first failed write.
void ChunkPipeline::writeLoop()
{
    std::unique_lock lock(m_mutex);
    const auto nextIsProcessed = [this] {
        return m_done < m_taken && m_states[m_done % m_slots.size()] != SlotState::Pending;
    };
    for (;;) {
        m_processed.wait(lock, [&] { return m_closing || nextIsProcessed(); });
        if (!nextIsProcessed())
            return; // closing, and nothing left
        const std::size_t index = m_done % m_slots.size();
        if (m_states[index] == SlotState::Refused) {
            m_failure = {true, m_done, m_readLengths[index], m_readLast[index] != 0};
            halt();
            return;
        }
        const std::size_t length = m_writeLengths[index];
        lock.unlock();
        writeSlot(index, length);
        lock.lock();
        m_states[index] = SlotState::Pending;
        ++m_done;
        if (m_error.load() != 0) {
            halt();
            return;
        }
        m_slotFree.notify_one();
        if (m_done == m_taken)
            m_allWritten.notify_one();
    }
}

int ChunkPipeline::finish()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopReading = true;
        m_closing = true;
        wakeEveryone();
    }
    if (m_readerThread.joinable())
        m_readerThread.join();
    if (m_writerThread.joinable())
        m_writerThread.join();
    return m_error.load();
}
