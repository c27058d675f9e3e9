#include "report/PlanReport.h"

#include "base/Text.h"
#include "engine/DispatchTables.h"

namespace kestrum {

std::string reportFooter(std::string_view siteUrl) {
    std::string footer = "\r\n\r\n如果你觉得软件好用，请推荐给你的彩友们哦！软件官网:";
    footer += siteUrl;
    footer += "\r\n\r\n";
    return footer;
}

std::string planReportText(const TextSlots& planLines, std::string_view siteUrl) {
    const std::int32_t last = lastPlanLine(planLines);
    std::string text;
    for (std::int32_t i = 0; i <= last; ++i) {
        text += planLines[static_cast<std::size_t>(i)];
        text += "\r\n";
    }
    return text + reportFooter(siteUrl);
}

std::string currentFormulaText(std::int32_t formula) {
    return formatText("%03d", formula);
}

} // namespace kestrum
