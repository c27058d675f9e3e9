#include "engine/BetTableCache.h"

namespace kestrum {

const BetTable& BetTableCache::table(const std::vector<std::int32_t>& seeds, BetRecipe recipe,
                                     std::int32_t first, std::int32_t end, std::int32_t codeCount) {
    for (const auto& table : m_tables) {
        if (table->serves(seeds, recipe, first, end, codeCount)) {
            return *table;
        }
    }
    m_tables.push_back(std::make_unique<BetTable>(seeds, recipe, first, end, codeCount));
    return *m_tables.back();
}

} // namespace kestrum
