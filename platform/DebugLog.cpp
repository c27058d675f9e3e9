#include "platform/DebugLog.h"

#include <cstdio>

namespace kestrum {

void debugLog(std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fflush(stderr);
}

} // namespace kestrum
