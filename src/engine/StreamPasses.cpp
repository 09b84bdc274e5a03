// The passes of CipherStream over the chunks of one file: an encryption, and a decryption that
// writes its output or only authenticates.
#include "CipherStream.h"

#include "ChunkPipeline.h"
#include "PositionalPass.h"
#include "PosixIo.h"
#include "WorkerCiphers.h"

#include <sodium.h>

#include <algorithm>
#include <memory>
#include <new>
#include <unistd.h>

using StreamFormat::HeaderSize;
using StreamFormat::TagSize;

bool CipherStream::ensureSlots(std::size_t slotSize)
{
    if (m_slots.size() == slotCount() && m_slots.front().size() >= slotSize)
        return true;
    try {
        m_slots.assign(slotCount(), std::vector<std::uint8_t>(slotSize));
    } catch (const std::bad_alloc&) {
        m_slots.clear();
        return false;
    }
    return true;
}

// Regular files are read, and written, at their offsets by every worker at once; pipes,
// terminals and files opened for appending stream through the pipeline in order.
std::unique_ptr<ChunkPass> CipherStream::makePass(int input, std::size_t recordSize,
                                                  bool positionalOutput)
{
    if (positionalOutput && PositionalPass::canRead(input))
        return std::make_unique<PositionalPass>(slotPointers(), input, recordSize, system_calls());
    return std::make_unique<ChunkPipeline>(slotPointers(), input, recordSize, system_calls());
}

std::vector<std::uint8_t*> CipherStream::slotPointers()
{
    std::vector<std::uint8_t*> pointers;
    for (auto& slot : m_slots)
        pointers.push_back(slot.data());
    return pointers;
}

EngineResult CipherStream::encrypt(int input, int output)
{
    m_keys.await();
    m_bytesDone = 0;
    m_bytesWritten = 0;
    StreamFormat::Header header;
    header.kdf = m_kdf;
    header.chunkLog = m_chunkLog;
    header.repairable = m_repairable;
    header.salt = m_keys.saltForEncryption(m_kdf);
    randombytes_buf(header.nonce.data(), header.nonce.size());
    std::uint8_t headerBytes[HeaderSize];
    StreamFormat::encodeHeader(header, headerBytes);
    const std::uint8_t* master = m_keys.masterKey(header, MasterKeyCache::Use::Encryption);
    if (master == nullptr || !m_cipher.setKey(master, StreamFormat::MasterKeySize, headerBytes,
                                              header.commitment.data()))
        return EngineResult::KeyDerivationFailed;
    StreamFormat::encodeHeader(header, headerBytes);
    m_cipher.setAssociatedData(headerBytes);
    const std::size_t chunkSize = std::size_t{1} << header.chunkLog;
    if (!ensureSlots(chunkSize + TagSize))
        return EngineResult::NotAllocated;

    // The parity is written after the stream, at offsets.
    if (m_repairable && !PositionalPass::canWrite(output))
        return EngineResult::WriteError;
    const long long headerAt = m_recording || m_repairable ? ::lseek(output, 0, SEEK_CUR) : -1;
    if (const int error = PosixFile::writeFull(output, headerBytes, HeaderSize, system_calls()))
        return writeFailure(error, false);

    const auto pass = makePass(input, chunkSize, PositionalPass::canWrite(output));
    pass->setOutput(output, chunkSize + TagSize);
    if (m_recording) {
        m_recorded.headerAt = headerAt;
        std::copy(headerBytes, headerBytes + HeaderSize, m_recorded.header.begin());
        // Enough threads for this pass and for the one that reads the output back.
        m_written.start(std::max(pass->threads(m_workers), m_workers + 1), chunkSize + TagSize);
    }
    WorkerCiphers ciphers(m_cipher, m_helperCiphers, pass->threads(m_workers));
    const ChunkPass::Failure failure =
        pass->run(m_workers, [&](unsigned worker, std::uint64_t number,
                                 const ChunkPass::Record& record, std::size_t& length) {
            const auto n = static_cast<std::size_t>(record.length);
            ChunkCipher* cipher = ciphers.of(worker);
            if (cipher == nullptr || !cipher->seal(number, record.last, record.data, n))
                return false;
            length = n + TagSize;
            if (m_recording)
                m_written.add(worker, number, record.data, length);
            m_bytesDone += n;
            return true;
        });
    const int error = pass->finish();
    m_bytesWritten = pass->bytesWritten();
    EngineResult code = EngineResult::Success;
    if (failure.failed)
        code = failure.length < 0 ? EngineResult::ReadError : EngineResult::WriteError;
    if (code == EngineResult::Success && error != 0)
        code = writeFailure(error, false);
    if (code == EngineResult::Success && m_repairable)
        code = writeParity(output, headerAt);
    return code;
}

EngineResult CipherStream::writeParity(int output, long long streamAt)
{
    m_parityWritten = std::make_unique<ParityFile>(
        output, streamAt, RepairLayout(HeaderSize + m_bytesWritten), system_calls());
    if (const int error = m_parityWritten->write(m_workers + 1))
        return writeFailure(error, false);
    return EngineResult::Success;
}

// Decodes the header's prefix; for a file that may be repairable, first with the repairs of
// the group that holds it, when its prefix is no version's or the repairable one, or when
// `repairNow` says so.
StreamFormat::HeaderCheck CipherStream::readHeader(std::uint8_t* headerBytes, long long got,
                                                   StreamFormat::Header& header, bool repairNow)
{
    const auto decode = [&] {
        return got >= static_cast<long long>(StreamFormat::PrefixSize)
                   ? StreamFormat::decodePrefix(headerBytes, header)
                   : StreamFormat::HeaderCheck::Unreadable;
    };
    auto check = decode();
    if (!m_repairs.candidate() || m_repairs.headerChecked() ||
        (!repairNow && check == StreamFormat::HeaderCheck::Valid && !header.repairable))
        return check;
    std::uint8_t repaired[HeaderSize];
    std::copy(headerBytes, headerBytes + got, repaired);
    if (m_repairs.checkHeader(repaired, static_cast<std::size_t>(got), m_workers + 1) != 0)
        return check;
    const StreamFormat::Header before = header;
    std::swap_ranges(headerBytes, headerBytes + got, repaired);
    check = decode();
    if (check == StreamFormat::HeaderCheck::Valid && header.repairable)
        return check;
    // Not a repairable file after all: it is read as it is.
    std::copy(repaired, repaired + got, headerBytes);
    header = before;
    m_repairs.drop();
    return decode();
}

// Derives the keys for `header` and compares the commitment: the commitment binds the file to
// one key, so another key is refused here, by design, before any chunk is read. The computed
// commitment is left in `header`.
void CipherStream::unlock(StreamFormat::Header& header, const std::uint8_t* headerBytes,
                          bool& keyed, bool& matched)
{
    const std::uint8_t* master = m_keys.masterKey(header, MasterKeyCache::Use::Decryption);
    keyed = master != nullptr && m_cipher.setKey(master, StreamFormat::MasterKeySize, headerBytes,
                                                 header.commitment.data());
    matched =
        keyed && sodium_memcmp(header.commitment.data(), headerBytes + StreamFormat::PrefixSize,
                               StreamFormat::CommitmentSize) == 0;
}

EngineResult CipherStream::decrypt(int input, const std::function<int()>& openOutput,
                                   bool positionalOutput)
{
    m_keys.await();
    m_bytesDone = 0;
    m_bytesWritten = 0;
    m_stop = DecryptionStop();
    m_stop.where = DecryptionStop::Where::Header;
    std::uint8_t headerBytes[HeaderSize];
    m_repairs.open(input, system_calls());
    const long long got = PosixFile::readFull(input, headerBytes, HeaderSize, system_calls());
    if (got < 0)
        return EngineResult::ReadError;
    // The parameters are checked before any key derivation: a hostile header costs nothing.
    StreamFormat::Header header;
    auto check = readHeader(headerBytes, got, header, false);
    if (check == StreamFormat::HeaderCheck::Retired)
        return EngineResult::RetiredFormat;
    if (got < static_cast<long long>(HeaderSize) || check != StreamFormat::HeaderCheck::Valid)
        return EngineResult::InvalidBlock;
    bool keyed = false;
    bool matched = false;
    unlock(header, headerBytes, keyed, matched);
    // A version byte garbled into the plain form's shows as a wrong key until repaired.
    if (keyed && !matched && !header.repairable && m_repairs.candidate() &&
        !m_repairs.headerChecked() &&
        readHeader(headerBytes, got, header, true) == StreamFormat::HeaderCheck::Valid &&
        header.repairable)
        unlock(header, headerBytes, keyed, matched);
    m_keys.settle(header, matched);
    if (!keyed)
        return EngineResult::KeyDerivationFailed;
    m_stop.where = DecryptionStop::Where::Key;
    if (!matched)
        return EngineResult::InvalidBlock;
    const bool repairable = header.repairable && m_repairs.candidate();
    if (repairable) {
        m_repairs.useLayout();
    } else {
        // A repairable file cut short, or read from a pipe, has no parity to go by: its chunks
        // are read on to the end of the file, and the parity fails as damage after them.
        m_repairs.drop();
    }
    // A verification tells damage the parity mends wherever it lies, so it decodes every group
    // first.
    if (repairable && !openOutput && m_repairs.checkRest(m_workers + 1) != 0)
        return EngineResult::ReadError;
    m_cipher.setAssociatedData(headerBytes);
    const std::size_t recordSize = (std::size_t{1} << header.chunkLog) + TagSize;
    if (!ensureSlots(recordSize))
        return EngineResult::NotAllocated;
    if (!repairable || m_repairs.restChecked())
        return openChunks(input, openOutput, positionalOutput, recordSize);

    // A decryption trusts the tags first: a chunk that authenticates as read is whole. Only
    // when one fails is the parity decoded, and the chunks opened again over its repairs, into
    // the same output from its start.
    const long long inputAt = ::lseek(input, 0, SEEK_CUR);
    int output = -1;
    long long outputAt = -1;
    const auto openOnce = [&]() -> int {
        if (output < 0) {
            output = openOutput();
            outputAt = output >= 0 ? ::lseek(output, 0, SEEK_CUR) : -1;
            return output;
        }
        return ::lseek(output, outputAt, SEEK_SET) == outputAt &&
                       system_calls().ftruncate(output, outputAt) == 0
                   ? output
                   : -1;
    };
    EngineResult code = openChunks(input, openOnce, positionalOutput, recordSize);
    if (code != EngineResult::InvalidBlock && code != EngineResult::InvalidBlockPartial)
        return code;
    if (m_repairs.checkRest(m_workers + 1) != 0 || !m_repairs.mended() ||
        (output >= 0 && outputAt < 0) || ::lseek(input, inputAt, SEEK_SET) != inputAt)
        return code;
    return openChunks(input, openOnce, positionalOutput, recordSize);
}

// Opens the chunks that follow the header, as decrypt() says.
EngineResult CipherStream::openChunks(int input, const std::function<int()>& openOutput,
                                      bool positionalOutput, std::size_t recordSize)
{
    m_bytesDone = 0;
    m_bytesWritten = 0;
    m_stop = DecryptionStop{DecryptionStop::Where::Chunk, 0, 0, false, recordSize};
    // The first chunk decides between "wrong key or not ours" and a damaged file, before any
    // output exists.
    const auto pass = makePass(input, recordSize, positionalOutput);
    pass->setInputRepairs(m_repairs.inputRepairs());
    const ChunkPass::Record record = pass->next();
    if (record.length < 0)
        return EngineResult::ReadError;
    m_stop.length = record.length;
    m_stop.last = record.last;
    // A pass that writes nothing only needs the tags: they are checked without decrypting.
    const auto checkChunk =
        [writes = static_cast<bool>(openOutput)](ChunkCipher& cipher, std::uint64_t number,
                                                 const ChunkPass::Record& chunk) {
            const auto length = static_cast<std::size_t>(chunk.length);
            return writes ? cipher.open(number, chunk.last, chunk.data, length)
                          : cipher.authenticate(number, chunk.last, chunk.data, length);
        };
    if (record.length < static_cast<long long>(TagSize) || !checkChunk(m_cipher, 0, record))
        return EngineResult::InvalidBlock;
    const int output = openOutput ? openOutput() : -1;
    if (openOutput && output < 0)
        return EngineResult::OutputNotOpened;
    pass->setOutput(output, recordSize - TagSize);
    const bool recording = m_recording && output >= 0;
    if (recording) {
        // Enough threads for this pass and for the one that reads the output back.
        m_written.start(std::max(pass->threads(m_workers), m_workers + 1), recordSize - TagSize);
        m_written.add(0, 0, record.data, static_cast<std::size_t>(record.length) - TagSize);
    }
    pass->submit(static_cast<std::size_t>(record.length) - TagSize);
    m_bytesDone += static_cast<std::uint64_t>(record.length);

    EngineResult code = EngineResult::Success;
    if (!record.last) {
        WorkerCiphers ciphers(m_cipher, m_helperCiphers, pass->threads(m_workers));
        const ChunkPass::Failure failure =
            pass->run(m_workers, [&](unsigned worker, std::uint64_t number,
                                     const ChunkPass::Record& next, std::size_t& length) {
                // Only an empty file has an empty last chunk; anything else is damage.
                ChunkCipher* cipher = ciphers.of(worker);
                if (next.length <= static_cast<long long>(TagSize) || cipher == nullptr ||
                    !checkChunk(*cipher, number, next))
                    return false;
                length = static_cast<std::size_t>(next.length) - TagSize;
                if (recording)
                    m_written.add(worker, number, next.data, length);
                m_bytesDone += static_cast<std::uint64_t>(next.length);
                return true;
            });
        if (failure.failed) {
            m_stop.counter = failure.number;
            m_stop.length = failure.length;
            m_stop.last = failure.last;
            code = failure.length < 0 ? EngineResult::ReadErrorPartial
                                      : EngineResult::InvalidBlockPartial;
        }
    }
    const int error = pass->finish();
    m_bytesWritten = pass->bytesWritten();
    if (error != 0)
        code = writeFailure(error, m_bytesWritten > 0);
    if (code == EngineResult::Success)
        m_stop = DecryptionStop();
    return code;
}
