#include "engine/BetTable.h"

#include "base/WrappingInt.h"

#include <algorithm>
#include <array>
#include <bit>
#include <string_view>
#include <utility>

namespace kestrum {

namespace {

constexpr std::uint16_t kMinusBit = BetTable::kMinusBit;
constexpr std::uint16_t kEmptyBit = BetTable::kEmptyBit;

constexpr std::string_view kFiller = "0918273645";

// fillerBits[mask][need]: the first `need` digits of the filler order that are not in mask.
using FillerTable = std::array<std::array<std::uint16_t, 11>, 1024>;

constexpr FillerTable makeFillerTable() {
    FillerTable table{};
    for (std::uint32_t mask = 0; mask < 1024; ++mask) {
        for (std::uint32_t need = 0; need <= 10; ++need) {
            std::uint32_t bits = 0;
            std::uint32_t added = 0;
            for (char c : kFiller) {
                const std::uint32_t bit = 1u << (c - '0');
                if (added < need && (mask & bit) == 0) {
                    bits |= bit;
                    ++added;
                }
            }
            table[mask][need] = static_cast<std::uint16_t>(bits);
        }
    }
    return table;
}

constexpr FillerTable kFillerBits = makeFillerTable();

// topUp[wanted][digits]: the bet of a product whose distinct digits are `digits`, when they are
// no more than `wanted` (0 to 10): the digits and the first of the filler that are not among
// them, up to `wanted` digits; for 五星不定位 the digits and a 0. One row of 2 KiB serves a
// whole table of bets.
using TopUpTable = std::array<std::array<std::uint16_t, 1024>, 11>;

constexpr TopUpTable makeTopUpTable(BetRecipe recipe) {
    TopUpTable table{};
    for (std::uint32_t wanted = 0; wanted <= 10; ++wanted) {
        for (std::uint32_t digits = 0; digits < 1024; ++digits) {
            const auto count = static_cast<std::uint32_t>(std::popcount(digits));
            std::uint32_t bits = digits;
            if (count < wanted) {
                bits |= recipe == BetRecipe::FiveStar ? 1u : kFillerBits[digits][wanted - count];
            }
            table[wanted][digits] = static_cast<std::uint16_t>(bits);
        }
    }
    return table;
}

constexpr TopUpTable kStandardTopUp = makeTopUpTable(BetRecipe::Standard);
constexpr TopUpTable kFiveStarTopUp = makeTopUpTable(BetRecipe::FiveStar);

// The decimal form of a product is read four digits at a time. For every chunk 0 to 9999 a
// table entry holds the set of its digits (bits 0 to 9), for j = 1 to 4 the set of its first j
// distinct digits in order of appearance (ten bits each from bit 16 on; a chunk with fewer
// distinct digits repeats its whole set), and the number of its distinct digits (from bit 56
// on). There is one table for a chunk as written alone and one for a chunk padded with leading
// zeros, as every chunk after the first is.
using ChunkTable = std::array<std::uint64_t, 10000>;

constexpr std::uint64_t kDigitSet = 0x3FF;

constexpr std::uint64_t prefixOf(std::uint64_t chunk, std::int32_t j) {
    return (chunk >> (16 + 10 * (j - 1))) & kDigitSet;
}

constexpr std::int32_t distinctOf(std::uint64_t chunk) {
    return static_cast<std::int32_t>(chunk >> 56);
}

constexpr ChunkTable makeChunkTable(bool padded) {
    ChunkTable table{};
    for (std::uint32_t value = 0; value < 10000; ++value) {
        std::uint32_t digits[4] = {value / 1000, value / 100 % 10, value / 10 % 10, value % 10};
        std::uint32_t first = 0;
        if (!padded) {
            while (first < 3 && digits[first] == 0) {
                ++first;
            }
        }
        std::uint64_t mask = 0;
        std::uint64_t prefixes[4] = {};
        std::uint32_t count = 0;
        for (std::uint32_t i = first; i < 4; ++i) {
            const std::uint64_t bit = 1u << digits[i];
            if ((mask & bit) == 0) {
                mask |= bit;
                prefixes[count++] = mask;
            }
        }
        std::uint64_t entry = mask | std::uint64_t{count} << 56;
        for (std::uint32_t j = 0; j < 4; ++j) {
            entry |= (j < count ? prefixes[j] : mask) << (16 + 10 * j);
        }
        table[value] = entry;
    }
    return table;
}

constexpr std::array<std::uint8_t, 2048> makeBitCounts() {
    std::array<std::uint8_t, 2048> counts{};
    for (std::uint32_t value = 0; value < counts.size(); ++value) {
        counts[value] = static_cast<std::uint8_t>(std::popcount(value));
    }
    return counts;
}

// Bits set in a set of digits and "-"; a table, since a plain build has no popcount opcode.
constexpr std::array<std::uint8_t, 2048> kBitCounts = makeBitCounts();

const ChunkTable kChunks = makeChunkTable(false);
const ChunkTable kPaddedChunks = makeChunkTable(true);

// The characters of one bet as bits, with the empty-text bit that every bet contains: the same
// set as the text of betDigits or betDigitsFiveStar, built without text. The bet is the first
// codeCount distinct characters of the product's decimal form (without "-" for the standard
// recipe), then of the filler; when the product has no more distinct characters than that,
// their order does not matter and only the filler's does. The product comes as its chunks in
// writing order, an unused leading chunk being 0.
std::uint16_t betFromChunks(BetRecipe recipe, bool minus, const std::uint64_t (&chunks)[3],
                            std::int32_t codeCount) {
    if (codeCount <= 0) {
        return kEmptyBit;
    }
    const auto present = static_cast<std::uint32_t>(
        (minus ? kMinusBit : 0u) | ((chunks[0] | chunks[1] | chunks[2]) & kDigitSet));
    const std::int32_t distinct = kBitCounts[present];
    if (distinct <= codeCount) {
        if (recipe == BetRecipe::FiveStar) {
            // The six decimal places supply a 0 after the product's own characters.
            return static_cast<std::uint16_t>(kEmptyBit | present |
                                              (distinct < codeCount ? 1u : 0u));
        }
        const std::int32_t need = std::min(codeCount - distinct, 10 - distinct);
        return static_cast<std::uint16_t>(kEmptyBit | present |
                                          kFillerBits[present][static_cast<std::size_t>(need)]);
    }

    // More distinct characters than the bet holds: the first ones in writing order. Whole
    // chunks while they fit, then the shortest prefix of the next chunk that brings the rest.
    std::uint64_t bits = minus ? kMinusBit : 0u;
    std::int32_t taken = minus ? 1 : 0;
    if (taken == codeCount) {
        return static_cast<std::uint16_t>(kEmptyBit | bits);
    }
    for (const std::uint64_t chunk : chunks) {
        const std::uint64_t added = chunk & kDigitSet & ~bits;
        const std::int32_t addedCount = kBitCounts[added];
        if (taken + addedCount < codeCount) {
            bits |= added;
            taken += addedCount;
            continue;
        }
        const std::int32_t wanted = codeCount - taken;
        for (std::int32_t j = 1; j <= 4; ++j) {
            const std::uint64_t prefix = prefixOf(chunk, j) & ~bits;
            if (kBitCounts[prefix] == wanted) {
                return static_cast<std::uint16_t>(kEmptyBit | bits | prefix);
            }
        }
    }
    return static_cast<std::uint16_t>(kEmptyBit | bits);
}

// The same for a product of at most two chunks and no "-", and a codeCount of 1 to 10 (`wanted`)
// fixed for a whole row of products. `lead` is the first chunk's entry (0 when the product has
// one chunk only), `tail` the last one's. The bet's first digits come from the lead chunk alone,
// or from all of it and the tail chunk's first new digits, then from the filler (or, for
// 五星不定位, a 0). Where the case depends on the digits it is chosen without a branch, so that
// the bets of a row overlap in the processor.
template <BetRecipe recipe, std::int32_t wanted>
std::uint16_t betOfTwoChunks(std::uint64_t lead, std::uint64_t tail) {
    const auto leadSet = static_cast<std::uint32_t>(lead & kDigitSet);
    const std::int32_t leadCount = distinctOf(lead);
    // A lead chunk has four digits at most: with up to four wanted, nearly every product of a
    // five-digit seed has enough of them there.
    if constexpr (wanted <= 4) {
        if (leadCount >= wanted) {
            return static_cast<std::uint16_t>(kEmptyBit | prefixOf(lead, wanted));
        }
    }
    const TopUpTable& topUp = recipe == BetRecipe::FiveStar ? kFiveStarTopUp : kStandardTopUp;
    if constexpr (wanted >= 8) {
        // Eight digits at most: every one of them.
        return static_cast<std::uint16_t>(
            kEmptyBit | topUp[wanted][static_cast<std::size_t>((lead | tail) & kDigitSet)]);
    } else {
        // The shortest prefix of the tail chunk that brings the digits still wanted, or all of
        // it.
        const std::int32_t stillWanted = wanted - leadCount;
        auto added = static_cast<std::uint32_t>(tail & kDigitSet) & ~leadSet;
        for (std::int32_t j = 3; j >= 1; --j) {
            const std::uint32_t prefix = static_cast<std::uint32_t>(prefixOf(tail, j)) & ~leadSet;
            added = kBitCounts[prefix] >= stillWanted ? prefix : added;
        }
        return static_cast<std::uint16_t>(kEmptyBit | topUp[wanted][leadSet | added]);
    }
}

// The products start, start + step, ... (count of them), all below 10^8. Each is split into its
// chunks afresh: a division by a constant is a multiplication, and the products do not wait for
// one another.
template <BetRecipe recipe, std::int32_t wanted>
void tabulateSmallProducts(std::uint32_t start, std::uint32_t step, std::int32_t count,
                           std::uint16_t* out, std::size_t stride) {
    std::uint32_t product = start;
    for (std::int32_t i = 0; i < count; ++i, product += step) {
        const std::uint32_t high = product / 10000;
        const std::uint32_t low = product % 10000;
        const std::uint64_t lead = high != 0 ? kChunks[high] : 0u;
        const std::uint64_t tail = high != 0 ? kPaddedChunks[low] : kChunks[low];
        out[static_cast<std::size_t>(i) * stride] = betOfTwoChunks<recipe, wanted>(lead, tail);
    }
}

template <BetRecipe recipe>
void tabulateSmallProducts(std::uint32_t start, std::uint32_t step, std::int32_t count,
                           std::int32_t codeCount, std::uint16_t* out, std::size_t stride) {
    switch (std::min(codeCount, 10)) {
    case 1:
        return tabulateSmallProducts<recipe, 1>(start, step, count, out, stride);
    case 2:
        return tabulateSmallProducts<recipe, 2>(start, step, count, out, stride);
    case 3:
        return tabulateSmallProducts<recipe, 3>(start, step, count, out, stride);
    case 4:
        return tabulateSmallProducts<recipe, 4>(start, step, count, out, stride);
    case 5:
        return tabulateSmallProducts<recipe, 5>(start, step, count, out, stride);
    case 6:
        return tabulateSmallProducts<recipe, 6>(start, step, count, out, stride);
    case 7:
        return tabulateSmallProducts<recipe, 7>(start, step, count, out, stride);
    case 8:
        return tabulateSmallProducts<recipe, 8>(start, step, count, out, stride);
    case 9:
        return tabulateSmallProducts<recipe, 9>(start, step, count, out, stride);
    default:
        return tabulateSmallProducts<recipe, 10>(start, step, count, out, stride);
    }
}

} // namespace

std::uint16_t BetTable::bet(BetRecipe recipe, std::int32_t product, std::int32_t codeCount) {
    const std::uint32_t magnitude = product < 0 ? 0u - static_cast<std::uint32_t>(product)
                                                : static_cast<std::uint32_t>(product);
    // At most 2^31: the top chunk is below 22.
    const std::uint32_t top = magnitude / 100000000;
    const std::uint32_t middle = magnitude / 10000 % 10000;
    const std::uint32_t low = magnitude % 10000;
    const bool minus = product < 0 && recipe == BetRecipe::FiveStar;
    const std::uint64_t chunks[3] = {
        top != 0 ? kChunks[top] : 0u,
        top != 0 ? kPaddedChunks[middle] : (middle != 0 ? kChunks[middle] : 0u),
        (top | middle) != 0 ? kPaddedChunks[low] : kChunks[low],
    };
    return betFromChunks(recipe, minus, chunks, codeCount);
}

// The products of a five-digit seed and a three-digit formula stay below 10^8; they are stepped
// by adding the seed, four decimal digits at a time, without a division.
void BetTable::tabulate(BetRecipe recipe, std::int32_t seed, std::int32_t first, std::int32_t count,
                        std::int32_t codeCount, std::uint16_t* out, std::size_t stride) {
    constexpr std::int64_t kStepLimit = 100000000;
    const std::int64_t last = std::int64_t{seed} * (first + count - 1);
    if (seed < 0 || first < 0 || last >= kStepLimit) {
        for (std::int32_t i = 0; i < count; ++i) {
            out[static_cast<std::size_t>(i) * stride] =
                BetTable::bet(recipe, wrapMul(seed, first + i), codeCount);
        }
        return;
    }
    if (codeCount <= 0) {
        for (std::int32_t i = 0; i < count; ++i) {
            out[static_cast<std::size_t>(i) * stride] = kEmptyBit;
        }
        return;
    }
    const auto start = static_cast<std::uint32_t>(seed) * static_cast<std::uint32_t>(first);
    const auto step = static_cast<std::uint32_t>(seed);
    if (recipe == BetRecipe::FiveStar) {
        tabulateSmallProducts<BetRecipe::FiveStar>(start, step, count, codeCount, out, stride);
    } else {
        tabulateSmallProducts<BetRecipe::Standard>(start, step, count, codeCount, out, stride);
    }
}

BetTable::BetTable(std::vector<std::int32_t> seeds, BetRecipe recipe, std::int32_t first,
                   std::int32_t end, std::int32_t codeCount)
    : m_seeds(std::move(seeds)), m_recipe(recipe), m_first(first), m_end(end),
      m_codeCount(codeCount) {
    const std::int32_t formulas = end - first;
    m_rowLength =
        (static_cast<std::size_t>(formulas) + kRowAlignment - 1) / kRowAlignment * kRowAlignment;
    m_bets = std::make_unique_for_overwrite<std::uint16_t[]>(m_rowLength * m_seeds.size());
    for (std::size_t i = 0; i < m_seeds.size(); ++i) {
        std::uint16_t* row = &m_bets[i * m_rowLength];
        tabulate(recipe, m_seeds[i], first, formulas, codeCount, row, 1);
        std::fill(row + formulas, row + m_rowLength, std::uint16_t{0});
    }
}

bool BetTable::serves(const std::vector<std::int32_t>& seeds, BetRecipe recipe, std::int32_t first,
                      std::int32_t end, std::int32_t codeCount) const {
    return recipe == m_recipe && first == m_first && end == m_end && codeCount == m_codeCount &&
           seeds == m_seeds;
}

} // namespace kestrum
