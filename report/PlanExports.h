#pragma once

// The plan export files: for nine play types a small file with the running plan and the two
// newest finished plans, then the promotional text. Other programs read them; they are written
// as GBK with text-mode line ends by writeTextFile.

#include "engine/DispatchTables.h"
#include "engine/PlayType.h"
#include "platform/TextFile.h"

#include <array>
#include <filesystem>
#include <string>
#include <string_view>

namespace kestrum {

struct PlanExportFile {
    std::string_view fileName;
    PlayType type;
};

// The files in the order they are written. 前三 has none.
const std::array<PlanExportFile, 9>& planExportFiles();

// The text of one export file: lines s − 1, s − 2, CR LF, line s − 3 and promoText, where s is
// the last non-empty line among 0 to 255 (−1 when all are empty) and a line below 0 is empty.
// Normally: the running plan, the newest finished plan, the one before it, the promotion.
std::string planExportText(const TextSlots& planLines, std::string_view promoText);

// What became of each file, in the order of planExportFiles().
using PlanExportResults = std::array<WriteResult, 9>;

// Writes the nine files into directory, each created or truncated and written whole. A file
// that cannot be written is logged and skipped; the others are still written.
PlanExportResults writePlanExports(const PlanLinesTable& planLines, std::string_view promoText,
                                   const std::filesystem::path& directory);

} // namespace kestrum
