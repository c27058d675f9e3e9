#include "commands/AccuracyCommand.h"

#include "engine/FormulaAccuracy.h"

namespace kestrum {

void runFormulaAccuracies(CommandContext& context, std::uint64_t ticket, PlayType type,
                          PlanShape shape, std::int32_t formula) {
    context.view.showAccuracies(ticket, formulaAccuracies(context.engine, type, shape, formula));
}

} // namespace kestrum
