// Writes the test vectors: ciphertext files with the outcome a correct decryptor must give for
// each, listed in vectors.txt, and files that the program opens from a keyfile and from a typed
// key, listed in program-vectors.txt with every step from the key to the engine's key bytes.
// Run it again only when the file format changes:
//   build/tools/zr7-make-vectors tests/data/vectors

#include "engine/ChunkCipher.h"
#include "engine/MasterKeyCache.h"
#include "engine/StreamFormat.h"
#include "keys/ZR7KeyFrom.h"
#include "storage/FileCipher.h"

#include <QString>

#include <openssl/evp.h>
#include <sodium.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

// The program keeps these 64 bytes as they are (no blanks, no lower case): key.txt opens every
// vector with the program as well as with the engine.
const std::string Key = "ZR7-TEST-VECTOR-KEY:64-CHARACTERS,UPPER-CASE,NO-BLANKS-ANYWHERE.";
const std::string OtherKey = "ZR7-TEST-VECTOR-KEY:64-CHARACTERS,UPPER-CASE,NO-BLANKS-ANYWHERE!";
constexpr int ChunkLog = 12;
constexpr std::size_t Chunk = std::size_t{1} << ChunkLog;
constexpr std::size_t Record = Chunk + StreamFormat::TagSize;
constexpr std::size_t Header = StreamFormat::HeaderSize;

std::string g_folder;
std::FILE* g_manifest = nullptr;

Bytes plaintext(std::size_t size)
{
    Bytes data(size);
    for (std::size_t i = 0; i < size; ++i)
        data[i] = static_cast<std::uint8_t>((i * 7 + i / 251) & 0xff);
    return data;
}

std::string hex(const std::uint8_t* data, std::size_t size)
{
    std::string text;
    char two[3];
    for (std::size_t i = 0; i < size; ++i) {
        std::snprintf(two, sizeof two, "%02x", data[i]);
        text += two;
    }
    return text;
}

std::string sha256(const Bytes& data)
{
    unsigned char digest[32];
    unsigned int length = 0;
    EVP_Digest(data.data(), data.size(), digest, &length, EVP_sha256(), nullptr);
    return hex(digest, length);
}

void writeFile(const std::string& path, const Bytes& data)
{
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(data.data()), std::streamsize(data.size()));
}

Bytes readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

Bytes encrypt(const Bytes& data, const std::string& key, const StreamFormat::KdfParams& kdf,
              bool repairable = false)
{
    FileCipher engine;
    if (engine.allocate_buffers() == 0)
        return {};
    engine.set_repairable(repairable);
    engine.set_kdf_params(kdf);
    engine.set_chunk_log(ChunkLog);
    writeFile(g_folder + "/.plain", data);
    engine.operation_initialization(key, 1, std::int64_t(data.size()), 0);
    if (engine.encrypt_file(g_folder + "/.plain", g_folder + "/.cipher") != EngineResult::Success)
        return {};
    Bytes cipher = readFile(g_folder + "/.cipher");
    std::remove((g_folder + "/.plain").c_str());
    std::remove((g_folder + "/.cipher").c_str());
    return cipher;
}

// A stream sealed by hand, for shapes the engine itself never writes. `version` and `kdf` go
// into the header as given.
Bytes sealByHand(const std::vector<Bytes>& chunks, int version = StreamFormat::Version,
                 StreamFormat::KdfParams kdf = {1, StreamFormat::MinMemLog})
{
    StreamFormat::Header header;
    header.kdf = {1, StreamFormat::MinMemLog};
    header.chunkLog = ChunkLog;
    randombytes_buf(header.salt.data(), header.salt.size());
    randombytes_buf(header.nonce.data(), header.nonce.size());
    MasterKeyCache keys;
    ChunkCipher cipher;
    const std::uint8_t* master =
        keys.masterKey(Key, header.salt, header.kdf, MasterKeyCache::Use::Encryption);
    Bytes out(Header);
    StreamFormat::encodeHeader(header, out.data());
    if (master == nullptr || !cipher.setKey(master, 32, out.data(), header.commitment.data()))
        return {};
    StreamFormat::encodeHeader(header, out.data());
    // Parameters outside what the writer uses: the mask is applied by hand.
    if (version != StreamFormat::Version || !(kdf == header.kdf)) {
        const std::uint8_t wanted[4] = {std::uint8_t(version), std::uint8_t(kdf.opsLimit),
                                        std::uint8_t(kdf.memLog), std::uint8_t(ChunkLog)};
        const std::uint8_t written[4] = {StreamFormat::Version, std::uint8_t(header.kdf.opsLimit),
                                         std::uint8_t(header.kdf.memLog), std::uint8_t(ChunkLog)};
        for (std::size_t i = 0; i < 4; ++i)
            out[StreamFormat::SaltSize + i] ^= written[i] ^ wanted[i];
    }
    cipher.setAssociatedData(out.data());
    for (std::size_t i = 0; i < chunks.size(); ++i) {
        Bytes record = chunks[i];
        record.resize(chunks[i].size() + StreamFormat::TagSize);
        if (!cipher.seal(i, i + 1 == chunks.size(), record.data(), chunks[i].size()))
            return {};
        out.insert(out.end(), record.begin(), record.end());
    }
    return out;
}

void vector(const std::string& name, const Bytes& file, const char* expect, int code,
            const Bytes& plain)
{
    writeFile(g_folder + "/" + name, file);
    std::fprintf(g_manifest, "%-24s %-10s %4d %s\n", name.c_str(), expect, code,
                 code == 0 ? sha256(plain).c_str() : "-");
}

Bytes bytesOf(const QByteArray& bytes)
{
    return Bytes(bytes.begin(), bytes.end());
}

std::string hexOf(const QByteArray& bytes)
{
    return hex(reinterpret_cast<const std::uint8_t*>(bytes.constData()), bytes.size());
}

// One file the program opens with a key from `source`: the manifest line, and every step from
// the key as given to the engine's 64 bytes on standard output, for the format document.
void programVector(std::FILE* manifest, const std::string& name, const std::string& source,
                   const QByteArray& given, const QByteArray& normalized, const Bytes& plain)
{
    const QByteArray engineKey = ZR7KeyFrom::ExtendedKey(normalized).view().toByteArray();
    QByteArray digest;
    const int checksum = ZR7KeyFrom::KeyChecksum(normalized, digest);
    writeFile(g_folder + "/" + name, encrypt(plain, engineKey.toStdString(), {1, 13}));
    std::fprintf(manifest, "%-22s %-36s %d %s\n", name.c_str(), source.c_str(), checksum,
                 sha256(plain).c_str());
    std::printf("%s\n  given      %s\n  normalized %s\n  engine key %s\n  MD5 %s checksum %d\n",
                name.c_str(), hexOf(given).c_str(), hexOf(normalized).c_str(),
                hexOf(engineKey).c_str(), hexOf(digest).c_str(), checksum);
}

void programVectors(const Bytes& plain)
{
    std::FILE* manifest = std::fopen((g_folder + "/program-vectors.txt").c_str(), "w");
    if (manifest == nullptr)
        return;
    std::fprintf(manifest,
                 "# Files the program opens: zr7e-cli decrypt with the key options shown.\n"
                 "# file                 key options                          checksum "
                 "plaintext SHA-256\n");
    // A keyfile of 38 bytes (Windows-1252): lower case, blanks, a tab, a NUL inside and
    // letters that upper-case outside ASCII. The program reads 64 bytes: the rest is NUL.
    const char bytes[] = "keyfile: Gr\xfc\xdf"
                         "e\x00"
                         "aus\tK\xf6ln, \xff \x9c \x9a \xe9t\xe9 42";
    const QByteArray keyfile(bytes, sizeof bytes - 1);
    writeFile(g_folder + "/program-keyfile.key", bytesOf(keyfile));
    SecretBytes read;
    QString error;
    ZR7KeyFrom::ReadKeyfile(QString::fromStdString(g_folder + "/program-keyfile.key"), read, error);
    programVector(manifest, "program-keyfile.zr7", "--key-file program-keyfile.key", keyfile,
                  ZR7KeyFrom::NormalizedKey(read.view()).view().toByteArray(), plain);
    // A typed key with letters outside ASCII, as UTF-8 on standard input.
    const QString typed = QString::fromUtf8("Gr\u00fc\u00dfe aus K\u00f6ln, se\u00f1or "
                                            "\u00c6r\u00f8 \u2014 \u00ff \u0153 \u0161 \u017e");
    writeFile(g_folder + "/program-typed-key.txt", bytesOf(typed.toUtf8() + '\n'));
    programVector(manifest, "program-typed-key.zr7", "--key-stdin < program-typed-key.txt",
                  typed.toUtf8(), ZR7KeyFrom::NormalizedKey(typed).view().toByteArray(), plain);
    std::fclose(manifest);
}

} // namespace

// A repairable file, and the same file with damage its parity mends and damage it cannot.
void repairableVectors(const StreamFormat::KdfParams& kdf)
{
    const Bytes plain = plaintext(300000);
    const Bytes file = encrypt(plain, Key, kdf, true);
    vector("repairable.zr7", file, "success", 0, plain);
    constexpr std::size_t Sector = 4096;
    Bytes damaged = file;
    std::fill_n(damaged.begin() + Sector, Sector, 0);
    vector("repairable-sector.zr7", damaged, "success", 0, plain);
    damaged = file;
    for (std::size_t i = 0; i < damaged.size() / 1000; ++i)
        damaged[randombytes_uniform(static_cast<std::uint32_t>(damaged.size()))] ^=
            static_cast<std::uint8_t>(1 + randombytes_uniform(255));
    for (std::size_t i = 0; i < 16; ++i)
        damaged[i * 4 + 1] ^= 0xa5;
    vector("repairable-bytes.zr7", damaged, "success", 0, plain);
    damaged = file;
    std::fill_n(damaged.begin() + Sector, 17 * Sector, 0);
    vector("repairable-beyond.zr7", damaged, "damaged", -8, {});
}

int main(int argc, char* argv[])
{
    if (argc != 2 || sodium_init() < 0 || Key.size() != 64 || OtherKey.size() != 64) {
        std::fprintf(stderr, "usage: zr7-make-vectors FOLDER\n");
        return 2;
    }
    g_folder = argv[1];
    g_manifest = std::fopen((g_folder + "/vectors.txt").c_str(), "w");
    if (g_manifest == nullptr)
        return 1;
    writeFile(g_folder + "/key.txt", Bytes(Key.begin(), Key.end()));
    std::fprintf(g_manifest, "# Decrypt each file with the 64 bytes of key.txt.\n"
                             "# file                   expect     code plaintext SHA-256\n");

    const StreamFormat::KdfParams fast{1, StreamFormat::MinMemLog};
    const Bytes small = plaintext(1000), three = plaintext(3 * Chunk + 100);
    const Bytes two = plaintext(2 * Chunk), empty;
    const Bytes multi = encrypt(three, Key, fast);
    const Bytes single = encrypt(small, Key, fast);

    vector("empty.zr7", encrypt(empty, Key, fast), "success", 0, empty);
    vector("small.zr7", single, "success", 0, small);
    vector("chunks-full.zr7", encrypt(two, Key, fast), "success", 0, two);
    vector("chunks-short-last.zr7", multi, "success", 0, three);
    vector("moderate-limits.zr7", encrypt(small, Key, {}), "success", 0, small);
    vector("wrong-key.zr7", encrypt(small, OtherKey, fast), "wrong-key", -8, {});
    Bytes random(5000);
    randombytes_buf(random.data(), random.size());
    vector("random-bytes.zr7", random, "wrong-key", -8, {});

    // Every header byte counts, also in a file of one chunk.
    const std::pair<const char*, std::size_t> headerFields[] = {
        {"damaged-salt.zr7", 3},
        {"damaged-chunk-size.zr7", StreamFormat::SaltSize + 3},
        {"damaged-nonce.zr7", StreamFormat::SaltSize + StreamFormat::ParamsSize + 5},
        {"damaged-commitment.zr7", StreamFormat::PrefixSize + 31}};
    for (const auto& [name, offset] : headerFields) {
        Bytes damaged = single;
        damaged[offset] ^= 0x01;
        vector(name, damaged, "damaged", -8, {});
    }
    Bytes damaged = multi;
    damaged[StreamFormat::SaltSize + 1] ^= 0x10;
    vector("damaged-parameters.zr7", damaged, "damaged", -8, {});
    damaged = multi;
    damaged[Header + Record + 77] ^= 0x01;
    vector("damaged-second-chunk.zr7", damaged, "damaged", -18, {});
    Bytes swapped = multi;
    std::swap_ranges(swapped.begin() + Header + Record, swapped.begin() + Header + 2 * Record,
                     swapped.begin() + Header + 2 * Record);
    vector("swapped-chunks.zr7", swapped, "damaged", -18, {});
    vector("empty-last-chunk.zr7", sealByHand({plaintext(Chunk), {}}), "damaged", -18, {});

    // Limits above the writer's are refused before any key derivation.
    vector("hostile-passes.zr7",
           sealByHand({small}, StreamFormat::Version,
                      {StreamFormat::MaxOpsLimit + 1, StreamFormat::MinMemLog}),
           "hostile", -8, {});
    vector("hostile-memory.zr7",
           sealByHand({small}, StreamFormat::Version, {1, StreamFormat::MaxMemLog + 1}), "hostile",
           -8, {});
    const Bytes retired = sealByHand({small}, StreamFormat::RetiredVersion);
    vector("retired-layout.zr7", retired, "retired", -19, {});
    // Its parameters unmask from 20 bytes, but a header that stops inside the prefix is no header.
    vector("truncated-retired-header.zr7", Bytes(retired.begin(), retired.begin() + 30),
           "truncated", -8, {});

    vector("truncated-header.zr7", Bytes(multi.begin(), multi.begin() + 50), "truncated", -8, {});
    vector("truncated-at-chunk.zr7", Bytes(multi.begin(), multi.begin() + Header + 2 * Record),
           "truncated", -18, {});
    vector("truncated-last-chunk.zr7", Bytes(multi.begin(), multi.end() - 1), "truncated", -18, {});
    Bytes extended = multi;
    extended.push_back(0);
    vector("extended.zr7", extended, "extended", -18, {});
    repairableVectors(fast);
    std::fclose(g_manifest);

    programVectors(small);
    return 0;
}
