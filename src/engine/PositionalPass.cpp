#include "PositionalPass.h"

#include "PosixIo.h"
#include "RepairPatches.h"
#include "SystemCalls.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace {

bool isRegularFile(int fd)
{
    struct stat info;
    return fd >= 0 && ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
           ::lseek(fd, 0, SEEK_CUR) >= 0;
}

} // namespace

bool PositionalPass::canRead(int fd)
{
    return isRegularFile(fd);
}

bool PositionalPass::canWrite(int fd)
{
    // pwrite() on a file opened for appending writes at its end, whatever the offset.
    const int flags = isRegularFile(fd) ? ::fcntl(fd, F_GETFL) : -1;
    return flags >= 0 && (flags & O_APPEND) == 0;
}

PositionalPass::PositionalPass(std::vector<std::uint8_t*> slots, int input, std::size_t recordSize,
                               const SystemCalls& calls)
    : m_calls(calls), m_slots(std::move(slots)), m_input(input),
      m_inputBase(::lseek(input, 0, SEEK_CUR)), m_recordSize(recordSize)
{
}

PositionalPass::~PositionalPass()
{
    // Ends the threads of a pass its caller gave up on; the caller has heard of the failure
    // that made it give up, and nobody is left to hear of another.
    (void)finish();
}

void PositionalPass::setOutput(int fd, std::size_t fullLength)
{
    m_output = fd;
    m_outputBase = fd >= 0 ? ::lseek(fd, 0, SEEK_CUR) : 0;
    m_fullLength = fullLength;
}

unsigned PositionalPass::threads(unsigned workers) const
{
    return static_cast<unsigned>(std::min<std::size_t>(workers + 1, m_slots.size()));
}

// With the lock held: true while records are left to take, that is until the last one or a
// failure before it is known.
bool PositionalPass::recordsLeft() const
{
    const std::uint64_t failedAt = m_failure.failed ? m_failure.number : None;
    return m_next < std::min({m_end == None ? None : m_end + 1, failedAt, m_errorAt});
}

bool PositionalPass::take(std::uint64_t& number)
{
    std::lock_guard lock(m_mutex);
    if (!recordsLeft())
        return false;
    number = m_next++;
    return true;
}

// Reads record `number`; it is the last one when it is short or nothing follows it, as when
// the file is read in order.
PositionalPass::Record PositionalPass::read(std::uint64_t number, std::uint8_t* data)
{
    const long long offset = m_inputBase + static_cast<long long>(number * m_recordSize);
    const std::size_t wanted =
        m_repairs.end < 0 ? m_recordSize
                          : static_cast<std::size_t>(std::clamp<long long>(
                                m_repairs.end - offset, 0, static_cast<long long>(m_recordSize)));
    const long long length = PosixFile::readFullAt(m_input, data, wanted, offset, m_calls);
    if (length < 0)
        return {data, length, true};
    // The record before this one had something after it: the file shrank while it was read.
    if (length == 0 && number > 0)
        return {data, -EIO, true};
    if (m_repairs.patches != nullptr)
        m_repairs.patches->apply(static_cast<std::uint64_t>(offset), data,
                                 static_cast<std::size_t>(length));
    bool last = length < static_cast<long long>(m_recordSize) || offset + length == m_repairs.end;
    if (!last) {
        std::uint8_t ahead = 0;
        const long long more = PosixFile::readFullAt(
            m_input, &ahead, 1, offset + static_cast<long long>(length), m_calls);
        if (more < 0)
            return {data, more, true};
        last = more == 0;
    }
    if (last) {
        std::lock_guard lock(m_mutex);
        if (m_end == None || number < m_end) {
            m_end = number;
            m_endRead = length;
        }
    }
    return {data, length, last};
}

// Writes a processed record at its place, or notes why it cannot be.
void PositionalPass::settle(std::uint64_t number, const Record& record, bool ok, std::size_t length)
{
    const long long offset = m_outputBase + static_cast<long long>(number * m_fullLength);
    {
        std::lock_guard lock(m_mutex);
        if (!ok) {
            if (!m_failure.failed || number < m_failure.number)
                m_failure = {true, number, record.length, record.last};
            return;
        }
        if (m_end != None && number > m_end)
            return; // past the last record: another worker took it before the end was known
        if (number == m_end)
            m_endLength = length;
        if (m_output >= 0)
            m_writtenUpTo = std::max(m_writtenUpTo, offset + static_cast<long long>(length));
    }
    if (m_output < 0)
        return;
    // The kernel lets one write into a file at a time anyway; waiting for it here sleeps,
    // where the kernel's own lock spins, burning the processor that the writer may need.
    std::unique_lock writing(m_writing);
    const int error = PosixFile::writeFullAt(m_output, record.data, length, offset, m_calls);
    writing.unlock();
    if (error != 0) {
        std::lock_guard lock(m_mutex);
        if (number < m_errorAt) {
            m_errorAt = number;
            m_error = error;
        }
    }
}

void PositionalPass::process(unsigned worker, std::uint64_t number, const Work& work)
{
    const Record record = read(number, m_slots[worker]);
    std::size_t length = 0;
    const bool ok = record.length >= 0 && work(worker, number, record, length);
    settle(number, record, ok, length);
}

void PositionalPass::workLoop(unsigned worker, const Work& work)
{
    std::uint64_t number = 0;
    while (take(number))
        process(worker, number, work);
}

ChunkPass::Record PositionalPass::next()
{
    std::uint64_t number = 0;
    if (!take(number))
        return {m_slots[0], -EIO, true};
    m_pending = number;
    m_pendingRecord = read(number, m_slots[0]);
    return m_pendingRecord;
}

void PositionalPass::submit(std::size_t length)
{
    settle(m_pending, m_pendingRecord, true, length);
}

ChunkPass::Failure PositionalPass::run(unsigned workers, const Work& work)
{
    // A file of one record needs no thread: the others start once the first record turns out
    // not to be the last.
    std::uint64_t number = 0;
    if (m_next == 0 && take(number))
        process(0, number, work);
    bool more = false;
    {
        std::lock_guard lock(m_mutex);
        more = recordsLeft();
    }
    std::vector<std::thread> helpers;
    try {
        for (unsigned worker = 1; more && worker < threads(workers); ++worker)
            helpers.emplace_back(&PositionalPass::workLoop, this, worker, std::cref(work));
    } catch (const std::system_error&) {
        // Fewer threads than asked for: the work gets done all the same, more slowly.
    }
    workLoop(0, work);
    for (auto& helper : helpers)
        helper.join();
    return outcome().failure;
}

PositionalPass::Outcome PositionalPass::outcome() const
{
    std::lock_guard lock(m_mutex);
    Outcome result;
    const std::uint64_t failedAt = m_failure.failed ? m_failure.number : None;
    const std::uint64_t firstBad = std::min(failedAt, m_errorAt);
    if (firstBad == None || (m_end != None && firstBad > m_end)) {
        if (m_end != None)
            result.written = m_end * m_fullLength + m_endLength;
        return result;
    }
    // Every record before the first bad one is whole and written.
    result.written = firstBad * m_fullLength;
    if (firstBad == m_errorAt)
        result.error = m_error;
    else
        result.failure = m_failure;
    return result;
}

int PositionalPass::finish()
{
    if (m_finished)
        return m_finishError;
    m_finished = true;
    const Outcome result = outcome();
    int error = result.error;
    if (m_output >= 0) {
        const long long end = m_outputBase + static_cast<long long>(result.written);
        if (m_writtenUpTo > end && m_calls.ftruncate(m_output, end) != 0 && error == 0)
            error = errno;
        ::lseek(m_output, end, SEEK_SET);
    }
    if (!result.failure.failed && result.error == 0 && m_end != None)
        ::lseek(m_input, m_inputBase + static_cast<long long>(m_end * m_recordSize) + m_endRead,
                SEEK_SET);
    m_finishError = error;
    return error;
}

std::uint64_t PositionalPass::bytesWritten() const
{
    return outcome().written;
}
