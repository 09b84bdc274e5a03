// Decrypts arbitrary bytes with the key of the test vectors, as a batch meets a damaged or
// hostile file. The same bytes go through decrypt_fd, into a second file in memory, and through
// verify_fd: both passes must reach the same verdict, and the plaintext written must be exactly
// what the engine reports, never more than the chunks could hold.
#include "FuzzSupport.h"
#include "engine/CipherStream.h"
#include "engine/StreamFormat.h"

#include <string_view>

namespace {

constexpr std::string_view Key = "ZR7-TEST-VECTOR-KEY:64-CHARACTERS,UPPER-CASE,NO-BLANKS-ANYWHERE.";

CipherStream& Engine()
{
    static CipherStream* engine = [] {
        auto* made = new CipherStream;
        FUZZ_CHECK(made->allocate_buffers() == 1);
        made->operation_initialization(Key, 0, 0, 0);
        return made;
    }();
    return *engine;
}

// A header that asks for more than the lightest Argon2id settings is honoured by design, at up
// to 256 MiB and half a second a time; such inputs would only slow the search down, since the
// code they reach is the same. The vectors all use the lightest settings.
bool CostlyDerivation(const std::uint8_t* data, std::size_t size)
{
    StreamFormat::Header header;
    return size >= StreamFormat::PrefixSize &&
           StreamFormat::decodePrefix(data, header) == StreamFormat::HeaderCheck::Valid &&
           (header.kdf.opsLimit > StreamFormat::MinOpsLimit ||
            header.kdf.memLog > StreamFormat::MinMemLog + 2);
}

bool ExpectedResult(EngineResult code)
{
    return code == EngineResult::Success || code == EngineResult::InvalidBlock ||
           code == EngineResult::InvalidBlockPartial || code == EngineResult::RetiredFormat;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (CostlyDerivation(data, size))
        return -1; // not kept in the corpus
    static MemoryFile input("ciphertext");
    static MemoryFile output("plaintext");
    input.assign(data, size);
    output.assign(nullptr, 0);
    CipherStream& engine = Engine();

    const EngineResult decrypted = engine.decrypt_fd(input.fd(), output.fd());
    const std::uint64_t written = engine.bytes_written();
    FUZZ_CHECK(ExpectedResult(decrypted));
    FUZZ_CHECK(output.size() == written);
    FUZZ_CHECK(written == 0 ||
               written + StreamFormat::HeaderSize + StreamFormat::TagSize <= std::uint64_t(size));
    if (decrypted != EngineResult::Success && decrypted != EngineResult::InvalidBlockPartial)
        FUZZ_CHECK(written == 0);

    FUZZ_CHECK(engine.verify_fd(input.fd()) == decrypted);
    return 0;
}
