#include "MasterKeyCache.h"

#include <sodium.h>

#include <cstring>

bool MasterKeyCache::Entry::holds(std::string_view text,
                                  const StreamFormat::KdfParams& limits) const
{
    return params == limits && keyLength == text.size() &&
           sodium_memcmp(key.data(), text.data(), text.size()) == 0;
}

MasterKeyCache::Entry* MasterKeyCache::find(std::string_view key, const Salt& salt,
                                            const StreamFormat::KdfParams& params)
{
    for (auto& entry : m_entries) {
        if (entry.salt == salt && entry.holds(key, params))
            return &entry;
    }
    return nullptr;
}

const std::uint8_t* MasterKeyCache::masterKey(std::string_view key, const Salt& salt,
                                              const StreamFormat::KdfParams& params, Use use)
{
    if (Entry* hit = find(key, salt, params))
        return hit->master.data();

    const Origin origin = use == Use::Encryption ? Origin::Encryption : Origin::UncheckedFile;
    // A file whose check never came (the operation was declined) leaves nothing behind.
    if (origin == Origin::UncheckedFile)
        std::erase_if(m_entries,
                      [](const Entry& entry) { return entry.origin == Origin::UncheckedFile; });
    Entry entry{origin, SecureBuffer(key.size() == 0 ? 1 : key.size()), key.size(), salt,
                params, SecureBuffer(StreamFormat::MasterKeySize)};
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

void MasterKeyCache::settle(std::string_view key, const Salt& salt,
                            const StreamFormat::KdfParams& params, bool matched)
{
    Entry* entry = find(key, salt, params);
    if (entry == nullptr || entry->origin != Origin::UncheckedFile)
        return;
    if (matched)
        entry->origin = Origin::CheckedFile;
    else
        m_entries.erase(m_entries.begin() + (entry - m_entries.data()));
}

MasterKeyCache::Salt MasterKeyCache::saltForEncryption(std::string_view key,
                                                       const StreamFormat::KdfParams& params)
{
    for (const Entry& entry : m_entries) {
        if (entry.origin == Origin::Encryption && entry.holds(key, params))
            return entry.salt;
    }
    Salt salt;
    randombytes_buf(salt.data(), salt.size());
    return salt;
}

void MasterKeyCache::clear()
{
    m_entries.clear(); // each SecureBuffer wipes itself
}
