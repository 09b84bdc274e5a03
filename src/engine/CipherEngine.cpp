#include "CipherEngine.h"

#include "OutputFile.h"
#include "PositionalPass.h"
#include "PosixFile.h"
#include "SelfTest.h"

#include <sodium.h>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>

namespace {

constexpr unsigned MaxWorkers = 8;
constexpr std::size_t MaxKeyLength = 1024;
using StreamFormat::TagSize;

} // namespace

int CipherEngine::openInput(const std::string& path, PosixFile::Fd& fd)
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

namespace {

// Streaming, the reader and the writer threads keep about one processor busy between them and
// the workers take the others; a pass over regular files turns that share into one more worker.
// Either way there is one busy thread per processor.
unsigned DefaultWorkers()
{
    const unsigned processors = std::thread::hardware_concurrency();
    return processors > 1 ? processors - 1 : 1;
}

} // namespace

int CipherEngine::writeFailure(int error, bool anythingWritten)
{
    if (PosixFile::isNoSpace(error))
        return DiskFull;
    return anythingWritten ? WriteErrorPartial : WriteError;
}

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
    if (!m_keys.allocate(MaxKeyLength) || !ensureSlots((std::size_t{1} << m_chunkLog) + TagSize))
        return 0;
    m_allocated = true;
    return 1;
}

void CipherEngine::deallocate_buffers()
{
    m_keys.release();
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
    m_keys.await();
    if (m_allocated)
        m_keys.prepare(key, firstInput, encrypt, m_kdf);
}

void CipherEngine::forget_keys()
{
    m_keys.forget();
}

void CipherEngine::reserve_outputs(int folderFd, std::size_t count,
                                   const std::function<bool()>& goOn)
{
    m_reserve.fill(folderFd, count, goOn);
}

int CipherEngine::key_derivations()
{
    return m_keys.derivations();
}

void CipherEngine::operation_initialization(std::string_view key, int encrypt, std::int64_t length,
                                            int reserved)
{
    (void)encrypt; // the call that follows says the direction
    (void)length;  // the stream needs no length in advance
    (void)reserved;
    m_initialised = m_allocated && m_keys.set(key);
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
    auto output = std::make_unique<OutputFile>();
    if (!output->create(outputPath, outputFolder, &m_reserve))
        return OutputNotOpened;
    const int code = recorded(0, [&] { return encrypt(input, output->fd()); });
    // A ciphertext that did not reach its end is worth nothing: it goes with `output`.
    return code == Success ? completeOutput(std::move(output)) : code;
}

int CipherEngine::completeOutput(std::unique_ptr<OutputFile> output)
{
    // What the disk was given is read back before it takes a name: a write that went astray
    // without an error shows here, and the output goes.
    // bytes_done() keeps counting the input: the read-back is quick beside the pass.
    const std::uint64_t done = m_bytesDone.load();
    const bool intact = written_intact(output->fd());
    m_bytesDone = done;
    if (!intact)
        return OutputNotVerified;
    struct stat info;
    m_outputSize = ::fstat(output->fd(), &info) == 0 ? info.st_size : 0;
    if (m_holding) {
        m_held.add(std::move(output));
        return Success;
    }
    if (const int error = output->commit())
        return writeFailure(error, false);
    return Success;
}

std::vector<int> CipherEngine::commit_outputs()
{
    std::vector<int> results = m_held.commit();
    for (int& result : results)
        result = result == 0 ? Success : writeFailure(result, false);
    return results;
}

int CipherEngine::encrypt_fd(int input, int output)
{
    if (const int rc = ready())
        return rc;
    return encrypt(input, output);
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
    auto output = std::make_unique<OutputFile>();
    const int code = recorded(0, [&] {
        return decrypt(
            input,
            [&] {
                return output->create(outputPath, outputFolder, &m_reserve) ? output->fd() : -1;
            },
            true);
    });
    if (code == Success)
        return completeOutput(std::move(output));
    // What was written is authenticated plaintext: keep it, under a name that says it is not
    // the whole file.
    if (m_bytesWritten > 0)
        m_partialOutput = output->keepPartial();
    return code;
}

int CipherEngine::decrypt_fd(int input, int output)
{
    if (const int rc = ready())
        return rc;
    return decrypt(
        input, [output] { return output; }, PositionalPass::canWrite(output));
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
