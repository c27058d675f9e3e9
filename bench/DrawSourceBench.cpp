#include "draws/DrawSource.h"

#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <string>

namespace kestrum {
namespace {

constexpr std::int32_t kDrawsPerDay = 1440;
constexpr std::int32_t kDays = 365;

// A year of a 1440-a-day lottery, oldest first: the JSON a web API serves (records under
// /data, "YYYYMMDD-NNNN" codes, "d,d,d,d,d") or a CSV download ("YYMMDDNNNN", "ddddd").
std::string yearBody(SourceFormat format) {
    std::string body = format == SourceFormat::Json ? "{\"code\":0,\"data\":[\n" : "issue,code\n";
    body.reserve(std::size_t{60} * kDrawsPerDay * kDays);
    std::chrono::sys_days day = std::chrono::year{2016} / 1 / 1;
    char record[96];
    std::uint32_t digits = 12345;
    for (std::int32_t d = 0; d < kDays; ++d, day += std::chrono::days{1}) {
        const std::chrono::year_month_day date{day};
        const int y = static_cast<int>(date.year());
        const unsigned m = static_cast<unsigned>(date.month());
        const unsigned dd = static_cast<unsigned>(date.day());
        for (std::int32_t n = 1; n <= kDrawsPerDay; ++n) {
            digits = (digits * 1103515245u + 12345u) % 100000u;
            const unsigned v = digits;
            int size = 0;
            if (format == SourceFormat::Json) {
                size = std::snprintf(record, sizeof record,
                                     "%s{\"expect\":\"%04d%02u%02u-%04d\",\"opencode\":\"%u,%u,%u,"
                                     "%u,%u\",\"opentime\":\"%04d-%02u-%02u\"}\n",
                                     d == 0 && n == 1 ? "" : ",", y, m, dd, n, v / 10000,
                                     v / 1000 % 10, v / 100 % 10, v / 10 % 10, v % 10, y, m, dd);
            } else {
                size = std::snprintf(record, sizeof record, "%02d%02u%02u%04d,%05u\n", y % 100, m,
                                     dd, n, v);
            }
            body.append(record, static_cast<std::size_t>(size));
        }
    }
    if (format == SourceFormat::Json) {
        body += "]}\n";
    }
    return body;
}

void readYear(benchmark::State& state, SourceFormat format, const char* period,
              const char* digits) {
    const std::string body = yearBody(format);
    const SourceMapping mapping{format, "/data", period, digits};
    std::size_t lines = 0;
    for (auto _ : state) {
        const SourceRead read = readDrawSource(body, mapping, kDrawsPerDay);
        lines = read.lines.size();
        benchmark::DoNotOptimize(read.lines.data());
    }
    if (lines != std::size_t{kDrawsPerDay} * kDays) {
        state.SkipWithError("not every record became a draw");
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(body.size()));
    state.counters["body_MB"] = static_cast<double>(body.size()) / 1e6;
    state.counters["records"] = static_cast<double>(lines);
}

// A year of draws of a 1440-a-day lottery read from JSON: 525,600 records.
void BM_DrawSourceJsonYear(benchmark::State& state) {
    readYear(state, SourceFormat::Json, "expect", "opencode");
}
BENCHMARK(BM_DrawSourceJsonYear)->Unit(benchmark::kMillisecond);

// The same from CSV.
void BM_DrawSourceCsvYear(benchmark::State& state) {
    readYear(state, SourceFormat::Csv, "issue", "code");
}
BENCHMARK(BM_DrawSourceCsvYear)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace kestrum
