#include <gtest/gtest.h>

#include <bit>
#include <string>

#include "fake_host.h"
#include "levelclient/level_request.h"
#include "levelclient/status_text.h"

namespace levelclient {
namespace {

using levelclient_test::FakeHost;

TEST(ShowStatus, FillsOneTextDrawingAtTheTopLeftOfTheChart) {
  FakeHost host;
  host.sc.chart_number = 7;
  std::int32_t status_id = 0;
  show_status(host.sc, status_id, "Missing API Key", true, true);

  ASSERT_EQ(host.drawings.size(), 1u);
  const host::DrawingRecord& r = host.last_status().record;
  EXPECT_EQ(host.last_status().text, "Missing API Key");
  EXPECT_EQ(r.identifier, 1);  // written back by the host; -1 was sent
  EXPECT_EQ(r.kind, host::kDrawingText);
  EXPECT_EQ(r.chart_number, 7);
  EXPECT_EQ(r.region, 0);
  EXPECT_EQ(r.color, 0x000000FFu);
  EXPECT_EQ(r.second_color, 0x00FF0000u);
  EXPECT_EQ(r.font_size, 13);
  EXPECT_EQ(r.text_alignment, 0);
  EXPECT_EQ(std::bit_cast<std::uint32_t>(r.begin_price), std::bit_cast<std::uint32_t>(98.0f));
  EXPECT_EQ(r.begin_datetime, 86400000000LL);
  EXPECT_EQ(r.add_mode, 3);
  EXPECT_EQ(r.line_width, 5);
  EXPECT_EQ(r.relative_vertical, 1);
  // Everything else stays at its unset marker.
  EXPECT_EQ(r.record_size, 992);
  EXPECT_EQ(r.version, 2628);
  EXPECT_TRUE(host::is_unset_price(r.end_price));
  EXPECT_EQ(r.line_style, 0xFFFF);
  EXPECT_EQ(r.transparency_percent, -1);
  EXPECT_EQ(r.begin_bar, -1);
  EXPECT_EQ(status_id, 1);
}

TEST(ShowStatus, EachStatusReplacesTheLastInPlace) {
  FakeHost host;
  std::int32_t status_id = 0;
  show_status(host.sc, status_id, "Downloading...", false, false);
  EXPECT_EQ(host.drawings[0].record.identifier, 1);
  show_status(host.sc, status_id, " ", false, false);
  ASSERT_EQ(host.drawings.size(), 2u);
  EXPECT_EQ(host.drawings[1].identifier, 1);
  EXPECT_EQ(host.drawings[1].record.color, 0x00008000u);
  EXPECT_EQ(status_id, 1);

  // After a full recalculation the slot is 0 again: a new drawing.
  status_id = 0;
  show_status(host.sc, status_id, "Downloading...", false, false);
  EXPECT_EQ(status_id, 2);
}

TEST(ShowStatus, LogsTheTextItselfOnlyWhenAsked) {
  FakeHost host;
  std::int32_t status_id = 0;
  show_status(host.sc, status_id, "Downloading...", false, false);
  EXPECT_TRUE(host.log.empty());
  show_status(host.sc, status_id, "Could not request data", true, true);
  ASSERT_EQ(host.log.size(), 1u);
  EXPECT_EQ(host.log[0].text, "Could not request data");
  EXPECT_EQ(host.log[0].show_log, 0);
}

TEST(SendRequest, HandsTheHostTheBuiltUrl) {
  FakeHost host;
  const QueryValues values{"Stocks", "AT&T", "W", "k"};
  EXPECT_EQ(send_request(host.sc, values), RequestOutcome::kAccepted);
  ASSERT_EQ(host.urls.size(), 1u);
  EXPECT_EQ(host.urls[0], build_url(values));

  host.accept_requests = 0;
  EXPECT_EQ(send_request(host.sc, values), RequestOutcome::kRefused);
  EXPECT_EQ(host.urls.size(), 2u);
}

TEST(SendRequest, TooLongUrlIsNeverSent) {
  FakeHost host;
  EXPECT_EQ(send_request(host.sc, {"Stocks", std::string(300, 'S'), "W", "k"}),
            RequestOutcome::kUrlTooLong);
  EXPECT_TRUE(host.urls.empty());
}

TEST(RequestValues, InputsWithoutTextReadAsUnsetAndListsWithoutTextAsEmpty) {
  host::InputSlot input{};
  host::set_text_kind(input);
  EXPECT_EQ(request_text(input), "Unset");
  char key[] = "";
  input.text = key;
  EXPECT_EQ(request_text(input), "");
  input.text = nullptr;

  host::InputSlot list{};
  host::set_int(list, host::kKindCustomList, 4);
  EXPECT_EQ(request_text(list), "Unset");
  EXPECT_EQ(asset_class_text(list), "");
  list.selected_entry_text = "Forex";
  EXPECT_EQ(asset_class_text(list), "Forex");
}

}  // namespace
}  // namespace levelclient
