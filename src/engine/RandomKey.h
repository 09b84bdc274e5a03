#pragma once

#include <cstddef>
#include <cstdint>

// Key bytes from the system's CSPRNG, each drawn uniformly from the codes 33 to 255 (rejection
// sampling, so no code is more likely than another).
void RandomKeyBytes(std::uint8_t* out, std::size_t count);
