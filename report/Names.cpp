#include "report/Names.h"

#include <array>

namespace kestrum {

namespace {

// In slot order, like allPlayTypes().
constexpr std::array<std::string_view, kPlayTypeCount> kAsciiNames{
    "h1", "h2", "h3", "h3b", "h5b", "shi", "bai", "qian", "wan", "q3",
};

} // namespace

std::string feedName(const LotterySource& lottery) {
    std::string_view name = lottery.feedPath;
    if (const std::size_t slash = name.rfind('/'); slash != std::string_view::npos) {
        name.remove_prefix(slash + 1);
    }
    if (const std::size_t dot = name.rfind('.'); dot != std::string_view::npos) {
        name = name.substr(0, dot);
    }
    return std::string(name);
}

std::optional<std::int32_t> lotteryNamed(std::string_view text) {
    for (const LotterySource& lottery : lotteryTable()) {
        if (text == std::to_string(lottery.number) || text == feedName(lottery) ||
            text == lottery.label) {
            return lottery.number;
        }
    }
    return std::nullopt;
}

std::string_view asciiName(PlayType type) {
    return kAsciiNames.at(slotOf(type));
}

std::optional<PlayType> playTypeNamed(std::string_view text) {
    for (PlayType type : allPlayTypes()) {
        const PlayTypeInfo& info = playTypeInfo(type);
        if (text == asciiName(type) || text == info.button || text == info.label) {
            return type;
        }
    }
    return std::nullopt;
}

std::string lotteryNamesText() {
    std::string names = "1 to 10, ";
    std::string captions;
    for (const LotterySource& lottery : lotteryTable()) {
        names += feedName(lottery) + ", ";
        captions += captions.empty() ? "" : ", ";
        captions += lottery.label;
    }
    return names.substr(0, names.size() - 2) + " or " + captions;
}

std::string playTypeNamesText() {
    std::string names;
    for (PlayType type : allPlayTypes()) {
        names += names.empty() ? "" : ", ";
        names += std::string(asciiName(type)) + " (" + std::string(playTypeInfo(type).button) + ")";
    }
    return names;
}

} // namespace kestrum
