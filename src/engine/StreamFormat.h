#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

// The layout of an encrypted file (docs/file-format.md):
//   salt (16) | masked parameters (4) | file nonce (16) | sealed chunks ...
// Every field looks random: the four parameter bytes are XORed with a mask derived from the
// salt, so no clear-text magic, version or length appears anywhere in the file.
namespace StreamFormat {

constexpr std::size_t SaltSize = 16;
constexpr std::size_t ParamsSize = 4;
constexpr std::size_t NonceSize = 16;
constexpr std::size_t HeaderSize = SaltSize + ParamsSize + NonceSize;
constexpr std::size_t TagSize = 16;
constexpr std::size_t MasterKeySize = 32;
constexpr std::size_t PayloadKeySize = 32;

constexpr std::uint8_t Version = 1;

// Chunk sizes are powers of two; the writer uses DefaultChunkLog, a reader accepts the range.
constexpr int MinChunkLog = 12;
constexpr int MaxChunkLog = 24;
constexpr int DefaultChunkLog = 20;

// Argon2id limits: the writer's defaults are libsodium's MODERATE limits (3 passes, 256 MiB).
// A reader refuses anything above the caps, so a damaged or hostile header cannot make it
// spend minutes or gigabytes on one derivation.
constexpr int DefaultOpsLimit = 3;
constexpr int DefaultMemLog = 28;
constexpr int MinOpsLimit = 1;
constexpr int MaxOpsLimit = 10;
constexpr int MinMemLog = 13;
constexpr int MaxMemLog = 30;

struct KdfParams
{
    int opsLimit = DefaultOpsLimit;
    int memLog = DefaultMemLog; // memory limit = 2^memLog bytes
    bool operator==(const KdfParams&) const = default;
};

struct Header
{
    std::array<std::uint8_t, SaltSize> salt{};
    KdfParams kdf;
    int chunkLog = DefaultChunkLog;
    std::array<std::uint8_t, NonceSize> nonce{};
};

// Writes HeaderSize bytes.
void encodeHeader(const Header& header, std::uint8_t* out);

// Reads HeaderSize bytes; false when the version or a parameter is outside what this reader
// accepts (a wrong key and a damaged file look the same at this point).
bool decodeHeader(const std::uint8_t* in, Header& header);

// The 12-byte ChaCha20-Poly1305 nonce of chunk `counter`: 11-byte big-endian counter, then
// 1 for the last chunk and 0 before it.
std::array<std::uint8_t, 12> chunkNonce(std::uint64_t counter, bool last);

} // namespace StreamFormat
