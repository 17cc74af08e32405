// The library as the host sees it: exports, declarations and the life of the
// timeframe data block.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "chart_fixture.h"
#include "timeframe_session.h"

namespace timeframe::test {
namespace {

std::vector<std::int64_t> two_days() {
  return bars_between(at(2025, 10, 6), at(2025, 10, 8), kHour);
}

TEST(TimeframeLibrary, ExportsVersionNameAndStudyFunction) {
  TimeframeSession session(two_days());
  EXPECT_EQ(session.library->version(), 2628);
  EXPECT_EQ(session.library->name(), "QLX TIMEFRAME STRUCTURE");
  EXPECT_EQ(session.library->function_name(), "scsf_qlx_timeframe_structure");
  EXPECT_EQ(session.study->record().entry_marker, 4);
}

TEST(TimeframeDeclaration, NameAndSettings) {
  TimeframeSession session(two_days());
  host::StudyInterface& sc = session.study->record();
  // A second display text left from before is emptied by the defaults call.
  host::assign(sc.second_display_text, "old text");
  sc.auto_loop = 1;
  sc.defaults_call = 1;
  session.library->function()(&sc);
  sc.defaults_call = 0;
  EXPECT_STREQ(host::text_of(sc.study_name), "QLX TIMEFRAME STRUCTURE");
  EXPECT_STREQ(host::text_of(sc.second_display_text), "");
  EXPECT_EQ(sc.auto_loop, 0);
  EXPECT_EQ(sc.region, 0);
  EXPECT_EQ(sc.uses_price_scale, 1);
  EXPECT_TRUE(session.study->requests().empty());  // nothing is downloaded on a defaults call
}

TEST(TimeframeDeclaration, TenInputsWithTheirKindsAndDefaults) {
  TimeframeSession fresh(two_days(), false);
  studyhost::StudyInstance& study = *fresh.study;
  const char* names[] = {"Asset Class",
                         "Symbol",
                         "API Key",
                         "Prev. Trading Session Enabled",
                         "Prev. Week Enabled",
                         "Prev. Month Enabled",
                         "Prev. Quarter Enabled",
                         "Prev. Year Enabled",
                         "Trading Session Start Time",
                         "Is Crypto"};
  for (std::int32_t n = 0; n < 10; ++n) EXPECT_STREQ(host::text_of(study.input(n).name), names[n]);

  EXPECT_EQ(study.input(0).kind, host::kKindCustomList);
  EXPECT_EQ(host::int_value(study.input(0)), 0);
  EXPECT_EQ(study.list_entries(0),
            (std::vector<std::string>{"Crypto", "Futures", "Stocks", "ETF", "Forex"}));
  for (std::int32_t n : {1, 2}) {
    EXPECT_EQ(study.input(n).kind, host::kKindText);
    EXPECT_STREQ(host::text_value(study.input(n)), "Unset");
  }
  for (std::int32_t n = 3; n <= 7; ++n) {
    EXPECT_EQ(study.input(n).kind, host::kKindYesNo);
    EXPECT_EQ(host::int_value(study.input(n)), 1);
  }
  EXPECT_EQ(study.input(8).kind, host::kKindTimeOfDay);
  EXPECT_EQ(host::stored_double(study.input(8)), 0.7083333333333334);
  EXPECT_EQ(study.input(9).kind, host::kKindYesNo);
  EXPECT_EQ(host::int_value(study.input(9)), 0);
}

TEST(TimeframeDeclaration, TwentyOutputsDrawnAsLinesThatSkipZero) {
  TimeframeSession session(two_days());
  const char* periods[] = {"Trading Session", "Week", "Month", "Quarter", "Year"};
  const char letters[] = {'D', 'W', 'M', 'Q', 'Y'};
  const char* parts[] = {"High", "Low", "Close", "Mid"};
  const char part_letters[] = {'H', 'L', 'C', 'M'};
  const std::uint32_t colors[] = {0x00E16941u, 0x00238E6Bu, 0x00008CFFu, 0x00FF00FFu, 0x00FFFF00u};
  const std::uint16_t widths[] = {1, 2, 3, 3, 3};
  const std::uint16_t styles[] = {0, 0, 2, 4};
  for (std::int32_t p = 0; p < 5; ++p) {
    for (std::int32_t k = 0; k < 4; ++k) {
      const host::SubgraphSlot& output = session.study->subgraph(p * 4 + k);
      const std::string name = std::string("Prev. ") + periods[p] + " " + parts[k];
      const std::string label = std::string("   P") + letters[p] + part_letters[k];
      EXPECT_STREQ(host::text_of(output.name), name.c_str());
      EXPECT_STREQ(host::text_of(output.short_label), label.c_str());
      EXPECT_EQ(output.primary_color, colors[p]) << name;
      EXPECT_EQ(output.line_style, styles[k]) << name;
      EXPECT_EQ(output.line_width, widths[p]) << name;
      EXPECT_EQ(output.draw_style, 35) << name;
    }
  }
  EXPECT_FALSE(session.study->subgraph_listed(20));
}

TEST(TimeframeBlockLife, LastCallFreesTheBlockWhileADownloadIsPending) {
  TimeframeSession session(two_days());
  session.transport.hold();
  session.host->full_recalculation();
  EXPECT_EQ(session.requested(), std::vector<std::string>{"D"});
  EXPECT_EQ(session.study->persistent_int(1), 1);
  EXPECT_NE(session.study->persistent_pointer(1), nullptr);

  host::StudyInterface& sc = session.study->record();
  sc.last_call = 1;
  session.library->function()(&sc);
  sc.last_call = 0;
  EXPECT_EQ(session.study->persistent_pointer(1), nullptr);
  EXPECT_EQ(session.study->persistent_int(1), 1);

  // A call that should never come after the last one finds no block and does
  // nothing, even once the pending body has arrived.
  session.transport.release();
  session.host->deliver_downloads(kTimeout);
  session.host->full_recalculation();
  EXPECT_EQ(session.requested(), std::vector<std::string>{"D"});
  EXPECT_EQ(session.study->persistent_pointer(1), nullptr);
  EXPECT_TRUE(session.study->subgraph_values(0).empty());
}

}  // namespace
}  // namespace timeframe::test
