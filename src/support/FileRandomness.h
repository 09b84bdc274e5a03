#pragma once

#include <cstdint>
#include <string>

// The randomness of a file, sampled over its length, or of a short string. Paths are the file
// system's bytes.
namespace FileRandomness {

// Why a file has no randomness value. The randomness listing shows the number («[-12]»).
enum class RandomnessError : int {
    None = 0,
    FileNotFound = -11,
    FileReadError = -12,
    FileEmpty = -14,
    FileTooShort = -15,
};

// The randomness of a file's bytes, or why there is none.
struct RandomnessValue
{
    explicit RandomnessValue(double measure) : value(measure) {}
    RandomnessValue(RandomnessError why) : error(why) {}
    bool measured() const { return error == RandomnessError::None; }

    double value = 0; // from near 0 up to nearly 1 (at most 0.9999); 0 when not measured
    RandomnessError error = RandomnessError::None;
};

// Randomness of the file's bytes. Files shorter than `minSize` bytes give FileTooShort.
[[nodiscard]] RandomnessValue fr(const std::string& path, int minSize);
// The same for a file the caller has open (read at offsets: its position is left as it is).
[[nodiscard]] RandomnessValue fr(int fd, int minSize);

// Randomness of `length` bytes on the same scale (callers pass 64 and 64).
double randomness_measure(const std::uint8_t* bytes, int length, int bufferLength);

} // namespace FileRandomness
