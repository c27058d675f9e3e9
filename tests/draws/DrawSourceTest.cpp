#include "draws/DrawSource.h"

#include "draws/DrawRecord.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace kestrum {
namespace {

using Kind = RecordField::Kind;

std::variant<DrawRecord, std::string> recordOf(RecordField period, RecordField digits,
                                               std::int32_t drawsPerDay = 120) {
    return drawRecordOf(period, digits, drawsPerDay, "field \"expect\"", "field \"opencode\"");
}

RecordField text(std::string_view value) {
    return {Kind::Text, value};
}
RecordField integer(std::string_view value) {
    return {Kind::Integer, value};
}

struct TakenCase {
    RecordField period;
    RecordField digits;
    std::int32_t drawsPerDay;
    std::string line;
};

class TakenRecord : public testing::TestWithParam<TakenCase> {};

TEST_P(TakenRecord, BecomesTheEngineLine) {
    const TakenCase& c = GetParam();
    const auto record = recordOf(c.period, c.digits, c.drawsPerDay);
    ASSERT_TRUE(std::holds_alternative<DrawRecord>(record)) << std::get<std::string>(record);
    EXPECT_EQ(std::get<DrawRecord>(record).line, c.line);
}

INSTANTIATE_TEST_SUITE_P(
    PeriodCodes, TakenRecord,
    testing::Values(TakenCase{text("20161210001"), text("1,2,3,4,5"), 120, "20161210001 1,2,3,4,5"},
                    TakenCase{text("20161210-001"), text("12345"), 120, "20161210001 1,2,3,4,5"},
                    TakenCase{text("2016-12-10-001"), text("12345"), 120, "20161210001 1,2,3,4,5"},
                    TakenCase{text("161210001"), text("12345"), 120, "20161210001 1,2,3,4,5"},
                    TakenCase{text("20161210-07"), text("12345"), 84, "20161210007 1,2,3,4,5"},
                    TakenCase{text("2016121084"), text("12345"), 84, "20161210084 1,2,3,4,5"},
                    TakenCase{text("20161210-0120"), text("12345"), 120, "20161210120 1,2,3,4,5"},
                    TakenCase{text("20161210001"), text("12345"), 1440, "201612100001 1,2,3,4,5"},
                    TakenCase{text("201612101440"), text("12345"), 1440, "201612101440 1,2,3,4,5"},
                    // Ten digits: not an eight-digit date and a number up to 1440, so a
                    // six-digit date and four digits.
                    TakenCase{text("1612101439"), text("12345"), 1440, "201612101439 1,2,3,4,5"},
                    TakenCase{text("20160229120"), text("12345"), 120, "20160229120 1,2,3,4,5"},
                    TakenCase{integer("20161210001"), text("12345"), 120,
                              "20161210001 1,2,3,4,5"}));

INSTANTIATE_TEST_SUITE_P(
    Digits, TakenRecord,
    testing::Values(
        TakenCase{text("20161210001"), text("09876"), 120, "20161210001 0,9,8,7,6"},
        TakenCase{text("20161210001"), text("0,9,8,7,6"), 120, "20161210001 0,9,8,7,6"},
        TakenCase{text("20161210001"), text("0 9 8 7 6"), 120, "20161210001 0,9,8,7,6"},
        TakenCase{text("20161210001"), text("0|9|8|7|6"), 120, "20161210001 0,9,8,7,6"},
        TakenCase{text("20161210001"), text(" 0, 9, 8, 7, 6 "), 120, "20161210001 0,9,8,7,6"},
        TakenCase{text("20161210001"), integer("98765"), 120, "20161210001 9,8,7,6,5"}));

struct RefusedCase {
    RecordField period;
    RecordField digits;
    std::int32_t drawsPerDay;
    std::string reason;
};

class RefusedRecord : public testing::TestWithParam<RefusedCase> {};

TEST_P(RefusedRecord, SaysWhy) {
    const RefusedCase& c = GetParam();
    const auto record = recordOf(c.period, c.digits, c.drawsPerDay);
    ASSERT_TRUE(std::holds_alternative<std::string>(record)) << std::get<DrawRecord>(record).line;
    EXPECT_EQ(std::get<std::string>(record), c.reason);
}

INSTANTIATE_TEST_SUITE_P(
    Every, RefusedRecord,
    testing::Values(
        RefusedCase{{}, text("12345"), 120, "no field \"expect\""},
        RefusedCase{text("20161210001"), {}, 120, "no field \"opencode\""},
        RefusedCase{{Kind::Other, "null"}, text("12345"), 120, "field \"expect\" is null"},
        RefusedCase{text("20161301001"), text("12345"), 120,
                    "period \"20161301001\": date 20161301 does not exist"},
        RefusedCase{text("20170229001"), text("12345"), 120,
                    "period \"20170229001\": date 20170229 does not exist"},
        RefusedCase{text("161232001"), text("12345"), 120,
                    "period \"161232001\": date 20161232 does not exist"},
        RefusedCase{text("20161210000"), text("12345"), 120, "period \"20161210000\": number 0"},
        RefusedCase{text("20161210121"), text("12345"), 120,
                    "period \"20161210121\": number 121 is past 120 draws a day"},
        RefusedCase{text("201612101441"), text("12345"), 1440,
                    "period \"201612101441\": number 1441 is past 1440 draws a day"},
        RefusedCase{text("20161210-1"), text("12345"), 120,
                    "period \"20161210-1\": a number of 1 digits"},
        RefusedCase{text("2016-1-10-001"), text("12345"), 120,
                    "period \"2016-1-10-001\": a date of 7 digits"},
        RefusedCase{text("period"), text("12345"), 120, "period \"period\": no digits"},
        RefusedCase{text("2016121000001"), text("12345"), 120,
                    "period \"2016121000001\": 13 digits, not a date and a number"},
        RefusedCase{text("20161210001"), text("1,2,3,4"), 120,
                    "digits \"1,2,3,4\": 4 digits, not 5"},
        RefusedCase{text("20161210001"), text("123456"), 120, "digits \"123456\": 6 digits, not 5"},
        RefusedCase{text("20161210001"), text("1,2,3,4,5,6"), 120,
                    "digits \"1,2,3,4,5,6\": 6 digits, not 5"},
        RefusedCase{text("20161210001"), text("1,2,a,4,5"), 120, "digits \"1,2,a,4,5\": a letter"},
        RefusedCase{text("20161210001"), text("12,3,4,5,6"), 120,
                    "digits \"12,3,4,5,6\": not five digits 0 to 9"},
        RefusedCase{text("20161210001"), text(""), 120, "digits \"\": 0 digits, not 5"},
        RefusedCase{text("20161210001"), integer("1234"), 120,
                    "digits \"1234\": 4 digits, not 5 (a number is not padded)"}));

SourceMapping jsonMapping(std::string records = "/data") {
    return {SourceFormat::Json, std::move(records), "expect", "opencode"};
}

SourceMapping csvMapping(std::string period = "issue", std::string digits = "code") {
    return {SourceFormat::Csv, "", std::move(period), std::move(digits)};
}

struct NotDrawsCase {
    SourceMapping mapping;
    std::string body;
    std::string what;
};

class NotDraws : public testing::TestWithParam<NotDrawsCase> {};

TEST_P(NotDraws, SaysWhatCameInstead) {
    const NotDrawsCase& c = GetParam();
    const SourceRead read = readDrawSource(c.body, c.mapping, 120);
    EXPECT_TRUE(read.lines.empty());
    ASSERT_TRUE(read.notDraws.has_value());
    EXPECT_EQ(*read.notDraws, c.what);
    EXPECT_EQ(sourceWarning(read).substr(0, 11 + c.what.size()), "not draws: " + c.what);
}

const std::string kGoodRecord = R"({"expect":"20161210-001","opencode":"1,2,3,4,5"})";

INSTANTIATE_TEST_SUITE_P(
    Bodies, NotDraws,
    testing::Values(
        NotDrawsCase{jsonMapping(),
                     "\n<!DOCTYPE html>\n<html><head><TITLE>502 Bad\n Gateway</TITLE></head>",
                     "an HTML page (\"502 Bad Gateway\")"},
        NotDrawsCase{csvMapping(), "<html><body>maintenance</body></html>", "an HTML page"},
        NotDrawsCase{jsonMapping(), R"({"code":1,"msg":"too many requests"})",
                     "JSON without \"/data\"; the body begins: "
                     R"({"code":1,"msg":"too many requests"})"},
        NotDrawsCase{jsonMapping(), R"({"code":0,"data":null})",
                     "JSON whose \"/data\" is null, not an array of records; the body begins: "
                     R"({"code":0,"data":null})"},
        NotDrawsCase{jsonMapping(""), R"({"data":[]})",
                     "JSON whose the top level is an object, not an array of records; the body "
                     R"(begins: {"data":[]})"},
        NotDrawsCase{jsonMapping(), R"({"data":[]})", "an empty array at \"/data\""},
        NotDrawsCase{jsonMapping(), R"({"data":[)" + kGoodRecord + R"(,{"expect":"2016)",
                     "JSON cut short (it ends at byte 73)"},
        NotDrawsCase{jsonMapping(), R"({"data":[)" + kGoodRecord + "]",
                     "JSON cut short (it ends at byte 58)"},
        NotDrawsCase{jsonMapping(), R"({"data":[)" + kGoodRecord + "]}x",
                     "not JSON (an error at byte 60); the body begins: "
                     R"({"data":[)" +
                         kGoodRecord + "]}x"},
        NotDrawsCase{jsonMapping("data"), R"({"data":[)" + kGoodRecord + "]}",
                     "records \"data\" is not a JSON Pointer"},
        NotDrawsCase{jsonMapping(), R"({"data":[{"expect":"20161210-001"}]})",
                     "no record is a draw (1 records)"},
        NotDrawsCase{jsonMapping(), " \r\n ", "an empty body"},
        NotDrawsCase{csvMapping(), "issue,code\r\n", "CSV with only a header row"},
        NotDrawsCase{csvMapping(), "issue;code\n161210001;12345\n",
                     "a CSV header without a column \"issue\"; the body begins: issue;code "
                     "161210001;12345"},
        NotDrawsCase{csvMapping("1", "3"), "issue,code\n161210001,12345\n",
                     "a CSV header of 2 columns has no column 3"},
        NotDrawsCase{csvMapping(), "issue,code\n161210001,\"12345\n",
                     "CSV cut short (a quoted cell is left open at the end)"},
        NotDrawsCase{csvMapping(), "issue,code\n161210001,\"123\"45\n",
                     "CSV that cannot be read (error parsing data while strict checking enabled "
                     "at byte 27); the body begins: issue,code 161210001,\"123\"45"}));

TEST(DrawSource, NewestFirstEachPeriodOnceWhateverTheOrder) {
    const std::string body = R"({"data":[
        {"expect":"20161209-120","opencode":"9,9,9,9,9"},
        {"expect":"20161210-002","opencode":"2,2,2,2,2"},
        {"expect":"20161210-001","opencode":"1,1,1,1,1"},
        {"expect":"20161210-002","opencode":"3,3,3,3,3"},
        {"expect":"20161210-010","opencode":"0,0,0,0,0"}]})";
    const SourceRead read = readDrawSource(body, jsonMapping(), 120);
    EXPECT_FALSE(read.notDraws.has_value());
    EXPECT_EQ(read.lines,
              (std::vector<std::string>{"20161210010 0,0,0,0,0", "20161210002 2,2,2,2,2",
                                        "20161210001 1,1,1,1,1", "20161209120 9,9,9,9,9"}));
    EXPECT_EQ(read.records, 5);
    EXPECT_EQ(read.refused, 0);
    EXPECT_EQ(read.repeated, 1);
    EXPECT_EQ(sourceWarning(read), "");
}

TEST(DrawSource, JsonAndCsvOfTheSameDrawsGiveTheSameLines) {
    const std::string json = R"({"code":0,"data":[
        {"expect":"20161209-120","opencode":"4,0,5,1,9","time":"2016-12-09 23:59:00"},
        {"opencode":"7,7,0,1,2","expect":"20161210-001","extra":{"expect":"x"}},
        {"expect":"20161210-002","opencode":"3,3,8,1,0"}]})";
    const std::string csv = "\xEF\xBB\xBFissue,code,\"note, with comma\"\r\n"
                            "161210002,33810,\"a, b\"\r\n"
                            "\r\n"
                            "161210001,\"77012\",\"\"\"quoted\"\"\"\r\n"
                            "161209120,40519,x\r\n";
    const std::vector<std::string> lines{"20161210002 3,3,8,1,0", "20161210001 7,7,0,1,2",
                                         "20161209120 4,0,5,1,9"};
    EXPECT_EQ(readDrawSource(json, jsonMapping(), 120).lines, lines);
    EXPECT_EQ(readDrawSource(csv, csvMapping(), 120).lines, lines);
    EXPECT_EQ(readDrawSource(csv, csvMapping("1", "2"), 120).lines, lines);
    // The digits in a quoted cell that holds commas.
    const std::string quoted = "code,issue\n\"3,3,8,1,0\",161210002\n";
    EXPECT_EQ(readDrawSource(quoted, csvMapping(), 120).lines,
              std::vector<std::string>{"20161210002 3,3,8,1,0"});
}

TEST(DrawSource, RecordsUnderANestedPointer) {
    const std::string body =
        R"({"result":[{"a/b":[{"expect":"20161210-001","opencode":12345}, [1], "x", )"
        R"({"expect":"20161210-002","opencode":{"v":1}}]}], "a/b":[]})";
    const SourceRead read = readDrawSource(body, jsonMapping("/result/0/a~1b"), 120);
    EXPECT_FALSE(read.notDraws.has_value());
    EXPECT_EQ(read.lines, std::vector<std::string>{"20161210001 1,2,3,4,5"});
    EXPECT_EQ(read.records, 4);
    ASSERT_EQ(read.refusals.size(), 3u);
    EXPECT_EQ(read.refusals[0].record, 2);
    EXPECT_EQ(read.refusals[0].reason,
              "field \"expect\" is absent: the record is an array, not an object");
    EXPECT_EQ(read.refusals[1].reason,
              "field \"expect\" is absent: the record is a string, not an object");
    EXPECT_EQ(read.refusals[2].record, 4);
    EXPECT_EQ(read.refusals[2].reason, "field \"opencode\" is an object");
}

TEST(DrawSource, CountsEveryRefusedRecordAndKeepsTheFirstTwenty) {
    std::string body = "[";
    for (int i = 1; i <= 25; ++i) {
        body += R"({"expect":"20161210-)" + std::to_string(200 + i) + R"(","opencode":"12345"},)";
    }
    body += R"({"expect":"20161210-003","opencode":"12345"},)";
    body += R"({"expect":"20161210-004","opencode":1234}])";
    const SourceRead read = readDrawSource(body, jsonMapping(""), 120);
    EXPECT_FALSE(read.notDraws.has_value());
    EXPECT_EQ(read.lines, std::vector<std::string>{"20161210003 1,2,3,4,5"});
    EXPECT_EQ(read.records, 27);
    EXPECT_EQ(read.refused, 26);
    ASSERT_EQ(read.refusals.size(), SourceRead::kMaxRefusals);
    EXPECT_EQ(read.refusals.back().record, 20);
    EXPECT_EQ(sourceWarning(read), "26 of 27 records left out, the first record 1: period "
                                   "\"20161210-201\": number 201 is past 120 draws a day");
}

TEST(DrawSource, LinesPassThroughAsTheyCome) {
    const SourceRead read =
        readDrawSource("20161210001 1,2,3,4,5\r\n<html>\n\n20161210009 x", {}, 120);
    EXPECT_EQ(read.lines,
              (std::vector<std::string>{"20161210001 1,2,3,4,5", "<html>", "", "20161210009 x"}));
    EXPECT_EQ(read.records, 4);
    EXPECT_FALSE(read.notDraws.has_value());
}

} // namespace
} // namespace kestrum
