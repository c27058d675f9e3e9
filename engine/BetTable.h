#pragma once

// The bets of every seed of a history for every formula of a range: what the walks of a search
// look up instead of multiplying.

#include "engine/PlayType.h"

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace kestrum {

// What a table holds: the bets of one recipe and codeCount for the formulas first <= k < end.
struct BetTableKind {
    BetRecipe recipe = BetRecipe::Standard;
    std::int32_t first = 0;
    std::int32_t end = 0;
    std::int32_t codeCount = 0;

    bool operator==(const BetTableKind&) const = default;
};

// Searches of several play types over the same history share the tables of the same recipe and
// codeCount through a BetTableCache.
class BetTable {
public:
    // A bet as bits: one per character it can hold, the digits 0 to 9 (bits 0 to 9) and "-",
    // and the empty text, which every bet contains.
    static constexpr std::uint16_t kMinusBit = 1u << 10;
    static constexpr std::uint16_t kEmptyBit = 1u << 11;
    // A character that no bet holds, for what a draw picks.
    static constexpr std::uint16_t kForeignBit = 1u << 12;

    // seeds: the seed values in walk order (the oldest line, then each tested draw).
    BetTable(std::vector<std::int32_t> seeds, BetRecipe recipe, std::int32_t first,
             std::int32_t end, std::int32_t codeCount);

    // Tables of several kinds over the same seeds, built in one pass: each product's chunks are
    // looked up once for all of them.
    static std::vector<std::unique_ptr<BetTable>>
    buildTogether(const std::vector<std::int32_t>& seeds, std::span<const BetTableKind> kinds);

    bool serves(const std::vector<std::int32_t>& seeds, const BetTableKind& kind) const;

    // The bets, as bits, of one seed (its index in `seeds`) for the formulas first, first + 1,
    // ... up to end − 1, followed by empty bets up to rowLength().
    const std::uint16_t* seedRow(std::size_t seedIndex) const {
        return &m_bets[seedIndex * m_rowLength];
    }
    // A multiple of kRowAlignment, so that a walk can take the formulas in blocks of that many.
    std::size_t rowLength() const { return m_rowLength; }
    static constexpr std::size_t kRowAlignment = 16;

    // The bet of any product, as bits: the same set as the text of betDigits or
    // betDigitsFiveStar, built without text.
    static std::uint16_t bet(BetRecipe recipe, std::int32_t product, std::int32_t codeCount);

    // The bets of one seed for the `count` formulas first, first + 1, ... into out[0],
    // out[stride], out[2 × stride] ...: each equal to bet(recipe, seed × formula, codeCount).
    static void tabulate(BetRecipe recipe, std::int32_t seed, std::int32_t first,
                         std::int32_t count, std::int32_t codeCount, std::uint16_t* out,
                         std::size_t stride);

    // Formula ranges up to this wide are tabulated; wider ones make each bet when needed.
    static constexpr std::int32_t kMaxFormulas = 1000;

private:
    // A table whose rows are still to be filled, in `storage` (rowLength(kind) × seeds) or in
    // storage of its own.
    BetTable(std::vector<std::int32_t> seeds, const BetTableKind& kind,
             std::shared_ptr<std::uint16_t[]> storage = {}, std::size_t offset = 0);
    static std::size_t rowLengthOf(const BetTableKind& kind);
    // Fills the rows of tables over the same seeds.
    static void fillTogether(std::span<BetTable* const> tables);

    std::vector<std::int32_t> m_seeds;
    BetTableKind m_kind;
    std::size_t m_rowLength;
    // By seed index, then formula; written once, never cleared first.
    std::shared_ptr<std::uint16_t[]> m_storage;
    std::uint16_t* m_bets;
};

} // namespace kestrum
