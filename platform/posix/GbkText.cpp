#include "platform/GbkText.h"

#include "platform/Utf8Text.h"

#include <algorithm>
#include <cerrno>
#include <iconv.h>
#include <stdexcept>

namespace kestrum {

namespace {

// One iconv conversion, opened for the call: the converters are cheap to open and this keeps
// them free of shared state across threads.
class Converter {
public:
    Converter(const char* to, const char* from) : m_handle(iconv_open(to, from)) {
        if (m_handle == reinterpret_cast<iconv_t>(-1)) {
            throw std::runtime_error(std::string("iconv cannot convert from ") + from + " to " +
                                     to);
        }
    }
    ~Converter() { iconv_close(m_handle); }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // Converts text; at a sequence the target lacks or the source does not hold, appends
    // `replacement`, skips `skip(rest)` bytes and goes on.
    template <typename Skip>
    std::string convert(std::string_view text, std::string_view replacement, Skip skip) {
        std::string out;
        out.reserve(text.size() * 2);
        char* in = const_cast<char*>(text.data());
        std::size_t inLeft = text.size();
        char buffer[1024];
        while (inLeft > 0) {
            char* outPtr = buffer;
            std::size_t outLeft = sizeof buffer;
            const std::size_t done = iconv(m_handle, &in, &inLeft, &outPtr, &outLeft);
            out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
            if (done != static_cast<std::size_t>(-1)) {
                continue;
            }
            if (errno == E2BIG) {
                continue;
            }
            // EILSEQ (not convertible) or EINVAL (cut short at the end).
            out.append(replacement);
            const std::size_t skipped = std::min(skip(std::string_view(in, inLeft)), inLeft);
            in += skipped;
            inLeft -= skipped;
            iconv(m_handle, nullptr, nullptr, nullptr, nullptr);
        }
        return out;
    }

private:
    iconv_t m_handle;
};

} // namespace

std::string gbkToUtf8(std::string_view gbk) {
    bool ascii = true;
    for (char c : gbk) {
        ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    }
    if (ascii) {
        return std::string(gbk); // draw lines: nothing to convert
    }
    Converter converter("UTF-8", "GBK");
    return converter.convert(gbk, "\xEF\xBF\xBD", [](std::string_view) { return std::size_t{1}; });
}

std::string utf8ToGbk(std::string_view utf8) {
    Converter converter("GBK", "UTF-8");
    return converter.convert(utf8, "?", utf8CharLength);
}

} // namespace kestrum
