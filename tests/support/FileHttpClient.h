#pragma once

// An HTTP client over a folder of files, as the local feed server's --files mode serves them:
// "http://<host>/<path>" is answered with the lines of <folder>/<host>/<path>, split as the
// real client splits a body; a missing file is a 404.

#include "platform/HttpClient.h"
#include "platform/LineReader.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>

namespace kestrum::test {

class FileHttpClient final : public HttpClient {
public:
    explicit FileHttpClient(std::filesystem::path folder) : m_folder(std::move(folder)) {}

    FetchResult fetchLines(const std::string& url, std::int32_t maxLines) override {
        FetchResult result;
        std::ifstream in(m_folder / url.substr(std::string("http://").size()), std::ios::binary);
        if (!in) {
            result.status = FetchStatus::HttpError;
            result.httpStatus = 404;
            return result;
        }
        const std::string body{std::istreambuf_iterator<char>(in),
                               std::istreambuf_iterator<char>()};
        result.status = FetchStatus::Ok;
        result.httpStatus = 200;
        LineReader reader({}, maxLines);
        reader.take(body.data(), body.size());
        result.lines = reader.finish();
        return result;
    }

private:
    std::filesystem::path m_folder;
};

} // namespace kestrum::test
