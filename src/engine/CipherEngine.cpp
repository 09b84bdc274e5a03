#include "CipherEngine.h"

#include "ChunkPipeline.h"
#include "OutputFile.h"
#include "PositionalPass.h"
#include "PosixFile.h"
#include "ReadAhead.h"
#include "SelfTest.h"
#include "WorkerCiphers.h"

#include <sodium.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr unsigned MaxWorkers = 8;
constexpr std::size_t MaxKeyLength = 1024;
// How much of a file is at most read ahead while its key is derived: more than a disk delivers
// in that time.
constexpr off_t FirstFileReadAhead = off_t{1} << 30;
using StreamFormat::HeaderSize;
using StreamFormat::TagSize;

int openInput(const std::string& path, PosixFile::Fd& fd)
{
    fd = PosixFile::Fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY));
    if (!fd.valid())
        return errno == ENOENT || errno == ENOTDIR ? CipherEngine::InputNotFound
                                                   : CipherEngine::InputNotOpened;
    struct stat info;
    if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode))
        return CipherEngine::InputNotOpened;
    ::posix_fadvise(fd.get(), 0, 0, POSIX_FADV_SEQUENTIAL);
    return CipherEngine::Success;
}

// Streaming, the reader and the writer threads keep about one processor busy between them and
// the workers take the others; a pass over regular files turns that share into one more worker.
// Either way there is one busy thread per processor.
unsigned DefaultWorkers()
{
    const unsigned processors = std::thread::hardware_concurrency();
    return processors > 1 ? processors - 1 : 1;
}

int writeFailure(int error, bool anythingWritten)
{
    if (PosixFile::isNoSpace(error))
        return CipherEngine::DiskFull;
    return anythingWritten ? CipherEngine::WriteErrorPartial : CipherEngine::WriteError;
}

} // namespace

CipherEngine::CipherEngine()
{
    set_workers(0);
}

void CipherEngine::set_workers(unsigned workers)
{
    m_workers = workers == 0 ? DefaultWorkers() : std::min(workers, MaxWorkers);
}

CipherEngine::~CipherEngine()
{
    deallocate_buffers();
}

int CipherEngine::allocate_buffers()
{
    if (m_allocated)
        return 1;
    if (sodium_init() < 0 || !engineSelfTest())
        return 0;
    m_key = SecureBuffer(MaxKeyLength);
    if (m_key.isNull() || !ensureSlots((std::size_t{1} << m_chunkLog) + TagSize))
        return 0;
    m_allocated = true;
    return 1;
}

void CipherEngine::deallocate_buffers()
{
    awaitPreparation();
    m_key = SecureBuffer();
    m_keyLength = 0;
    m_keys.clear();
    m_cipher.clear();
    m_helperCiphers.clear();
    for (auto& slot : m_slots)
        sodium_memzero(slot.data(), slot.size());
    m_slots.clear();
    m_initialised = false;
    m_allocated = false;
}

void CipherEngine::prepare_key(std::string_view key, const std::string& firstInput, bool encrypt)
{
    awaitPreparation();
    if (!m_allocated)
        return;
    auto copy = std::make_shared<SecureBuffer>(std::max<std::size_t>(key.size(), 1));
    if (copy->isNull())
        return;
    if (!key.empty())
        std::memcpy(copy->data(), key.data(), key.size());
    m_preparing =
        std::thread([this, copy, length = key.size(), firstInput, encrypt, params = m_kdf] {
            prepare(*copy, length, firstInput, encrypt, params);
        });
}

void CipherEngine::prepare(const SecureBuffer& key, std::size_t keyLength,
                           const std::string& firstInput, bool encrypt,
                           StreamFormat::KdfParams params)
{
    const std::string_view text(reinterpret_cast<const char*>(key.data()), keyLength);
    PosixFile::Fd input;
    if (!firstInput.empty())
        input = PosixFile::Fd(::open(firstInput.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY));
    // A file that is not in the page cache comes off the disk while the key is derived.
    const ReadAhead readAhead(input.get(), FirstFileReadAhead);
    MasterKeyCache::Salt salt;
    if (encrypt) {
        salt = m_keys.saltForEncryption(text, params);
    } else {
        std::uint8_t prefix[StreamFormat::PrefixSize];
        StreamFormat::Header header;
        if (!input.valid() ||
            PosixFile::readFull(input.get(), prefix, sizeof prefix) != long(sizeof prefix) ||
            StreamFormat::decodePrefix(prefix, header) != StreamFormat::HeaderCheck::Valid)
            return;
        salt = header.salt;
        params = header.kdf;
    }
    m_keys.masterKey(text, salt, params,
                     encrypt ? MasterKeyCache::Use::Encryption : MasterKeyCache::Use::Decryption);
}

// The master key of a file's header. A derivation takes a large part of a second: meanwhile the
// file is read into the page cache, so that one that comes from the disk is partly there when
// its chunks are wanted.
const std::uint8_t* CipherEngine::masterKey(int input, const StreamFormat::Header& header,
                                            MasterKeyCache::Use use)
{
    if (m_keys.holds(key(), header.salt, header.kdf))
        return m_keys.masterKey(key(), header.salt, header.kdf, use);
    const ReadAhead readAhead(input, FirstFileReadAhead);
    return m_keys.masterKey(key(), header.salt, header.kdf, use);
}

void CipherEngine::awaitPreparation()
{
    if (m_preparing.joinable())
        m_preparing.join();
}

void CipherEngine::forget_keys()
{
    awaitPreparation();
    m_keys.clear();
}

int CipherEngine::key_derivations()
{
    awaitPreparation();
    return m_keys.derivations();
}

bool CipherEngine::ensureSlots(std::size_t slotSize)
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
std::unique_ptr<ChunkPass> CipherEngine::makePass(int input, std::size_t recordSize,
                                                  bool positionalOutput)
{
    if (positionalOutput && PositionalPass::canRead(input))
        return std::make_unique<PositionalPass>(slotPointers(), input, recordSize);
    return std::make_unique<ChunkPipeline>(slotPointers(), input, recordSize);
}

std::vector<std::uint8_t*> CipherEngine::slotPointers()
{
    std::vector<std::uint8_t*> pointers;
    for (auto& slot : m_slots)
        pointers.push_back(slot.data());
    return pointers;
}

std::string_view CipherEngine::key() const
{
    return {reinterpret_cast<const char*>(m_key.data()), m_keyLength};
}

void CipherEngine::operation_initialization(std::string_view key, int encrypt, std::int64_t length,
                                            int reserved)
{
    (void)encrypt; // the call that follows says the direction
    (void)length;  // the stream needs no length in advance
    (void)reserved;
    m_initialised = false;
    if (!m_allocated || key.size() > m_key.size())
        return;
    m_key.wipe();
    std::memcpy(m_key.data(), key.data(), key.size());
    m_keyLength = key.size();
    m_initialised = true;
}

int CipherEngine::ready() const
{
    if (!m_allocated)
        return NotAllocated;
    return m_initialised ? Success : NotInitialised;
}

int CipherEngine::encrypt_file(const std::string& inputPath, const std::string& outputPath)
{
    if (const int rc = ready())
        return rc;
    PosixFile::Fd input;
    if (const int rc = openInput(inputPath, input))
        return rc;
    return encrypt_to(input.get(), outputPath);
}

int CipherEngine::encrypt_to(int input, const std::string& outputPath, int outputFolder)
{
    if (const int rc = ready())
        return rc;
    OutputFile output;
    if (!output.create(outputPath, outputFolder))
        return OutputNotOpened;
    int code = encrypt(input, output.fd());
    if (code == Success) {
        if (const int error = output.commit())
            code = writeFailure(error, false);
    }
    // A ciphertext that did not reach its end is worth nothing: it goes.
    if (code != Success)
        output.discard();
    return code;
}

int CipherEngine::encrypt_fd(int input, int output)
{
    if (const int rc = ready())
        return rc;
    return encrypt(input, output);
}

int CipherEngine::encrypt(int input, int output)
{
    awaitPreparation();
    m_partialOutput.clear();
    m_bytesDone = 0;
    m_bytesWritten = 0;
    StreamFormat::Header header;
    header.kdf = m_kdf;
    header.chunkLog = m_chunkLog;
    header.salt = m_keys.saltForEncryption(key(), m_kdf);
    randombytes_buf(header.nonce.data(), header.nonce.size());
    std::uint8_t headerBytes[HeaderSize];
    StreamFormat::encodeHeader(header, headerBytes);
    const std::uint8_t* master = masterKey(input, header, MasterKeyCache::Use::Encryption);
    if (master == nullptr || !m_cipher.setKey(master, StreamFormat::MasterKeySize, headerBytes,
                                              header.commitment.data()))
        return KeyDerivationFailed;
    StreamFormat::encodeHeader(header, headerBytes);
    m_cipher.setAssociatedData(headerBytes);
    const std::size_t chunkSize = std::size_t{1} << header.chunkLog;
    if (!ensureSlots(chunkSize + TagSize))
        return NotAllocated;

    if (const int error = PosixFile::writeFull(output, headerBytes, HeaderSize))
        return writeFailure(error, false);

    const auto pass = makePass(input, chunkSize, PositionalPass::canWrite(output));
    pass->setOutput(output, chunkSize + TagSize);
    WorkerCiphers ciphers(m_cipher, m_helperCiphers, pass->threads(m_workers));
    const ChunkPass::Failure failure =
        pass->run(m_workers, [&](unsigned worker, std::uint64_t number,
                                 const ChunkPass::Record& record, std::size_t& length) {
            const auto n = static_cast<std::size_t>(record.length);
            ChunkCipher* cipher = ciphers.of(worker);
            if (cipher == nullptr || !cipher->seal(number, record.last, record.data, n))
                return false;
            length = n + TagSize;
            m_bytesDone += n;
            return true;
        });
    const int error = pass->finish();
    m_bytesWritten = pass->bytesWritten();
    int code = Success;
    if (failure.failed)
        code = failure.length < 0 ? ReadError : WriteError;
    if (code == Success && error != 0)
        code = writeFailure(error, false);
    return code;
}

int CipherEngine::decrypt_file(const std::string& inputPath, const std::string& outputPath)
{
    if (const int rc = ready())
        return rc;
    PosixFile::Fd input;
    if (const int rc = openInput(inputPath, input))
        return rc;
    return decrypt_to(input.get(), outputPath);
}

int CipherEngine::decrypt_to(int input, const std::string& outputPath, int outputFolder)
{
    if (const int rc = ready())
        return rc;
    // The output is made only once the first chunk has authenticated: a wrong key leaves
    // nothing behind.
    OutputFile output;
    int code = decrypt(
        input, [&] { return output.create(outputPath, outputFolder) ? output.fd() : -1; }, true);
    if (code == Success) {
        if (const int error = output.commit())
            code = writeFailure(error, m_bytesWritten > 0);
    }
    if (code == Success)
        return code;
    // What was written is authenticated plaintext: keep it, under a name that says it is not
    // the whole file.
    if (m_bytesWritten > 0)
        m_partialOutput = output.keepPartial();
    else
        output.discard();
    return code;
}

int CipherEngine::decrypt_fd(int input, int output)
{
    if (const int rc = ready())
        return rc;
    return decrypt(
        input, [output] { return output; }, PositionalPass::canWrite(output));
}

int CipherEngine::decrypt_fd_recorded(int input, int output)
{
    if (const int rc = ready())
        return rc;
    const long long base = ::lseek(output, 0, SEEK_CUR);
    m_recording = true;
    const int code = decrypt_fd(input, output);
    m_recording = false;
    // Only a whole output is worth reading back.
    m_recorded = {code == Success ? base : -1, m_bytesWritten};
    return code;
}

// The output is read back as it was written, a record per worker at once, up to its end.
bool CipherEngine::written_intact(int output)
{
    m_bytesDone = 0;
    const std::size_t recordLength = m_written.recordLength();
    if (m_recorded.base < 0 || recordLength == 0 ||
        ::lseek(output, m_recorded.base, SEEK_SET) != m_recorded.base)
        return false;
    const auto pass = makePass(output, recordLength, true);
    pass->setOutput(-1, recordLength);
    if (pass->threads(m_workers) > m_written.threads())
        return false;
    const ChunkPass::Failure failure =
        pass->run(m_workers, [&](unsigned worker, std::uint64_t number,
                                 const ChunkPass::Record& record, std::size_t& length) {
            length = static_cast<std::size_t>(record.length);
            m_bytesDone += length;
            return m_written.matches(worker, number, record.data, length);
        });
    pass->finish();
    return !failure.failed && pass->bytesWritten() == m_recorded.length;
}

int CipherEngine::verify_file(const std::string& inputPath)
{
    if (const int rc = ready())
        return rc;
    PosixFile::Fd input;
    if (const int rc = openInput(inputPath, input))
        return rc;
    return decrypt(input.get(), nullptr, true);
}

int CipherEngine::verify_fd(int fd)
{
    if (const int rc = ready())
        return rc;
    if (::lseek(fd, 0, SEEK_SET) != 0)
        return ReadError;
    return decrypt(fd, nullptr, true);
}

int CipherEngine::decrypt(int input, const std::function<int()>& openOutput, bool positionalOutput)
{
    awaitPreparation();
    m_partialOutput.clear();
    m_bytesDone = 0;
    m_bytesWritten = 0;
    m_stop = Stop();
    m_stop.where = Stop::Where::Header;
    std::uint8_t headerBytes[HeaderSize];
    const long long got = PosixFile::readFull(input, headerBytes, HeaderSize);
    if (got < 0)
        return ReadError;
    // The parameters are checked before any key derivation: a hostile header costs nothing.
    StreamFormat::Header header;
    const auto check = got >= static_cast<long long>(StreamFormat::PrefixSize)
                           ? StreamFormat::decodePrefix(headerBytes, header)
                           : StreamFormat::HeaderCheck::Unreadable;
    if (check == StreamFormat::HeaderCheck::Retired)
        return RetiredFormat;
    if (got < static_cast<long long>(HeaderSize) || check != StreamFormat::HeaderCheck::Valid)
        return InvalidBlock;
    const std::uint8_t* master = masterKey(input, header, MasterKeyCache::Use::Decryption);
    const bool keyed = master != nullptr && m_cipher.setKey(master, StreamFormat::MasterKeySize,
                                                            headerBytes, header.commitment.data());
    // The commitment binds the file to one key: another key is refused here, by design, before
    // any chunk is read. Only then is the key derived for this file's salt worth keeping.
    const bool matched =
        keyed && sodium_memcmp(header.commitment.data(), headerBytes + StreamFormat::PrefixSize,
                               StreamFormat::CommitmentSize) == 0;
    m_keys.settle(key(), header.salt, header.kdf, matched);
    if (!keyed)
        return KeyDerivationFailed;
    m_stop.where = Stop::Where::Key;
    if (!matched)
        return InvalidBlock;
    m_cipher.setAssociatedData(headerBytes);
    const std::size_t recordSize = (std::size_t{1} << header.chunkLog) + TagSize;
    m_stop = Stop{Stop::Where::Chunk, 0, 0, false, recordSize};
    if (!ensureSlots(recordSize))
        return NotAllocated;

    // The first chunk decides between "wrong key or not ours" and a damaged file, before any
    // output exists.
    const auto pass = makePass(input, recordSize, positionalOutput);
    const ChunkPass::Record record = pass->next();
    if (record.length < 0)
        return ReadError;
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
        return InvalidBlock;
    const int output = openOutput ? openOutput() : -1;
    if (openOutput && output < 0)
        return OutputNotOpened;
    pass->setOutput(output, recordSize - TagSize);
    const bool recording = m_recording && output >= 0;
    if (recording) {
        // Enough threads for this pass and for the one that reads the output back.
        m_written.start(std::max(pass->threads(m_workers), m_workers + 1), recordSize - TagSize);
        m_written.add(0, 0, record.data, static_cast<std::size_t>(record.length) - TagSize);
    }
    pass->submit(static_cast<std::size_t>(record.length) - TagSize);
    m_bytesDone += static_cast<std::uint64_t>(record.length);

    int code = Success;
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
            code = failure.length < 0 ? ReadErrorPartial : InvalidBlockPartial;
        }
    }
    const int error = pass->finish();
    m_bytesWritten = pass->bytesWritten();
    if (error != 0)
        code = writeFailure(error, m_bytesWritten > 0);
    if (code == Success)
        m_stop = Stop();
    return code;
}

CipherEngine::Verdict CipherEngine::verify_verdict(int fd)
{
    using Kind = Verdict::Kind;
    switch (verify_fd(fd)) {
    case Success:
        return {Kind::Intact, 0};
    case RetiredFormat:
        return {Kind::RetiredFormat, 0};
    case KeyDerivationFailed:
        return {Kind::NoMemory, 0};
    case InvalidBlock:
    case InvalidBlockPartial:
        break;
    default:
        return {Kind::ReadFailed, 0};
    }
    if (m_stop.where == Stop::Where::Header)
        return {Kind::NotEncrypted, 0};
    if (m_stop.where == Stop::Where::Key)
        return {Kind::WrongKey, 0};
    return ChunkVerdict(fd);
}

// A chunk that fails as read may still be intact: sealed as the last one, and read as one that
// is followed by more (data was added after the end), or sealed as one of many, and read as the
// last (the file was cut after it). Reading it again and opening it as the other kind tells.
CipherEngine::Verdict CipherEngine::ChunkVerdict(int fd)
{
    using Kind = Verdict::Kind;
    const std::uint64_t offset = HeaderSize + m_stop.counter * m_stop.recordSize;
    const auto length = static_cast<std::size_t>(std::max(0LL, m_stop.length));
    std::uint8_t* data = m_slots.front().data();
    if (length > TagSize &&
        ::pread(fd, data, length, static_cast<off_t>(offset)) == static_cast<ssize_t>(length) &&
        m_cipher.open(m_stop.counter, !m_stop.last, data, length))
        return m_stop.last ? Verdict{Kind::Truncated, offset + length}
                           : Verdict{Kind::DataAfterEnd, offset + length};
    // The file's final record, shorter than a whole one, may be the last chunk damaged, any
    // chunk cut short, or the last chunk with bytes added: the bytes cannot tell which.
    if (m_stop.last && length < m_stop.recordSize)
        return {Kind::DamagedAtEnd, offset};
    return {Kind::Damaged, offset};
}

int CipherEngine::key_is_text(const std::uint8_t* key, int length)
{
    if (key == nullptr || length <= 0)
        return 0;
    int end = length;
    while (end > 0 && key[end - 1] == 0)
        --end;
    if (end == 0)
        return 0;
    for (int i = 0; i < end; ++i) {
        const std::uint8_t c = key[i];
        if (!((c >= 32 && c <= 126) || c == '\t' || c == '\r' || c == '\n'))
            return 0;
    }
    return 1;
}
