#pragma once

// The walk-forward evaluation done the plain way, as the tests' yardstick: at every step the
// window's lines go into an engine of their own and searchFormulas runs there. Far too slow for
// long histories, and plainly right.

#include "stats/WalkForward.h"

namespace kestrum::test {

// The same result as evaluateWalkForward, on the calling thread (request.threads is ignored).
Evaluation evaluateWalkForwardLiterally(const EvaluationRequest& request, bool keepSteps = false);

} // namespace kestrum::test
