#include <gtest/gtest.h>

#include "scripted_study.h"
#include "studyhost/runtime/host.h"
#include "studyhost/runtime/scripted_transport.h"

namespace {

using studyhost_test::daily_bars;
using studyhost_test::scripted_library;
using studyhost_test::scripted_study;
using studyhost_test::SeenCall;

// The (current index, first bar to update) pairs of the ordinary calls seen
// since the last clear.
std::vector<std::pair<int, int>> ordinary_calls() {
  std::vector<std::pair<int, int>> seen;
  for (const auto& call : scripted_study().calls) {
    if (call.defaults == 0 && call.last == 0) seen.emplace_back(call.index, call.first);
  }
  return seen;
}

void declare_auto_loop(host::StudyInterface& sc, int on) {
  if (sc.defaults_call != 0) sc.auto_loop = on;
}

using Pairs = std::vector<std::pair<int, int>>;

// The full-recalculation flags of the ordinary calls seen since the last clear.
std::vector<int> full_flags() {
  std::vector<int> seen;
  for (const auto& call : scripted_study().calls) {
    if (call.defaults == 0 && call.last == 0) seen.push_back(call.full);
  }
  return seen;
}

TEST(CallDriver, PerBarCallingVisitsEveryBarOnRecalculationAndTheChangedTailOnUpdates) {
  auto library = scripted_library([](host::StudyInterface& sc) { declare_auto_loop(sc, 1); });
  studyhost::ScriptedTransport transport;
  studyhost::Host host(transport);
  host.set_bars(daily_bars(3));
  host.add_study(*library);
  ASSERT_EQ(scripted_study().calls.size(), 1u);
  EXPECT_EQ(scripted_study().calls[0].defaults, 1);

  host.full_recalculation();
  EXPECT_EQ(ordinary_calls(), (Pairs{{0, 0}, {1, 0}, {2, 0}}));
  EXPECT_EQ(full_flags(), (std::vector<int>{1, 1, 1}));
  EXPECT_EQ(scripted_study().calls.back().bars, 3);

  // A new bar: the previous last bar is seen again, then the new one.
  scripted_study().calls.clear();
  host.add_bar(daily_bars(1, 45003)[0]);
  EXPECT_EQ(ordinary_calls(), (Pairs{{2, 2}, {3, 2}}));
  EXPECT_EQ(scripted_study().calls.back().bars, 4);

  scripted_study().calls.clear();
  host.change_last_bar(daily_bars(1, 45003)[0]);
  EXPECT_EQ(ordinary_calls(), (Pairs{{3, 3}}));

  scripted_study().calls.clear();
  host.add_bars(daily_bars(2, 45004));
  EXPECT_EQ(ordinary_calls(), (Pairs{{3, 3}, {4, 3}, {5, 3}}));
  EXPECT_EQ(full_flags(), (std::vector<int>{0, 0, 0}));

  // On a chart of one bar an update starts at bar 0 too, and is still no
  // full recalculation.
  host.set_bars(daily_bars(1));
  scripted_study().calls.clear();
  host.update_last_bar();
  EXPECT_EQ(ordinary_calls(), (Pairs{{0, 0}}));
  EXPECT_EQ(full_flags(), (std::vector<int>{0}));
}

TEST(CallDriver, WithoutPerBarCallingEachUpdateIsOneCallFromTheFirstChangedBar) {
  auto library = scripted_library([](host::StudyInterface& sc) { declare_auto_loop(sc, 0); });
  studyhost::ScriptedTransport transport;
  studyhost::Host host(transport);
  host.set_bars(daily_bars(3));
  host.add_study(*library);
  host.full_recalculation();
  host.add_bar(daily_bars(1, 45003)[0]);
  host.change_last_bar(daily_bars(1, 45003)[0]);
  host.update_last_bar();
  // The current index is the last bar in every call.
  EXPECT_EQ(ordinary_calls(), (Pairs{{2, 0}, {3, 2}, {3, 3}, {3, 3}}));
}

TEST(CallDriver, EmptyChartStillGetsTheOneCallOfAStudyThatWalksItsOwnBars) {
  auto library = scripted_library([](host::StudyInterface& sc) { declare_auto_loop(sc, 0); });
  studyhost::ScriptedTransport transport;
  studyhost::Host host(transport);
  host.add_study(*library);
  host.full_recalculation();
  ASSERT_EQ(ordinary_calls(), (Pairs{{0, 0}}));
  EXPECT_EQ(scripted_study().calls.back().bars, 0);
  // The first bars of an empty chart are calculated in full.
  host.add_bar(daily_bars(1)[0]);
  EXPECT_EQ(ordinary_calls(), (Pairs{{0, 0}, {0, 0}}));
  EXPECT_EQ(full_flags(), (std::vector<int>{1, 1}));
}

TEST(CallDriver, RecordCarriesTheChartBeforeEveryCall) {
  std::vector<std::int64_t> seen_times;
  host::StudyInterface seen{};
  auto library = scripted_library([&](host::StudyInterface& sc) {
    declare_auto_loop(sc, 1);
    if (sc.defaults_call != 0) {
      sc.chart_number = 99;  // a study writing host fields changes nothing next call
      return;
    }
    seen = sc;
    seen_times.push_back(host::element(sc.bar_datetimes, sc.current_index));
  });
  studyhost::ScriptedTransport transport;
  studyhost::Host host(transport);
  host.settings().price_increment = 0.01f;
  host.settings().value_format = 4;
  host.settings().skip_flag = 1;
  host.set_bars(daily_bars(2));
  host.add_study(*library);
  host.full_recalculation();
  EXPECT_EQ(seen.chart_number, 1);
  EXPECT_EQ(seen.price_increment, 0.01f);
  EXPECT_EQ(seen.value_format, 4);
  EXPECT_EQ(seen.skip_flag, 1);
  EXPECT_EQ(seen.bar_datetimes.count, 2);
  EXPECT_EQ(seen_times,
            (std::vector<std::int64_t>{45000 * host::kMicrosPerDay, 45001 * host::kMicrosPerDay}));
}

TEST(CallDriver, MenuChoiceReachesOnlyItsOwnerAndOnlyOnce) {
  auto library = scripted_library([](host::StudyInterface& sc) {
    declare_auto_loop(sc, 1);
    if (sc.defaults_call != 0 || sc.last_call != 0) return;
    std::int32_t& entry = *sc.persistent_int(&sc, 1);
    if (entry == 0) entry = sc.menu_add(&sc, sc.chart_number, "Switch");
  });
  studyhost::ScriptedTransport transport;
  studyhost::Host host(transport);
  host.set_bars(daily_bars(3));
  studyhost::StudyInstance& first = host.add_study(*library);
  studyhost::StudyInstance& second = host.add_study(*library);
  host.full_recalculation();
  ASSERT_EQ(host.menu().size(), 2u);
  const std::int32_t second_entry = second.persistent_int(1);
  EXPECT_NE(first.persistent_int(1), second_entry);

  scripted_study().calls.clear();
  EXPECT_TRUE(host.choose_menu(second_entry));
  ASSERT_EQ(scripted_study().calls.size(), 1u);
  EXPECT_EQ(scripted_study().calls[0], (SeenCall{second.id(), 0, 0, 2, 2, 3, second_entry, 0}));

  scripted_study().calls.clear();
  host.update_last_bar();
  for (const auto& call : scripted_study().calls) EXPECT_EQ(call.menu, 0);

  scripted_study().calls.clear();
  EXPECT_FALSE(host.choose_menu(12345));
  EXPECT_TRUE(scripted_study().calls.empty());
}

TEST(CallDriver, RemovedStudyGetsItsLastCallAndTakesItsDrawingsAndMenuEntries) {
  auto library = scripted_library([](host::StudyInterface& sc) {
    declare_auto_loop(sc, 0);
    if (sc.defaults_call != 0 || sc.last_call != 0) return;
    host::DrawingRecord record;
    host::init(record);
    record.kind = host::kDrawingLine;
    sc.use_drawing(&sc, &record);
    sc.menu_add(&sc, sc.chart_number, "Entry");
  });
  studyhost::ScriptedTransport transport;
  studyhost::Host host(transport);
  host.set_bars(daily_bars(2));
  studyhost::StudyInstance& gone = host.add_study(*library);
  studyhost::StudyInstance& kept = host.add_study(*library);
  host.full_recalculation();
  const std::int32_t gone_id = gone.id();
  const std::int32_t kept_id = kept.id();

  scripted_study().calls.clear();
  host.remove_study(gone);
  ASSERT_EQ(scripted_study().calls.size(), 1u);
  EXPECT_EQ(scripted_study().calls[0].last, 1);
  EXPECT_EQ(scripted_study().calls[0].instance, gone_id);
  ASSERT_EQ(host.instances().size(), 1u);
  for (const auto& [id, drawing] : host.drawings()) EXPECT_EQ(drawing.owner, kept_id);
  for (const auto& entry : host.menu()) EXPECT_EQ(entry.owner, kept_id);

  scripted_study().calls.clear();
  host.add_bar(daily_bars(1, 45002)[0]);
  for (const auto& call : scripted_study().calls) EXPECT_EQ(call.instance, kept_id);
}

TEST(CallDriver, FullRecalculationRemovesOnlyThatStudysDrawingsAndNeverReusesTheirIdentifiers) {
  auto library = scripted_library([](host::StudyInterface& sc) {
    declare_auto_loop(sc, 0);
    if (sc.defaults_call != 0 || sc.last_call != 0) return;
    std::int32_t& status = *sc.persistent_int(&sc, 7);
    // Like a study that forgets its status text: a full recalculation makes a
    // new one and deletes the identifier it remembers, which is gone already.
    if (sc.first_bar_to_update == 0) {
      EXPECT_EQ(sc.delete_drawing(&sc, sc.chart_number, 0, status), 0);
      status = 0;
    }
    if (status == 0) {
      host::DrawingRecord record;
      host::init(record);
      record.kind = host::kDrawingText;
      host::assign(record.text, "Downloading...");
      status = sc.use_drawing(&sc, &record);
      host::release(record);
    }
  });
  studyhost::ScriptedTransport transport;
  studyhost::Host host(transport);
  host.set_bars(daily_bars(2));
  studyhost::StudyInstance& a = host.add_study(*library);
  studyhost::StudyInstance& b = host.add_study(*library);
  host.full_recalculation();
  const std::int32_t a_before = a.persistent_int(7);
  const std::int32_t b_before = b.persistent_int(7);
  host.full_recalculation(a);
  EXPECT_EQ(host.drawings().size(), 2u);
  EXPECT_EQ(host.drawings().count(a_before), 0u);
  EXPECT_EQ(host.drawings().count(b_before), 1u);
  EXPECT_GT(a.persistent_int(7), b_before);
}

TEST(CallDriver, SubgraphValuesAreSizedToTheBarsWhenTouchedAndGrowWithThem) {
  auto library = scripted_library([](host::StudyInterface& sc) {
    declare_auto_loop(sc, 1);
    if (sc.defaults_call != 0) {
      host::assign(host::element(sc.subgraphs, 0).name, "Declared");
      return;
    }
    if (sc.last_call != 0) return;
    host::element(host::element(sc.subgraphs, 3).values, sc.current_index) =
        static_cast<float>(sc.current_index) + 0.5f;
  });
  studyhost::ScriptedTransport transport;
  studyhost::Host host(transport);
  host.set_bars(daily_bars(3));
  studyhost::StudyInstance& study = host.add_study(*library);
  EXPECT_TRUE(study.subgraph_listed(0));
  EXPECT_FALSE(study.subgraph_listed(3));
  EXPECT_TRUE(study.subgraph_values(0).empty());

  host.full_recalculation();
  EXPECT_EQ(study.subgraph_values(3), (std::vector<float>{0.5f, 1.5f, 2.5f}));
  EXPECT_TRUE(study.subgraph_listed(3));
  EXPECT_FALSE(study.subgraph_listed(4));
  host.add_bar(daily_bars(1, 45003)[0]);
  EXPECT_EQ(study.subgraph_values(3), (std::vector<float>{0.5f, 1.5f, 2.5f, 3.5f}));
}

TEST(CallDriver, FullRecalculationStartsThatStudysValuesAtZero) {
  // Writes bar values only while persistent cell 1 says so, as a study that
  // shows an error or skips bars outside its periods does.
  auto library = scripted_library([](host::StudyInterface& sc) {
    declare_auto_loop(sc, 1);
    if (sc.defaults_call != 0 || sc.last_call != 0) return;
    if (*sc.persistent_int(&sc, 1) == 0) {
      host::element(host::element(sc.subgraphs, 0).values, sc.current_index) = 7.0f;
    }
  });
  studyhost::ScriptedTransport transport;
  studyhost::Host host(transport);
  host.set_bars(daily_bars(3));
  studyhost::StudyInstance& quiet = host.add_study(*library);
  studyhost::StudyInstance& other = host.add_study(*library);
  host.full_recalculation();
  *quiet.persistent_int_cell(1) = 1;

  host.full_recalculation(quiet);
  EXPECT_EQ(quiet.subgraph_values(0), std::vector<float>(3, 0.0f));
  EXPECT_EQ(other.subgraph_values(0), std::vector<float>(3, 7.0f));

  // An update from bar 0, on a chart of one bar, is no full recalculation:
  // what the study wrote stays.
  *quiet.persistent_int_cell(1) = 0;
  host.set_bars(daily_bars(1));
  host.full_recalculation(quiet);
  *quiet.persistent_int_cell(1) = 1;
  host.update_last_bar();
  EXPECT_EQ(quiet.subgraph_values(0), std::vector<float>(1, 7.0f));
}

TEST(CallDriver, InputsBeyondTheDeclaredReadAsZeroKindAndListsFollowTheirValue) {
  auto library = scripted_library([](host::StudyInterface& sc) {
    declare_auto_loop(sc, 0);
    if (sc.defaults_call == 0) return;
    host::InputSlot& list = host::element(sc.inputs, 1);
    host::set_int(list, host::kKindCustomList, 1);
    host::set_list_entries(list, "Daily;Weekly;Monthly;");
  });
  studyhost::ScriptedTransport transport;
  studyhost::Host host(transport);
  studyhost::StudyInstance& study = host.add_study(*library);
  const host::InputSlot& undeclared = host::element(study.record().inputs, 26);
  EXPECT_EQ(undeclared.kind, 0);
  EXPECT_EQ(host::int_value(undeclared), 0);
  EXPECT_STREQ(host::text_value(undeclared), "Unset");

  EXPECT_EQ(study.list_entries(1), (std::vector<std::string>{"Daily", "Weekly", "Monthly"}));
  EXPECT_STREQ(study.input(1).selected_entry_text, "Weekly");
  study.set_input_int(1, 2);
  EXPECT_STREQ(host::selected_entry_text(study.input(1)), "Monthly");
  study.set_input_int(1, 3);
  EXPECT_EQ(host::selected_entry_text(study.input(1)), nullptr);
  EXPECT_EQ(study.input(1).kind, host::kKindCustomList);
}

TEST(CallDriver, InputSettersKeepTheDeclaredKind) {
  auto library = scripted_library([](host::StudyInterface& sc) {
    if (sc.defaults_call == 0) return;
    host::set_float(host::element(sc.inputs, 0), 1.0f);
    host::set_int(host::element(sc.inputs, 1), host::kKindInteger, 1);
    host::set_text_kind(host::element(sc.inputs, 2));
  });
  studyhost::ScriptedTransport transport;
  studyhost::Host host(transport);
  studyhost::StudyInstance& study = host.add_study(*library);
  study.set_input_int(0, 3);
  EXPECT_EQ(host::float_value(study.input(0)), 3.0f);
  study.set_input_float(1, 2.5f);
  EXPECT_EQ(host::int_value(study.input(1)), 3);
  study.set_input_text(2, "key-123");
  study.set_input_text(2, "key-456");  // the first text is freed
  EXPECT_STREQ(host::text_value(study.input(2)), "key-456");
  study.set_input_double(5, 0.5);  // an undeclared slot becomes an integer input
  EXPECT_EQ(study.input(5).kind, host::kKindInteger);
  EXPECT_THROW(study.input(studyhost::kInputSlots), std::out_of_range);
}

}  // namespace
