// The study's chart menu: entries named for the instance, check marks that
// follow their inputs, and choices that flip a switch and redraw at once.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "price_map_fixtures.h"
#include "pricemap_session.h"

namespace pmtest {
namespace {

const std::vector<std::string> kEntryNames{
    "Show VAR",    "Show AD", "Show MSD", "Show Minors",
    "Show Majors", "Show R",  "Show Dir", "Show Critical Range"};

std::set<std::int32_t> drawing_ids(const PriceMapSession& s) {
  std::set<std::int32_t> ids;
  for (const studyhost::DrawingState& d : s.level_drawings()) ids.insert(d.id);
  return ids;
}

class LevelMenu : public ::testing::Test {
 protected:
  void SetUp() override {
    s.answer_with(price_map_body({fixture_record("2024-03-15", 4000.0f)}));
    s.recalculate_and_settle();
  }
  bool checked(const std::string& name) const { return s.menu_entry(name)->checked; }

  PriceMapSession s{bars_on_day(kDay20240315, 4)};
};

TEST_F(LevelMenu, EntriesFollowTheSeparatorNamedForSymbolAndTimeFrame) {
  s.study->set_input_int(kInputTimeFrame, 1);
  s.host->full_recalculation();
  s.settle();

  const std::vector<studyhost::MenuEntry> menu = s.menu();
  ASSERT_EQ(menu.size(), 9u) << "created once, not per full recalculation";
  EXPECT_TRUE(menu[0].separator);
  for (std::size_t i = 0; i < kEntryNames.size(); ++i) {
    EXPECT_EQ(menu[i + 1].text, "ES.W " + kEntryNames[i]);
  }
  const std::vector<bool> defaults{true, true, false, false, true, false, false, false};
  for (std::size_t i = 0; i < kEntryNames.size(); ++i) {
    EXPECT_EQ(menu[i + 1].checked, defaults[i]) << kEntryNames[i];
  }
}

TEST_F(LevelMenu, KeyShowsUnsetSymbolAndUnknownTimeFrame) {
  PriceMapSession fresh(bars_on_day(kDay20240315, 2));
  fresh.study->set_input_int(kInputTimeFrame, 9);
  fresh.transport.hold();
  fresh.host->full_recalculation();
  EXPECT_EQ(fresh.menu()[1].text, "Unset.unk Show VAR");
  fresh.transport.release();
}

// The key stays within 63 characters by cutting the Symbol: the time frame
// after it is what tells a Daily and a Weekly instance of one Symbol apart.
TEST_F(LevelMenu, LongSymbolIsCutAndKeepsTheTimeFrame) {
  s.study->set_input_text(kInputSymbol, std::string(70, 'X'));
  s.host->full_recalculation();
  s.settle();
  EXPECT_EQ(s.menu()[1].text, std::string(61, 'X') + ".D Show VAR");
  EXPECT_EQ(s.menu()[8].text, std::string(61, 'X') + ".D Show Critical Range");
  s.study->set_input_int(kInputTimeFrame, 1);
  s.host->full_recalculation();
  s.settle();
  EXPECT_EQ(s.menu()[1].text, std::string(61, 'X') + ".W Show VAR");
}

TEST_F(LevelMenu, ChoiceFlipsItsInputAndRedrawsAtOnce) {
  const std::size_t before = s.level_drawings().size();
  ASSERT_GT(before, 0u);

  ASSERT_TRUE(s.host->choose_menu(s.menu_entry("Show MSD")->id));
  EXPECT_EQ(s.study->input(13).kind, host::kKindYesNo);
  EXPECT_EQ(host::stored_int(s.study->input(13)), 1);
  EXPECT_TRUE(checked("Show MSD"));
  EXPECT_GT(s.level_drawings().size(), before) << "MSD lines drawn without a recalculation";

  ASSERT_TRUE(s.host->choose_menu(s.menu_entry("Show MSD")->id));
  EXPECT_EQ(host::stored_int(s.study->input(13)), 0);
  EXPECT_FALSE(checked("Show MSD"));
  EXPECT_EQ(s.level_drawings().size(), before);
}

TEST_F(LevelMenu, FirstChoiceOfAnUndeclaredSwitchTurnsItOn) {
  EXPECT_FALSE(checked("Show Critical Range"));
  ASSERT_TRUE(s.host->choose_menu(s.menu_entry("Show Critical Range")->id));
  EXPECT_EQ(s.study->input(27).kind, host::kKindYesNo);
  EXPECT_EQ(host::stored_int(s.study->input(27)), 1);
  EXPECT_TRUE(checked("Show Critical Range"));
}

TEST_F(LevelMenu, ChoiceOfNoEntryOnlyRefreshesTheCheckMarks) {
  s.study->set_input_yes_no(13, true);
  host::set_int(s.study->input(25), host::kKindInteger, 2);  // on, but not exactly 1
  s.study->set_input_yes_no(11, false);
  const std::set<std::int32_t> ids = drawing_ids(s);

  s.study->record().chosen_menu_id = 9999;  // delivered with the next call
  s.host->update_last_bar();
  EXPECT_TRUE(checked("Show MSD"));
  EXPECT_FALSE(checked("Show VAR"));
  EXPECT_FALSE(checked("Show R"));
  EXPECT_EQ(host::stored_int(s.study->input(25)), 2) << "no input flipped";
  EXPECT_EQ(drawing_ids(s), ids) << "no redraw";
}

}  // namespace
}  // namespace pmtest
