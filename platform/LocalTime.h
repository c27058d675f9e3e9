#pragma once

// The local time of the machine's time zone, for lines that people read (log timestamps).

#include <ctime>

namespace kestrum {

// `seconds` since the epoch as a calendar time in the local time zone; all fields 0 when the
// system cannot convert it.
std::tm toLocalTime(std::time_t seconds);

} // namespace kestrum
