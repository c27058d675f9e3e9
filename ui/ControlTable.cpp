#include "ui/ControlTable.h"

#include "draws/LotteryTable.h"

#include <algorithm>
#include <array>
#include <stdexcept>

namespace kestrum {

namespace {

using Kind = ControlKind;

constexpr ControlRow playTypeRow(std::int32_t id, PlayType type, std::int32_t x, std::int32_t y,
                                 std::int32_t width, std::int32_t height) {
    return {ControlId{id}, Kind::PlayTypeOption, {}, x, y, width, height, type, 0};
}

constexpr ControlRow lotteryRow(std::int32_t number, std::int32_t x, std::int32_t y,
                                std::int32_t width, std::int32_t height) {
    // The id comes from the lottery table when the rows are first asked for.
    return {ControlId::None, Kind::LotteryOption, {}, x, y, width, height, PlayType::Hou1, number};
}

// clang-format off
constexpr std::array<ControlRow, 33> kRows{{
    playTypeRow(1002, PlayType::Hou1, 19, 184, 35, 14),
    playTypeRow(1003, PlayType::Hou2, 67, 184, 35, 15),
    playTypeRow(1004, PlayType::SanXing, 118, 183, 35, 18),
    playTypeRow(1005, PlayType::Hou3Any, 167, 186, 52, 13),
    playTypeRow(1006, PlayType::WuXingAny, 234, 183, 56, 18),
    {ControlId::CodeCount, Kind::Edit, "码数", 525, 110, 55, 17},
    {ControlId::PlanPeriods, Kind::Edit, "期数", 525, 133, 56, 17},
    {ControlId::Search, Kind::Button, "搜索公式", 587, 110, 59, 40},
    {ControlId::None, Kind::Label, "期数：", 492, 136, 25, 12},
    {ControlId::None, Kind::Label, "码数：", 492, 115, 28, 12},
    {ControlId::DrawList, Kind::DrawList, "开奖号码", 7, 212, 108, 244},
    {ControlId::Report, Kind::Report, "计划", 133, 211, 347, 245},
    {ControlId::TopPanel, Kind::WebPanel, "网页", 7, 7, 650, 93},
    {ControlId::RightPanel, Kind::WebPanel, "网页", 490, 212, 160, 244},
    {ControlId::None, Kind::Label, "当前公式：", 477, 161, 42, 10},
    {ControlId::Formula, Kind::Edit, "当前公式", 524, 158, 56, 17},
    playTypeRow(1018, PlayType::ShiWei, 304, 184, 34, 15),
    playTypeRow(1019, PlayType::BaiWei, 353, 184, 33, 15),
    playTypeRow(1020, PlayType::QianWei, 402, 184, 34, 15),
    playTypeRow(1021, PlayType::WanWei, 443, 186, 36, 13),
    playTypeRow(1022, PlayType::QianSanXing, 485, 184, 33, 15),
    {ControlId::UseFormula, Kind::Button, "使用已有公式", 588, 156, 59, 21},
    lotteryRow(1, 16, 110, 57, 15),
    lotteryRow(2, 88, 110, 57, 15),
    lotteryRow(3, 163, 110, 61, 15),
    lotteryRow(4, 240, 109, 54, 18),
    lotteryRow(6, 310, 140, 55, 16),
    lotteryRow(5, 310, 108, 56, 20),
    lotteryRow(7, 17, 139, 58, 16),
    lotteryRow(8, 88, 139, 58, 16),
    lotteryRow(9, 162, 139, 54, 17),
    lotteryRow(10, 238, 142, 52, 13),
    {ControlId::None, Kind::Separator, {}, 13, 161, 457, 12},
}};
// clang-format on

} // namespace

std::span<const ControlRow> controlRows() {
    static const std::array<ControlRow, kRows.size()> rows = [] {
        std::array<ControlRow, kRows.size()> filled = kRows;
        for (ControlRow& row : filled) {
            if (row.kind == Kind::LotteryOption) {
                row.id = ControlId{lotteryByNumber(row.lottery).button};
            }
        }
        return filled;
    }();
    return rows;
}

ControlId playTypeOption(PlayType type) {
    const auto rows = controlRows();
    const auto row = std::find_if(rows.begin(), rows.end(), [type](const ControlRow& r) {
        return r.kind == Kind::PlayTypeOption && r.playType == type;
    });
    if (row == rows.end()) {
        throw std::out_of_range("no option for the play type");
    }
    return row->id;
}

ControlId lotteryOption(std::int32_t number) {
    return ControlId{lotteryByNumber(number).button};
}

std::string_view captionOf(const ControlRow& row) {
    switch (row.kind) {
    case Kind::PlayTypeOption:
        return playTypeInfo(row.playType).button;
    case Kind::LotteryOption:
        return lotteryByNumber(row.lottery).label;
    default:
        return row.text;
    }
}

bool takesTabFocus(ControlKind kind) {
    return kind == Kind::Edit || kind == Kind::Button || kind == Kind::DrawList ||
           kind == Kind::Report || kind == Kind::WebPanel;
}

} // namespace kestrum
