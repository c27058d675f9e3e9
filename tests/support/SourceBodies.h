#pragma once

// Draw lines "20150101080 1,2,3,4,5" (newest first, as a feed serves them) written as the bodies
// of a JSON or CSV draw source, oldest first: {"data":[{"expect":"20150101-080",
// "opencode":"1,2,3,4,5"},...]} and "issue,code" rows "150101080,12345".

#include "draws/DrawSource.h"

#include <string>
#include <vector>

namespace kestrum::test {

inline SourceMapping jsonSourceMapping() {
    return {SourceFormat::Json, "/data", "expect", "opencode"};
}

inline SourceMapping csvSourceMapping() {
    return {SourceFormat::Csv, "", "issue", "code"};
}

inline std::string jsonSourceBody(const std::vector<std::string>& lines) {
    std::string body = R"({"code":0,"data":[)";
    for (auto line = lines.rbegin(); line != lines.rend(); ++line) {
        const std::string period = line->substr(0, line->find(' '));
        body += R"({"expect":")" + period.substr(0, 8) + "-" + period.substr(8) +
                R"(","opencode":")" + line->substr(line->find(' ') + 1) + R"("})";
        body += line + 1 == lines.rend() ? "" : ",";
    }
    return body + "]}";
}

inline std::string csvSourceBody(const std::vector<std::string>& lines) {
    std::string body = "issue,code\r\n";
    for (auto line = lines.rbegin(); line != lines.rend(); ++line) {
        std::string digits;
        for (char c : line->substr(line->find(' ') + 1)) {
            if (c != ',') {
                digits += c;
            }
        }
        body += line->substr(2, line->find(' ') - 2) + "," + digits + "\r\n";
    }
    return body;
}

} // namespace kestrum::test
