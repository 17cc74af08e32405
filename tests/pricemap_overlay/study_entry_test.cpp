// What the library tells the host about itself: its exports and the study's
// declaration in the defaults call.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "host/input_slot.h"
#include "price_map_fixtures.h"
#include "pricemap_session.h"

namespace pmtest {
namespace {

TEST(StudyEntry, LibraryAnswersWithItsVersionAndName) {
  PriceMapSession s(bars_on_day(kDay20240315, 1));
  EXPECT_EQ(s.library->version(), 2628);
  EXPECT_EQ(s.library->name(), "QLX PRICEMAP OVERLAY");
  EXPECT_EQ(s.library->function_name(), "scsf_qlx_pricemap_overlay");
}

TEST(StudyEntry, DefaultsCallDeclaresTheStudy) {
  PriceMapSession s(bars_on_day(kDay20240315, 1));
  const host::StudyInterface& sc = s.study->record();
  EXPECT_STREQ(host::text_of(sc.study_name), "QLX PRICEMAP OVERLAY");
  EXPECT_STREQ(host::text_of(sc.second_display_text), "");
  EXPECT_EQ(sc.auto_loop, 1);
  EXPECT_EQ(sc.region, 0);
  EXPECT_EQ(sc.uses_price_scale, 1);
  EXPECT_EQ(sc.draws_over_price, 1);
  EXPECT_TRUE(s.level_drawings().empty());
  EXPECT_TRUE(s.menu().empty()) << "nothing but the declaration runs in the defaults call";
}

struct ExpectedInput {
  int number;
  const char* name;
  std::uint8_t kind;
  std::uint32_t bits;  // stored 32 bits (float bits for the float kind)
  int display_order;
  const char* entries;
};

TEST(StudyEntry, DefaultsCallDeclaresTheThirtyInputs) {
  constexpr std::uint8_t kColor = host::kKindColor, kYesNo = host::kKindYesNo,
                         kList = host::kKindCustomList, kInt = host::kKindInteger;
  const char* styles = "Solid;Dash;Dot;DashDot;DashDotDot";
  const std::vector<ExpectedInput> expected{
      {1, "R Level Color", kColor, 0x0000FF00, 7, nullptr},
      {2, "C+ Color", kColor, 0x00FFFF00, 8, nullptr},
      {3, "C- Color", kColor, 0x00FF00FF, 9, nullptr},
      {4, "Dir Color", kColor, 0x0000FFFF, 10, nullptr},
      {5, "Up Pivot Color", kColor, 0x000000FF, 6, nullptr},
      {6, "Down Pivot Color", kColor, 0x00FF0000, 11, nullptr},
      {7, "Minor Resistance Level Color", kColor, 0x0000008B, 12, nullptr},
      {8, "Minor Support Level Color", kColor, 0x008B0000, 13, nullptr},
      {10, "Show Major Levels", kYesNo, 1, 26, nullptr},
      {11, "Show Variance", kYesNo, 1, 22, nullptr},
      {12, "Show AD", kYesNo, 1, 23, nullptr},
      {13, "Show MSD", kYesNo, 0, 24, nullptr},
      {14, "Show Minor Levels", kYesNo, 0, 25, nullptr},
      {15, "Show Labels", kList, 2, 27, "Hide;Left;Right"},
      {16, "Multiplier", host::kKindFloat, 0x3F800000, 29, nullptr},
      {19, "Label offset", kInt, 7, 30, nullptr},
      {23, "CRX+ Color", kColor, 0x00C1B6FF, 14, nullptr},
      {24, "CRX- Color", kColor, 0x00DB7093, 15, nullptr},
      {28, "Line Thickness Major Levels", kInt, 2, 18, nullptr},
      {29, "Line Style Major Levels", kList, 0, 19, styles},
      {30, "Line Thickness Minor Levels", kInt, 1, 20, nullptr},
      {31, "Line Style Minor Levels", kList, 3, 21, styles},
      {32, "CR+ Color", kColor, 0x00004080, 16, nullptr},
      {33, "CR- Color", kColor, 0x00004080, 17, nullptr},
      {36, "", kInt, 0, 5, nullptr},
      {37, "Show Price Labels", kList, 1, 28, "All;Current Session;Disabled"},
      {38, "Asset Class", kList, 0, 1, "Crypto;Futures;Stocks;ETF"},
      {40, "Time Frame", kList, 0, 3, "Daily;Weekly;Monthly;Quarterly;Yearly"},
  };
  PriceMapSession s(bars_on_day(kDay20240315, 1));
  for (const ExpectedInput& e : expected) {
    SCOPED_TRACE(e.number);
    const host::InputSlot& slot = s.study->input(e.number);
    EXPECT_STREQ(host::text_of(slot.name), e.name);
    EXPECT_EQ(slot.kind, e.kind);
    EXPECT_EQ(host::stored_bits(slot), e.bits);
    EXPECT_EQ(slot.display_order, e.display_order);
    std::string entries;
    for (const std::string& entry : s.study->list_entries(e.number)) {
      entries += (entries.empty() ? "" : ";") + entry;
    }
    EXPECT_EQ(entries, e.entries != nullptr ? e.entries : "");
  }
  for (const int text_input : {kInputSymbol, kInputApiKey}) {
    const host::InputSlot& slot = s.study->input(text_input);
    EXPECT_EQ(slot.kind, host::kKindText);
    EXPECT_EQ(slot.text, nullptr);
    EXPECT_STREQ(host::text_value(slot), "Unset");
  }
  EXPECT_STREQ(host::text_of(s.study->input(kInputSymbol).name), "Symbol");
  EXPECT_EQ(s.study->input(kInputSymbol).display_order, 2);
  EXPECT_STREQ(host::text_of(s.study->input(kInputApiKey).name), "API Key");
  EXPECT_EQ(s.study->input(kInputApiKey).display_order, 4);
  for (const int hidden : {0, 9, 17, 18, 20, 21, 22, 25, 26, 27, 34, 35}) {
    EXPECT_EQ(s.study->input(hidden).kind, 0) << "input " << hidden << " is not declared";
  }
}

TEST(StudyEntry, SkipFlagEndsTheCallRightAfterTheMenuStep) {
  PriceMapSession s(bars_on_day(kDay20240315, 3));
  s.answer_with(price_map_body({fixture_record("2024-03-15", 4000.0f)}));
  s.host->settings().skip_flag = 1;
  s.host->full_recalculation();
  EXPECT_TRUE(s.study->requests().empty());
  EXPECT_EQ(s.status(), nullptr);
  EXPECT_TRUE(s.values(10).empty());

  ASSERT_EQ(s.menu().size(), 9u) << "the state and its menu exist";
  ASSERT_TRUE(s.host->choose_menu(s.menu_entry("Show MSD")->id));
  EXPECT_EQ(host::stored_int(s.study->input(13)), 1) << "menu choices are still handled";

  s.host->settings().skip_flag = 0;
  s.recalculate_and_settle();
  EXPECT_EQ(s.status_text(), "Price Map Date: 2024-03-15");
}

TEST(StudyEntry, LastCallFreesTheStateAndRemovesTheMenu) {
  PriceMapSession s(bars_on_day(kDay20240315, 3));
  s.answer_with(price_map_body({fixture_record("2024-03-15", 4000.0f)}));
  s.recalculate_and_settle();
  ASSERT_EQ(s.menu().size(), 9u);

  std::vector<std::string> operations;
  s.host->set_observer([&](const studyhost::HostCall& c) { operations.push_back(c.operation); });
  s.host->remove_study(*s.study);
  EXPECT_EQ(std::count(operations.begin(), operations.end(), "menu_remove"), 9);
  EXPECT_TRUE(s.host->menu().empty());
  s.host->set_observer({});
}

}  // namespace
}  // namespace pmtest
