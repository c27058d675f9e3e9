#include "platform/LocalTime.h"

namespace kestrum {

std::tm toLocalTime(std::time_t seconds) {
    // localtime_r, unlike std::localtime, shares no buffer between threads.
    std::tm local{};
    if (::localtime_r(&seconds, &local) == nullptr) {
        return std::tm{};
    }
    return local;
}

} // namespace kestrum
