#include "platform/GbkText.h"

#include "platform/Utf8Text.h"

#include <windows.h>

namespace kestrum {

namespace {

constexpr UINT kGbk = 936;

// Code page 936 and Linux's GBK converter agree on every character but two groups, and the
// files that other programs read must be the same bytes on both systems, so here both are
// taken as Linux takes them: code page 936 maps the private-use characters (U+E000 to U+F8FF)
// to GBK's user-defined areas, which Linux's converter has not; and the byte 0x80 alone is the
// euro sign there.
bool privateUse(char32_t c) {
    return c >= 0xE000 && c <= 0xF8FF;
}

} // namespace

std::string gbkToUtf8(std::string_view gbk) {
    std::string out;
    out.reserve(gbk.size() * 3 / 2);
    std::size_t at = 0;
    while (at < gbk.size()) {
        const auto lead = static_cast<unsigned char>(gbk[at]);
        if (lead < 0x80) {
            out.push_back(static_cast<char>(lead));
            ++at;
            continue;
        }
        if (lead == 0x80) {
            out.append("\xE2\x82\xAC");
            ++at;
            continue;
        }
        // A two-byte character: the lead 0x81 to 0xFE, the second 0x40 to 0xFE but 0x7F. Any
        // other byte is one bad byte, and the conversion goes on after it.
        wchar_t wide[2];
        int got = 0;
        if (lead >= 0x81 && lead <= 0xFE && at + 1 < gbk.size()) {
            const auto second = static_cast<unsigned char>(gbk[at + 1]);
            if (second >= 0x40 && second <= 0xFE && second != 0x7F) {
                got = MultiByteToWideChar(kGbk, MB_ERR_INVALID_CHARS, gbk.data() + at, 2, wide, 2);
            }
        }
        if (got == 1 && !privateUse(wide[0])) {
            appendUtf8(out, wide[0]);
            at += 2;
        } else {
            out.append("\xEF\xBF\xBD");
            ++at;
        }
    }
    return out;
}

std::string utf8ToGbk(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    std::size_t at = 0;
    while (at < utf8.size()) {
        const std::size_t length = utf8CharLength(utf8.substr(at));
        const auto lead = static_cast<unsigned char>(utf8[at]);
        if (lead < 0x80) {
            out.push_back(static_cast<char>(lead));
            at += 1;
            continue;
        }
        if (length == 1) {
            out.push_back('?'); // not UTF-8
            at += 1;
            continue;
        }
        const char32_t c = decodeUtf8(utf8.substr(at, length));
        at += length;
        // GBK has no character beyond the first plane.
        if (c > 0xFFFF || privateUse(c)) {
            out.push_back('?');
            continue;
        }
        const wchar_t wide = static_cast<wchar_t>(c);
        char bytes[4];
        BOOL usedDefault = FALSE;
        const int got = WideCharToMultiByte(kGbk, WC_NO_BEST_FIT_CHARS, &wide, 1, bytes,
                                            sizeof bytes, "?", &usedDefault);
        if (got <= 0 || usedDefault) {
            out.push_back('?');
        } else {
            out.append(bytes, static_cast<std::size_t>(got));
        }
    }
    return out;
}

} // namespace kestrum
