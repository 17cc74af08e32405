#include "studyhost/runtime/drawing_store.h"

#include <bit>
#include <limits>

namespace studyhost {
namespace {

bool unset_float(float value) {
  const auto bits = std::bit_cast<std::uint32_t>(value);
  return bits == host::kUnsetPriceBits || bits == host::kUnsetFloatLowestBits;
}

std::int32_t word_or_unset(std::uint16_t word) {
  return word == host::kUnsetWord ? -1 : static_cast<std::int32_t>(word);
}

// Copies one field of an update request: a field at its unset marker leaves
// the drawing's value alone.
void take_int(std::int32_t& field, std::int32_t value, std::int32_t unset) {
  if (value != unset) field = value;
}

void take_text(std::string& field, const host::HostString& value) {
  if (!host::is_empty(value)) field = host::text_of(value);
}

void take_fields(DrawingState& d, const host::DrawingRecord& r) {
  take_int(d.kind, r.kind, host::kDrawingNone);
  // Chart number, begin and end date-times and the user-drawn flag start at 0 in a
  // fresh request, so 0 is their unset marker: an update that only extends a
  // line keeps its anchor.
  take_int(d.chart_number, r.chart_number, 0);
  take_int(d.begin_bar, r.begin_bar, -1);
  take_int(d.end_bar, r.end_bar, -1);
  take_int(d.region, r.region, -1);
  take_int(d.font_size, r.font_size, -1);
  take_int(d.line_width, word_or_unset(r.line_width), -1);
  take_int(d.line_style, word_or_unset(r.line_style), -1);
  take_int(d.text_alignment, r.text_alignment, -1);
  take_int(d.transparency_percent, r.transparency_percent, -1);
  take_int(d.relative_vertical, r.relative_vertical, -1);
  take_int(d.reverse_text_color, r.reverse_text_color, -1);
  take_int(d.bold, r.bold, -1);
  take_int(d.user_drawn, r.user_drawn, 0);
  if (!unset_float(r.begin_price)) {
    d.begin_price = r.begin_price;
    d.has_begin_price = true;
  }
  if (!unset_float(r.end_price)) {
    d.end_price = r.end_price;
    d.has_end_price = true;
  }
  if (r.color != host::kUnsetColor) d.color = r.color;
  if (r.second_color != host::kUnsetColor) d.second_color = r.second_color;
  if (r.begin_datetime != 0) d.begin_datetime = r.begin_datetime;
  if (r.end_datetime != 0) d.end_datetime = r.end_datetime;
  take_text(d.text, r.text);
  take_text(d.font_face, r.font_face);
  take_text(d.third_text, r.third_text);
}

}  // namespace

std::int32_t DrawingStore::add_or_update(host::DrawingRecord& record, std::int32_t owner) {
  // A request laid out for another interface, or asking for another add mode,
  // is not ours to read.
  if (record.record_size != host::kDrawingRecordSize || record.add_mode != host::kAddOrUpdate) {
    return 0;
  }
  auto known = drawings_.find(record.identifier);
  if (record.identifier > 0 && known != drawings_.end()) {
    take_fields(known->second, record);
    return record.identifier;
  }
  if (next_id_ == std::numeric_limits<std::int32_t>::max()) return 0;
  DrawingState fresh;
  fresh.id = next_id_++;
  fresh.owner = owner;
  take_fields(fresh, record);
  drawings_.emplace(fresh.id, std::move(fresh));
  record.identifier = next_id_ - 1;
  return record.identifier;
}

bool DrawingStore::remove(std::int32_t id) {
  if (id == 0) return false;
  return drawings_.erase(id) > 0;
}

std::size_t DrawingStore::remove_owned_by(std::int32_t owner) {
  std::size_t removed = 0;
  for (auto it = drawings_.begin(); it != drawings_.end();) {
    if (it->second.owner == owner) {
      it = drawings_.erase(it);
      ++removed;
    } else {
      ++it;
    }
  }
  return removed;
}

const DrawingState* DrawingStore::find(std::int32_t id) const {
  auto it = drawings_.find(id);
  return it == drawings_.end() ? nullptr : &it->second;
}

}  // namespace studyhost
