#pragma once

#include <cstddef>
#include <cstdint>

// Key bytes from the system's CSPRNG, each drawn uniformly from the codes 33 to 255 (rejection
// sampling, so no code is more likely than another).
void RandomKeyBytes(std::uint8_t* out, std::size_t count);

// A number from 0 to bound - 1, drawn uniformly from the system's CSPRNG (0 when bound < 2).
std::uint32_t RandomUniform(std::uint32_t bound);
