#include <gtest/gtest.h>

#include <limits>

#include "host/study_interface.h"
#include "studyhost/runtime/bar_lookup.h"
#include "studyhost/runtime/redact.h"
#include "studyhost/runtime/value_text.h"

namespace {

constexpr std::int64_t kDay = host::kMicrosPerDay;

TEST(ValueText, FormatIsTheNumberOfDecimalsClampedToNine) {
  EXPECT_EQ(studyhost::value_text(4500.25, 2), "4500.25");
  EXPECT_EQ(studyhost::value_text(4500.25, 0), "4500");
  EXPECT_EQ(studyhost::value_text(1.5, 0), "2");
  EXPECT_EQ(studyhost::value_text(0.1234567891, 9), "0.123456789");
  EXPECT_EQ(studyhost::value_text(0.1234567891, 25), "0.123456789");
  EXPECT_EQ(studyhost::value_text(-3.14159, -4), "-3");
  EXPECT_EQ(studyhost::value_text(1e300, 9).size(), 301u + 10u);
}

TEST(DateTimeText, DateOnlyFormatAndFullFormat) {
  // 45000 days after 1899-12-30 is 2023-03-15.
  const std::int64_t t = 45000 * kDay + (17 * 3600 + 5 * 60 + 9) * 1000000LL + 999999;
  EXPECT_EQ(studyhost::date_time_text(t, 7), "2023-03-15");
  EXPECT_EQ(studyhost::date_time_text(t, 0), "2023-03-15 17:05:09");
  EXPECT_EQ(studyhost::date_time_text(0, 7), "1899-12-30");
  EXPECT_EQ(studyhost::date_time_text(60 * kDay, 7), "1900-02-28");
  EXPECT_EQ(studyhost::date_time_text(61 * kDay, 7), "1900-03-01");  // 1900 is no leap year
  EXPECT_EQ(studyhost::date_time_text(-1, 1), "1899-12-29 23:59:59");
  EXPECT_EQ(studyhost::date_time_text(36585 * kDay, 7), "2000-02-29");
  // The extremes give some text, never a fault.
  EXPECT_FALSE(studyhost::date_time_text(std::numeric_limits<std::int64_t>::min(), 1).empty());
  EXPECT_FALSE(studyhost::date_time_text(std::numeric_limits<std::int64_t>::max(), 1).empty());
}

TEST(DateTimeShift, AddsTheOffsetAndSaturatesAtTheEnds) {
  EXPECT_EQ(studyhost::shift_date_time(45000 * kDay, 0), 45000 * kDay);
  EXPECT_EQ(studyhost::shift_date_time(45000 * kDay, -3600000000LL), 45000 * kDay - 3600000000LL);
  const auto max = std::numeric_limits<std::int64_t>::max();
  const auto min = std::numeric_limits<std::int64_t>::min();
  EXPECT_EQ(studyhost::shift_date_time(max - 1, 10), max);
  EXPECT_EQ(studyhost::shift_date_time(min + 1, -10), min);
}

TEST(BarLookup, FirstBarAtOrAfterLastBarPastTheEndZeroOnEmptyChart) {
  std::vector<studyhost::Bar> bars;
  EXPECT_EQ(studyhost::bar_index_at(bars, 45000 * kDay), 0);
  for (int day : {45000, 45001, 45001, 45004}) {
    bars.push_back(studyhost::Bar{day * kDay, 0, 0, 0, 0, 0});
  }
  EXPECT_EQ(studyhost::bar_index_at(bars, 0), 0);
  EXPECT_EQ(studyhost::bar_index_at(bars, 45000 * kDay), 0);
  EXPECT_EQ(studyhost::bar_index_at(bars, 45000 * kDay + 1), 1);
  EXPECT_EQ(studyhost::bar_index_at(bars, 45001 * kDay), 1);  // the first of equal times
  EXPECT_EQ(studyhost::bar_index_at(bars, 45002 * kDay), 3);
  EXPECT_EQ(studyhost::bar_index_at(bars, 45009 * kDay), 3);
  std::swap(bars[0], bars[3]);  // out of order: still an index inside the chart
  const auto index = studyhost::bar_index_at(bars, 45002 * kDay);
  EXPECT_GE(index, 0);
  EXPECT_LT(index, 4);
}

TEST(RedactUrl, EveryApiKeyValueBecomesStars) {
  EXPECT_EQ(studyhost::redact_url("https://h/x?assetClass=a&symbol=ES&api_key=s3cr3t&tf=D"),
            "https://h/x?assetClass=a&symbol=ES&api_key=***&tf=D");
  EXPECT_EQ(studyhost::redact_url("https://h/x?api_key=s3cr3t"), "https://h/x?api_key=***");
  EXPECT_EQ(studyhost::redact_url("https://h/x?api_key="), "https://h/x?api_key=***");
  EXPECT_EQ(studyhost::redact_url("https://h/x?symbol=ES"), "https://h/x?symbol=ES");
  EXPECT_EQ(studyhost::redact_url(""), "");
  // In a whole URL every byte up to '&', '#' or the end is the key's.
  EXPECT_EQ(studyhost::redact_url("https://h/x?api_key=a b\"c': d#f"), "https://h/x?api_key=***#f");
}

// The value was taken to run to the next space, so a log line lost the ':'
// after the URL and a trace lost the closing quote.
TEST(RedactText, HidesEachValueAndKeepsTheTextAfterIt) {
  EXPECT_EQ(studyhost::redact_text("a?api_key=1#frag api_key=2 end"),
            "a?api_key=***#frag api_key=*** end");
  EXPECT_EQ(studyhost::redact_text("\"https://h/x?api_key=s3cr3t\" 'api_key=k'\tapi_key=k\n"),
            "\"https://h/x?api_key=***\" 'api_key=***'\tapi_key=***\n");
  // Text hidden once reads the same after a second pass.
  for (const char* once : {"HTTP request failed: https://h/x?api_key=***: timed out",
                           "\"https://h/x?api_key=***\"", "api_key=***:", "api_key=***"}) {
    EXPECT_EQ(studyhost::redact_text(once), once);
  }
  // A key that only starts like a hidden one is still hidden whole.
  EXPECT_EQ(studyhost::redact_text("api_key=***k3y: x"), "api_key=*** x");
}

}  // namespace
