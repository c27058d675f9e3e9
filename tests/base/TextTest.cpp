#include "base/Text.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <limits>
#include <string>

namespace kestrum {
namespace {

struct DecimalCase {
    const char* text;
    std::int32_t value;
};

void PrintTo(const DecimalCase& c, std::ostream* out) {
    *out << '"' << c.text << '"';
}

class LeadingDecimalTest : public testing::TestWithParam<DecimalCase> {};

TEST_P(LeadingDecimalTest, ReadsTheLeadingNumber) {
    EXPECT_EQ(leadingDecimal(GetParam().text), GetParam().value) << '"' << GetParam().text << '"';
}

INSTANTIATE_TEST_SUITE_P(
    Rule, LeadingDecimalTest,
    testing::Values(DecimalCase{"6", 6}, DecimalCase{" 6", 6}, DecimalCase{"\t\r\n 6", 6},
                    DecimalCase{"6abc", 6}, DecimalCase{"006", 6}, DecimalCase{"", 0},
                    DecimalCase{"abc", 0}, DecimalCase{"-12", -12}, DecimalCase{"+7x", 7},
                    DecimalCase{"-", 0}, DecimalCase{"- 5", 0}, DecimalCase{"001 ", 1},
                    DecimalCase{"0123", 123}, DecimalCase{"1,2", 1},
                    DecimalCase{"2147483647", std::numeric_limits<std::int32_t>::max()},
                    DecimalCase{"-2147483648", std::numeric_limits<std::int32_t>::min()},
                    DecimalCase{"99999999999999999999", std::numeric_limits<std::int32_t>::max()},
                    DecimalCase{"-2147483649", std::numeric_limits<std::int32_t>::min()}));

TEST(TextSlicesTest, CountCharactersNotBytes) {
    const std::string text = "后一12";
    EXPECT_EQ(charCount(text), 4u);
    EXPECT_EQ(firstChars(text, 1), "后");
    EXPECT_EQ(firstChars(text, 3), "后一1");
    EXPECT_EQ(lastChars(text, 3), "一12");
    EXPECT_EQ(lastChars(text, 10), text);
    EXPECT_EQ(firstChars(text, 10), text);
    EXPECT_EQ(firstChars(text, 0), "");
    EXPECT_EQ(lastChars(text, -1), "");
    // Stray continuation bytes in front belong to no character.
    const std::string stray = "\x80\x80";
    EXPECT_EQ(lastChars(stray + "12", 2), stray + "12");
    EXPECT_EQ(lastChars(stray + "123", 2), "23");
}

TEST(TextSlicesTest, PickedCharactersFallBackToTheEdges) {
    EXPECT_EQ(charFromEnd("12345", 1), "5");
    EXPECT_EQ(charFromEnd("12345", 2), "4");
    EXPECT_EQ(charFromEnd("12345", 5), "1");
    EXPECT_EQ(charFromStart("12345", 1), "1");
    EXPECT_EQ(charFromStart("12345", 3), "3");
    // Past the first character from the end gives the first; past the last from the start
    // gives the last.
    EXPECT_EQ(charFromEnd("78", 3), "7");
    EXPECT_EQ(charFromStart("78", 3), "8");
    EXPECT_EQ(charFromEnd("", 1), "");
    EXPECT_EQ(charFromStart("", 2), "");
    EXPECT_EQ(charFromEnd("1后", 1), "后");
    EXPECT_EQ(charFromStart("后1", 1), "后");
}

TEST(TextFormatTest, FormatsLongTextWhole) {
    const std::string longText(600, 'x');
    EXPECT_EQ(formatText("%s|%03d", longText.c_str(), 7), longText + "|007");
    EXPECT_EQ(withoutChar("1,2,,3", ','), "123");
}

} // namespace
} // namespace kestrum
