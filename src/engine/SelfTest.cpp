#include "SelfTest.h"

#include "ChunkCipher.h"

#include <openssl/evp.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace {

std::vector<std::uint8_t> fromHex(const char* hex)
{
    std::vector<std::uint8_t> bytes;
    for (; hex[0] != '\0' && hex[1] != '\0'; hex += 2) {
        auto nibble = [](char c) { return c <= '9' ? c - '0' : c - 'a' + 10; };
        bytes.push_back(static_cast<std::uint8_t>(nibble(hex[0]) << 4 | nibble(hex[1])));
    }
    return bytes;
}

// RFC 8439, section 2.8.2: seal, compare, then open again.
bool aeadKnownAnswer()
{
    const auto key = fromHex("808182838485868788898a8b8c8d8e8f909192939495969798999a9b9c9d9e9f");
    const auto nonce = fromHex("070000004041424344454647");
    const auto aad = fromHex("50515253c0c1c2c3c4c5c6c7");
    const char* text = "Ladies and Gentlemen of the class of '99: If I could offer you only one "
                       "tip for the future, sunscreen would be it.";
    const auto expected =
        fromHex("d31a8d34648e60db7b86afbc53ef7ec2a4aded51296e08fea9e2b5a736ee62d63dbea45e8ca967128"
                "2fafb69da92728b1a71de0a9e060b2905d6a5b67ecd3b3692ddbd7f2d778b8c9803aee328091b58fa"
                "b324e4fad675945585808b4831d7bc3ff4def08e4b7a9de576d26586cec64b6116");
    const auto tag = fromHex("1ae10b594f09e26a7e902ecbd0600691");
    const int length = static_cast<int>(std::strlen(text));

    std::vector<std::uint8_t> data(text, text + length);
    std::uint8_t tagOut[16] = {};
    bool ok = false;
    EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
    int n = 0;
    if (ctx != nullptr &&
        EVP_EncryptInit_ex(ctx, EVP_chacha20_poly1305(), nullptr, key.data(), nonce.data()) == 1 &&
        EVP_EncryptUpdate(ctx, nullptr, &n, aad.data(), static_cast<int>(aad.size())) == 1 &&
        EVP_EncryptUpdate(ctx, data.data(), &n, data.data(), length) == 1 &&
        EVP_EncryptFinal_ex(ctx, data.data() + n, &n) == 1 &&
        EVP_CIPHER_CTX_ctrl(ctx, EVP_CTRL_AEAD_GET_TAG, 16, tagOut) == 1)
        ok = data == expected && std::memcmp(tagOut, tag.data(), 16) == 0;
    if (ok) {
        ok = EVP_DecryptInit_ex(ctx, EVP_chacha20_poly1305(), nullptr, key.data(), nonce.data()) ==
                 1 &&
             EVP_DecryptUpdate(ctx, nullptr, &n, aad.data(), static_cast<int>(aad.size())) == 1 &&
             EVP_DecryptUpdate(ctx, data.data(), &n, data.data(), length) == 1 &&
             EVP_CIPHER_CTX_ctrl(ctx, EVP_CTRL_AEAD_SET_TAG, 16,
                                 const_cast<std::uint8_t*>(tag.data())) == 1 &&
             EVP_DecryptFinal_ex(ctx, data.data() + n, &n) == 1 &&
             std::memcmp(data.data(), text, static_cast<std::size_t>(length)) == 0;
    }
    EVP_CIPHER_CTX_free(ctx);
    return ok;
}

// RFC 5869, test case 1.
bool hkdfKnownAnswer()
{
    const auto ikm = fromHex("0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b0b");
    const auto salt = fromHex("000102030405060708090a0b0c");
    const auto expected = fromHex("3cb25f25faacd57a90434f64d0362f2a2d2d0a90cf1a5a4c5db02d56ecc4c5bf"
                                  "34007208d5b887185865");
    const auto info = fromHex("f0f1f2f3f4f5f6f7f8f9");
    std::vector<std::uint8_t> okm(expected.size());
    return hkdfSha256(ikm.data(), ikm.size(), salt.data(), salt.size(), info.data(), info.size(),
                      okm.data(), okm.size()) &&
           okm == expected;
}

} // namespace

bool engineSelfTest()
{
    return aeadKnownAnswer() && hkdfKnownAnswer();
}
