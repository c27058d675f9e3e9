#include "platform/LocalTime.h"

#include <time.h>

namespace kestrum {

std::tm toLocalTime(std::time_t seconds) {
    // localtime_s, unlike std::localtime, shares no buffer between threads.
    std::tm local{};
    if (localtime_s(&local, &seconds) != 0) {
        return std::tm{};
    }
    return local;
}

} // namespace kestrum
