#include "StreamFormat.h"

#include <openssl/evp.h>

#include <cstring>

namespace StreamFormat {

namespace {

constexpr char MaskLabel[] = "ZR7E parameter mask";

// mask = first four bytes of SHA-256(label || salt)
std::array<std::uint8_t, ParamsSize> parameterMask(const std::uint8_t* salt)
{
    std::array<std::uint8_t, EVP_MAX_MD_SIZE> digest{};
    unsigned int length = 0;
    std::array<std::uint8_t, sizeof(MaskLabel) - 1 + SaltSize> message{};
    std::memcpy(message.data(), MaskLabel, sizeof(MaskLabel) - 1);
    std::memcpy(message.data() + sizeof(MaskLabel) - 1, salt, SaltSize);
    EVP_Digest(message.data(), message.size(), digest.data(), &length, EVP_sha256(), nullptr);
    std::array<std::uint8_t, ParamsSize> mask{};
    std::memcpy(mask.data(), digest.data(), ParamsSize);
    return mask;
}

} // namespace

void encodeHeader(const Header& header, std::uint8_t* out)
{
    std::memcpy(out, header.salt.data(), SaltSize);
    const auto mask = parameterMask(header.salt.data());
    const std::uint8_t params[ParamsSize] = {header.repairable ? RepairableVersion : Version,
                                             static_cast<std::uint8_t>(header.kdf.opsLimit),
                                             static_cast<std::uint8_t>(header.kdf.memLog),
                                             static_cast<std::uint8_t>(header.chunkLog)};
    for (std::size_t i = 0; i < ParamsSize; ++i)
        out[SaltSize + i] = params[i] ^ mask[i];
    std::memcpy(out + SaltSize + ParamsSize, header.nonce.data(), NonceSize);
    std::memcpy(out + PrefixSize, header.commitment.data(), CommitmentSize);
}

HeaderCheck decodePrefix(const std::uint8_t* in, Header& header)
{
    std::memcpy(header.salt.data(), in, SaltSize);
    const auto mask = parameterMask(header.salt.data());
    std::uint8_t params[ParamsSize];
    for (std::size_t i = 0; i < ParamsSize; ++i)
        params[i] = in[SaltSize + i] ^ mask[i];
    std::memcpy(header.nonce.data(), in + SaltSize + ParamsSize, NonceSize);
    header.kdf.opsLimit = params[1];
    header.kdf.memLog = params[2];
    header.chunkLog = params[3];
    const auto within = [](int value, int low, int high) { return value >= low && value <= high; };
    // The retired layout allowed wider ranges; with them, a random file passes for one only
    // about once in 200,000 times.
    if (params[0] == RetiredVersion && within(params[1], 1, 10) && within(params[2], 13, 30) &&
        within(params[3], 12, 24))
        return HeaderCheck::Retired;
    header.repairable = params[0] == RepairableVersion;
    const bool valid = (params[0] == Version || header.repairable) &&
                       within(header.kdf.opsLimit, MinOpsLimit, MaxOpsLimit) &&
                       within(header.kdf.memLog, MinMemLog, MaxMemLog) &&
                       within(header.chunkLog, MinChunkLog, MaxChunkLog);
    return valid ? HeaderCheck::Valid : HeaderCheck::Unreadable;
}

std::array<std::uint8_t, 12> chunkNonce(std::uint64_t counter, bool last)
{
    std::array<std::uint8_t, 12> nonce{};
    for (int i = 10; i >= 3; --i) { // the top three counter bytes stay 0 below 2^64 chunks
        nonce[i] = static_cast<std::uint8_t>(counter & 0xff);
        counter >>= 8;
    }
    nonce[11] = last ? 1 : 0;
    return nonce;
}

} // namespace StreamFormat
