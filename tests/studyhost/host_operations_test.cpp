// The host operations a study reaches through its record, called the way a
// study calls them.
#include <gtest/gtest.h>

#include <string>

#include "scripted_study.h"
#include "studyhost/runtime/host.h"
#include "studyhost/runtime/scripted_transport.h"

namespace {

using studyhost_test::daily_bars;
using studyhost_test::scripted_library;

class HostOperations : public ::testing::Test {
 protected:
  HostOperations()
      : library_(scripted_library(nullptr)), host_(transport_), study_(host_.add_study(*library_)) {
    host_.set_bars(daily_bars(4));
  }
  host::StudyInterface& sc() { return study_.record(); }

  std::unique_ptr<studyhost::StudyLibrary> library_;
  studyhost::ScriptedTransport transport_;
  studyhost::Host host_;
  studyhost::StudyInstance& study_;
};

std::string take(host::HostString s) {
  std::string text = host::text_of(s);
  EXPECT_EQ(s.owns, text.empty() ? 0 : 1);
  EXPECT_EQ(s.set, 1);
  host::release(s);
  return text;
}

TEST_F(HostOperations, TextsComeBackAsNewHostStrings) {
  EXPECT_EQ(take(sc().format_value(&sc(), 4500.25, 2)), "4500.25");
  EXPECT_EQ(take(sc().format_value(&sc(), 4500.25, 0)), "4500");
  EXPECT_EQ(take(sc().format_datetime(&sc(), 45000 * host::kMicrosPerDay, 7)), "2023-03-15");
  EXPECT_EQ(take(sc().format_datetime(&sc(), 45000 * host::kMicrosPerDay + 1000000, 3)),
            "2023-03-15 00:00:01");
}

// A map's day is the chart's calendar day: its midnight is a chart time as it is.
TEST_F(HostOperations, ConversionsKeepADaysMidnightInChartTime) {
  const std::int64_t t = 45000 * host::kMicrosPerDay;
  EXPECT_EQ(sc().convert_to_chart_time(&sc(), &t), t);
  EXPECT_EQ(sc().convert_for_bar_lookup(&sc(), &t), t);
  EXPECT_EQ(sc().convert_to_chart_time(&sc(), nullptr), 0);
}

TEST_F(HostOperations, BarIndexReadsTheChartsBars) {
  EXPECT_EQ(sc().bar_index_at(&sc(), 1, 45002 * host::kMicrosPerDay), 2);
  EXPECT_EQ(sc().bar_index_at(&sc(), 1, 46000 * host::kMicrosPerDay), 3);
}

TEST_F(HostOperations, PersistentCellsAreStableAndStartAtZero) {
  std::int32_t* cell = sc().persistent_int(&sc(), 5);
  ASSERT_NE(cell, nullptr);
  EXPECT_EQ(*cell, 0);
  *cell = 17;
  for (int key = 100; key < 200; ++key) sc().persistent_int(&sc(), key);  // more cells
  EXPECT_EQ(sc().persistent_int(&sc(), 5), cell);
  EXPECT_EQ(study_.persistent_int(5), 17);
  void** pointer = sc().persistent_pointer(&sc(), 5);
  ASSERT_NE(pointer, nullptr);
  EXPECT_EQ(*pointer, nullptr);
  EXPECT_EQ(sc().persistent_int(nullptr, 5) != nullptr, true);
}

TEST_F(HostOperations, DrawingsAreAddedUpdatedAndDeletedForTheCallingStudy) {
  host::DrawingRecord record;
  host::init(record);
  record.kind = host::kDrawingText;
  host::assign(record.text, "Downloading...");
  const std::int32_t id = sc().use_drawing(&sc(), &record);
  EXPECT_EQ(record.identifier, id);
  EXPECT_EQ(host_.drawings().at(id).owner, study_.id());
  EXPECT_EQ(host_.drawings().at(id).text, "Downloading...");
  host::release(record);
  EXPECT_EQ(sc().use_drawing(&sc(), nullptr), 0);
  EXPECT_EQ(sc().delete_drawing(&sc(), 1, 0, 0), 0);
  EXPECT_EQ(sc().delete_drawing(&sc(), 1, 0, id), 1);
  EXPECT_EQ(sc().delete_drawing(&sc(), 1, 0, id), 0);
  EXPECT_TRUE(host_.drawings().empty());
}

TEST_F(HostOperations, LogAppendsLinesAsGiven) {
  sc().add_log(&sc(), "Error parsing data", 0);
  sc().add_log(&sc(), nullptr, 0);
  sc().add_log(&sc(), "", 1);
  EXPECT_EQ(study_.log(), (std::vector<std::string>{"Error parsing data", ""}));
}

TEST_F(HostOperations, SeparatorNeedsItsFlagByteWhichEachCallClears) {
  EXPECT_EQ(sc().menu_add_separator(&sc(), 1), 0);
  sc().menu_separator_flag = 1;
  const std::int32_t separator = sc().menu_add_separator(&sc(), 1);
  EXPECT_EQ(separator, 1);
  EXPECT_EQ(sc().menu_separator_flag, 0);
  EXPECT_EQ(sc().menu_add_separator(&sc(), 1), 0);
  const std::int32_t entry = sc().menu_add(&sc(), 1, "Show UT levels");
  EXPECT_EQ(entry, 2);
  EXPECT_EQ(sc().menu_add(&sc(), 1, nullptr), 0);
  sc().menu_set_check(&sc(), 1, entry, 1);
  sc().menu_set_text(&sc(), 1, entry, "Show UT");
  sc().menu_set_check(&sc(), 1, 77, 1);
  ASSERT_EQ(host_.menu().size(), 2u);
  EXPECT_TRUE(host_.menu()[0].separator);
  EXPECT_EQ(host_.menu()[1].text, "Show UT");
  EXPECT_TRUE(host_.menu()[1].checked);
  sc().menu_remove(&sc(), 1, separator);
  EXPECT_EQ(host_.menu().size(), 1u);
}

TEST_F(HostOperations, ObserverSeesOperationsWithTheKeyRedacted) {
  std::vector<studyhost::HostCall> calls;
  host_.set_observer([&](const studyhost::HostCall& call) { calls.push_back(call); });
  transport_.respond("https://", "{}");
  host::HostString url = host::make_host_string();
  host::assign(url, "https://levels.example/x?symbol=ES&api_key=SECRET123");
  EXPECT_EQ(sc().http_request(&sc(), &url), 1);
  host::release(url);
  sc().add_log(&sc(), "line", 0);
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].operation, "http_request");
  EXPECT_EQ(calls[0].instance, study_.id());
  EXPECT_EQ(calls[0].arguments.find("SECRET123"), std::string::npos);
  EXPECT_NE(calls[0].arguments.find("api_key=***"), std::string::npos);
  EXPECT_EQ(calls[1].operation, "add_log");
  EXPECT_TRUE(host_.deliver_downloads(std::chrono::seconds(10)));
  host_.set_observer(nullptr);  // `calls` goes before the host's last calls
}

}  // namespace
