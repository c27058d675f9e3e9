#include "draws/DrawStore.h"

#include "base/Text.h"

namespace kestrum {

std::string digitsOf(std::string_view line) {
    return withoutChar(lastChars(line, 9), ',');
}

std::int32_t periodOf(const DrawStore& store, std::string_view line) {
    return leadingDecimal(lastChars(firstChars(line, store.periodEnd), store.periodWidth));
}

void resetCursor(DrawStore& store) {
    store.drawCursor = store.oldestIndex;
}

bool walkPossible(const DrawStore& store) {
    return store.oldestIndex >= 1 && store.oldestIndex < kHistorySlots;
}

std::int32_t storeDownloadedLines(DrawStore& store, std::span<const std::string> lines) {
    std::int32_t stored = 0;
    for (const std::string& line : lines) {
        if (stored == kDownloadLines) {
            break;
        }
        const auto slot = static_cast<std::size_t>(stored);
        store.FeedLines[slot] = line;
        store.DrawHistory[slot] = store.FeedLines[slot];
        store.oldestIndex = stored;
        store.drawCursor = stored;
        ++stored;
    }
    store.latestLine = store.FeedLines[0];
    return stored;
}

} // namespace kestrum
