#pragma once

#include "SecureBuffer.h"
#include "StreamFormat.h"

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

// Argon2id turns the key text and a salt into the master key. A derivation costs a large part
// of a second and hundreds of MiB by design, so results are kept per (key, salt, limits) for
// the engine's lifetime: an encryption batch reuses one salt and derives once, a decryption
// batch derives once per distinct salt it meets.
class MasterKeyCache
{
public:
    using Salt = std::array<std::uint8_t, StreamFormat::SaltSize>;

    // The master key for (key, salt, params), derived on a miss; nullptr when Argon2id fails
    // (out of memory). The pointer stays valid until the next call or clear().
    const std::uint8_t* masterKey(std::string_view key, const Salt& salt,
                                  const StreamFormat::KdfParams& params);

    // True when masterKey() would answer without a derivation.
    bool holds(std::string_view key, const Salt& salt, const StreamFormat::KdfParams& params)
    {
        return find(key, &salt, params) != nullptr;
    }

    // A salt already used with this key and these limits, or a fresh random one.
    Salt saltForEncryption(std::string_view key, const StreamFormat::KdfParams& params);

    // Number of Argon2id derivations so far (tests and benchmarks watch it).
    int derivations() const { return m_derivations; }

    void clear();

private:
    struct Entry
    {
        SecureBuffer key;
        std::size_t keyLength = 0;
        Salt salt{};
        StreamFormat::KdfParams params;
        SecureBuffer master;
    };
    static constexpr std::size_t MaxEntries = 8;

    Entry* find(std::string_view key, const Salt* salt, const StreamFormat::KdfParams& params);

    std::vector<Entry> m_entries; // oldest first
    int m_derivations = 0;
};
