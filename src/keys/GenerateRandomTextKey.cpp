#include "GenerateRandomTextKey.h"

#include "KeyRecord.h"

#include <chrono>
#include <random>

namespace {

// A number in [0, 1) from the top 53 bits of one draw, so that 1 itself can never come up.
double NextUnit(std::mt19937_64& generator)
{
    return static_cast<double>(generator() >> 11) * 0x1.0p-53;
}

} // namespace

void GenerateRandomTextKey(KeyRecord& key)
{
    // Two calls within one clock tick still get different seeds.
    static unsigned calls = 0;
    const auto now = std::chrono::high_resolution_clock::now().time_since_epoch().count();
    std::seed_seq seed{static_cast<unsigned>(now), static_cast<unsigned>(now >> 32), ++calls};
    std::mt19937_64 generator(seed);

    key.strKey.fill('\0');
    key.strKey.clear();
    const int length = static_cast<int>(NextUnit(generator) * 49 + 16);
    const bool text = static_cast<int>(NextUnit(generator) * 10) > 0;
    key.strKey.reserve(length);
    for (int i = 0; i < length; ++i) {
        const double r = NextUnit(generator);
        const int code = text ? static_cast<int>(91 * r + 32) : static_cast<int>(r * 224 + 32);
        key.strKey.append(static_cast<char>(code));
    }
    key.intKeySource = text ? KeyRecord::Keyboard : KeyRecord::Keyfile;
    key.strRawKeyText.fill('\0');
    key.strRawKeyText = key.strKey;
}
