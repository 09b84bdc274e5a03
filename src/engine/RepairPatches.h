#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// The bytes a repair changed, by their offsets in the file: laid over what a pass reads, so a
// damaged file is decrypted as if it were whole, without writing to it.
class RepairPatches
{
public:
    // Adds the differences between `damaged` and `repaired`, `length` bytes at `offset`.
    void addDifferences(std::uint64_t offset, const std::uint8_t* damaged,
                        const std::uint8_t* repaired, std::size_t length);
    // Takes over the patches of another set; the sets cover separate bytes. finish() once the
    // last one is in, before apply().
    void merge(RepairPatches&& other);
    void finish();

    // Lays the patches over `length` bytes read at `offset`.
    void apply(std::uint64_t offset, std::uint8_t* data, std::size_t length) const;

    bool empty() const { return m_runs.empty(); }
    std::uint64_t bytes() const { return m_bytes.size(); }
    // Aligned 4096-byte sectors of the file holding a repaired byte.
    std::uint64_t sectors() const;

private:
    struct Run
    {
        std::uint64_t offset;
        std::uint32_t length;
        std::uint32_t first; // in m_bytes
    };
    std::vector<Run> m_runs;
    std::vector<std::uint8_t> m_bytes;
    bool m_sorted = true;
};
