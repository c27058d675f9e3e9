#include "engine/Formula.h"

#include "base/Text.h"
#include "base/WrappingInt.h"

namespace kestrum {

namespace {

std::string firstBytes(std::string text, std::int32_t count) {
    if (count <= 0) {
        return {};
    }
    if (static_cast<std::size_t>(count) < text.size()) {
        text.resize(static_cast<std::size_t>(count));
    }
    return text;
}

} // namespace

void readSeed(Engine& engine) {
    const bool inside = engine.drawCursor >= 0 && engine.drawCursor < kHistorySlots;
    const std::string_view line =
        inside ? std::string_view(engine.DrawHistory[static_cast<std::size_t>(engine.drawCursor)])
               : std::string_view();
    engine.currentDigits = lastChars(line, 9);
    engine.seedPeriod = periodOf(engine, line);
    engine.drawCursor = wrapSub(engine.drawCursor, 1);
    engine.currentDigits = withoutChar(engine.currentDigits, ',');
    engine.seedValue = leadingDecimal(engine.currentDigits);
}

std::string distinctChars(std::string_view text) {
    std::string result;
    for (char c : text) {
        if (result.find(c) == std::string::npos) {
            result.push_back(c);
        }
    }
    return result;
}

std::string betDigits(std::int32_t seedValue, std::int32_t formula, std::int32_t codeCount) {
    const std::int32_t product = wrapMul(seedValue, formula);
    std::string text = std::to_string(product) + "0918273645";
    return firstBytes(distinctChars(withoutChar(text, '-')), codeCount);
}

std::string betDigitsFiveStar(std::int32_t seedValue, std::int32_t formula,
                              std::int32_t codeCount) {
    const std::int32_t product = wrapMul(seedValue, formula);
    // "%f" of a whole number is its decimal form and ".000000"; without the point that is the
    // decimal form followed by six zeros.
    return firstBytes(distinctChars(std::to_string(product) + "000000"), codeCount);
}

} // namespace kestrum
