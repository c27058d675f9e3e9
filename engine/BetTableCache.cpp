#include "engine/BetTableCache.h"

#include <algorithm>

namespace kestrum {

const BetTable& BetTableCache::table(const std::vector<std::int32_t>& seeds,
                                     const BetTableKind& kind) {
    for (const auto& table : m_tables) {
        if (table->serves(seeds, kind)) {
            return *table;
        }
    }
    m_tables.push_back(
        std::make_unique<BetTable>(seeds, kind.recipe, kind.first, kind.end, kind.codeCount));
    return *m_tables.back();
}

void BetTableCache::prepare(const std::vector<std::int32_t>& seeds,
                            std::span<const BetTableKind> kinds) {
    std::vector<BetTableKind> missing;
    for (const BetTableKind& kind : kinds) {
        const bool held = std::any_of(m_tables.begin(), m_tables.end(), [&](const auto& table) {
            return table->serves(seeds, kind);
        });
        if (!held && std::find(missing.begin(), missing.end(), kind) == missing.end()) {
            missing.push_back(kind);
        }
    }
    for (auto& table : BetTable::buildTogether(seeds, missing)) {
        m_tables.push_back(std::move(table));
    }
}

} // namespace kestrum
