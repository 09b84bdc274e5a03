// zr7bench-encrypt: the engine behind the smallest possible command line, so that scripts can
// time it against other tools before the real command-line front end encrypts.
//
//   zr7bench-encrypt encrypt|decrypt KEYFILE IN OUT
//   zr7bench-encrypt encrypt-dir|decrypt-dir KEYFILE INDIR OUTDIR
//
// The key is the first 64 bytes of KEYFILE, padded with NULs when the file is shorter. The
// -dir forms handle every regular file directly in INDIR (no subfolders) in one process and
// under one engine, so Argon2id runs once for the whole folder, as in a real batch.
//
// Exit status: 0 on success; otherwise the engine result code is printed on stderr and its
// magnitude is the status (codes are negative, an exit status cannot be). 64 for a usage
// error, 66 when KEYFILE cannot be read.

#include "storage/FileCipher.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

namespace {

constexpr std::size_t KeySize = 64;
constexpr int UsageStatus = 64;
constexpr int NoKeyStatus = 66;

int usage()
{
    std::fputs("usage: zr7bench-encrypt encrypt|decrypt KEYFILE IN OUT\n"
               "       zr7bench-encrypt encrypt-dir|decrypt-dir KEYFILE INDIR OUTDIR\n",
               stderr);
    return UsageStatus;
}

// The exit status for an engine result: its magnitude, 0 for success.
int statusOf(EngineResult rc)
{
    return -static_cast<int>(rc);
}

EngineResult runOne(FileCipher& engine, const std::string& key, bool encrypt, const std::string& in,
                    const std::string& out)
{
    engine.operation_initialization(key, encrypt ? 1 : 0, 0, 0);
    const EngineResult rc = encrypt ? engine.encrypt_file(in, out) : engine.decrypt_file(in, out);
    if (rc != EngineResult::Success)
        std::fprintf(stderr, "zr7bench-encrypt: %s: engine result -%d\n", in.c_str(), statusOf(rc));
    return rc;
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc != 5)
        return usage();
    const std::string_view mode = argv[1];
    const bool encrypt = mode == "encrypt" || mode == "encrypt-dir";
    const bool folder = mode == "encrypt-dir" || mode == "decrypt-dir";
    if (!encrypt && mode != "decrypt" && mode != "decrypt-dir")
        return usage();

    std::string key(KeySize, '\0');
    std::ifstream keyFile(argv[2], std::ios::binary);
    if (!keyFile) {
        std::fprintf(stderr, "zr7bench-encrypt: cannot read %s\n", argv[2]);
        return NoKeyStatus;
    }
    keyFile.read(key.data(), static_cast<std::streamsize>(key.size()));

    FileCipher engine;
    if (engine.allocate_buffers() == 0) {
        std::fprintf(stderr, "zr7bench-encrypt: engine result -%d\n",
                     statusOf(EngineResult::NotAllocated));
        return statusOf(EngineResult::NotAllocated);
    }

    EngineResult first = EngineResult::Success;
    if (!folder) {
        first = runOne(engine, key, encrypt, argv[3], argv[4]);
    } else {
        std::error_code error;
        std::filesystem::directory_iterator it(argv[3], error), end;
        if (error) {
            std::fprintf(stderr, "zr7bench-encrypt: cannot list %s\n", argv[3]);
            return statusOf(EngineResult::InputNotFound);
        }
        // Every file is tried, so one bad file does not hide how the rest did; the first
        // failure decides the status.
        for (; it != end; it.increment(error)) {
            if (!it->is_regular_file(error))
                continue;
            const std::string out =
                (std::filesystem::path(argv[4]) / it->path().filename()).string();
            const EngineResult rc = runOne(engine, key, encrypt, it->path().string(), out);
            if (first == EngineResult::Success)
                first = rc;
        }
    }
    engine.deallocate_buffers();
    return statusOf(first);
}
