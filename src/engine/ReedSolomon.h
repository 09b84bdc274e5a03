#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

// The Reed-Solomon code of the repairable form: RS(255, 239) over GF(2^8) with the field
// polynomial 0x11d, first consecutive root alpha^1 and 16 parity bytes per codeword
// (docs/file-format.md, section 10.2). libfec defines the code and corrects single codewords;
// its parity is a linear function of the data, so whole shards are encoded and erasures filled
// with libisal's vectorised multiply-and-add over the same field, at memory speed.
class ReedSolomon
{
public:
    static constexpr int DataShards = 239;
    static constexpr int ParityShards = 16;
    static constexpr int Shards = DataShards + ParityShards;

    // The one code, made on first use; every member is safe to call from several threads.
    static const ReedSolomon& code();

    ReedSolomon(const ReedSolomon&) = delete;
    ReedSolomon& operator=(const ReedSolomon&) = delete;
    ~ReedSolomon();

    // Computes the 16 parity shards of `size` bytes from the 239 data shards of `size` bytes.
    void encode(const std::uint8_t* const* data, std::uint8_t* const* parity,
                std::size_t size) const;

    // Corrects one codeword of 255 bytes (data then parity) in place, given the positions
    // known to be lost. The number of bytes corrected, with their positions in `where` (at
    // least 16 entries), or -1 when it cannot be decoded.
    int decodeColumn(std::uint8_t* codeword, const std::vector<int>& erasures, int* where) const;

    // Corrects a column with a single error from `difference`, its stored parity XOR the parity
    // of its data (16 bytes): the byte `position` (0 to 254) is off by `magnitude`. False when
    // the difference is that of more than one error, which decodeColumn() then takes on. Most
    // columns hit by scattered errors hold one, and this spares them the full decoder.
    bool singleError(const std::uint8_t* difference, int& position, std::uint8_t& magnitude) const;

    // Rebuilds the data shards `lost` (positions below DataShards, at most ParityShards of
    // them) of `size` bytes in place, from the other data shards and as many parity shards,
    // the first ones not in `lostParity`. `shards` points at all 255 shards. False when too
    // many are lost.
    bool fillErasures(std::uint8_t* const* shards, const std::vector<int>& lost,
                      const std::vector<int>& lostParity, std::size_t size) const;

private:
    ReedSolomon();

    void* m_codec = nullptr;
    // The 16 x 239 parity matrix, row-major: column i is the parity of the unit codeword e_i.
    std::array<std::uint8_t, ParityShards * DataShards> m_parityMatrix{};
    std::vector<std::uint8_t> m_tables; // libisal's expanded form of the matrix
    // The data position whose parity column has the ratios (row 1 / row 0, row 2 / row 0),
    // -1 for none, -2 for more than one.
    std::vector<std::int16_t> m_positionOfRatios;
};
