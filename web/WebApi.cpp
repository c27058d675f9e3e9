#include "web/WebApi.h"

#include "base/Utf8Path.h"
#include "draws/LotteryTable.h"
#include "report/Names.h"
#include "report/PlanReport.h"
#include "report/PlanTally.h"

#include <chrono>
#include <nlohmann/json.hpp>

namespace kestrum::web {

namespace {

using json = nlohmann::ordered_json;

std::string dumped(const json& value) {
    return value.dump(-1, ' ', false, json::error_handler_t::replace);
}

// Milliseconds since the epoch, as a browser's Date takes them.
std::int64_t epochMillis(std::chrono::system_clock::time_point when) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(when.time_since_epoch()).count();
}

json playsJson(const LotteryPage& page) {
    json plays = json::array();
    for (const PlayType type : allPlayTypes()) {
        const std::size_t slot = slotOf(type);
        const PlanRecordSet& records = page.plans.planRecords[slot];
        const PlanTally tally = tallyPlans(records);
        json running = nullptr;
        if (!records.plans.empty() && records.plans.back().outcome == PlanOutcome::Running) {
            const PlanRecord& plan = records.plans.back();
            const std::int32_t periods = page.plans.planParams[slot].planPeriods;
            running = {{"first_period", plan.firstPeriod},
                       {"last_period", plan.lastPeriod},
                       {"bet", plan.bet},
                       {"periods_left", periods > 0 ? std::max(periods - plan.played, 0) : 0}};
        }
        const std::int32_t finished = tally.wins + tally.losses;
        plays.push_back({
            {"play", playTypeInfo(type).button},
            {"name", asciiName(type)},
            {"formula", page.plans.formulas[slot]},
            {"code_count", page.plans.planParams[slot].codeCount},
            {"plan_periods", page.plans.planParams[slot].planPeriods},
            {"running", running},
            {"wins", tally.wins},
            {"losses", tally.losses},
            {"current_losing_run", tally.currentLosingRun},
            {"accuracy", tally.accuracy},
            {"win_rate", finished == 0 ? 0.0 : 100.0 * tally.wins / finished},
            {"chance_accuracy", page.chance[slot].chanceAccuracy},
            {"p_value", page.chance[slot].pValue},
            {"best_of_search_p", page.chance[slot].bestOfSearchP},
        });
    }
    return plays;
}

std::optional<std::int32_t> integerField(const json& body, const char* name) {
    const auto field = body.find(name);
    if (field == body.end() || !field->is_number_integer()) {
        return std::nullopt;
    }
    const std::int64_t value = field->get<std::int64_t>();
    if (value < INT32_MIN || value > INT32_MAX) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(value);
}

std::variant<json, std::string> objectBody(std::string_view body) {
    json parsed = json::parse(body.begin(), body.end(), nullptr, false);
    if (parsed.is_discarded() || !parsed.is_object()) {
        return std::string("the body is no JSON object");
    }
    return parsed;
}

std::variant<PlayType, std::string> playField(const json& body) {
    const auto play = body.find("play");
    if (play == body.end() || !play->is_string()) {
        return std::string("\"play\" must name a play type (h1, h2, h3, h3b, h5b, shi, bai, qian, "
                           "wan, q3)");
    }
    if (const std::optional<PlayType> type = playTypeNamed(play->get<std::string>())) {
        return *type;
    }
    return "no play type is called \"" + play->get<std::string>() + "\"";
}

} // namespace

std::string overviewJson(const PlanBoard& board, std::string_view siteUrl) {
    json lotteries = json::array();
    for (const std::int32_t number : board.lotteries()) {
        const LotterySource& lottery = lotteryByNumber(number);
        const std::shared_ptr<const LotteryPage> page = board.page(number);
        json entry = {{"number", number},
                      {"feed", feedName(lottery)},
                      {"caption", lottery.label},
                      {"loaded", page != nullptr}};
        if (page) {
            entry["draws"] = {{"count", page->draws.count}, {"newest", page->draws.newest}};
            entry["next_due"] = page->nextDue ? json(epochMillis(*page->nextDue)) : json(nullptr);
            entry["draw_lines"] = page->drawLines;
            entry["folder"] = utf8FromPath(page->folder);
            entry["footer"] = reportFooter(siteUrl);
            entry["plays"] = playsJson(*page);
        }
        lotteries.push_back(std::move(entry));
    }
    return dumped({{"lotteries", lotteries}});
}

std::string errorJson(std::string_view message) {
    return dumped({{"error", message}});
}

std::variant<SearchBody, std::string> parseSearchBody(std::string_view text) {
    std::variant<json, std::string> body = objectBody(text);
    if (auto* error = std::get_if<std::string>(&body)) {
        return *error;
    }
    const json& object = std::get<json>(body);
    std::variant<PlayType, std::string> type = playField(object);
    if (auto* error = std::get_if<std::string>(&type)) {
        return *error;
    }
    const std::optional<std::int32_t> codes = integerField(object, "code_count");
    if (!codes || *codes < 1 || *codes > 9) {
        return std::string("\"code_count\" (码数) must be a whole number from 1 to 9");
    }
    const std::optional<std::int32_t> periods = integerField(object, "plan_periods");
    if (!periods || *periods < 1 || *periods > 99) {
        return std::string("\"plan_periods\" (期数) must be a whole number from 1 to 99");
    }
    return SearchBody{std::get<PlayType>(type), PlanShape{*periods, *codes}};
}

std::variant<FormulaBody, std::string> parseFormulaBody(std::string_view text) {
    std::variant<json, std::string> body = objectBody(text);
    if (auto* error = std::get_if<std::string>(&body)) {
        return *error;
    }
    const json& object = std::get<json>(body);
    std::variant<PlayType, std::string> type = playField(object);
    if (auto* error = std::get_if<std::string>(&type)) {
        return *error;
    }
    const std::optional<std::int32_t> formula = integerField(object, "formula");
    if (!formula || *formula < 1) {
        return std::string("\"formula\" must be a whole number from 1 to 2147483647");
    }
    return FormulaBody{std::get<PlayType>(type), *formula};
}

std::variant<std::string, std::string> parseLoginBody(std::string_view text) {
    std::variant<json, std::string> body = objectBody(text);
    if (auto* error = std::get_if<1>(&body)) {
        return std::variant<std::string, std::string>(std::in_place_index<1>, *error);
    }
    const json& object = std::get<json>(body);
    const auto password = object.find("password");
    if (password == object.end() || !password->is_string()) {
        return std::variant<std::string, std::string>(std::in_place_index<1>,
                                                      "\"password\" must be a text");
    }
    return std::variant<std::string, std::string>(std::in_place_index<0>,
                                                  password->get<std::string>());
}

std::optional<std::int32_t> servedLottery(const PlanBoard& board, std::string_view feed) {
    for (const std::int32_t number : board.lotteries()) {
        if (feedName(lotteryByNumber(number)) == feed) {
            return number;
        }
    }
    return std::nullopt;
}

std::string eventJson(const PlanBoard::Event& event) {
    return dumped({{"feed", feedName(lotteryByNumber(event.lottery))}, {"newest", event.newest}});
}

} // namespace kestrum::web
