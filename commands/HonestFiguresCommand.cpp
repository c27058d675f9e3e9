#include "commands/HonestFiguresCommand.h"

namespace kestrum {

void runHonestFigures(CommandContext& context, std::uint64_t ticket, PlayType type, PlanShape shape,
                      std::int32_t formula, const std::atomic<bool>* cancel) {
    const Engine& engine = context.engine;
    HonestFigures figures;
    figures.window = kEvaluationWindow;
    figures.luck = formulaLuck(engine, type, shape, formula, cancel);
    // Fewer than two stored lines: no walk of any kind can run.
    if (walkPossible(engine)) {
        figures.draws = engine.oldestIndex + 1;
        const std::vector<std::string> lines = storedLinesOldestFirst(engine);
        EvaluationRequest request;
        request.lines = lines;
        request.window = kEvaluationWindow;
        request.plays = {{type, shape}};
        Evaluation evaluation = evaluateWalkForward(request, false, {}, cancel);
        if (!evaluation.plays.empty()) {
            figures.followed = std::move(evaluation.plays.front());
        }
    }
    // A cancelled run may have stopped part way, and its figures would look whole.
    if (cancel != nullptr && cancel->load()) {
        return;
    }
    context.view.showHonestFigures(ticket, std::move(figures));
}

} // namespace kestrum
