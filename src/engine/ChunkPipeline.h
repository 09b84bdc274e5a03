#pragma once

#include "ChunkReader.h"

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

// Overlaps reading, sealing and writing: a reader thread fills the slots of a small ring, the
// caller seals or opens them in order, and a writer thread writes them out. A file that fits in
// one chunk is handled on the caller's thread alone. Memory is the ring only, whatever the
// file size.
class ChunkPipeline
{
public:
    struct Record
    {
        std::uint8_t* data;
        long long length; // bytes read, or -errno
        bool last;
    };

    // `slots` buffers of at least `recordSize` bytes, owned by the caller. Without an output
    // file the processed data is discarded (a verifying pass).
    ChunkPipeline(std::vector<std::uint8_t*> slots, ChunkReader& reader, std::size_t recordSize);
    ~ChunkPipeline();
    ChunkPipeline(const ChunkPipeline&) = delete;
    ChunkPipeline& operator=(const ChunkPipeline&) = delete;

    // Sets the output file; only before the first submit().
    void setOutput(int fd) { m_fd = fd; }

    // The next record of the input, in order; waits for the reader.
    Record next();

    // Queues the first `length` bytes of the record from the last next() for writing.
    void submit(std::size_t length, bool last);

    // Stops reading, waits for every queued write; 0, or the errno of the first failed write.
    int finish();

    // True once a write failed; the caller stops producing.
    bool failed() const { return m_error.load() != 0; }

    std::uint64_t bytesWritten() const { return m_written.load(); }

private:
    void readOne(std::size_t index);
    void readLoop();
    void writeLoop();
    void writeSlot(std::size_t index, std::size_t length);

    std::vector<std::uint8_t*> m_slots;
    ChunkReader& m_reader;
    std::size_t m_recordSize;
    int m_fd = -1;

    std::vector<long long> m_readLengths;
    std::vector<char> m_readLast;
    std::vector<std::size_t> m_writeLengths;

    std::mutex m_mutex;
    std::condition_variable m_changed;
    // Records pass these counters in order: done <= submitted <= taken <= read, and
    // read - done never exceeds the number of slots.
    std::size_t m_read = 0;
    std::size_t m_taken = 0;
    std::size_t m_submitted = 0;
    std::size_t m_done = 0;
    bool m_stopReading = false;
    bool m_closing = false;
    std::thread m_readerThread;
    std::thread m_writerThread;

    std::atomic<int> m_error{0};
    std::atomic<std::uint64_t> m_written{0};
};
