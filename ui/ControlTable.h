#pragma once

// The main window's controls in creation order, which is also the order of Tab: their ids,
// kinds, places and texts. The ids and captions of the lottery options are the lottery table's,
// the captions of the play-type options the play types'.

#include "engine/PlayType.h"

#include <cstdint>
#include <span>
#include <string_view>

namespace kestrum {

// The ids of the main window's controls. The options' ids come from playTypeOption() and
// lotteryOption(); a label has none.
enum class ControlId : std::int32_t {
    None = 0,
    UseFormula = 1000,  // "使用已有公式"
    CodeCount = 1007,   // the 码数 box
    PlanPeriods = 1008, // the 期数 box
    Search = 1009,      // "搜索公式"
    DrawList = 1010,    // the draw list on the left
    Report = 1011,      // the report pane
    TopPanel = 1012,    // the top web panel
    RightPanel = 1016,  // the right web panel
    Formula = 1017,     // the 当前公式 box
};

enum class ControlKind {
    PlayTypeOption,
    LotteryOption,
    Edit,
    Button,
    Label,
    Separator,
    DrawList,
    Report,
    WebPanel,
};

struct ControlRow {
    ControlId id;
    ControlKind kind;
    // A button's or a label's caption, a box's or a pane's accessible name; empty for an
    // option (see captionOf) and the separator.
    std::string_view text;
    // Place and size in dialog units.
    std::int32_t x, y, width, height;
    // The play type of a play-type option.
    PlayType playType = PlayType::Hou1;
    // The number (1 to 10) of a lottery option.
    std::int32_t lottery = 0;
};

// Every control, in creation order.
std::span<const ControlRow> controlRows();

// The option of a play type; the option of lottery number 1 to 10.
ControlId playTypeOption(PlayType type);
ControlId lotteryOption(std::int32_t number);

// The caption of a row: its text, or the option's play type or lottery label.
std::string_view captionOf(const ControlRow& row);

// Whether a kind of control takes the focus with Tab (options take it only with a click).
bool takesTabFocus(ControlKind kind);

} // namespace kestrum
