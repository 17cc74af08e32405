// Loading bars for `studyhost run`: the host date-times of the rows and the
// line-numbered reasons for rows the host refuses.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "studyhost/runtime/value_text.h"
#include "studyhost/session/bars_csv.h"

namespace {

using studyhost::Bar;
using studyhost::parse_date_time;
using studyhost::session::load_bars_csv;
using studyhost::session::parse_bars_csv;

constexpr std::int64_t kDay = 86400000000LL;

std::string error_of(const std::string& text) {
  std::vector<Bar> bars;
  std::string error;
  EXPECT_FALSE(parse_bars_csv(text, bars, error)) << text;
  return error;
}

TEST(BarsCsv, DateTimesCountMicrosecondsFromTheHostsDayZero) {
  EXPECT_EQ(parse_date_time("1899-12-30 00:00:00"), 0);
  EXPECT_EQ(parse_date_time("1899-12-29 23:59:59"), -1000000);
  EXPECT_EQ(parse_date_time("2025-10-17 16:55:00"),
            45947 * kDay + (16 * 3600 + 55 * 60) * 1000000LL);
  EXPECT_EQ(parse_date_time("2024-02-29", true), 45351 * kDay);
  EXPECT_FALSE(parse_date_time("2025-02-29 00:00:00"));
  EXPECT_FALSE(parse_date_time("2025-10-17 24:00:00"));
  EXPECT_FALSE(parse_date_time("2025-10-17T16:55:00"));
  EXPECT_FALSE(parse_date_time("2025-10-17 16:55"));
}

TEST(BarsCsv, ReadsRowsAfterTheHeaderWithWindowsLineEndsAndTrailingBlankLines) {
  std::vector<Bar> bars;
  std::string error;
  ASSERT_TRUE(
      parse_bars_csv("DateTime,Open,High,Low,Close,Volume\r\n"
                     "2025-10-17 16:50:00,6732.75,6734.50,6731.50,6733.75,2840\r\n"
                     "2025-10-17 16:55:00, 6733.75 ,6734,6732,6732.5,3147\r\n\r\n\n",
                     bars, error))
      << error;
  ASSERT_EQ(bars.size(), 2u);
  EXPECT_EQ(bars[1].datetime, 45947 * kDay + (16 * 3600 + 55 * 60) * 1000000LL);
  EXPECT_EQ(bars[0].open, 6732.75f);
  EXPECT_EQ(bars[0].high, 6734.50f);
  EXPECT_EQ(bars[0].low, 6731.50f);
  EXPECT_EQ(bars[0].close, 6733.75f);
  EXPECT_EQ(bars[0].volume, 2840.0f);
  EXPECT_EQ(bars[1].open, 6733.75f);
}

TEST(BarsCsv, AFileWithoutHeaderKeepsItsFirstBar) {
  std::vector<Bar> bars;
  std::string error;
  ASSERT_TRUE(parse_bars_csv("2025-10-17 16:50:00,1,2,1,2,0\n", bars, error)) << error;
  EXPECT_EQ(bars.size(), 1u);
}

TEST(BarsCsv, ABadRowIsReportedWithItsLineNumberAndReason) {
  const std::string head =
      "DateTime,Open,High,Low,Close,Volume\n2025-10-17 09:00:00,10,11,9,10,5\n";
  EXPECT_EQ(error_of(head + "2025-02-30 09:05:00,10,11,9,10,5\n"),
            "line 3: date-time is not a valid YYYY-MM-DD HH:MM:SS");
  EXPECT_EQ(error_of(head + "2025-10-17 09:05:00,10,11,9,10\n"),
            "line 3: too few fields (expected 6)");
  EXPECT_EQ(error_of(head + "2025-10-17 09:05:00,10,11,9,10,5,6\n"),
            "line 3: too many fields (expected 6)");
  EXPECT_EQ(error_of(head + "2025-10-17 09:05:00,10,11x,9,10,5\n"),
            "line 3: high is not a finite number");
  EXPECT_EQ(error_of(head + "2025-10-17 09:05:00,10,11,,10,5\n"),
            "line 3: low is not a finite number");
  // from_chars reads these as numbers; a chart cannot place them.
  EXPECT_EQ(error_of(head + "2025-10-17 09:05:00,nan,11,9,10,5\n"),
            "line 3: open is not a finite number");
  EXPECT_EQ(error_of(head + "2025-10-17 09:05:00,10,11,9,inf,5\n"),
            "line 3: close is not a finite number");
  EXPECT_EQ(error_of(head + "2025-10-17 09:05:00,10,1e39,9,10,5\n"),
            "line 3: high is not a finite number");
  EXPECT_EQ(error_of(head + "2025-10-17 09:05:00,10,9,11,10,5\n"), "line 3: high is below low");
  EXPECT_EQ(error_of(head + "2025-10-17 09:05:00,12,11,9,10,5\n"),
            "line 3: open is outside the low to high range");
  EXPECT_EQ(error_of(head + "2025-10-17 09:05:00,10,11,9,10,-5\n"), "line 3: volume is negative");
}

TEST(BarsCsv, TimesMustRiseFromBarToBar) {
  const std::string head =
      "DateTime,Open,High,Low,Close,Volume\n2025-10-17 09:00:00,10,11,9,10,5\n";
  EXPECT_EQ(error_of(head + "2025-10-17 09:00:00,10,11,9,10,5\n"),
            "line 3: time is not after the previous bar's (2025-10-17 09:00:00)");
  EXPECT_EQ(error_of(head + "\n2025-10-17 08:55:00,10,11,9,10,5\n"),
            "line 4: time is not after the previous bar's (2025-10-17 09:00:00)");
}

TEST(BarsCsv, AFileWithoutBarsIsRefused) {
  EXPECT_EQ(error_of(""), "no bars");
  EXPECT_EQ(error_of("DateTime,Open,High,Low,Close,Volume\n"), "no bars");
}

TEST(BarsCsv, FileErrorsNameTheFile) {
  const auto dir = std::filesystem::temp_directory_path() / "studyhost_bars_csv_test";
  std::filesystem::create_directories(dir);
  const std::string bad = (dir / "bad.csv").string();
  std::ofstream(bad) << "DateTime,Open,High,Low,Close,Volume\n2025-10-17 09:00:00,a,1,1,1,1\n";
  std::vector<Bar> bars;
  std::string error;
  EXPECT_FALSE(load_bars_csv(bad, bars, error));
  EXPECT_EQ(error, bad + ": line 2: open is not a finite number");
  EXPECT_FALSE(load_bars_csv((dir / "missing.csv").string(), bars, error));
  EXPECT_EQ(error, (dir / "missing.csv").string() + ": cannot open the file");
  std::filesystem::remove_all(dir);
}

TEST(BarsCsv, TheBundledSampleLoads) {
  std::vector<Bar> bars;
  std::string error;
  ASSERT_TRUE(load_bars_csv(std::string(QLX_DATA_DIR) + "/bars/es_5min.csv", bars, error)) << error;
  EXPECT_GT(bars.size(), 1000u);
}

}  // namespace
