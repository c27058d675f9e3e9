// Computes in-process what the program writes at start-up for a feed file: "data1.txt" and the
// export files, into a folder. Usage: e2e_expected FEED_FILE OUT_DIR

#include "commands/Commands.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

namespace {

// Answers every address with the lines of one file, as the HTTP client splits a body.
class FileHttpClient final : public kestrum::HttpClient {
public:
    explicit FileHttpClient(std::string body) : m_body(std::move(body)) {}

    kestrum::FetchResult fetchLines(const std::string&, std::int32_t maxLines) override {
        kestrum::FetchResult result;
        result.status = kestrum::FetchStatus::Ok;
        result.httpStatus = 200;
        std::string line;
        bool started = false;
        for (char c : m_body) {
            if (c == '\n') {
                result.lines.push_back(line);
                line.clear();
                started = false;
                if (maxLines > 0 && static_cast<std::int32_t>(result.lines.size()) == maxLines) {
                    return result;
                }
            } else {
                started = true;
                if (c != '\r') {
                    line.push_back(c);
                }
            }
        }
        if (started) {
            result.lines.push_back(line);
        }
        return result;
    }

private:
    std::string m_body;
};

class SilentView final : public kestrum::View {
public:
    void showDrawList(std::optional<std::string>) override {}
    void showStatus(std::string) override {}
    void checkOptions(kestrum::PlayType, std::int32_t) override {}
    void showPlans(kestrum::PlanSnapshot) override {}
    void showCandidates(kestrum::PlayType, kestrum::CandidateRows) override {}
    void commandDone() override {}
};

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: e2e_expected FEED_FILE OUT_DIR\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    const std::string body{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    FileHttpClient client(body);
    SilentView view;
    auto engine = std::make_unique<kestrum::Engine>();
    kestrum::AppSettings settings;
    settings.feedHosts = {"http://feed1", "http://feed2"};
    settings.dataDirectory = argv[2];
    kestrum::CommandContext context{*engine, view, client, settings,
                                    [](std::chrono::milliseconds) { return true; }};
    kestrum::runStartup(context);
    return 0;
}
