#include "host/drawing_record.h"

#include "host/study_interface.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace host {

void init(DrawingRecord& r) {
  std::memset(&r, 0xFF, sizeof r);  // -1 in every integer field not named below
  r.record_size = kDrawingRecordSize;
  r.chart_number = 0;
  r.identifier = kNewDrawing;
  r.begin_price = unset_price();
  r.end_price = unset_price();
  r.color = kUnsetColor;
  r.reserved_60 = std::bit_cast<float>(kUnsetFloatLowestBits);
  r.begin_datetime = 0;
  r.end_datetime = 0;
  r.text = make_host_string();
  r.kind = kDrawingNone;
  r.line_width = kUnsetWord;
  r.line_style = kUnsetWord;
  r.add_mode = kAddOrUpdate;
  r.version = kInterfaceVersion;
  r.font_face = make_host_string();
  r.second_color = kUnsetColor;
  r.user_drawn = 0;
  r.third_text = make_host_string();
  std::memset(r.reserved_944, 0, sizeof r.reserved_944);
  // The tail stays 0xFF: the host reads it as unset for version 2561 and later.
}

void reset(DrawingRecord& r) {
  release(r);
  init(r);
}

void release(DrawingRecord& r) {
  host::release(r.text);
  host::release(r.font_face);
  host::release(r.third_text);
}

float unset_price() {
  return std::bit_cast<float>(kUnsetPriceBits);
}

bool is_unset_price(float value) {
  return std::bit_cast<std::uint32_t>(value) == kUnsetPriceBits;
}

}  // namespace host
