#pragma once

#include "RepairLayout.h"
#include "RepairPatches.h"
#include "SystemCalls.h"

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

// The parity of a repairable file on disk: written after the stream once the stream is whole,
// read back, and used to find and mend damage. Groups are worked on by several threads at once,
// each with a buffer of one group.
class ParityFile
{
public:
    // The stream starts at `base` in `fd`.
    ParityFile(int fd, long long base, const RepairLayout& layout, const SystemCalls& calls);

    // Writes every group's parity after the stream: 0 or the errno of the failed read or write.
    [[nodiscard]] int write(unsigned threads);
    // True when the parity reads back as write() wrote it.
    [[nodiscard]] bool readsBack(unsigned threads) const;

    struct Damage
    {
        std::uint64_t bytes = 0;    // repaired
        std::uint64_t sectors = 0;  // aligned 4096-byte sectors of the file they lie in
        std::size_t unrepaired = 0; // groups the parity could not mend
        int readError = 0;
    };
    // Checks groups `first` to `end` - 1 and adds what mends them to `patches`.
    Damage check(std::size_t first, std::size_t end, unsigned threads, RepairPatches& patches);

private:
    using Digest = std::array<std::uint8_t, 16>;
    // Runs `work` for the groups first .. end - 1 on `threads` threads, each with its own buffer
    // of 255 shards: the first failure (nonzero) stops them, and is returned.
    int forEachGroup(std::size_t first, std::size_t end, unsigned threads,
                     const std::function<int(std::size_t, std::vector<std::uint8_t>&)>& work) const;
    // Reads a group's data, then zeros, then its parity into `shards`: 0 or an errno.
    int readGroup(const RepairLayout::Group& group, std::uint8_t* shards) const;

    int m_fd;
    long long m_base;
    RepairLayout m_layout;
    const SystemCalls& m_calls;
    std::vector<Digest> m_written;
};
