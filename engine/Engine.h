#pragma once

// The one aggregate that holds every table of the engine. The application owns exactly one; the
// operations are free functions that take it by reference. Operations of the draw store take
// its DrawStore part.

#include "draws/DrawStore.h"
#include "engine/DispatchTables.h"
#include "engine/EngineState.h"

namespace kestrum {

struct Engine : DrawStore, EngineState, DispatchTables {};

} // namespace kestrum
