#include "base/WebAddress.h"

#include <algorithm>
#include <cctype>

namespace kestrum {

namespace {

bool startsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) ==
                      std::tolower(static_cast<unsigned char>(b));
           });
}

} // namespace

bool isWebAddress(std::string_view text) {
    for (std::string_view scheme : {std::string_view("http://"), std::string_view("https://")}) {
        if (startsWithIgnoringCase(text, scheme)) {
            const std::string_view rest = text.substr(scheme.size());
            // A host, and nothing that could end the address or hide another command.
            return !rest.empty() && rest.front() != '/' &&
                   std::none_of(rest.begin(), rest.end(), [](char c) {
                       return static_cast<unsigned char>(c) <= ' ' || c == '"' || c == '\\';
                   });
        }
    }
    return false;
}

bool isSecureWebAddress(std::string_view text) {
    return isWebAddress(text) && startsWithIgnoringCase(text, "https://");
}

} // namespace kestrum
