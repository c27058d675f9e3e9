#include "commands/Updates.h"

#include "commands/Commands.h"
#include "support/FakeHttpClient.h"
#include "support/RecordingView.h"

#include <chrono>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace kestrum {
namespace {

using std::chrono::milliseconds;
using Calls = std::vector<std::string>;

const std::string kVersionFile = "http://web.test/setting/vnupdata.txt";

struct VersionCase {
    std::vector<std::string> lines;
    std::int32_t version;
    bool newer;
};

void PrintTo(const VersionCase& c, std::ostream* out) {
    for (const std::string& line : c.lines) {
        *out << '"' << line << "\" ";
    }
}

class UpdateCheckTest : public testing::TestWithParam<VersionCase> {};

TEST_P(UpdateCheckTest, ReadsTheJoinedLinesLeadingNumber) {
    test::FakeHttpClient client;
    client.answer(kVersionFile, GetParam().lines);
    const UpdateCheck check = checkForUpdate(client, "http://web.test", {});
    EXPECT_TRUE(check.reached);
    EXPECT_EQ(check.version, GetParam().version);
    EXPECT_EQ(check.newer, GetParam().newer);
}

INSTANTIATE_TEST_SUITE_P(VersionFile, UpdateCheckTest,
                         testing::Values(VersionCase{{"20160615"}, 20160615, false},
                                         VersionCase{{"20160616"}, 20160616, true},
                                         VersionCase{{"2016", "0616"}, 20160616, true},
                                         VersionCase{{" 20160614 beta"}, 20160614, false},
                                         VersionCase{{"version 20170101"}, 0, false},
                                         VersionCase{{}, 0, false}));

TEST(UpdateCheckFailureTest, AnUnreachableFileIsTriedThreeTimesThenIgnored) {
    test::FakeHttpClient client;
    client.fail(kVersionFile, FetchStatus::NetworkError);
    std::vector<milliseconds> waits;
    const UpdateCheck check = checkForUpdate(client, "http://web.test", [&](milliseconds pause) {
        waits.push_back(pause);
        return true;
    });
    EXPECT_FALSE(check.reached);
    EXPECT_FALSE(check.newer);
    EXPECT_EQ(client.requests().size(), 3u);
    EXPECT_EQ(waits, (std::vector<milliseconds>{milliseconds(2000), milliseconds(2000)}));
    EXPECT_EQ(updatePackageUrl("http://web.test"), "http://web.test/xiazai/vnssc.rar");
}

class PromoLineTest : public testing::Test {
protected:
    PromoLineTest() { m_settings.webHost = "http://web.test"; }
    CommandContext context() { return {m_engine, m_view, m_client, m_settings, {}}; }

    AppSettings m_settings;
    Engine m_engine;
    test::RecordingView m_view;
    test::FakeHttpClient m_client;
};

TEST_F(PromoLineTest, AWebAddressIsOpenedOnceAndEndsTheExports) {
    m_client.answer("http://web.test/addurl/vn.txt", {"http://promo.test/r?id=7", "second"});
    CommandContext c = context();
    EXPECT_EQ(fetchPromoLine(c), PromoOutcome::Set);
    EXPECT_EQ(m_view.opened, std::vector<std::string>{"http://promo.test/r?id=7"});
    EXPECT_EQ(m_engine.PromoText, "\r\n推荐注册地址：http://promo.test/r?id=7"
                                  "注册充值后还送自动投注软件哦,再也不用一期一期地投注了!");
    EXPECT_EQ(m_client.requests().front().maxLines, 1);
}

TEST_F(PromoLineTest, AnythingElseIsRefused) {
    for (const std::vector<std::string>& lines :
         {std::vector<std::string>{""}, std::vector<std::string>{"file:///etc/passwd"},
          std::vector<std::string>{"/usr/bin/xterm"}, std::vector<std::string>{}}) {
        m_client.answer("http://web.test/addurl/vn.txt", lines);
        CommandContext c = context();
        EXPECT_EQ(fetchPromoLine(c), PromoOutcome::Refused);
    }
    m_client.fail("http://web.test/addurl/vn.txt", FetchStatus::HttpError, 404);
    CommandContext c = context();
    EXPECT_EQ(fetchPromoLine(c), PromoOutcome::Refused);
    EXPECT_TRUE(m_view.opened.empty());
    EXPECT_EQ(m_engine.PromoText, "");
}

TEST_F(PromoLineTest, AnUnreachableHostClosesTheWindow) {
    m_client.fail("http://web.test/addurl/vn.txt", FetchStatus::NetworkError);
    CommandContext c = context();
    runStartup(c);
    EXPECT_EQ(m_view.calls, (Calls{"close"}));
    EXPECT_EQ(m_view.closeReason,
              "无法连接到软件服务器 http://web.test，取不到推荐地址，程序将关闭。");
    EXPECT_EQ(m_engine.PromoText, "");
    EXPECT_EQ(m_client.requests().size(), 1u); // no download after it
}

} // namespace
} // namespace kestrum
