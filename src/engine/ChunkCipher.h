#pragma once

#include "SecureBuffer.h"
#include "StreamFormat.h"

#include <array>
#include <cstddef>
#include <cstdint>

typedef struct evp_cipher_ctx_st EVP_CIPHER_CTX;
typedef struct evp_mac_ctx_st EVP_MAC_CTX;

// ChaCha20-Poly1305 over one chunk at a time, under a payload key that HKDF-SHA-256 derives
// from the master key and the file's header, with the whole header as associated data.
class ChunkCipher
{
public:
    ChunkCipher();
    ~ChunkCipher();
    ChunkCipher(const ChunkCipher&) = delete;
    ChunkCipher& operator=(const ChunkCipher&) = delete;

    // Derives the payload key and the key commitment (StreamFormat::CommitmentSize bytes) from
    // the master key and the header's first StreamFormat::PrefixSize bytes (salt, parameters,
    // nonce); false when libcrypto fails.
    [[nodiscard]] bool setKey(const std::uint8_t* masterKey, std::size_t masterKeySize,
                              const std::uint8_t* headerPrefix, std::uint8_t* commitment);

    // The associated data of every chunk from now on: the whole header
    // (StreamFormat::HeaderSize bytes).
    void setAssociatedData(const std::uint8_t* header);

    // Takes the payload key and associated data of `other`, so that two threads can seal or open
    // chunks of one file at once, each with its own cipher; false when libcrypto fails.
    [[nodiscard]] bool copyKeyFrom(const ChunkCipher& other);

    // Encrypts `length` bytes in place and appends the 16-byte tag at data + length.
    [[nodiscard]] bool seal(std::uint64_t counter, bool last, std::uint8_t* data,
                            std::size_t length);

    // Authenticates and decrypts a sealed chunk of `sealedLength` bytes (tag included) in
    // place; false, with the data unusable, when the tag does not verify.
    [[nodiscard]] bool open(std::uint64_t counter, bool last, std::uint8_t* data,
                            std::size_t sealedLength);

    // Checks the tag of a sealed chunk without decrypting it: what open() checks, at a third of
    // the cost, for a pass that only verifies. The data is left as it is.
    [[nodiscard]] bool authenticate(std::uint64_t counter, bool last, const std::uint8_t* data,
                                    std::size_t sealedLength);

    // Wipes the payload key.
    void clear();

private:
    [[nodiscard]] bool run(bool encrypt, std::uint64_t counter, bool last, std::uint8_t* data,
                           std::size_t length);

    [[nodiscard]] bool startMac(std::uint64_t counter, bool last);

    EVP_CIPHER_CTX* m_ctx = nullptr;
    // For authenticate(), made when first needed.
    EVP_CIPHER_CTX* m_stream = nullptr;
    EVP_MAC_CTX* m_mac = nullptr;
    SecureBuffer m_key;
    std::array<std::uint8_t, StreamFormat::HeaderSize> m_associated{};
    bool m_keyed = false;
};

// HKDF-SHA-256 (RFC 5869) through libcrypto.
[[nodiscard]] bool hkdfSha256(const std::uint8_t* ikm, std::size_t ikmSize,
                              const std::uint8_t* salt, std::size_t saltSize,
                              const std::uint8_t* info, std::size_t infoSize, std::uint8_t* out,
                              std::size_t outSize);
