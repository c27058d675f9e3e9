#pragma once

// The plan report: the text of the report pane for one play type, built from that play type's
// plan lines, and the text of the 当前公式 box.

#include "draws/DrawStore.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace kestrum {

// Lines 0 to the last non-empty one among 0 to 255, each followed by CR LF (the running plan's
// line carries its own, so an empty line follows it), then the footer with the site address.
// All lines empty: the footer alone.
std::string planReportText(const TextSlots& planLines, std::string_view siteUrl);

// The footer that ends every report.
std::string reportFooter(std::string_view siteUrl);

// A formula as the 当前公式 box shows it: "%03d" (7 is 007, 0 is 000).
std::string currentFormulaText(std::int32_t formula);

} // namespace kestrum
