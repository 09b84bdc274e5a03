#include "ReedSolomon.h"

#include <isa-l/erasure_code.h>

extern "C" {
#include <fec.h>
}

#include <algorithm>
#include <stdexcept>

namespace {

constexpr int FieldPolynomial = 0x11d;
constexpr int FirstRoot = 1;
constexpr int PrimitiveElement = 1;

} // namespace

const ReedSolomon& ReedSolomon::code()
{
    static const ReedSolomon instance;
    return instance;
}

ReedSolomon::ReedSolomon()
    : m_codec(init_rs_char(8, FieldPolynomial, FirstRoot, PrimitiveElement, ParityShards, 0)),
      m_tables(std::size_t{32} * DataShards * ParityShards)
{
    if (m_codec == nullptr)
        throw std::runtime_error("the Reed-Solomon codec cannot start");
    for (int i = 0; i < DataShards; ++i) {
        std::array<std::uint8_t, Shards> unit{};
        unit[static_cast<std::size_t>(i)] = 1;
        encode_rs_char(m_codec, unit.data(), unit.data() + DataShards);
        for (int row = 0; row < ParityShards; ++row)
            m_parityMatrix[static_cast<std::size_t>(row * DataShards + i)] =
                unit[static_cast<std::size_t>(DataShards + row)];
    }
    ec_init_tables(DataShards, ParityShards, m_parityMatrix.data(), m_tables.data());
}

ReedSolomon::~ReedSolomon()
{
    free_rs_char(m_codec);
}

void ReedSolomon::encode(const std::uint8_t* const* data, std::uint8_t* const* parity,
                         std::size_t size) const
{
    ec_encode_data(static_cast<int>(size), DataShards, ParityShards,
                   const_cast<unsigned char*>(m_tables.data()), const_cast<unsigned char**>(data),
                   const_cast<unsigned char**>(parity));
}

int ReedSolomon::decodeColumn(std::uint8_t* codeword, const std::vector<int>& erasures,
                              int* where) const
{
    if (erasures.size() > static_cast<std::size_t>(ParityShards))
        return -1;
    std::copy(erasures.begin(), erasures.end(), where);
    return decode_rs_char(m_codec, codeword, where, static_cast<int>(erasures.size()));
}

// With the lost data shards L and as many surviving parity rows Q, the parity equations give
//   P[Q, L] d_L = p_Q + P[Q, not L] d_not L,
// a small square system: any square part of an MDS code's parity matrix can be inverted.
bool ReedSolomon::fillErasures(std::uint8_t* const* shards, const std::vector<int>& lost,
                               const std::vector<int>& lostParity, std::size_t size) const
{
    const int e = static_cast<int>(lost.size());
    std::vector<int> rows;
    for (int row = 0; row < ParityShards && static_cast<int>(rows.size()) < e; ++row)
        if (std::find(lostParity.begin(), lostParity.end(), DataShards + row) == lostParity.end())
            rows.push_back(row);
    if (e == 0 || static_cast<int>(rows.size()) < e)
        return e == 0;

    // The right-hand side, with the lost shards read as zeros.
    for (const int shard : lost)
        std::fill_n(shards[shard], size, std::uint8_t{0});
    std::vector<std::uint8_t> partial(static_cast<std::size_t>(e) * DataShards);
    std::vector<std::uint8_t> square(static_cast<std::size_t>(e) * e);
    for (int r = 0; r < e; ++r) {
        const std::uint8_t* row = &m_parityMatrix[static_cast<std::size_t>(rows[r]) * DataShards];
        std::copy(row, row + DataShards, &partial[static_cast<std::size_t>(r) * DataShards]);
        for (int c = 0; c < e; ++c)
            square[static_cast<std::size_t>(r * e + c)] = row[lost[static_cast<std::size_t>(c)]];
    }
    std::vector<std::uint8_t> tables(std::size_t{32} * DataShards * e);
    ec_init_tables(DataShards, e, partial.data(), tables.data());
    std::vector<std::vector<std::uint8_t>> sums(static_cast<std::size_t>(e),
                                                std::vector<std::uint8_t>(size));
    std::vector<unsigned char*> sumPointers;
    for (auto& sum : sums)
        sumPointers.push_back(sum.data());
    ec_encode_data(static_cast<int>(size), DataShards, e, tables.data(),
                   const_cast<unsigned char**>(shards), sumPointers.data());
    for (int r = 0; r < e; ++r) {
        const std::uint8_t* stored = shards[DataShards + rows[static_cast<std::size_t>(r)]];
        for (std::size_t j = 0; j < size; ++j)
            sums[static_cast<std::size_t>(r)][j] ^= stored[j];
    }

    std::vector<std::uint8_t> inverse(square.size());
    if (gf_invert_matrix(square.data(), inverse.data(), e) != 0)
        return false;
    std::vector<std::uint8_t> solveTables(std::size_t{32} * e * e);
    ec_init_tables(e, e, inverse.data(), solveTables.data());
    std::vector<unsigned char*> lostPointers;
    for (const int shard : lost)
        lostPointers.push_back(shards[shard]);
    ec_encode_data(static_cast<int>(size), e, e, solveTables.data(), sumPointers.data(),
                   lostPointers.data());
    return true;
}
