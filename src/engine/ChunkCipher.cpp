#include "ChunkCipher.h"

#include "StreamFormat.h"

#include <openssl/core_names.h>
#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/kdf.h>
#include <openssl/params.h>

#include <sodium.h>

#include <climits>
#include <cstring>

namespace {
constexpr char PayloadKeyLabel[] = "ZR7E payload key v2";
constexpr std::size_t LabelSize = sizeof(PayloadKeyLabel) - 1;
} // namespace

bool hkdfSha256(const std::uint8_t* ikm, std::size_t ikmSize, const std::uint8_t* salt,
                std::size_t saltSize, const std::uint8_t* info, std::size_t infoSize,
                std::uint8_t* out, std::size_t outSize)
{
    EVP_KDF* kdf = EVP_KDF_fetch(nullptr, "HKDF", nullptr);
    if (kdf == nullptr)
        return false;
    EVP_KDF_CTX* ctx = EVP_KDF_CTX_new(kdf);
    EVP_KDF_free(kdf);
    if (ctx == nullptr)
        return false;
    char digest[] = "SHA256";
    OSSL_PARAM params[] = {OSSL_PARAM_construct_utf8_string(OSSL_KDF_PARAM_DIGEST, digest, 0),
                           OSSL_PARAM_construct_octet_string(
                               OSSL_KDF_PARAM_KEY, const_cast<std::uint8_t*>(ikm), ikmSize),
                           OSSL_PARAM_construct_octet_string(
                               OSSL_KDF_PARAM_SALT, const_cast<std::uint8_t*>(salt), saltSize),
                           OSSL_PARAM_construct_octet_string(
                               OSSL_KDF_PARAM_INFO, const_cast<std::uint8_t*>(info), infoSize),
                           OSSL_PARAM_construct_end()};
    const bool ok = EVP_KDF_derive(ctx, out, outSize, params) == 1;
    EVP_KDF_CTX_free(ctx);
    return ok;
}

ChunkCipher::ChunkCipher()
    : m_ctx(EVP_CIPHER_CTX_new()),
      m_key(StreamFormat::PayloadKeySize + StreamFormat::CommitmentSize)
{
}

ChunkCipher::~ChunkCipher()
{
    EVP_CIPHER_CTX_free(m_ctx); // also wipes the expanded key schedule
    EVP_CIPHER_CTX_free(m_stream);
    EVP_MAC_CTX_free(m_mac);
}

bool ChunkCipher::setKey(const std::uint8_t* masterKey, std::size_t masterKeySize,
                         const std::uint8_t* headerPrefix, std::uint8_t* commitment)
{
    using StreamFormat::CommitmentSize;
    using StreamFormat::PayloadKeySize;
    m_keyed = false;
    if (m_ctx == nullptr || m_key.isNull())
        return false;
    // info = label || salt, parameters and nonce: a change to any of them gives another key
    // and another commitment. The nonce is also the HKDF salt.
    std::array<std::uint8_t, LabelSize + StreamFormat::PrefixSize> info{};
    std::memcpy(info.data(), PayloadKeyLabel, LabelSize);
    std::memcpy(info.data() + LabelSize, headerPrefix, StreamFormat::PrefixSize);
    // The output is the payload key followed by the commitment; only the key stays here.
    if (!hkdfSha256(masterKey, masterKeySize,
                    headerPrefix + StreamFormat::SaltSize + StreamFormat::ParamsSize,
                    StreamFormat::NonceSize, info.data(), info.size(), m_key.data(), m_key.size()))
        return false;
    std::memcpy(commitment, m_key.data() + PayloadKeySize, CommitmentSize);
    sodium_memzero(m_key.data() + PayloadKeySize, CommitmentSize);
    if (EVP_CipherInit_ex(m_ctx, EVP_chacha20_poly1305(), nullptr, m_key.data(), nullptr, 1) != 1)
        return false;
    m_keyed = true;
    return true;
}

void ChunkCipher::setAssociatedData(const std::uint8_t* header)
{
    std::memcpy(m_associated.data(), header, m_associated.size());
}

bool ChunkCipher::copyKeyFrom(const ChunkCipher& other)
{
    m_keyed = false;
    if (m_ctx == nullptr || m_key.isNull() || !other.m_keyed)
        return false;
    std::memcpy(m_key.data(), other.m_key.data(), StreamFormat::PayloadKeySize);
    m_associated = other.m_associated;
    if (EVP_CipherInit_ex(m_ctx, EVP_chacha20_poly1305(), nullptr, m_key.data(), nullptr, 1) != 1)
        return false;
    m_keyed = true;
    return true;
}

bool ChunkCipher::run(bool encrypt, std::uint64_t counter, bool last, std::uint8_t* data,
                      std::size_t length)
{
    if (!m_keyed || length > static_cast<std::size_t>(INT_MAX))
        return false;
    const auto nonce = StreamFormat::chunkNonce(counter, last);
    if (EVP_CipherInit_ex(m_ctx, nullptr, nullptr, m_key.data(), nonce.data(), encrypt ? 1 : 0) !=
        1)
        return false;
    std::uint8_t* tag = data + length;
    if (!encrypt &&
        EVP_CIPHER_CTX_ctrl(m_ctx, EVP_CTRL_AEAD_SET_TAG, StreamFormat::TagSize, tag) != 1)
        return false;
    int outLength = 0;
    if (EVP_CipherUpdate(m_ctx, nullptr, &outLength, m_associated.data(),
                         static_cast<int>(m_associated.size())) != 1)
        return false;
    if (length > 0 &&
        EVP_CipherUpdate(m_ctx, data, &outLength, data, static_cast<int>(length)) != 1)
        return false;
    int finalLength = 0;
    if (EVP_CipherFinal_ex(m_ctx, data + outLength, &finalLength) != 1)
        return false; // on decryption: the tag did not verify
    if (encrypt &&
        EVP_CIPHER_CTX_ctrl(m_ctx, EVP_CTRL_AEAD_GET_TAG, StreamFormat::TagSize, tag) != 1)
        return false;
    return true;
}

bool ChunkCipher::seal(std::uint64_t counter, bool last, std::uint8_t* data, std::size_t length)
{
    return run(true, counter, last, data, length);
}

bool ChunkCipher::open(std::uint64_t counter, bool last, std::uint8_t* data,
                       std::size_t sealedLength)
{
    if (sealedLength < StreamFormat::TagSize)
        return false;
    return run(false, counter, last, data, sealedLength - StreamFormat::TagSize);
}

// Keys the Poly1305 of one chunk as ChaCha20-Poly1305 does (RFC 8439, 2.6): with the first 32
// bytes of ChaCha20's block 0 under the chunk's nonce.
bool ChunkCipher::startMac(std::uint64_t counter, bool last)
{
    if (m_stream == nullptr)
        m_stream = EVP_CIPHER_CTX_new();
    if (m_mac == nullptr) {
        EVP_MAC* mac = EVP_MAC_fetch(nullptr, "POLY1305", nullptr);
        m_mac = mac != nullptr ? EVP_MAC_CTX_new(mac) : nullptr;
        EVP_MAC_free(mac);
    }
    if (m_stream == nullptr || m_mac == nullptr)
        return false;
    // ChaCha20's IV in libcrypto: the 32-bit block counter (0), then the 96-bit nonce.
    std::array<std::uint8_t, 16> iv{};
    const auto nonce = StreamFormat::chunkNonce(counter, last);
    std::memcpy(iv.data() + 4, nonce.data(), nonce.size());
    std::array<std::uint8_t, 64> block{};
    int outLength = 0;
    const bool ok =
        EVP_CipherInit_ex(m_stream, EVP_chacha20(), nullptr, m_key.data(), iv.data(), 1) == 1 &&
        EVP_CipherUpdate(m_stream, block.data(), &outLength, block.data(),
                         static_cast<int>(block.size())) == 1 &&
        EVP_MAC_init(m_mac, block.data(), 32, nullptr) == 1;
    sodium_memzero(block.data(), block.size());
    return ok;
}

bool ChunkCipher::authenticate(std::uint64_t counter, bool last, const std::uint8_t* data,
                               std::size_t sealedLength)
{
    using StreamFormat::TagSize;
    if (!m_keyed || sealedLength < TagSize || !startMac(counter, last))
        return false;
    const std::size_t length = sealedLength - TagSize;
    static constexpr std::uint8_t zeros[16] = {};
    // associated data, padded to 16 bytes; ciphertext, padded; both lengths, 64-bit little-endian
    std::array<std::uint8_t, 16> lengths{};
    for (int i = 0; i < 8; ++i) {
        lengths[i] = static_cast<std::uint8_t>(std::uint64_t{m_associated.size()} >> (8 * i));
        lengths[8 + i] = static_cast<std::uint8_t>(std::uint64_t{length} >> (8 * i));
    }
    std::array<std::uint8_t, TagSize> tag{};
    std::size_t tagLength = 0;
    const bool ok = EVP_MAC_update(m_mac, m_associated.data(), m_associated.size()) == 1 &&
                    EVP_MAC_update(m_mac, zeros, (16 - m_associated.size() % 16) % 16) == 1 &&
                    EVP_MAC_update(m_mac, data, length) == 1 &&
                    EVP_MAC_update(m_mac, zeros, (16 - length % 16) % 16) == 1 &&
                    EVP_MAC_update(m_mac, lengths.data(), lengths.size()) == 1 &&
                    EVP_MAC_final(m_mac, tag.data(), &tagLength, tag.size()) == 1 &&
                    tagLength == TagSize;
    return ok && CRYPTO_memcmp(tag.data(), data + length, TagSize) == 0;
}

void ChunkCipher::clear()
{
    m_key.wipe();
    m_keyed = false;
    if (m_ctx != nullptr)
        EVP_CIPHER_CTX_reset(m_ctx);
}
