#pragma once

#include "ChunkPass.h"
#include "SystemCalls.h"

#include <cstddef>
#include <cstdint>
#include <limits>
#include <mutex>
#include <thread>
#include <vector>

// A pass over a regular file in which every worker reads a record at its offset, processes it
// and writes it at its offset in the output, while the others do the same with the records that
// follow. A record stays in one processor's cache from the read to the write, and no thread
// only moves data: on two processors this beats reader, worker and writer threads by about a
// fifth. Records may be written out of order; what was written beyond the end of the output
// (past the first failure, or past a last record that another worker had not seen yet) is cut
// off when the pass ends, so the result is the one an ordered pass gives.
class PositionalPass : public ChunkPass
{
public:
    // True for a descriptor that records can be read from at their offsets: a regular file.
    static bool canRead(int fd);
    // True for one that they can be written to at their offsets: a regular file not opened for
    // appending.
    static bool canWrite(int fd);

    // Records start at the input's current offset. `slots` are buffers of at least
    // `recordSize` bytes, owned by the caller, one per thread. Reads and writes go through
    // `calls`.
    PositionalPass(std::vector<std::uint8_t*> slots, int input, std::size_t recordSize,
                   const SystemCalls& calls = SystemCalls::current());
    ~PositionalPass() override;
    PositionalPass(const PositionalPass&) = delete;
    PositionalPass& operator=(const PositionalPass&) = delete;

    // Records are written from the output's current offset on, record k at k × fullLength.
    void setOutput(int fd, std::size_t fullLength) override;
    void setInputRepairs(const InputRepairs& repairs) override { m_repairs = repairs; }

    Record next() override;
    void submit(std::size_t length) override;

    // Every worker reads and writes its own records, so the share of a reader and a writer
    // thread goes to one more worker.
    [[nodiscard]] Failure run(unsigned workers, const Work& work) override;
    unsigned threads(unsigned workers) const override;

    // Cuts off what was written past the end, and leaves both files' offsets after what the
    // pass read and wrote, as reading and writing in order would.
    [[nodiscard]] int finish() override;

    std::uint64_t bytesWritten() const override;

private:
    static constexpr std::uint64_t None = std::numeric_limits<std::uint64_t>::max();

    // What the pass comes to, from what the workers reported.
    struct Outcome
    {
        Failure failure;
        int error = 0;
        std::uint64_t written = 0;
    };

    bool recordsLeft() const;
    bool take(std::uint64_t& number);
    Record read(std::uint64_t number, std::uint8_t* data);
    void settle(std::uint64_t number, const Record& record, bool ok, std::size_t length);
    void process(unsigned worker, std::uint64_t number, const Work& work);
    void workLoop(unsigned worker, const Work& work);
    Outcome outcome() const;

    const SystemCalls& m_calls;
    std::vector<std::uint8_t*> m_slots;
    int m_input;
    long long m_inputBase;
    InputRepairs m_repairs;
    std::size_t m_recordSize;
    int m_output = -1;
    long long m_outputBase = 0;
    std::size_t m_fullLength = 0;
    std::uint64_t m_pending = 0; // the record next() gave
    Record m_pendingRecord{nullptr, 0, false};
    bool m_finished = false;
    int m_finishError = 0;

    std::mutex m_writing;
    mutable std::mutex m_mutex;
    std::uint64_t m_next = 0;    // the next record to take
    std::uint64_t m_end = None;  // the last record, once one was read
    long long m_endRead = 0;     // bytes read of the last record
    std::size_t m_endLength = 0; // and its processed length
    Failure m_failure;           // the first refused or unreadable record
    int m_error = 0;             // the errno of the first failed write
    std::uint64_t m_errorAt = None;
    long long m_writtenUpTo = 0; // the furthest output offset written
};
