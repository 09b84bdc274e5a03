#include "RandomKey.h"

#include <sodium.h>

void RandomKeyBytes(std::uint8_t* out, std::size_t count)
{
    if (sodium_init() < 0)
        return;
    constexpr std::uint32_t Low = 33;
    constexpr std::uint32_t Codes = 256 - Low;
    for (std::size_t i = 0; i < count; ++i)
        out[i] = static_cast<std::uint8_t>(Low + randombytes_uniform(Codes));
}
