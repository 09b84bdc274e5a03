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
//
// A salt read from a file is chosen by whoever made the file. It is never used to encrypt: an
// encryption takes the salt of an earlier encryption with the same key and limits, or a fresh
// one, so a file cannot make the next encryption use a salt its maker knows in advance. A key
// derived for a file is kept only once the file's commitment has shown the key is its own.
class MasterKeyCache
{
public:
    using Salt = std::array<std::uint8_t, StreamFormat::SaltSize>;
    enum class Use { Encryption, Decryption };

    // The master key for (key, salt, params), derived on a miss; nullptr when Argon2id fails
    // (out of memory). The pointer stays valid until the next call or clear(). A key derived
    // for a decryption waits for settle().
    [[nodiscard]] const std::uint8_t* masterKey(std::string_view key, const Salt& salt,
                                                const StreamFormat::KdfParams& params, Use use);

    // After a decryption compared the commitment of a file under (key, salt, params): a key
    // derived for it is kept when the commitment matched and wiped otherwise.
    void settle(std::string_view key, const Salt& salt, const StreamFormat::KdfParams& params,
                bool matched);

    // True when masterKey() would answer without a derivation.
    bool holds(std::string_view key, const Salt& salt, const StreamFormat::KdfParams& params)
    {
        return find(key, salt, params) != nullptr;
    }

    // The salt of an earlier encryption with this key and these limits, or a fresh random one.
    Salt saltForEncryption(std::string_view key, const StreamFormat::KdfParams& params);

    // Number of Argon2id derivations so far (tests and benchmarks watch it).
    int derivations() const { return m_derivations; }

    void clear();

private:
    // Where an entry's salt came from.
    enum class Origin { Encryption, CheckedFile, UncheckedFile };
    struct Entry
    {
        Origin origin = Origin::Encryption;
        SecureBuffer key;
        std::size_t keyLength = 0;
        Salt salt{};
        StreamFormat::KdfParams params;
        SecureBuffer master;

        // True when this entry is for `text` under `limits`, whatever its salt.
        bool holds(std::string_view text, const StreamFormat::KdfParams& limits) const;
    };
    static constexpr std::size_t MaxEntries = 8;

    Entry* find(std::string_view key, const Salt& salt, const StreamFormat::KdfParams& params);

    std::vector<Entry> m_entries; // oldest first
    int m_derivations = 0;
};
