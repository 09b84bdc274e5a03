#include "MasterKeyCache.h"

#include <sodium.h>

#include <cstring>

MasterKeyCache::Entry* MasterKeyCache::find(std::string_view key, const Salt* salt,
                                            const StreamFormat::KdfParams& params)
{
    for (auto& entry : m_entries) {
        if (entry.params == params && entry.keyLength == key.size() &&
            sodium_memcmp(entry.key.data(), key.data(), key.size()) == 0 &&
            (salt == nullptr || entry.salt == *salt))
            return &entry;
    }
    return nullptr;
}

const std::uint8_t* MasterKeyCache::masterKey(std::string_view key, const Salt& salt,
                                              const StreamFormat::KdfParams& params)
{
    if (Entry* hit = find(key, &salt, params))
        return hit->master.data();

    Entry entry{SecureBuffer(key.size() == 0 ? 1 : key.size()), key.size(), salt, params,
                SecureBuffer(StreamFormat::MasterKeySize)};
    if (entry.key.isNull() || entry.master.isNull())
        return nullptr;
    if (!key.empty())
        std::memcpy(entry.key.data(), key.data(), key.size());
    const int rc = crypto_pwhash(entry.master.data(), entry.master.size(), key.data(), key.size(),
                                 salt.data(), static_cast<unsigned long long>(params.opsLimit),
                                 std::size_t{1} << params.memLog, crypto_pwhash_ALG_ARGON2ID13);
    ++m_derivations;
    if (rc != 0)
        return nullptr;
    if (m_entries.size() == MaxEntries)
        m_entries.erase(m_entries.begin());
    m_entries.push_back(std::move(entry));
    return m_entries.back().master.data();
}

MasterKeyCache::Salt MasterKeyCache::saltForEncryption(std::string_view key,
                                                       const StreamFormat::KdfParams& params)
{
    if (Entry* hit = find(key, nullptr, params))
        return hit->salt;
    Salt salt;
    randombytes_buf(salt.data(), salt.size());
    return salt;
}

void MasterKeyCache::clear()
{
    m_entries.clear(); // each SecureBuffer wipes itself
}
