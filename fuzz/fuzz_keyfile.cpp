// Reads arbitrary bytes as a keyfile and carries the key on as both front ends do: normalised,
// extended to the engine's 64 bytes, with its checksum and its classification.
#include "FuzzSupport.h"
#include "keys/ZR7KeyFrom.h"

#include <algorithm>

namespace {

constexpr std::size_t KeyfileBytes = 64;

// The length rule, counted on the bytes as the file holds them.
bool LongEnough(const std::uint8_t* data, std::size_t size)
{
    const auto end = data + std::min(size, KeyfileBytes);
    return std::count_if(data, end, [](std::uint8_t c) { return c > 32; }) >=
           ZR7KeyFrom::MinKeyLength;
}

void CheckReplacedNuls(QByteArrayView key, const std::uint8_t* data, std::size_t size)
{
    FUZZ_CHECK(std::size_t(key.size()) == KeyfileBytes);
    qsizetype last = key.size();
    while (last > 0 && key[last - 1] == '\0')
        --last;
    for (qsizetype i = 0; i < key.size(); ++i) {
        const bool fromFile = std::size_t(i) < size && data[i] != 0;
        if (fromFile)
            FUZZ_CHECK(key[i] == char(data[i]));
        else if (i < last)
            FUZZ_CHECK(std::uint8_t(key[i]) == 128 - (i + 1));
        else
            FUZZ_CHECK(key[i] == '\0');
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static MemoryFile file("keyfile");
    file.assign(data, size);
    SecretBytes bytes;
    QString error;
    const auto status = ZR7KeyFrom::ReadKeyfile(QString::fromStdString(file.path()), bytes, error);
    FUZZ_CHECK(status != ZR7KeyFrom::KeyfileStatus::Error);
    FUZZ_CHECK((status == ZR7KeyFrom::KeyfileStatus::Ok) == LongEnough(data, size));
    if (status != ZR7KeyFrom::KeyfileStatus::Ok)
        return 0;
    const QByteArrayView key = bytes.view();
    CheckReplacedNuls(key, data, size);

    ZR7KeyFrom::KeyIsText(key);
    ZR7KeyFrom::KeyIsRandom(key);
    const SecretBytes normalized = ZR7KeyFrom::NormalizedKey(key);
    FUZZ_CHECK(normalized.size() >= ZR7KeyFrom::MinKeyLength &&
               normalized.size() <= ZR7KeyFrom::MaxKeyLength);
    FUZZ_CHECK(ZR7KeyFrom::ExtendedKey(normalized.view()).size() == ZR7KeyFrom::MaxKeyLength);
    QByteArray digest;
    const int checksum = ZR7KeyFrom::KeyChecksum(normalized.view(), digest);
    FUZZ_CHECK(checksum >= 1001 && checksum <= 9999);
    return 0;
}
