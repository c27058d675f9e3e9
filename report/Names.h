#pragma once

// The names that the command line and the web interface take for lotteries and play types: a
// lottery by its number, its feed's short name or its caption; a play type by its option's caption
// or a short ASCII name.

#include "draws/LotteryTable.h"
#include "engine/PlayType.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kestrum {

// The feed file's name without its folder and its ".txt": cq, jx, ..., xgffc.
std::string feedName(const LotterySource& lottery);

// Lottery 1 to 10 from "1" to "10", a feed name or a caption; nothing for any other text.
std::optional<std::int32_t> lotteryNamed(std::string_view text);

// The ASCII name of a play type: h1, h2, h3, h3b, h5b, shi, bai, qian, wan, q3.
std::string_view asciiName(PlayType type);

// A play type from its option's caption (后一, ..., 前三), its plan lines' label (三星,
// 前三星) or its ASCII name; nothing for any other text.
std::optional<PlayType> playTypeNamed(std::string_view text);

// The names a message lists: "1 to 10, cq, jx, ... or 重庆时时彩, ...".
std::string lotteryNamesText();
// "h1 (后一), h2 (后二), ...".
std::string playTypeNamesText();

} // namespace kestrum
