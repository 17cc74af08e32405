#include "studyhost/runtime/drawing_store.h"

#include <gtest/gtest.h>

#include <bit>

#include "host/study_interface.h"
#include "studyhost/runtime/menu.h"

namespace {

struct Request {
  host::DrawingRecord record;
  Request() { host::init(record); }
  ~Request() { host::release(record); }
};

TEST(DrawingStore, IdentifiersStartAtOneAreWrittenBackAndNeverReused) {
  studyhost::DrawingStore store;
  Request first;
  EXPECT_EQ(store.add_or_update(first.record, 1), 1);
  EXPECT_EQ(first.record.identifier, 1);
  Request unknown;
  unknown.record.identifier = 57;  // not a drawing of this chart: a new one
  EXPECT_EQ(store.add_or_update(unknown.record, 1), 2);
  EXPECT_EQ(unknown.record.identifier, 2);
  EXPECT_TRUE(store.remove(2));
  Request after_delete;
  EXPECT_EQ(store.add_or_update(after_delete.record, 1), 3);
  EXPECT_EQ(store.find(2), nullptr);
}

TEST(DrawingStore, UpdateChangesOnlyTheFieldsThatAreSet) {
  studyhost::DrawingStore store;
  Request full;
  host::DrawingRecord& r = full.record;
  r.chart_number = 1;
  r.kind = host::kDrawingLine;
  r.begin_bar = 10;
  r.end_bar = 20;
  r.begin_price = 4500.25f;
  r.end_price = 4500.25f;
  r.color = 0x000000FF;
  r.second_color = 0x00FF0000;
  r.line_width = 2;
  r.line_style = host::kLineDash;
  r.begin_datetime = 45000 * host::kMicrosPerDay;
  r.transparency_percent = 75;
  r.reverse_text_color = 1;
  host::assign(r.text, "UT1");
  host::assign(r.font_face, "Ariel");
  const std::int32_t id = store.add_or_update(r, 4);

  Request extend;
  extend.record.identifier = id;
  extend.record.end_bar = 25;
  extend.record.end_price = std::bit_cast<float>(host::kUnsetFloatLowestBits);
  ASSERT_EQ(store.add_or_update(extend.record, 9), id);

  const studyhost::DrawingState& d = *store.find(id);
  EXPECT_EQ(d.owner, 4);  // an update does not take the drawing over
  EXPECT_EQ(d.kind, host::kDrawingLine);
  EXPECT_EQ(d.chart_number, 1);
  EXPECT_EQ(d.begin_bar, 10);
  EXPECT_EQ(d.end_bar, 25);
  EXPECT_EQ(d.begin_price, 4500.25f);
  EXPECT_EQ(d.end_price, 4500.25f);
  EXPECT_EQ(d.color, 0x000000FFu);
  EXPECT_EQ(d.second_color, 0x00FF0000u);
  EXPECT_EQ(d.line_width, 2);
  EXPECT_EQ(d.line_style, host::kLineDash);
  EXPECT_EQ(d.begin_datetime, 45000 * host::kMicrosPerDay);
  EXPECT_EQ(d.transparency_percent, 75);
  EXPECT_EQ(d.reverse_text_color, 1);
  EXPECT_EQ(d.text, "UT1");
  EXPECT_EQ(d.font_face, "Ariel");

  Request recolour;
  recolour.record.identifier = id;
  recolour.record.color = 0;  // black is a colour, not the unset marker
  host::assign(recolour.record.text, "UT2");
  store.add_or_update(recolour.record, 4);
  EXPECT_EQ(store.find(id)->color, 0u);
  EXPECT_EQ(store.find(id)->text, "UT2");
}

TEST(DrawingStore, FreshDrawingKeepsUnsetFieldsAsUnset) {
  studyhost::DrawingStore store;
  Request bare;
  const std::int32_t id = store.add_or_update(bare.record, 1);
  const studyhost::DrawingState& d = *store.find(id);
  EXPECT_FALSE(d.has_begin_price);
  EXPECT_FALSE(d.has_end_price);
  EXPECT_EQ(d.line_width, -1);
  EXPECT_EQ(d.color, host::kUnsetColor);
  EXPECT_EQ(d.text, "");
}

TEST(DrawingStore, DeleteOfZeroOrUnknownIdentifiersDoesNothing) {
  studyhost::DrawingStore store;
  Request one;
  store.add_or_update(one.record, 1);
  EXPECT_FALSE(store.remove(0));
  EXPECT_FALSE(store.remove(-1));
  EXPECT_FALSE(store.remove(42));
  EXPECT_EQ(store.drawings().size(), 1u);
}

TEST(DrawingStore, RequestOfAnotherLayoutOrAddModeIsRefused) {
  studyhost::DrawingStore store;
  Request wrong_size;
  wrong_size.record.record_size = 900;
  EXPECT_EQ(store.add_or_update(wrong_size.record, 1), 0);
  Request wrong_mode;
  wrong_mode.record.add_mode = 1;
  EXPECT_EQ(store.add_or_update(wrong_mode.record, 1), 0);
  EXPECT_EQ(wrong_mode.record.identifier, host::kNewDrawing);
  EXPECT_TRUE(store.drawings().empty());
}

TEST(Menu, EntriesKeepIdentifiersAcrossRemovalsAndUnknownOnesChangeNothing) {
  studyhost::Menu menu;
  EXPECT_EQ(menu.add(1, "Show UT"), 1);
  EXPECT_EQ(menu.add_separator(1), 2);
  EXPECT_EQ(menu.add(2, "Show DT"), 3);
  EXPECT_TRUE(menu.remove(1));
  EXPECT_EQ(menu.add(1, "Show UT"), 4);
  EXPECT_TRUE(menu.set_checked(3, true));
  EXPECT_TRUE(menu.set_text(3, "Show DT levels"));
  EXPECT_FALSE(menu.set_checked(99, true));
  EXPECT_FALSE(menu.remove(99));
  EXPECT_EQ(menu.remove_owned_by(1), 2u);
  ASSERT_EQ(menu.entries().size(), 1u);
  EXPECT_EQ(menu.entries()[0].text, "Show DT levels");
  EXPECT_TRUE(menu.entries()[0].checked);
}

}  // namespace
