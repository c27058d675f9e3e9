#pragma once

#include "engine/BetTable.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace kestrum {

// Bet tables kept for the searches that follow, while the history stays as it is. A cache must
// not outlive a change of the draw history.
class BetTableCache {
public:
    const BetTable& table(const std::vector<std::int32_t>& seeds, BetRecipe recipe,
                          std::int32_t first, std::int32_t end, std::int32_t codeCount);

private:
    std::vector<std::unique_ptr<BetTable>> m_tables;
};

} // namespace kestrum
