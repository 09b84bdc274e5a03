#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

// Overlaps writing with reading and sealing: the caller fills one slot of a small ring while a
// second thread writes the slots filled before it. A file that fits in one chunk is written
// directly, without starting the thread. Memory is the ring only, whatever the file size.
class ChunkWriter
{
public:
    // `slots` buffers owned by the caller. Without an output file the data is discarded
    // (a verifying pass).
    explicit ChunkWriter(std::vector<std::uint8_t*> slots);
    ~ChunkWriter();
    ChunkWriter(const ChunkWriter&) = delete;
    ChunkWriter& operator=(const ChunkWriter&) = delete;

    // Sets the output file; only before the first submit().
    void setOutput(int fd) { m_fd = fd; }

    // The buffer to fill next; waits while every slot is still queued for writing.
    std::uint8_t* acquire();

    // Queues the first `length` bytes of the buffer from acquire().
    void submit(std::size_t length, bool last);

    // Waits for every queued write; 0, or the errno of the first failed write.
    int finish();

    // True once a write failed; the caller stops producing.
    bool failed() const { return m_error.load() != 0; }

    // Bytes written so far.
    std::uint64_t bytesWritten() const { return m_written.load(); }

private:
    void run();
    void writeSlot(std::size_t index, std::size_t length);

    std::vector<std::uint8_t*> m_slots;
    std::vector<std::size_t> m_lengths;
    int m_fd = -1;

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::size_t m_submitted = 0; // slots handed over
    std::size_t m_done = 0;      // slots written
    bool m_closing = false;
    std::thread m_thread;

    std::atomic<int> m_error{0};
    std::atomic<std::uint64_t> m_written{0};
};
