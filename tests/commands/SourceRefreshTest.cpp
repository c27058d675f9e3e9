#include "commands/Commands.h"
#include "draws/DrawSourceClient.h"
#include "draws/Feed.h"
#include "report/PlanExports.h"
#include "support/FakeHttpClient.h"
#include "support/Feeds.h"
#include "support/RecordingView.h"
#include "support/ScratchFolder.h"
#include "support/SourceBodies.h"

#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <map>
#include <string>

namespace kestrum {
namespace {

const std::string kFeed = "http://feed1.test/ssckj/cq.txt";

// A refresh whose source sends no draws writes nothing: the export files and "data1.txt" keep
// the bytes of the last good read, and the next good body is taken as usual.
TEST(SourceRefreshTest, ABodyThatIsNotDrawsLeavesTheExportFilesAsTheyWere) {
    test::ScratchFolder folder;
    AppSettings settings;
    settings.feedHosts = {"http://feed1.test", "http://feed2.test"};
    settings.webHost = "http://web.test";
    settings.dataDirectory = folder.path();
    Engine engine;
    test::RecordingView view;
    test::FakeHttpClient inner;
    inner.answer("http://web.test/addurl/vn.txt", {"http://web.test/promo.html"});
    inner.answerBody(kFeed, test::jsonSourceBody(test::feedLines(30, 80)));
    DrawSourceEntry source;
    source.feedUrl = kFeed;
    source.url = kFeed;
    source.mapping = test::jsonSourceMapping();
    source.drawsPerDay = 120;
    source.name = "sources.cq";
    DrawSourceClient client(inner, {source});
    CommandContext context{engine, view, client, settings,
                           [](std::chrono::milliseconds) { return true; }};
    runStartup(context);

    const auto files = [&folder] {
        std::map<std::string, std::string> bytes;
        bytes[kSnapshotFile] = test::fileBytes(folder.path() / kSnapshotFile);
        for (const PlanExportFile& file : planExportFiles()) {
            bytes[std::string(file.fileName)] = test::fileBytes(folder.path() / file.fileName);
        }
        return bytes;
    };
    const std::map<std::string, std::string> before = files();
    ASSERT_EQ(before.at(kSnapshotFile), test::feedLines(1, 80)[0]);
    ASSERT_FALSE(before.at("geweizd.txt").empty());

    for (const std::string& body :
         {std::string("<html><body>maintenance</body></html>"), std::string(R"({"data":[]})"),
          std::string(R"({"code":1,"msg":"busy"})"), std::string(R"({"data":[{"expect")")}) {
        SCOPED_TRACE(body);
        inner.answerBody(kFeed, body);
        std::atomic<bool> busy{true};
        const RefreshOutcome outcome = runRefresh(context, busy);
        EXPECT_FALSE(outcome.inserted);
        EXPECT_FALSE(outcome.reloaded);
        EXPECT_EQ(outcome.error.substr(0, 23), "sources.cq: not draws: ");
        EXPECT_FALSE(busy.load());
        EXPECT_EQ(files(), before);
    }

    inner.answerBody(kFeed, test::jsonSourceBody(test::feedLines(31, 81)));
    std::atomic<bool> busy{true};
    EXPECT_TRUE(runRefresh(context, busy).inserted);
    const std::map<std::string, std::string> after = files();
    EXPECT_EQ(after.at(kSnapshotFile), test::feedLines(1, 81)[0]);
    EXPECT_NE(after.at("geweizd.txt"), before.at("geweizd.txt"));
}

} // namespace
} // namespace kestrum
