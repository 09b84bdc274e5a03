// The checks of CipherStream: a decryption that writes nothing, what it found wrong with a
// file, and the read-back of what a pass wrote.
#include "CipherStream.h"

#include "ChunkPass.h"
#include "PosixIo.h"

#include <sodium.h>
#include <unistd.h>

using StreamFormat::HeaderSize;

EngineResult CipherStream::recorded(long long base, const std::function<EngineResult()>& pass)
{
    m_recorded = Recorded();
    m_parityWritten.reset();
    m_recording = true;
    const EngineResult code = pass();
    m_recording = false;
    // Only a whole output is worth reading back. An encryption's records follow its header.
    if (code == EngineResult::Success) {
        m_recorded.base =
            base + (m_recorded.headerAt >= 0 ? static_cast<long long>(HeaderSize) : 0);
        m_recorded.length = m_bytesWritten;
    }
    return code;
}

EngineResult CipherStream::encryptRecorded(int input, int output)
{
    return recorded(0, [&] { return encrypt(input, output); });
}

EngineResult CipherStream::decryptRecorded(int input, const std::function<int()>& openOutput)
{
    return recorded(0, [&] { return decrypt(input, openOutput, true); });
}

bool CipherStream::readsBackAsWritten(int output)
{
    // bytes_done() keeps counting the input: the read-back is quick beside the pass.
    const std::uint64_t done = m_bytesDone.load();
    const bool intact = written_intact(output);
    m_bytesDone = done;
    return intact;
}

EngineResult CipherStream::decrypt_fd_recorded(int input, int output)
{
    if (const EngineResult rc = ready(); rc != EngineResult::Success)
        return rc;
    return recorded(::lseek(output, 0, SEEK_CUR), [&] { return decrypt_fd(input, output); });
}

// The output is read back as it was written, a record per worker at once, up to its end.
bool CipherStream::written_intact(int output)
{
    m_bytesDone = 0;
    const std::size_t recordLength = m_written.recordLength();
    if (m_recorded.base < 0 || recordLength == 0)
        return false;
    if (m_recorded.headerAt >= 0) {
        std::array<std::uint8_t, HeaderSize> header;
        if (PosixFile::readFullAt(output, header.data(), HeaderSize, m_recorded.headerAt,
                                  system_calls()) != static_cast<long long>(HeaderSize) ||
            sodium_memcmp(header.data(), m_recorded.header.data(), HeaderSize) != 0)
            return false;
    }
    if (::lseek(output, m_recorded.base, SEEK_SET) != m_recorded.base)
        return false;
    const auto pass = makePass(output, recordLength, true);
    pass->setOutput(-1, recordLength);
    // The parity of a repairable file follows what was recorded.
    if (m_parityWritten != nullptr)
        pass->setInputRepairs(
            {m_recorded.base + static_cast<long long>(m_recorded.length), nullptr});
    if (pass->threads(m_workers) > m_written.threads())
        return false;
    const ChunkPass::Failure failure =
        pass->run(m_workers, [&](unsigned worker, std::uint64_t number,
                                 const ChunkPass::Record& record, std::size_t& length) {
            length = static_cast<std::size_t>(record.length);
            m_bytesDone += length;
            return m_written.matches(worker, number, record.data, length);
        });
    const int error = pass->finish();
    return error == 0 && !failure.failed && pass->bytesWritten() == m_recorded.length &&
           (m_parityWritten == nullptr || m_parityWritten->readsBack(m_workers + 1));
}

EngineResult CipherStream::verify_fd(int fd)
{
    if (const EngineResult rc = ready(); rc != EngineResult::Success)
        return rc;
    if (::lseek(fd, 0, SEEK_SET) != 0)
        return EngineResult::ReadError;
    return decrypt(fd, nullptr, true);
}

CipherStream::Verdict CipherStream::verify_verdict(int fd)
{
    using Kind = Verdict::Kind;
    const EngineResult result = verify_fd(fd);
    const StreamRepairs::Summary repairs = m_repairs.summary();
    switch (result) {
    case EngineResult::Success:
        return {repairs.bytes > 0 ? Kind::RepairableDamage : Kind::Intact, 0};
    case EngineResult::RetiredFormat:
        return {Kind::RetiredFormat, 0};
    case EngineResult::KeyDerivationFailed:
        return {Kind::NoMemory, 0};
    case EngineResult::InvalidBlock:
    case EngineResult::InvalidBlockPartial:
        break;
    default:
        return {Kind::ReadFailed, 0};
    }
    if (m_stop.where == DecryptionStop::Where::Header)
        return {Kind::NotEncrypted, 0};
    if (m_stop.where == DecryptionStop::Where::Key)
        return {Kind::WrongKey, 0};
    if (repairs.repairable) {
        // The parity follows the stream, so the chunk is judged by where it lies alone.
        const std::uint64_t at = HeaderSize + m_stop.counter * m_stop.recordSize;
        return {repairs.unrepaired > 0 ? Kind::BeyondRepair : Kind::Damaged, at};
    }
    return chunkVerdict(fd, m_stop, m_cipher, m_slots.front().data());
}
