#include "engine/BetTableCache.h"

#include <algorithm>

namespace kestrum {

const BetTable& BetTableCache::table(const std::vector<std::int32_t>& seeds,
                                     const BetTableSpec& spec) {
    for (const auto& table : m_tables) {
        if (table->serves(seeds, spec)) {
            return *table;
        }
    }
    m_tables.push_back(
        std::make_unique<BetTable>(seeds, spec.recipe, spec.first, spec.end, spec.codeCount));
    return *m_tables.back();
}

void BetTableCache::prepare(const std::vector<std::int32_t>& seeds,
                            std::span<const BetTableSpec> specs) {
    std::vector<BetTableSpec> missing;
    for (const BetTableSpec& spec : specs) {
        const bool held = std::any_of(m_tables.begin(), m_tables.end(), [&](const auto& table) {
            return table->serves(seeds, spec);
        });
        if (!held && std::find(missing.begin(), missing.end(), spec) == missing.end()) {
            missing.push_back(spec);
        }
    }
    for (auto& table : BetTable::buildTogether(seeds, missing)) {
        m_tables.push_back(std::move(table));
    }
}

} // namespace kestrum
