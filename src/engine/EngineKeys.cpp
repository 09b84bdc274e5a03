#include "EngineKeys.h"

#include <algorithm>
#include <cstring>
#include <memory>

bool EngineKeys::allocate(std::size_t maxLength)
{
    m_text = SecureBuffer(maxLength);
    return !m_text.isNull();
}

void EngineKeys::release()
{
    await();
    m_text = SecureBuffer();
    m_length = 0;
    m_cache.clear();
}

bool EngineKeys::set(std::string_view key)
{
    if (key.size() > m_text.size())
        return false;
    m_text.wipe();
    if (!key.empty()) // an empty view may have no data at all
        std::memcpy(m_text.data(), key.data(), key.size());
    m_length = key.size();
    return true;
}

std::string_view EngineKeys::text() const
{
    return {reinterpret_cast<const char*>(m_text.data()), m_length};
}

void EngineKeys::prepare(std::string_view key, PosixFile::Fd firstInput, bool encrypt,
                         StreamFormat::KdfParams params)
{
    await();
    auto copy = std::make_shared<SecureBuffer>(std::max<std::size_t>(key.size(), 1));
    if (copy->isNull())
        return;
    if (!key.empty())
        std::memcpy(copy->data(), key.data(), key.size());
    auto input = std::make_shared<PosixFile::Fd>(std::move(firstInput));
    m_deriving = true;
    m_preparing = std::thread([this, copy, length = key.size(), input, encrypt, params] {
        derive(*copy, length, *input, encrypt, params);
        m_deriving = false;
    });
}

void EngineKeys::derive(const SecureBuffer& key, std::size_t keyLength, const PosixFile::Fd& input,
                        bool encrypt, StreamFormat::KdfParams params)
{
    const std::string_view text(reinterpret_cast<const char*>(key.data()), keyLength);
    MasterKeyCache::Salt salt;
    if (encrypt) {
        salt = m_cache.saltForEncryption(text, params);
    } else {
        std::uint8_t prefix[StreamFormat::PrefixSize];
        StreamFormat::Header header;
        if (!input.valid() ||
            PosixFile::readFullAt(input.get(), prefix, sizeof prefix, 0) != long(sizeof prefix) ||
            StreamFormat::decodePrefix(prefix, header) != StreamFormat::HeaderCheck::Valid)
            return;
        salt = header.salt;
        params = header.kdf;
    }
    // Only the cache is filled: the key itself is fetched again when the file is worked on.
    (void)m_cache.masterKey(text, salt, params,
                            encrypt ? MasterKeyCache::Use::Encryption
                                    : MasterKeyCache::Use::Decryption);
}

void EngineKeys::await()
{
    if (m_preparing.joinable())
        m_preparing.join();
}

void EngineKeys::forget()
{
    await();
    m_cache.clear();
}

int EngineKeys::derivations()
{
    await();
    return m_cache.derivations();
}
