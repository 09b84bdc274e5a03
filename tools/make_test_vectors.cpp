// Writes the engine's test vectors: ciphertext files with the outcome a correct decryptor must
// give for each, listed in vectors.txt. Run it again only when the file format changes:
//   build/tools/zr7-make-vectors tests/data/vectors

#include "ChunkCipher.h"
#include "CipherEngine.h"
#include "MasterKeyCache.h"
#include "StreamFormat.h"

#include <openssl/evp.h>
#include <sodium.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

const std::string Key = "ZR7 TEST VECTOR KEY: 64 CHARACTERS, UPPER CASE, NO SPACES INSIDE";
const std::string OtherKey = "ZR7 TEST VECTOR KEY: 64 CHARACTERS, UPPER CASE, NO SPACES INSIDF";
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

std::string sha256(const Bytes& data)
{
    unsigned char digest[32];
    unsigned int length = 0;
    EVP_Digest(data.data(), data.size(), digest, &length, EVP_sha256(), nullptr);
    std::string hex;
    char two[3];
    for (unsigned char c : digest) {
        std::snprintf(two, sizeof two, "%02x", c);
        hex += two;
    }
    return hex;
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

Bytes encrypt(const Bytes& data, const std::string& key, const StreamFormat::KdfParams& kdf)
{
    CipherEngine engine;
    if (engine.allocate_buffers() == 0)
        return {};
    engine.set_kdf_params(kdf);
    engine.set_chunk_log(ChunkLog);
    writeFile(g_folder + "/.plain", data);
    engine.operation_initialization(key, 1, std::int64_t(data.size()), 0);
    if (engine.encrypt_file(g_folder + "/.plain", g_folder + "/.cipher") != 0)
        return {};
    Bytes cipher = readFile(g_folder + "/.cipher");
    std::remove((g_folder + "/.plain").c_str());
    std::remove((g_folder + "/.cipher").c_str());
    return cipher;
}

// A stream sealed by hand, for shapes the engine itself never writes.
Bytes sealByHand(const std::vector<Bytes>& chunks)
{
    StreamFormat::Header header;
    header.kdf = {1, StreamFormat::MinMemLog};
    header.chunkLog = ChunkLog;
    randombytes_buf(header.salt.data(), header.salt.size());
    randombytes_buf(header.nonce.data(), header.nonce.size());
    MasterKeyCache keys;
    ChunkCipher cipher;
    const std::uint8_t* master = keys.masterKey(Key, header.salt, header.kdf);
    if (master == nullptr || !cipher.setKey(master, 32, header.nonce.data(), 16))
        return {};
    Bytes out(Header);
    StreamFormat::encodeHeader(header, out.data());
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

} // namespace

int main(int argc, char* argv[])
{
    if (argc != 2 || sodium_init() < 0) {
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

    vector("empty.zr7", encrypt(empty, Key, fast), "success", 0, empty);
    vector("small.zr7", encrypt(small, Key, fast), "success", 0, small);
    vector("chunks-full.zr7", encrypt(two, Key, fast), "success", 0, two);
    vector("chunks-short-last.zr7", multi, "success", 0, three);
    vector("moderate-limits.zr7", encrypt(small, Key, {}), "success", 0, small);
    vector("wrong-key.zr7", encrypt(small, OtherKey, fast), "wrong-key", -8, {});
    Bytes random(5000);
    randombytes_buf(random.data(), random.size());
    vector("random-bytes.zr7", random, "wrong-key", -8, {});

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

    vector("truncated-header.zr7", Bytes(multi.begin(), multi.begin() + 20), "truncated", -8, {});
    vector("truncated-at-chunk.zr7", Bytes(multi.begin(), multi.begin() + Header + 2 * Record),
           "truncated", -18, {});
    vector("truncated-last-chunk.zr7", Bytes(multi.begin(), multi.end() - 1), "truncated", -18, {});
    Bytes extended = multi;
    extended.push_back(0);
    vector("extended.zr7", extended, "extended", -18, {});
    std::fclose(g_manifest);
    return 0;
}
