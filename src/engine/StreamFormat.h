#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

// The layout of an encrypted file (docs/file-format.md):
//   salt (16) | masked parameters (4) | file nonce (16) | key commitment (32) | sealed chunks ...
// Every field looks random: the four parameter bytes, version first, are XORed with a mask
// derived from the salt, so no clear-text magic, version or length appears anywhere in the
// file. The first 36 bytes feed the derivation of the payload key and the commitment, and the
// whole header is the associated data of every chunk.
namespace StreamFormat {

constexpr std::size_t SaltSize = 16;
constexpr std::size_t ParamsSize = 4;
constexpr std::size_t NonceSize = 16;
constexpr std::size_t PrefixSize = SaltSize + ParamsSize + NonceSize;
constexpr std::size_t CommitmentSize = 32;
constexpr std::size_t HeaderSize = PrefixSize + CommitmentSize;
constexpr std::size_t TagSize = 16;
constexpr std::size_t MasterKeySize = 32;
constexpr std::size_t PayloadKeySize = 32;

constexpr std::uint8_t Version = 2;
// The same stream followed by Reed-Solomon parity that mends damage before authentication.
constexpr std::uint8_t RepairableVersion = 3;
// The layout that test builds wrote before the header was bound to every chunk.
constexpr std::uint8_t RetiredVersion = 1;

// Chunk sizes are powers of two; the writer uses DefaultChunkLog, a reader accepts the range.
constexpr int MinChunkLog = 12;
constexpr int MaxChunkLog = 20;
constexpr int DefaultChunkLog = 20;

// Argon2id limits: the writer's defaults are libsodium's MODERATE limits (3 passes, 256 MiB).
// A reader accepts nothing above them, so a damaged or hostile header cannot make it spend
// more time or memory on one derivation than a file of the program's own does.
constexpr int DefaultOpsLimit = 3;
constexpr int DefaultMemLog = 28;
constexpr int MinOpsLimit = 1;
constexpr int MaxOpsLimit = DefaultOpsLimit;
constexpr int MinMemLog = 13;
constexpr int MaxMemLog = DefaultMemLog;

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
    bool repairable = false; // written as version 3
    std::array<std::uint8_t, NonceSize> nonce{};
    std::array<std::uint8_t, CommitmentSize> commitment{};
};

// Writes HeaderSize bytes.
void encodeHeader(const Header& header, std::uint8_t* out);

enum class HeaderCheck {
    Valid,
    Retired,   // a file of the retired layout, recognised by its salt-masked version byte
    Unreadable // another version, a parameter outside what this reader accepts, or not ours
};

// Reads the PrefixSize bytes of salt, parameters and nonce (the commitment is not looked at).
[[nodiscard]] HeaderCheck decodePrefix(const std::uint8_t* in, Header& header);

// The 12-byte ChaCha20-Poly1305 nonce of chunk `counter`: 11-byte big-endian counter, then
// 1 for the last chunk and 0 before it.
std::array<std::uint8_t, 12> chunkNonce(std::uint64_t counter, bool last);

} // namespace StreamFormat
