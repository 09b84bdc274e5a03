#pragma once

#include "ChunkReader.h"

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

// Overlaps reading, sealing and writing: a reader thread fills the slots of a small ring,
// workers seal or open them, as many at once as there are workers, and a writer thread writes
// them out in the input's order. A file that fits in one chunk is handled on the caller's thread
// alone. Memory is the ring only, whatever the file size.
class ChunkPipeline
{
public:
    struct Record
    {
        std::uint8_t* data;
        long long length; // bytes read, or -errno
        bool last;
    };

    // Processes one record in place and gives the length to write; false refuses the record.
    // `worker` tells the calling thread apart (0 .. workers - 1), `number` is the record's place
    // in the input, from 0.
    using Work = std::function<bool(unsigned worker, std::uint64_t number, const Record& record,
                                    std::size_t& length)>;

    // The first record, in the input's order, that could not be read or was refused. Every
    // record before it is written, none after it.
    struct Failure
    {
        bool failed = false;
        std::uint64_t number = 0;
        long long length = 0; // negative: the read failed
        bool last = false;
    };

    // `slots` buffers of at least `recordSize` bytes, owned by the caller; at least two per
    // worker keep every worker busy. Without an output file the processed data is discarded
    // (a verifying pass).
    ChunkPipeline(std::vector<std::uint8_t*> slots, ChunkReader& reader, std::size_t recordSize);
    ~ChunkPipeline();
    ChunkPipeline(const ChunkPipeline&) = delete;
    ChunkPipeline& operator=(const ChunkPipeline&) = delete;

    // Sets the output file; only before the first record is written.
    void setOutput(int fd) { m_fd = fd; }

    // One record at a time on the caller's thread: the next record of the input, in order...
    Record next();
    // ...and its first `length` bytes queued for writing.
    void submit(std::size_t length);

    // Processes every remaining record with `work` on `workers` threads, the caller's among
    // them, and returns once the last one is written or the first failure is known.
    Failure run(unsigned workers, const Work& work);

    // Stops reading, waits for every queued write; 0, or the errno of the first failed write.
    int finish();

    std::uint64_t bytesWritten() const { return m_written.load(); }

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

    std::vector<std::uint8_t*> m_slots;
    ChunkReader& m_reader;
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
