#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

class RepairPatches;

// One pass over the records of a file: each record is read, processed in place by a worker and
// written out, and the output holds the processed records in the input's order, up to the first
// one that could not be read or was refused. How records move between threads is up to the
// implementation: ChunkPipeline streams them in order, PositionalPass has every worker read and
// write its own records at their offsets.
class ChunkPass
{
public:
    struct Record
    {
        std::uint8_t* data;
        long long length; // bytes read, or -errno
        bool last;
    };

    // Processes one record in place and gives the length to write; false refuses the record.
    // `worker` tells the calling thread apart (0 .. threads(workers) - 1), `number` is the
    // record's place in the input, from 0.
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

    // What a pass reads of a repairable file: the stream ends at the offset `end` of the input
    // (-1: at the end of the file), and the repairs are laid over every byte read.
    struct InputRepairs
    {
        long long end = -1;
        const RepairPatches* patches = nullptr;
    };

    virtual ~ChunkPass() = default;

    // Only before the first record is read.
    virtual void setInputRepairs(const InputRepairs& repairs) = 0;

    // Sets the output file; only before the first record is written. `fullLength` is what a
    // whole record becomes once processed (every record but the last is whole). Without an
    // output the processed data is discarded (a verifying pass).
    virtual void setOutput(int fd, std::size_t fullLength) = 0;

    // One record at a time on the caller's thread: the next record of the input, in order...
    virtual Record next() = 0;
    // ...and its first `length` bytes written, or queued for writing.
    virtual void submit(std::size_t length) = 0;

    // Processes every remaining record with `work`, the caller's thread among the workers, and
    // returns once the last one is written or the first failure is known.
    [[nodiscard]] virtual Failure run(unsigned workers, const Work& work) = 0;
    // How many threads run() gives work to for `workers`: the ids that `work` sees.
    virtual unsigned threads(unsigned workers) const = 0;

    // Ends the pass: 0, or the errno of the first failed write.
    [[nodiscard]] virtual int finish() = 0;

    // Processed bytes written (or, without an output, that would have been), once finished.
    virtual std::uint64_t bytesWritten() const = 0;
};
