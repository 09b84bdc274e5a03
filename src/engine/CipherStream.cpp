#include "CipherStream.h"

#include "PositionalPass.h"
#include "SelfTest.h"

#include <sodium.h>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <utility>

namespace {

constexpr unsigned MaxWorkers = 8;
constexpr std::size_t MaxKeyLength = 1024;
using StreamFormat::TagSize;

} // namespace

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

EngineResult CipherStream::writeFailure(int error, bool anythingWritten)
{
    if (PosixFile::isNoSpace(error))
        return EngineResult::DiskFull;
    return anythingWritten ? EngineResult::WriteErrorPartial : EngineResult::WriteError;
}

CipherStream::CipherStream()
{
    set_workers(0);
}

void CipherStream::set_workers(unsigned workers)
{
    m_workers = workers == 0 ? DefaultWorkers() : std::min(workers, MaxWorkers);
}

CipherStream::~CipherStream()
{
    deallocate_buffers();
}

int CipherStream::allocate_buffers()
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

void CipherStream::deallocate_buffers()
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

void CipherStream::prepare_key(std::string_view key, PosixFile::Fd firstInput, bool encrypt)
{
    m_keys.await();
    if (m_allocated)
        m_keys.prepare(key, std::move(firstInput), encrypt, m_kdf);
}

void CipherStream::forget_keys()
{
    m_keys.forget();
}

int CipherStream::key_derivations()
{
    return m_keys.derivations();
}

void CipherStream::operation_initialization(std::string_view key, int encrypt, std::int64_t length,
                                            int reserved)
{
    (void)encrypt; // the call that follows says the direction
    (void)length;  // the stream needs no length in advance
    (void)reserved;
    m_initialised = m_allocated && m_keys.set(key);
}

EngineResult CipherStream::ready() const
{
    if (!m_allocated)
        return EngineResult::NotAllocated;
    return m_initialised ? EngineResult::Success : EngineResult::NotInitialised;
}

EngineResult CipherStream::encrypt_fd(int input, int output)
{
    if (const EngineResult rc = ready(); rc != EngineResult::Success)
        return rc;
    return encrypt(input, output);
}

EngineResult CipherStream::decrypt_fd(int input, int output)
{
    if (const EngineResult rc = ready(); rc != EngineResult::Success)
        return rc;
    return decrypt(
        input, [output] { return output; }, PositionalPass::canWrite(output));
}

int CipherStream::key_is_text(const std::uint8_t* key, int length)
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
