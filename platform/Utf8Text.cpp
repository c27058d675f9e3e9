#include "platform/Utf8Text.h"

namespace kestrum {

std::size_t utf8CharLength(std::string_view text) {
    const auto byteAt = [text](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byteAt(0);
    std::size_t length = 0;
    unsigned char secondLow = 0x80;
    unsigned char secondHigh = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        secondLow = lead == 0xE0 ? 0xA0 : secondLow;   // shorter forms are overlong
        secondHigh = lead == 0xED ? 0x9F : secondHigh; // D800 to DFFF are surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        secondLow = lead == 0xF0 ? 0x90 : secondLow;   // shorter forms are overlong
        secondHigh = lead == 0xF4 ? 0x8F : secondHigh; // above U+10FFFF
    } else {
        return 1;
    }
    if (text.size() < length || byteAt(1) < secondLow || byteAt(1) > secondHigh) {
        return 1;
    }
    for (std::size_t i = 2; i < length; ++i) {
        if ((byteAt(i) & 0xC0u) != 0x80u) {
            return 1;
        }
    }
    return length;
}

char32_t decodeUtf8(std::string_view character) {
    const auto byteAt = [character](std::size_t i) {
        return static_cast<char32_t>(static_cast<unsigned char>(character[i]));
    };
    switch (character.size()) {
    case 1:
        return byteAt(0);
    case 2:
        return ((byteAt(0) & 0x1Fu) << 6) | (byteAt(1) & 0x3Fu);
    case 3:
        return ((byteAt(0) & 0x0Fu) << 12) | ((byteAt(1) & 0x3Fu) << 6) | (byteAt(2) & 0x3Fu);
    default:
        return ((byteAt(0) & 0x07u) << 18) | ((byteAt(1) & 0x3Fu) << 12) |
               ((byteAt(2) & 0x3Fu) << 6) | (byteAt(3) & 0x3Fu);
    }
}

void appendUtf8(std::string& out, char32_t c) {
    const auto byte = [](char32_t value) {
        return static_cast<char>(static_cast<unsigned char>(value));
    };
    if (c < 0x80) {
        out.push_back(byte(c));
    } else if (c < 0x800) {
        out.push_back(byte(0xC0 | (c >> 6)));
        out.push_back(byte(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(byte(0xE0 | (c >> 12)));
        out.push_back(byte(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(byte(0x80 | (c & 0x3F)));
    } else {
        out.push_back(byte(0xF0 | (c >> 18)));
        out.push_back(byte(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(byte(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(byte(0x80 | (c & 0x3F)));
    }
}

} // namespace kestrum
