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

// The key of a column of 16 bytes, `stride` apart from `first`: its rows 1 and 2 over row 0.
std::size_t ratios(const std::uint8_t* column, int stride, int first)
{
    const std::uint8_t inverse = gf_inv(column[first]);
    return std::size_t{gf_mul(column[stride + first], inverse)} * 256 +
           gf_mul(column[2 * stride + first], inverse);
}

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
    m_positionOfRatios.assign(256 * 256, -1);
    for (int i = 0; i < DataShards; ++i) {
        std::int16_t& slot = m_positionOfRatios[ratios(m_parityMatrix.data(), DataShards, i)];
        slot = slot == -1 ? static_cast<std::int16_t>(i) : std::int16_t{-2};
    }
}

bool ReedSolomon::singleError(const std::uint8_t* difference, int& position,
                              std::uint8_t& magnitude) const
{
    int nonzero = 0;
    for (int row = 0; row < ParityShards; ++row)
        nonzero += difference[row] != 0;
    if (nonzero == 1) { // a parity byte alone: every data byte weighs in every row
        for (int row = 0; row < ParityShards; ++row)
            if (difference[row] != 0) {
                position = DataShards + row;
                magnitude = difference[row];
            }
        return true;
    }
    if (nonzero != ParityShards)
        return false;
    const int i = m_positionOfRatios[ratios(difference, 1, 0)];
    if (i < 0)
        return false;
    // The error e at i makes row r differ by P[r][i] * e; every row must agree.
    const std::uint8_t e =
        gf_mul(difference[0], gf_inv(m_parityMatrix[static_cast<std::size_t>(i)]));
    for (int row = 0; row < ParityShards; ++row)
        if (gf_mul(m_parityMatrix[static_cast<std::size_t>(row * DataShards + i)], e) !=
            difference[row])
            return false;
    position = i;
    magnitude = e;
    return true;
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
