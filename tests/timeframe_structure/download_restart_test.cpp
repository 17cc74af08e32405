// Whole sessions of the study that once went wrong.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "chart_fixture.h"
#include "timeframe_session.h"

namespace timeframe::test {
namespace {

// On a chart of one bar, the update that picks up a body starts at bar 0 as
// a full recalculation does. The study took it for one, read the body for no
// timeframe and asked for the session record again, without end.
TEST(StudyEntryRegression, ADownloadCycleOnAOneBarChartEnds) {
  TimeframeSession session({at(2025, 10, 7, 10)});
  for (const char* letter : {"D", "W", "M", "Q", "Y"}) {
    session.answer(letter, period_body("2025-10-08", "110", "90", "101"));
  }
  session.host->full_recalculation();
  EXPECT_TRUE(session.host->settle_downloads(kTimeout));
  EXPECT_EQ(session.requested(), (std::vector<std::string>{"D", "W", "M", "Q", "Y"}));
  EXPECT_EQ(session.request_state(), 0);
  ASSERT_NE(session.status(), nullptr);
  EXPECT_EQ(session.status()->text, " ");
  // The bar lies in the session before the record's date: its levels are on it.
  EXPECT_EQ(session.study->subgraph_values(0), std::vector<float>{110.0f});
  EXPECT_EQ(session.study->subgraph_values(3), std::vector<float>{100.0f});
}

// A full recalculation while a body is still on its way keeps starting over:
// the body is read for no timeframe and the cycle begins again with the first.
TEST(StudyEntryRegression, AFullRecalculationBeforeTheBodyArrivesStillStartsOver) {
  TimeframeSession session({at(2025, 10, 7, 10)});
  for (const char* letter : {"D", "W", "M", "Q", "Y"}) {
    session.answer(letter, period_body("2025-10-08", "110", "90", "101"));
  }
  session.transport.hold();
  session.host->full_recalculation();
  session.host->full_recalculation();
  session.transport.release();
  EXPECT_TRUE(session.host->settle_downloads(kTimeout));
  EXPECT_EQ(session.requested(), (std::vector<std::string>{"D", "D", "W", "M", "Q", "Y"}));
}

// Every request's symbol and timeframe letter, as "ETHUSD D".
std::vector<std::string> symbol_and_letter(const TimeframeSession& session) {
  std::vector<std::string> requests;
  for (const std::string& url : session.study->requests()) {
    const auto symbol = url.find("symbol=") + 7;
    const auto letter = url.find("timeframe=") + 10;
    requests.push_back(url.substr(symbol, url.find('&', symbol) - symbol) + " " +
                       url.substr(letter, 1));
  }
  return requests;
}

// A body of the old symbol arrives; before the call that would pick it up,
// the symbol changes and a full recalculation comes (in the platform that is
// the first call after the response). The study kept reading the old
// symbol's body into the session record and asked for the rest with the new
// symbol, so the chart showed levels of two symbols.
void expect_the_cycle_starts_over(std::vector<std::int64_t> bars) {
  TimeframeSession session(bars);
  const std::string eth = "https://" + std::string(levelclient::service_host()) +
                          "/wp-json/fernhollow/v1/getcsv?assetClass=Crypto&symbol=ETHUSD";
  session.answer("D", period_body("2025-10-08", "110", "90", "101"));
  session.transport.respond(eth, period_body("2025-10-08", "2200", "1800", "2000"));
  session.host->full_recalculation();
  ASSERT_TRUE(session.study->http().wait_until(std::chrono::steady_clock::now() + kTimeout));
  std::vector<std::string> lines;
  ASSERT_TRUE(session.study->http().publish(lines));

  session.study->set_input_text(in::kSymbol, "ETHUSD");
  session.host->full_recalculation();
  session.settle();
  EXPECT_EQ(symbol_and_letter(session),
            (std::vector<std::string>{"BTCUSD D", "ETHUSD D", "ETHUSD W", "ETHUSD M", "ETHUSD Q",
                                      "ETHUSD Y"}));
  EXPECT_EQ(session.request_state(), 0);
  // The session high on the last bar is the new symbol's.
  EXPECT_EQ(session.study->subgraph_values(0).back(), 2200.0f);
}

TEST(StudyEntryRegression, ASymbolChangedBeforeTheBodyIsPickedUpStartsTheCycleOver) {
  expect_the_cycle_starts_over({at(2025, 10, 7, 10), at(2025, 10, 7, 11), at(2025, 10, 7, 12)});
}

TEST(StudyEntryRegression, OnAOneBarChartASymbolChangedBeforeThePickUpStartsTheCycleOver) {
  expect_the_cycle_starts_over({at(2025, 10, 7, 10)});
}

}  // namespace
}  // namespace timeframe::test
