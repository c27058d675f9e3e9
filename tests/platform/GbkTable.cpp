// Prints what the GBK conversions make of every character of the first plane and of every byte
// pair that starts with a byte above 0x7F, one line each, so that the conversions of two systems
// can be compared whole: the export files must be the same bytes on Linux and on Windows.

#include "platform/GbkText.h"
#include "platform/ProgramStart.h"
#include "platform/Utf8Text.h"

#include <cstdio>
#include <string>

int main() {
    kestrum::useByteStreams();
    for (char32_t c = 0x80; c <= 0xFFFF; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF) {
            continue;
        }
        std::string text;
        kestrum::appendUtf8(text, c);
        std::printf("U+%04X ->", static_cast<unsigned>(c));
        for (const char byte : kestrum::utf8ToGbk(text)) {
            std::printf(" %02X", static_cast<unsigned>(static_cast<unsigned char>(byte)));
        }
        std::printf("\n");
    }
    for (unsigned lead = 0x80; lead <= 0xFF; ++lead) {
        for (unsigned second = 0x30; second <= 0xFF; ++second) {
            const std::string bytes{static_cast<char>(lead), static_cast<char>(second)};
            std::printf("%02X%02X <-", lead, second);
            for (const char byte : kestrum::gbkToUtf8(bytes)) {
                std::printf(" %02X", static_cast<unsigned>(static_cast<unsigned char>(byte)));
            }
            std::printf("\n");
        }
    }
    return 0;
}
