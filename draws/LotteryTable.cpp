#include "draws/LotteryTable.h"

#include <stdexcept>

namespace kestrum {

namespace {

// Note the crossed pair: 迪拜五分彩 is number 5 on button 1028, 迪拜分分彩 number 6 on 1027.
// clang-format off
constexpr std::array<LotterySource, kLotteryRows> kLotteries{{
    {1023, "重庆时时彩", 1, FeedHost::First, "/ssckj/cq.txt", 120, 12, 4, 35000, "/add/vnadd1.html", false},
    {1024, "江西时时彩", 2, FeedHost::Second, "/ssckj/jx.txt", 84, 12, 3, 35000, "/add/vnadd1.html", false},
    {1025, "新疆时时彩", 3, FeedHost::First, "/ssckj/xj.txt", 96, 12, 3, 35000, "/add/vnadd1.html", false},
    {1026, "天津时时彩", 4, FeedHost::Second, "/ssckj/tj.txt", 84, 12, 3, 35000, "/add/vnadd1.html", false},
    {1028, "迪拜五分彩", 5, FeedHost::Second, "/dbwfc.txt", 288, 12, 4, 35000, "/add/ptadd.html", false},
    {1027, "迪拜分分彩", 6, FeedHost::Second, "/dbffc.txt", 1440, 13, 5, 10000, "/add/ptadd.html", false},
    {1032, "印尼分分彩", 7, FeedHost::First, "/ynffc.txt", 1440, 13, 5, 10000, "/add/vnadd99.html", true},
    {1033, "河内分分彩", 8, FeedHost::First, "/hnffc.txt", 1440, 13, 5, 10000, "/add/vnaddxc.html", true},
    {1034, "泰国分分彩", 9, FeedHost::First, "/tlffc.txt", 1440, 13, 5, 10000, "/add/vnaddhc.html", true},
    {1035, "西贡分分彩", 10, FeedHost::First, "/xgffc.txt", 1440, 13, 5, 10000, "/add/vnaddqy.html", true},
}};
// clang-format on

} // namespace

const std::array<LotterySource, kLotteryRows>& lotteryTable() {
    return kLotteries;
}

const LotterySource& lotteryByNumber(std::int32_t number) {
    if (number < 1 || number > static_cast<std::int32_t>(kLotteryRows)) {
        throw std::out_of_range("no lottery of that number");
    }
    return kLotteries[static_cast<std::size_t>(number - 1)];
}

std::string feedUrlOf(const LotterySource& lottery, const FeedHosts& hosts) {
    const std::string& host = lottery.host == FeedHost::First ? hosts.first : hosts.second;
    return host + std::string(lottery.feedPath);
}

std::size_t printedPeriodWidth(std::int32_t drawsPerDay) {
    return drawsPerDay == 1440 ? 4 : 3;
}

std::string formatPeriod(std::int32_t period, std::int32_t drawsPerDay) {
    // "%04d" or "%03d": the sign first, then the digits padded with zeros to the width less
    // the sign.
    std::string digits = std::to_string(period);
    const std::size_t width = printedPeriodWidth(drawsPerDay);
    const std::size_t sign = period < 0 ? 1u : 0u;
    if (digits.size() < width) {
        digits.insert(sign, width - digits.size(), '0');
    }
    return digits;
}

} // namespace kestrum
