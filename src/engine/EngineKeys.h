#pragma once

#include "MasterKeyCache.h"
#include "PosixIo.h"
#include "SecureBuffer.h"
#include "StreamFormat.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <thread>

// The key text of the engine's operations and the master keys derived from it. A derivation
// takes a large part of a second: one can run ahead, on a thread of its own, while the caller
// does other work; every other call waits for it to end.
class EngineKeys
{
public:
    EngineKeys() = default;
    ~EngineKeys() { await(); }
    EngineKeys(const EngineKeys&) = delete;
    EngineKeys& operator=(const EngineKeys&) = delete;

    // Locked memory for a key text of up to `maxLength` bytes; false when there is none.
    [[nodiscard]] bool allocate(std::size_t maxLength);
    // Waits for a derivation, then wipes the key text and every master key.
    void release();

    // Takes `key` for the operations that follow; false when it does not fit.
    [[nodiscard]] bool set(std::string_view key);
    std::string_view text() const;

    // Derives the master key for `key` ahead: for an encryption under the salt the next
    // encryption with this key will use, for a decryption under the salt in the header of
    // `firstInput`, read from its start.
    void prepare(std::string_view key, PosixFile::Fd firstInput, bool encrypt,
                 StreamFormat::KdfParams params);
    void await();
    // True while a derivation started by prepare() is still running.
    bool preparing() const { return m_deriving.load(); }
    // Waits for a derivation and wipes every master key; the key text stays.
    void forget();
    [[nodiscard]] int derivations();

    MasterKeyCache::Salt saltForEncryption(const StreamFormat::KdfParams& params)
    {
        return m_cache.saltForEncryption(text(), params);
    }
    // The master key of the key text for a file's header (nullptr when it cannot be derived).
    const std::uint8_t* masterKey(const StreamFormat::Header& header, MasterKeyCache::Use use)
    {
        return m_cache.masterKey(text(), header.salt, header.kdf, use);
    }
    // Keeps the key derived for a file's header only when its commitment matched.
    void settle(const StreamFormat::Header& header, bool matched)
    {
        m_cache.settle(text(), header.salt, header.kdf, matched);
    }

private:
    void derive(const SecureBuffer& key, std::size_t keyLength, const PosixFile::Fd& firstInput,
                bool encrypt, StreamFormat::KdfParams params);

    SecureBuffer m_text;
    std::size_t m_length = 0;
    MasterKeyCache m_cache;
    std::thread m_preparing;
    std::atomic<bool> m_deriving{false};
};
