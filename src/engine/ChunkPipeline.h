#pragma once

#include "ChunkPass.h"
#include "ChunkReader.h"

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

// Overlaps reading, sealing and writing: a reader thread fills the slots of a small ring,
// workers seal or open them, as many at once as there are workers, and a writer thread writes
// them out in the input's order. A file that fits in one chunk is handled on the caller's thread
// alone. Memory is the ring only, whatever the file size.
class ChunkPipeline : public ChunkPass
{
public:
    // `slots` buffers of at least `recordSize` bytes, owned by the caller; at least two per
    // worker keep every worker busy. Reads and writes go through `calls`.
    ChunkPipeline(std::vector<std::uint8_t*> slots, int input, std::size_t recordSize,
                  const SystemCalls& calls = SystemCalls::current());
    ~ChunkPipeline() override;
    ChunkPipeline(const ChunkPipeline&) = delete;
    ChunkPipeline& operator=(const ChunkPipeline&) = delete;

    // Records are written in order: where they land follows from the lengths alone.
    void setOutput(int fd, std::size_t /*fullLength*/) override { m_fd = fd; }
    void setInputRepairs(const InputRepairs& repairs) override { m_reader.setRepairs(repairs); }

    Record next() override;
    void submit(std::size_t length) override;

    // `workers` threads process records, besides the reader and the writer threads.
    [[nodiscard]] Failure run(unsigned workers, const Work& work) override;
    unsigned threads(unsigned workers) const override { return workers; }

    // Stops reading and waits for every queued write.
    [[nodiscard]] int finish() override;

    std::uint64_t bytesWritten() const override { return m_written.load(); }

private:
    enum class SlotState : char { Pending, Ready, Refused };

    void startReading();
    void readOne(std::size_t index);
    void readLoop();
    void markProcessed(std::size_t index, bool ok, std::size_t length);
    void workLoop(unsigned worker, const Work& work);
    void writeLoop();
    void halt();
    void wakeEveryone();
    void writeSlot(std::size_t index, std::size_t length);

    const SystemCalls& m_calls;
    std::vector<std::uint8_t*> m_slots;
    ChunkReader m_reader;
    std::size_t m_recordSize;
    int m_fd = -1;

    std::vector<long long> m_readLengths;
    std::vector<char> m_readLast;
    std::vector<std::size_t> m_writeLengths;
    std::vector<SlotState> m_states;

    std::mutex m_mutex;
    // Each thread waits on its own condition, so that a change wakes only who can use it.
    std::condition_variable m_slotFree;   // the reader
    std::condition_variable m_recordRead; // the workers
    std::condition_variable m_processed;  // the writer
    std::condition_variable m_allWritten; // run(), at its end
    // Records pass these counters in order: done <= taken <= read, and read - done never
    // exceeds the number of slots. Between taken and done they are processed in any order.
    std::size_t m_read = 0;
    std::size_t m_taken = 0;
    std::size_t m_done = 0;
    bool m_allTaken = false; // the last record, or a failed one, is taken: nothing more to take
    bool m_halted = false;   // a record failed or a write did: the writer stopped there
    bool m_stopReading = false;
    bool m_closing = false;
    Failure m_failure;
    std::thread m_readerThread;
    std::thread m_writerThread;

    std::atomic<int> m_error{0};
    std::atomic<std::uint64_t> m_written{0};
};
