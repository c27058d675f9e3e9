#include "engine/PlayType.h"

namespace kestrum {

namespace {

constexpr DigitPick end(std::int32_t place) {
    return {true, place};
}
constexpr DigitPick start(std::int32_t place) {
    return {false, place};
}

constexpr std::string_view kWon = " 期中 ";

// clang-format off
const std::array<PlayTypeInfo, kPlayTypeCount> kPlayTypes{{
    {PlayType::Hou1, "后一", "后一", PlayFamily::SinglePosition, {end(1)}, 1,
     HitRule::All, BetRecipe::Standard, PlanStart::SeedFolded, "  期中 ", false, 3, 6},
    {PlayType::Hou2, "后二", "后二", PlayFamily::Group, {end(1), end(2)}, 2,
     HitRule::All, BetRecipe::Standard, PlanStart::SeedFolded, kWon, true, 3, 8},
    {PlayType::SanXing, "三星", "后三", PlayFamily::Group, {end(1), end(2), end(3)}, 3,
     HitRule::All, BetRecipe::Standard, PlanStart::One, kWon, false, 4, 8},
    {PlayType::Hou3Any, "后三不定位", "后三不定位", PlayFamily::AnyPosition,
     {end(1), end(2), end(3)}, 3,
     HitRule::Any, BetRecipe::Standard, PlanStart::Seed, kWon, false, 3, 2},
    {PlayType::WuXingAny, "五星不定位", "五星不定位", PlayFamily::AnyPosition,
     {start(1), start(2), start(3), end(1), end(2)}, 5,
     HitRule::Any, BetRecipe::FiveStar, PlanStart::Seed, kWon, false, 3, 2},
    {PlayType::ShiWei, "十位", "十位", PlayFamily::SinglePosition, {end(2)}, 1,
     HitRule::All, BetRecipe::Standard, PlanStart::SeedFolded, kWon, false, 3, 6},
    {PlayType::BaiWei, "百位", "百位", PlayFamily::SinglePosition, {end(3)}, 1,
     HitRule::All, BetRecipe::Standard, PlanStart::SeedFolded, kWon, false, 3, 6},
    {PlayType::QianWei, "千位", "千位", PlayFamily::SinglePosition, {end(4)}, 1,
     HitRule::All, BetRecipe::Standard, PlanStart::SeedFolded, kWon, false, 3, 6},
    {PlayType::WanWei, "万位", "万位", PlayFamily::SinglePosition, {start(1)}, 1,
     HitRule::All, BetRecipe::Standard, PlanStart::SeedFolded, kWon, false, 3, 6},
    {PlayType::QianSanXing, "前三星", "前三", PlayFamily::Group,
     {start(1), start(2), start(3)}, 3,
     HitRule::All, BetRecipe::Standard, PlanStart::One, kWon, false, 3, 8},
}};
// clang-format on

const std::array<PlayType, kPlayTypeCount> kAllPlayTypes{
    PlayType::Hou1,   PlayType::Hou2,   PlayType::SanXing, PlayType::Hou3Any, PlayType::WuXingAny,
    PlayType::ShiWei, PlayType::BaiWei, PlayType::QianWei, PlayType::WanWei,  PlayType::QianSanXing,
};

} // namespace

const PlayTypeInfo& playTypeInfo(PlayType type) {
    return kPlayTypes.at(slotOf(type));
}

const std::array<PlayType, kPlayTypeCount>& allPlayTypes() {
    return kAllPlayTypes;
}

} // namespace kestrum
