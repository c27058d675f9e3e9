// The guard's rules of time: a ban after five failed logins lasts ten minutes, and a session
// ends after its idle time; and the session's state is open without a session. The rules of
// hosts, origins and cookies are tried against the real server (serve_api.sh).

#include "web/Guard.h"

#include "platform/PasswordHash.h"

#include <gtest/gtest.h>

namespace kestrum::web {
namespace {

class GuardTest : public testing::Test {
protected:
    GuardTest() : m_guard(options(), [this] { return m_now; }) {}

    static Guard::Options options() {
        Guard::Options options;
        options.scheme = "https";
        options.port = 8443;
        options.passwordHash = hashPassword("right password");
        return options;
    }

    std::string sessionCookie() {
        const Guard::Login login = m_guard.login("192.0.2.7", "right password");
        EXPECT_TRUE(login.setCookie.has_value());
        const std::string cookie = login.setCookie.value_or("");
        return cookie.substr(0, cookie.find(';'));
    }

    std::chrono::steady_clock::time_point m_now{std::chrono::hours(1000)};
    Guard m_guard;
};

TEST_F(GuardTest, FiveFailedLoginsRefuseTheAddressForTenMinutesOnly) {
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(m_guard.login("192.0.2.7", "wrong").refusal.value_or(Refusal{}).status, 401);
    }
    // Refused even with the right password, and only that address.
    EXPECT_EQ(m_guard.login("192.0.2.7", "right password").refusal.value_or(Refusal{}).status, 429);
    EXPECT_TRUE(m_guard.login("192.0.2.8", "right password").setCookie);
    m_now += std::chrono::minutes(9);
    EXPECT_EQ(m_guard.login("192.0.2.7", "right password").refusal.value_or(Refusal{}).status, 429);
    m_now += std::chrono::minutes(1) + std::chrono::seconds(1);
    EXPECT_TRUE(m_guard.login("192.0.2.7", "right password").setCookie);
}

TEST_F(GuardTest, ASessionEndsAfterItsIdleTimeOrALogOut) {
    const std::string cookie = sessionCookie();
    const GuardRequest request{"GET", "/api/lotteries", "127.0.0.1:8443", "",
                               "",    cookie,           "192.0.2.7"};
    EXPECT_FALSE(m_guard.check(request));
    // Each use keeps it alive.
    m_now += std::chrono::minutes(29);
    EXPECT_FALSE(m_guard.check(request));
    m_now += std::chrono::minutes(29);
    EXPECT_FALSE(m_guard.check(request));
    m_now += std::chrono::minutes(31);
    EXPECT_EQ(m_guard.check(request).value_or(Refusal{}).status, 401);

    const std::string other = sessionCookie();
    GuardRequest again = request;
    again.cookie = other;
    EXPECT_FALSE(m_guard.check(again));
    m_guard.logout(other);
    EXPECT_EQ(m_guard.check(again).value_or(Refusal{}).status, 401);
}

TEST_F(GuardTest, TheSessionsStateIsOpenWithoutASession) {
    // The page asks it whether to show the login; the rest of the API needs the session.
    GuardRequest request{"GET", "/api/session", "127.0.0.1:8443", "", "", "", "192.0.2.7"};
    EXPECT_FALSE(m_guard.check(request));
    request.path = "/api/lotteries";
    EXPECT_EQ(m_guard.check(request).value_or(Refusal{}).status, 401);
}

} // namespace
} // namespace kestrum::web
