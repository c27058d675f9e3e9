#include "draws/LotterySources.h"

#include <iterator>
#include <variant>

namespace kestrum {

namespace {

const SourceSettings* settingsOf(std::int32_t number, const SourcesByName& sources) {
    if (number < 1 || number > static_cast<std::int32_t>(std::size(kSourceFeedNames))) {
        return nullptr;
    }
    const auto found =
        sources.find(std::string(kSourceFeedNames[static_cast<std::size_t>(number - 1)]));
    return found == sources.end() ? nullptr : &found->second;
}

} // namespace

std::optional<DrawSourceEntry> drawSourceOf(std::int32_t number, const SourcesByName& sources,
                                            const FeedHosts& hosts) {
    const SourceSettings* source = settingsOf(number, sources);
    if (source == nullptr) {
        return std::nullopt;
    }
    const LotterySource& lottery = lotteryByNumber(number);
    DrawSourceEntry entry;
    entry.feedUrl = feedUrlOf(lottery, hosts);
    entry.url = source->url.value_or(entry.feedUrl);
    entry.headers.assign(source->headers.begin(), source->headers.end());
    entry.mapping = {source->format, source->records, source->period, source->digits};
    entry.drawsPerDay = lottery.drawsPerDay;
    entry.name = "sources." + std::string(kSourceFeedNames[static_cast<std::size_t>(number - 1)]);
    return entry;
}

std::vector<DrawSourceEntry> drawSourcesOf(const SourcesByName& sources, const FeedHosts& hosts) {
    std::vector<DrawSourceEntry> entries;
    for (std::int32_t number = 1; number <= static_cast<std::int32_t>(std::size(kSourceFeedNames));
         ++number) {
        if (auto entry = drawSourceOf(number, sources, hosts)) {
            entries.push_back(std::move(*entry));
        }
    }
    return entries;
}

std::optional<DrawSchedule> drawScheduleOf(std::int32_t number, const SourcesByName& sources) {
    const SourceSettings* source = settingsOf(number, sources);
    if (source == nullptr || source->schedule.empty()) {
        return std::nullopt;
    }
    auto parsed = parseDrawSchedule(source->schedule);
    if (auto* schedule = std::get_if<DrawSchedule>(&parsed)) {
        return std::move(*schedule);
    }
    return std::nullopt;
}

} // namespace kestrum
