#pragma once

#include <QString>

#include <cstdint>
#include <functional>

// The arithmetic behind the random key window: it turns clock ticks at which the mouse has
// moved into key bytes of codes 33 to 255. Each byte is a fresh uniform draw from the system's
// CSPRNG shifted by a value from the pointer position and the clock's hundredths, so the key
// is exactly as strong as one made by the CSPRNG alone; the mouse can add to it, never take
// away.
class RandomKeyCollector
{
public:
    static constexpr int KeyLength = 64;
    static constexpr int Codes = 223; // 33..255
    static constexpr int LowestCode = 33;

    // A number from 0 to bound - 1; the system's CSPRNG unless a test supplies another.
    using UniformSource = std::function<std::uint32_t(std::uint32_t bound)>;

    RandomKeyCollector();
    explicit RandomKeyCollector(UniformSource uniform);

    // Starts a new key: no bytes yet, and nothing is made until the pointer moves away from
    // where it is now.
    void Start();

    // The pointer's position in the window, in whole twips.
    void MouseMoved(int x, int y);

    // One clock tick at `msecsOfDay` milliseconds after midnight. Returns the new key byte, or
    // -1 when the pointer stands where it stood at the previous byte or the key is complete.
    int Tick(int msecsOfDay);

    int ByteCount() const { return m_byteCount; }
    bool Complete() const { return m_byteCount >= KeyLength; }

    // 63 underscores, the first ByteCount() of them turned into full blocks; 64 blocks when
    // the key is complete.
    QString ProgressText() const;

    // The clock's hundredths: the fraction of the second times 100, rounded half to even, so
    // 0 to 100.
    static int Hundredths(int msecsOfDay);

    // (2d + y)(x + d)(d + 1), the value that the position and the hundredths contribute.
    static std::int64_t Product(int x, int y, int hundredths);

    // The key byte from a uniform draw `draw` (0..222) and the product: both are added modulo
    // 223, so the byte is uniform whatever the product is.
    static int KeyByte(std::uint32_t draw, std::int64_t product);

private:
    UniformSource m_uniform;
    int m_x = 0;
    int m_y = 0;
    int m_lastX = 0;
    int m_lastY = 0;
    int m_byteCount = 0;
};
