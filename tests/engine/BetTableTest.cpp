#include "engine/BetTable.h"

#include "engine/Formula.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <limits>
#include <random>
#include <span>
#include <string>
#include <vector>

namespace kestrum {
namespace {

// The bet pipelines written out step by step, as plainly as they read: "%d" of the product, the
// filler (or the six decimal places of "%f"), "-" dropped (standard only), each character once,
// cut to codeCount.
std::string pipelineBet(BetRecipe recipe, std::int32_t product, std::int32_t codeCount) {
    std::string text = std::to_string(product);
    if (recipe == BetRecipe::Standard) {
        text += "0918273645";
        std::erase(text, '-');
    } else {
        text += "000000";
    }
    std::string distinct;
    for (const char c : text) {
        if (distinct.find(c) == std::string::npos) {
            distinct += c;
        }
    }
    return codeCount <= 0 ? std::string() : distinct.substr(0, static_cast<std::size_t>(codeCount));
}

std::uint16_t bitsOf(const std::string& bet) {
    std::uint16_t bits = BetTable::kEmptyBit;
    for (const char c : bet) {
        bits =
            static_cast<std::uint16_t>(bits | (c == '-' ? BetTable::kMinusBit : 1u << (c - '0')));
    }
    return bits;
}

// Seeds of five digits and fewer, and any 32-bit value a malformed line can give.
std::vector<std::int32_t> someSeeds() {
    std::vector<std::int32_t> seeds{0,
                                    1,
                                    7,
                                    9999,
                                    10000,
                                    12345,
                                    99999,
                                    -1,
                                    -1234,
                                    123456789,
                                    std::numeric_limits<std::int32_t>::max(),
                                    std::numeric_limits<std::int32_t>::min()};
    std::mt19937_64 random(99);
    for (int i = 0; i < 40; ++i) {
        seeds.push_back(static_cast<std::int32_t>(random() % 100000));
    }
    for (int i = 0; i < 8; ++i) {
        seeds.push_back(static_cast<std::int32_t>(static_cast<std::uint32_t>(random())));
    }
    return seeds;
}

// The text functions follow the pipelines, and the bits hold the same characters, for products
// of every size and sign (wrapped ones too) and every codeCount from below 0 to above 10.
TEST(BetTableTest, BitsHoldTheCharactersOfTheTextBet) {
    const std::vector<std::int32_t> formulas{
        1,   2,  7,  10,    99,     100,     299,
        499, -1, -7, 20000, 200000, 2147483, std::numeric_limits<std::int32_t>::max()};
    for (const std::int32_t seed : someSeeds()) {
        for (const std::int32_t formula : formulas) {
            const auto product = static_cast<std::int32_t>(static_cast<std::uint32_t>(seed) *
                                                           static_cast<std::uint32_t>(formula));
            for (std::int32_t codeCount = -1; codeCount <= 11; ++codeCount) {
                SCOPED_TRACE(testing::Message() << seed << " x " << formula << " = " << product
                                                << ", codeCount " << codeCount);
                const std::string standard = pipelineBet(BetRecipe::Standard, product, codeCount);
                const std::string fiveStar = pipelineBet(BetRecipe::FiveStar, product, codeCount);
                ASSERT_EQ(betDigits(seed, formula, codeCount), standard);
                ASSERT_EQ(betDigitsFiveStar(seed, formula, codeCount), fiveStar);
                ASSERT_EQ(BetTable::bet(BetRecipe::Standard, product, codeCount), bitsOf(standard));
                ASSERT_EQ(BetTable::bet(BetRecipe::FiveStar, product, codeCount), bitsOf(fiveStar));
            }
        }
    }
}

// A row of bets of one seed equals the bets one by one: for the formulas a search tries, and for
// runs of formulas whose products leave five digits behind or wrap.
TEST(BetTableTest, ARowOfBetsIsTheBetOfEachProduct) {
    const std::vector<std::int32_t> firsts{1, 1000, 21470, -5, 2147483000};
    std::vector<std::uint16_t> row(500);
    for (const std::int32_t seed : someSeeds()) {
        for (const std::int32_t first : firsts) {
            const std::int32_t count = 499;
            for (const BetRecipe recipe : {BetRecipe::Standard, BetRecipe::FiveStar}) {
                for (std::int32_t codeCount = -1; codeCount <= 11; ++codeCount) {
                    BetTable::tabulate(recipe, seed, first, count, codeCount, row.data(), 1);
                    for (std::int32_t i = 0; i < count; ++i) {
                        const std::int32_t formula = first + i;
                        const auto product = static_cast<std::int32_t>(
                            static_cast<std::uint32_t>(seed) * static_cast<std::uint32_t>(formula));
                        ASSERT_EQ(row[static_cast<std::size_t>(i)],
                                  BetTable::bet(recipe, product, codeCount))
                            << seed << " x " << formula << ", codeCount " << codeCount
                            << (recipe == BetRecipe::FiveStar ? ", 五星不定位" : "");
                    }
                }
            }
        }
    }
}

// Tables built together look each product's chunks up once for all of them: each row is still
// its own recipe's and codeCount's, over its own formulas, whatever the others hold.
TEST(BetTableTest, TablesBuiltTogetherHoldTheirOwnRows) {
    const std::vector<BetTableKind> kinds{{BetRecipe::Standard, 1, 500, 6},
                                          {BetRecipe::FiveStar, 1, 300, 2},
                                          {BetRecipe::Standard, 100, 140, 5},
                                          {BetRecipe::Standard, 7, 20, 9},
                                          {BetRecipe::Standard, -12, 6, 3}};
    const std::vector<std::int32_t> seeds = someSeeds();
    // With and without the formulas whose products no longer fit in eight digits.
    for (const std::size_t count : {std::size_t{4}, kinds.size()}) {
        const std::span<const BetTableKind> some(kinds.data(), count);
        const auto tables = BetTable::buildTogether(seeds, some);
        ASSERT_EQ(tables.size(), count);
        for (std::size_t t = 0; t < count; ++t) {
            const BetTableKind& kind = kinds[t];
            ASSERT_TRUE(tables[t]->serves(seeds, kind));
            const std::int32_t formulas = kind.end - kind.first;
            std::vector<std::uint16_t> row(static_cast<std::size_t>(formulas));
            for (std::size_t i = 0; i < seeds.size(); ++i) {
                BetTable::tabulate(kind.recipe, seeds[i], kind.first, formulas, kind.codeCount,
                                   row.data(), 1);
                const std::uint16_t* held = tables[t]->seedRow(i);
                ASSERT_EQ(std::vector<std::uint16_t>(held, held + formulas), row)
                    << "table " << t << ", seed " << seeds[i];
            }
        }
    }
}

} // namespace
} // namespace kestrum
