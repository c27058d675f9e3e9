#pragma once

// The web interface's JSON beyond kestrum-cli's: the overview of every lottery served, the
// checks of a request's body, and an error as JSON.

#include "engine/DispatchTables.h"
#include "engine/PlayType.h"
#include "web/PlanBoard.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace kestrum::web {

// GET /api/lotteries: per lottery its newest draw, when the next is due, and per play type the
// formula in use, the running plan, the losing run and the accuracy beside chance's; the draw
// lines, the report's footer and the files' folder for its own page.
std::string overviewJson(const PlanBoard& board, std::string_view siteUrl);

// {"error": message}.
std::string errorJson(std::string_view message);

// The body of POST .../search: {"play": "h1", "code_count": 5, "plan_periods": 3}.
struct SearchBody {
    PlayType type;
    PlanShape shape;
};
std::variant<SearchBody, std::string> parseSearchBody(std::string_view body);

// The body of POST .../formula: {"play": "h1", "formula": 7}.
struct FormulaBody {
    PlayType type;
    std::int32_t formula;
};
std::variant<FormulaBody, std::string> parseFormulaBody(std::string_view body);

// The body of POST /api/login: {"password": "..."}.
std::variant<std::string, std::string> parseLoginBody(std::string_view body);

// The lottery of a feed name served by the board; nothing for another.
std::optional<std::int32_t> servedLottery(const PlanBoard& board, std::string_view feed);

// The event of a new page: {"feed": "cq", "newest": "20161209101 1,5,0,2,1"}.
std::string eventJson(const PlanBoard::Event& event);

} // namespace kestrum::web
