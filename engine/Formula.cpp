#include "engine/Formula.h"

#include "base/Text.h"
#include "base/WrappingInt.h"

#include <cstring>

namespace kestrum {

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

namespace {

// The decimal digits of a product's magnitude into `out` (room for ten), most significant first;
// returns how many. The magnitude of INT32_MIN is 2147483648.
std::size_t magnitudeDigits(std::int32_t product, char* out) {
    std::uint32_t magnitude = product < 0 ? 0u - static_cast<std::uint32_t>(product)
                                          : static_cast<std::uint32_t>(product);
    char reversed[10];
    std::size_t count = 0;
    do {
        reversed[count++] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    for (std::size_t i = 0; i < count; ++i) {
        out[i] = reversed[count - 1 - i];
    }
    return count;
}

// The distinct bytes of text in order of first occurrence, up to `limit` of them: distinctChars
// cut to limit characters, for texts of digits and "-" only.
std::string firstDistinct(std::string_view text, std::int32_t limit) {
    std::string result;
    std::uint32_t seen = 0;
    for (const char c : text) {
        if (static_cast<std::int32_t>(result.size()) >= limit) {
            break;
        }
        const std::uint32_t bit = c == '-' ? 1u << 10 : 1u << (c - '0');
        if ((seen & bit) == 0) {
            seen |= bit;
            result.push_back(c);
        }
    }
    return result;
}

} // namespace

std::string betDigits(std::int32_t seedValue, std::int32_t formula, std::int32_t codeCount) {
    // The product's digits without "-", then the filler: written without a heap in between.
    const std::int32_t product = wrapMul(seedValue, formula);
    char text[20];
    const std::size_t digits = magnitudeDigits(product, text);
    std::memcpy(text + digits, "0918273645", 10);
    return firstDistinct(std::string_view(text, digits + 10), codeCount);
}

std::string betDigitsFiveStar(std::int32_t seedValue, std::int32_t formula,
                              std::int32_t codeCount) {
    const std::int32_t product = wrapMul(seedValue, formula);
    // "%f" of a whole number is its decimal form and ".000000"; without the point that is the
    // decimal form followed by six zeros, of which only the first can be new.
    char text[12];
    std::size_t length = 0;
    if (product < 0) {
        text[length++] = '-';
    }
    length += magnitudeDigits(product, text + length);
    text[length++] = '0';
    return firstDistinct(std::string_view(text, length), codeCount);
}

} // namespace kestrum
