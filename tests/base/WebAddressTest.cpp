#include "base/WebAddress.h"

#include <gtest/gtest.h>

namespace kestrum {
namespace {

TEST(WebAddressTest, OnlyHttpAndHttpsAddressesWithAHost) {
    EXPECT_TRUE(isWebAddress("http://127.0.0.1:47800/promo.html"));
    EXPECT_TRUE(isWebAddress("HTTPS://example.test/"));
    EXPECT_FALSE(isWebAddress(""));
    EXPECT_FALSE(isWebAddress("file:///etc/passwd"));
    EXPECT_FALSE(isWebAddress("/usr/bin/xterm"));
    EXPECT_FALSE(isWebAddress("http://"));
    EXPECT_FALSE(isWebAddress("http:///etc/passwd"));
    EXPECT_FALSE(isWebAddress("http://a.test/ ; rm -rf ~"));
    EXPECT_FALSE(isWebAddress("javascript:alert(1)"));
    // Only https is secure: an https address follows no redirect to plain http.
    EXPECT_TRUE(isSecureWebAddress("HTTPS://example.test/"));
    EXPECT_FALSE(isSecureWebAddress("http://example.test/"));
    EXPECT_FALSE(isSecureWebAddress("https://"));
}

} // namespace
} // namespace kestrum
