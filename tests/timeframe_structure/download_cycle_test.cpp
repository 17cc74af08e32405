// Whole sessions of the study in studyhost: the download cycle over the
// enabled timeframes, the levels it writes, and chart updates afterwards.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "chart_fixture.h"
#include "timeframe_session.h"

namespace timeframe::test {
namespace {

struct Levels {
  float high, low, close, mid;
};

// Hourly bars from Saturday 20 September to Monday 13 October 2025.
std::vector<std::int64_t> hourly_chart() {
  return bars_between(at(2025, 9, 20), at(2025, 10, 13), kHour);
}

class DownloadCycle : public ::testing::Test {
 protected:
  DownloadCycle() : times(hourly_chart()), session(times) {
    session.answer("D", period_body("2025-10-08", "110", "90", "101"));
    session.answer("W", period_body("2025-10-01", "120", "80", "105"));
    session.answer("M", period_body("2025-10-01", "130", "70", "99.5"));
    session.answer("Q", period_body("2025-11-15", "140", "60", "98"));
    session.answer("Y", period_body("2026-03-01", "150", "50", "97"));
  }

  // Output values per bar; zeros where the study never wrote.
  std::vector<float> values(std::int32_t output) const {
    std::vector<float> v = session.study->subgraph_values(output);
    v.resize(times.size(), 0.0f);
    return v;
  }

  // Outputs first..first+3 hold `levels` on the bars in [from, to) and 0 elsewhere.
  void expect_levels(std::int32_t first, const Levels& levels, std::int64_t from,
                     std::int64_t to) const {
    const float expected[] = {levels.high, levels.low, levels.close, levels.mid};
    for (std::int32_t k = 0; k < 4; ++k) {
      const std::vector<float> v = values(first + k);
      for (std::size_t i = 0; i < times.size(); ++i) {
        const bool inside = times[i] >= from && times[i] < to;
        ASSERT_EQ(v[i], inside ? expected[k] : 0.0f) << "output " << first + k << " bar " << i;
      }
    }
  }

  void expect_nothing_written(std::int32_t first_output, std::int32_t last_output) const {
    for (std::int32_t n = first_output; n <= last_output; ++n)
      for (const float v : values(n)) ASSERT_EQ(v, 0.0f) << "output " << n;
  }

  void enable_only(std::int32_t enabled_input) {
    for (std::int32_t n = 3; n <= 7; ++n) session.study->set_input_yes_no(n, n == enabled_input);
  }

  std::vector<std::int64_t> times;
  TimeframeSession session;
};

TEST_F(DownloadCycle, FetchesTheFiveTimeframesOneAtATimeInOrder) {
  session.host->full_recalculation();
  EXPECT_EQ(session.requested(), std::vector<std::string>{"D"});
  ASSERT_NE(session.status(), nullptr);
  EXPECT_EQ(session.status()->text, "Downloading...");
  EXPECT_EQ(session.request_state(), 2);

  const std::vector<std::string> order = {"D", "W", "M", "Q", "Y"};
  for (std::size_t delivered = 1; delivered < order.size(); ++delivered) {
    ASSERT_TRUE(session.host->deliver_downloads(kTimeout));
    EXPECT_EQ(session.requested(),
              std::vector<std::string>(order.begin(), order.begin() + delivered + 1));
  }
  ASSERT_TRUE(session.host->deliver_downloads(kTimeout));
  EXPECT_EQ(session.requested(), order);
  EXPECT_EQ(session.status()->text, " ");
  EXPECT_EQ(session.request_state(), 0);
  EXPECT_TRUE(session.study->log().empty());

  // Session start 17:00: each record on the period before its own.
  expect_levels(0, {110, 90, 101, 100}, at(2025, 10, 6, 17), at(2025, 10, 7, 17));
  expect_levels(4, {120, 80, 105, 100}, at(2025, 9, 28, 17), at(2025, 10, 5, 17));
  expect_levels(8, {130, 70, 99.5f, 100}, times.front(), at(2025, 9, 30, 17));
  expect_levels(12, {140, 60, 98, 100}, times.front(), at(2025, 9, 30, 17));
  expect_levels(16, {150, 50, 97, 100}, times.front(), times.back() + 1);
}

// A High of "N/A" gave PDH 0 and PDM at half the low, drawn with the status
// of success; "1,234.00" gave 1.
TEST_F(DownloadCycle, APriceWithoutANumberOrWithAThousandsSeparatorFailsTheRead) {
  for (const char* high : {"N/A", "1,234.00"}) {
    session.answer("D", period_body("2025-10-08", high, "90", "101"));
    session.host->full_recalculation();
    session.settle();
    EXPECT_EQ(session.requested().back(), "D") << high;
    ASSERT_NE(session.status(), nullptr);
    EXPECT_EQ(session.status()->text, "Error parsing data") << high;
    EXPECT_EQ(session.study->log().back(), "Error parsing data") << high;
    expect_nothing_written(0, 3);
  }
}

TEST_F(DownloadCycle, NothingEnabledRequestsNothingAndWritesNothing) {
  enable_only(-1);
  session.host->full_recalculation();
  session.settle();
  EXPECT_TRUE(session.requested().empty());
  EXPECT_EQ(session.status(), nullptr);
  EXPECT_EQ(session.request_state(), 0);
  expect_nothing_written(0, 19);
}

TEST_F(DownloadCycle, OnlyTheMonthEnabledRequestsTheMonthAlone) {
  enable_only(in::kMonthEnabled);
  session.host->full_recalculation();
  session.settle();
  EXPECT_EQ(session.requested(), std::vector<std::string>{"M"});
  expect_levels(8, {130, 70, 99.5f, 100}, times.front(), at(2025, 9, 30, 17));
  expect_nothing_written(0, 7);
  expect_nothing_written(12, 19);
}

TEST_F(DownloadCycle, UpdatesKeepTheLevelsAndRewriteOnlyFromTheFirstBarToUpdate) {
  session.host->full_recalculation();
  session.settle();
  // Mark the year high of the first and the last bar; an update of the last
  // bar rewrites that bar only.
  host::SubgraphSlot& year_high = session.study->subgraph(16);
  const auto last = times.size() - 1;
  year_high.values.elements[0] = 7.0f;
  year_high.values.elements[last] = 7.0f;
  session.host->update_last_bar();
  EXPECT_EQ(values(16)[0], 7.0f);
  EXPECT_EQ(values(16)[last], 150.0f);

  // A new bar takes the levels kept from the download; nothing is requested.
  session.host->add_bar(studyhost::Bar{times.back() + kHour, 1, 1, 1, 1, 1});
  EXPECT_EQ(session.study->subgraph_values(16).back(), 150.0f);
  EXPECT_EQ(session.requested().size(), 5u);
  EXPECT_EQ(session.request_state(), 0);
}

TEST_F(DownloadCycle, FullRecalculationWhilePendingStartsOverAfterThePendingBody) {
  session.transport.hold();
  session.host->full_recalculation();
  session.host->full_recalculation();  // the session request is still in flight
  EXPECT_EQ(session.requested(), std::vector<std::string>{"D"});
  session.transport.release();
  // The body in flight fills no record; the rebuilt queue then runs in full.
  ASSERT_TRUE(session.host->deliver_downloads(kTimeout));
  EXPECT_EQ(session.requested(), (std::vector<std::string>{"D", "D"}));
  expect_nothing_written(0, 19);
  session.settle();
  EXPECT_EQ(session.requested(), (std::vector<std::string>{"D", "D", "W", "M", "Q", "Y"}));
  expect_levels(0, {110, 90, 101, 100}, at(2025, 10, 6, 17), at(2025, 10, 7, 17));
}

TEST_F(DownloadCycle, MidnightSessionStartOnACryptoChartKeepsTheSessionOnItsOwnDay) {
  enable_only(in::kSessionEnabled);
  session.study->set_input_double(in::kSessionStart, 0.0);
  session.study->set_input_yes_no(in::kIsCrypto, true);
  session.host->full_recalculation();
  session.settle();
  expect_levels(0, {110, 90, 101, 100}, at(2025, 10, 7), at(2025, 10, 8));
}

}  // namespace
}  // namespace timeframe::test
