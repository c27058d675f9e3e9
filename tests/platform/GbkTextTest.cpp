#include "platform/GbkText.h"

#include <gtest/gtest.h>
#include <string>

namespace kestrum {
namespace {

struct Case {
    const char* name;
    std::string in;
    std::string out;
};

TEST(GbkTextTest, Utf8ToGbk) {
    const Case cases[] = {
        {"ASCII as it stands", "plain 123\r\n", "plain 123\r\n"},
        {"empty", "", ""},
        {"plan-line words", "后一……期中", "\xBA\xF3\xD2\xBB\xA1\xAD\xA1\xAD\xC6\xDA\xD6\xD0"},
        {"the euro sign is in this GBK table", "\xE2\x82\xAC", "\x80"},
        // One "?" per character GBK lacks, whatever its length.
        {"emoji",
         "1\U0001F600"
         "2",
         "1?2"},
        {"U+10000", "a\xF0\x90\x80\x80z", "a?z"},
        {"U+D7FF", "a\xED\x9F\xBFz", "a?z"},
        // One "?" per byte that is not UTF-8.
        {"stray continuation byte", "a\x80z", "a?z"},
        {"cut short at the end", "后\xE4\xB8", "\xBA\xF3??"},
        {"cut short before ASCII", "\xE4\xB8z", "??z"},
        {"overlong two bytes", "a\xC0\x80z", "a??z"},
        {"overlong three bytes", "a\xE0\x80\x80z", "a???z"},
        {"overlong four bytes", "a\xF0\x80\x80\x80z", "a????z"},
        {"surrogate", "a\xED\xA0\x80z", "a???z"},
        {"above U+10FFFF", "a\xF4\x90\x80\x80z", "a????z"},
        {"lead byte F5", "a\xF5\x80z", "a??z"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(utf8ToGbk(c.in), c.out) << c.name;
    }
}

TEST(GbkTextTest, GbkToUtf8) {
    const Case cases[] = {
        {"a draw line", "20150101001 1,2,3,4,5", "20150101001 1,2,3,4,5"},
        {"two characters", "\xBA\xF3\xD2\xBB", "后一"},
        {"a byte that starts no character",
         "a\xFF"
         "b",
         "a\xEF\xBF\xBD"
         "b"},
        {"a first byte without its second", "x\xBA", "x\xEF\xBF\xBD"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(gbkToUtf8(c.in), c.out) << c.name;
    }
    EXPECT_EQ(utf8ToGbk(gbkToUtf8("\xBC\xC6\xBB\xAE")), "\xBC\xC6\xBB\xAE");
}

} // namespace
} // namespace kestrum
