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

// The chunk entries of the products start, start + step, ... (count of them), all below 10^8:
// the lead chunk's (0 when the product has one chunk only) and the tail chunk's. Each product
// is split afresh: a division by a constant is a multiplication, and the products do not wait
// for one another.
void chunksOfProducts(std::uint32_t start, std::uint32_t step, std::size_t count,
                      std::uint64_t* lead, std::uint64_t* tail) {
    std::uint32_t product = start;
    for (std::size_t i = 0; i < count; ++i, product += step) {
        const std::uint32_t high = product / 10000;
        const std::uint32_t low = product % 10000;
        lead[i] = high != 0 ? kChunks[high] : 0u;
        tail[i] = high != 0 ? kPaddedChunks[low] : kChunks[low];
    }
}

template <BetRecipe recipe, std::int32_t wanted>
void betsOfChunks(const std::uint64_t* lead, const std::uint64_t* tail, std::size_t count,
                  std::uint16_t* out, std::size_t stride) {
    for (std::size_t i = 0; i < count; ++i) {
        out[i * stride] = betOfTwoChunks<recipe, wanted>(lead[i], tail[i]);
    }
}

// The same with the chunks looked up on the way, for a row of products that no other table
// shares.
template <BetRecipe recipe, std::int32_t wanted>
void betsOfProducts(std::uint32_t start, std::uint32_t step, std::size_t count, std::uint16_t* out,
                    std::size_t stride) {
    std::uint32_t product = start;
    for (std::size_t i = 0; i < count; ++i, product += step) {
        const std::uint32_t high = product / 10000;
        const std::uint32_t low = product % 10000;
        const std::uint64_t lead = high != 0 ? kChunks[high] : 0u;
        const std::uint64_t tail = high != 0 ? kPaddedChunks[low] : kChunks[low];
        out[i * stride] = betOfTwoChunks<recipe, wanted>(lead, tail);
    }
}

// Calls kernel<recipe, wanted>() for a codeCount of 1 or more: 10 and above bet all ten digits.
template <BetRecipe recipe, typename Kernel>
void withWanted(std::int32_t codeCount, const Kernel& kernel) {
    switch (std::min(codeCount, 10)) {
    case 1:
        return kernel.template operator()<recipe, 1>();
    case 2:
        return kernel.template operator()<recipe, 2>();
    case 3:
        return kernel.template operator()<recipe, 3>();
    case 4:
        return kernel.template operator()<recipe, 4>();
    case 5:
        return kernel.template operator()<recipe, 5>();
    case 6:
        return kernel.template operator()<recipe, 6>();
    case 7:
        return kernel.template operator()<recipe, 7>();
    case 8:
        return kernel.template operator()<recipe, 8>();
    case 9:
        return kernel.template operator()<recipe, 9>();
    default:
        return kernel.template operator()<recipe, 10>();
    }
}

// Calls kernel<recipe, wanted>() for the recipe and codeCount, or fills `count` empty bets.
template <typename Kernel>
void withBetShape(BetRecipe recipe, std::int32_t codeCount, std::size_t count, std::uint16_t* out,
                  std::size_t stride, const Kernel& kernel) {
    if (codeCount <= 0) {
        for (std::size_t i = 0; i < count; ++i) {
            out[i * stride] = kEmptyBit;
        }
    } else if (recipe == BetRecipe::FiveStar) {
        withWanted<BetRecipe::FiveStar>(codeCount, kernel);
    } else {
        withWanted<BetRecipe::Standard>(codeCount, kernel);
    }
}

// The bets of products whose chunks are looked up already.
void betsOfChunks(BetRecipe recipe, std::int32_t codeCount, const std::uint64_t* lead,
                  const std::uint64_t* tail, std::size_t count, std::uint16_t* out,
                  std::size_t stride) {
    withBetShape(recipe, codeCount, count, out, stride, [&]<BetRecipe r, std::int32_t wanted>() {
        betsOfChunks<r, wanted>(lead, tail, count, out, stride);
    });
}

// Products of a seed and formulas first to first + count − 1 that all stay below 10^8 (five
// digits and three), read four decimal digits at a time.
constexpr std::int64_t kSmallProducts = 100000000;

bool smallProducts(std::int32_t seed, std::int32_t first, std::int64_t count) {
    return seed >= 0 && first >= 0 && std::int64_t{seed} * (first + count - 1) < kSmallProducts;
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

void BetTable::tabulate(BetRecipe recipe, std::int32_t seed, std::int32_t first, std::int32_t count,
                        std::int32_t codeCount, std::uint16_t* out, std::size_t stride) {
    if (!smallProducts(seed, first, count)) {
        for (std::int32_t i = 0; i < count; ++i) {
            out[static_cast<std::size_t>(i) * stride] =
                BetTable::bet(recipe, wrapMul(seed, first + i), codeCount);
        }
        return;
    }
    const auto step = static_cast<std::uint32_t>(seed);
    const auto start = step * static_cast<std::uint32_t>(first);
    const auto products = static_cast<std::size_t>(count);
    withBetShape(recipe, codeCount, products, out, stride, [&]<BetRecipe r, std::int32_t wanted>() {
        betsOfProducts<r, wanted>(start, step, products, out, stride);
    });
}

std::size_t BetTable::rowLengthOf(const BetTableKind& kind) {
    const auto formulas = static_cast<std::size_t>(kind.end - kind.first);
    return (formulas + kRowAlignment - 1) / kRowAlignment * kRowAlignment;
}

BetTable::BetTable(std::vector<std::int32_t> seeds, const BetTableKind& kind,
                   std::shared_ptr<std::uint16_t[]> storage, std::size_t offset)
    : m_seeds(std::move(seeds)), m_kind(kind), m_rowLength(rowLengthOf(kind)),
      m_storage(std::move(storage)) {
    if (!m_storage) {
        m_storage = std::make_shared_for_overwrite<std::uint16_t[]>(m_rowLength * m_seeds.size());
    }
    m_bets = m_storage.get() + offset;
}

BetTable::BetTable(std::vector<std::int32_t> seeds, BetRecipe recipe, std::int32_t first,
                   std::int32_t end, std::int32_t codeCount)
    : BetTable(std::move(seeds), BetTableKind{recipe, first, end, codeCount}) {
    BetTable* self = this;
    fillTogether(std::span(&self, 1));
}

std::vector<std::unique_ptr<BetTable>>
BetTable::buildTogether(const std::vector<std::int32_t>& seeds,
                        std::span<const BetTableKind> kinds) {
    // One block for them all.
    std::size_t cells = 0;
    for (const BetTableKind& kind : kinds) {
        cells += rowLengthOf(kind) * seeds.size();
    }
    const auto storage = std::make_shared_for_overwrite<std::uint16_t[]>(cells);
    std::vector<std::unique_ptr<BetTable>> tables;
    std::vector<BetTable*> filled;
    std::size_t offset = 0;
    for (const BetTableKind& kind : kinds) {
        tables.push_back(std::unique_ptr<BetTable>(new BetTable(seeds, kind, storage, offset)));
        filled.push_back(tables.back().get());
        offset += rowLengthOf(kind) * seeds.size();
    }
    fillTogether(filled);
    return tables;
}

void BetTable::fillTogether(std::span<BetTable* const> tables) {
    if (tables.empty()) {
        return;
    }
    // The formulas of all the tables, whose products' chunks are looked up once per seed.
    std::int32_t first = tables.front()->m_kind.first;
    std::int32_t end = tables.front()->m_kind.end;
    for (const BetTable* table : tables) {
        first = std::min(first, table->m_kind.first);
        end = std::max(end, table->m_kind.end);
    }
    const std::int64_t width = std::int64_t{end} - first;
    const bool together = width <= kMaxFormulas;
    std::vector<std::uint64_t> lead(together ? static_cast<std::size_t>(width) : 0);
    std::vector<std::uint64_t> tail(lead.size());
    const std::vector<std::int32_t>& seeds = tables.front()->m_seeds;
    for (std::size_t i = 0; i < seeds.size(); ++i) {
        const std::int32_t seed = seeds[i];
        const bool shared = together && smallProducts(seed, first, width);
        if (shared) {
            chunksOfProducts(static_cast<std::uint32_t>(seed) * static_cast<std::uint32_t>(first),
                             static_cast<std::uint32_t>(seed), lead.size(), lead.data(),
                             tail.data());
        }
        for (BetTable* table : tables) {
            const BetTableKind& kind = table->m_kind;
            const std::int32_t formulas = kind.end - kind.first;
            std::uint16_t* row = &table->m_bets[i * table->m_rowLength];
            if (shared) {
                const auto offset = static_cast<std::size_t>(kind.first - first);
                betsOfChunks(kind.recipe, kind.codeCount, &lead[offset], &tail[offset],
                             static_cast<std::size_t>(formulas), row, 1);
            } else {
                tabulate(kind.recipe, seed, kind.first, formulas, kind.codeCount, row, 1);
            }
            std::fill(row + formulas, row + table->m_rowLength, std::uint16_t{0});
        }
    }
}

bool BetTable::serves(const std::vector<std::int32_t>& seeds, const BetTableKind& kind) const {
    return kind == m_kind && seeds == m_seeds;
}

} // namespace kestrum
