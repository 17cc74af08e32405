#include "host/drawing_record.h"

#include "host/study_interface.h"

#include <algorithm>
#include <cstring>

namespace host {
namespace {

// A float from its bit pattern, through memcpy: the defined way without
// std::bit_cast, which DLL code (C++17) does not have.
float float_from_bits(std::uint32_t bits) {
  float value = 0.0f;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

}  // namespace

void init(DrawingRecord& r) {
  std::memset(&r, 0xFF, sizeof r);  // -1 in every integer field not named below
  r.record_size = kDrawingRecordSize;
  r.chart_number = 0;
  r.identifier = kNewDrawing;
  r.begin_price = unset_price();
  r.end_price = unset_price();
  r.color = kUnsetColor;
  r.reserved_60 = float_from_bits(kUnsetFloatLowestBits);
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
  return float_from_bits(kUnsetPriceBits);
}

bool is_unset_price(float value) {
  return float_bits(value) == kUnsetPriceBits;
}

std::uint32_t float_bits(float value) {
  std::uint32_t bits = 0;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

}  // namespace host
