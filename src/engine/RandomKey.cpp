#include "RandomKey.h"

#include <sodium.h>

#include <cstdlib>

std::uint32_t RandomUniform(std::uint32_t bound)
{
    // Without a working CSPRNG there is no safe answer: a fixed one would make keys guessable.
    if (sodium_init() < 0)
        std::abort();
    return randombytes_uniform(bound);
}

void RandomKeyBytes(std::uint8_t* out, std::size_t count)
{
    constexpr std::uint32_t Low = 33;
    for (std::size_t i = 0; i < count; ++i)
        out[i] = static_cast<std::uint8_t>(Low + RandomUniform(256 - Low));
}
