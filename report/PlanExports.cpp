#include "report/PlanExports.h"

namespace kestrum {

namespace {

const std::array<PlanExportFile, 9> kExportFiles{{
    {"geweizd.txt", PlayType::Hou1},
    {"h2zd.txt", PlayType::Hou2},
    {"shiweizd.txt", PlayType::ShiWei},
    {"baiweizd.txt", PlayType::BaiWei},
    {"qianweizd.txt", PlayType::QianWei},
    {"wanweizd.txt", PlayType::WanWei},
    {"h3zd.txt", PlayType::SanXing},
    {"h3bzd.txt", PlayType::Hou3Any},
    {"h5bzd.txt", PlayType::WuXingAny},
}};

} // namespace

const std::array<PlanExportFile, 9>& planExportFiles() {
    return kExportFiles;
}

std::string planExportText(const TextSlots& planLines, std::string_view promoText) {
    const std::int32_t last = lastPlanLine(planLines);
    auto line = [&](std::int32_t index) -> std::string_view {
        return index < 0 ? std::string_view() : planLines[static_cast<std::size_t>(index)];
    };
    std::string text;
    text += line(last - 1); // normally the running plan, with its CR LF
    text += line(last - 2); // the newest finished plan
    text += "\r\n";
    text += line(last - 3); // the finished plan before it
    text += promoText;
    return text;
}

PlanExportResults writePlanExports(const PlanLinesTable& planLines, std::string_view promoText,
                                   const std::filesystem::path& directory) {
    PlanExportResults results;
    for (std::size_t i = 0; i < kExportFiles.size(); ++i) {
        const PlanExportFile& file = kExportFiles[i];
        results[i] = writeTextFile(directory / file.fileName,
                                   planExportText(planLines[slotOf(file.type)], promoText));
    }
    return results;
}

} // namespace kestrum
