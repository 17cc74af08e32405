// Whole sessions of the study that once went wrong.
#include <gtest/gtest.h>

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

}  // namespace
}  // namespace timeframe::test
