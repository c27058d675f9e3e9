#pragma once

#include "engine/BetTable.h"

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace kestrum {

// Bet tables kept for the searches that follow, while the history stays as it is. A cache must
// not outlive a change of the draw history.
class BetTableCache {
public:
    const BetTable& table(const std::vector<std::int32_t>& seeds, const BetTableKind& kind);

    // Builds the tables of these kinds that the cache does not hold yet, together.
    void prepare(const std::vector<std::int32_t>& seeds, std::span<const BetTableKind> kinds);

private:
    std::vector<std::unique_ptr<BetTable>> m_tables;
};

} // namespace kestrum
