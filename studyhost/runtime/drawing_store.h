// The chart's drawings as the host keeps them: host-side copies of every field
// of the drawing requests, by identifier.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "host/drawing_record.h"

namespace studyhost {

struct DrawingState {
  std::int32_t id = 0;
  std::int32_t owner = 0;  // the study instance that made it
  std::int32_t kind = 0;
  std::int32_t chart_number = 0;
  std::int32_t begin_bar = -1;
  std::int32_t end_bar = -1;
  std::int32_t region = -1;
  std::int32_t font_size = -1;
  std::int32_t line_width = -1;  // -1 while unset
  std::int32_t line_style = -1;  // -1 while unset
  std::int32_t text_alignment = -1;
  std::int32_t transparency_percent = -1;
  std::int32_t relative_vertical = -1;
  std::int32_t reverse_text_color = -1;
  std::int32_t bold = -1;
  std::int32_t user_drawn = 0;
  float begin_price = 0.0f;  // meaningful when has_begin_price
  float end_price = 0.0f;    // meaningful when has_end_price
  bool has_begin_price = false;
  bool has_end_price = false;
  std::uint32_t color = host::kUnsetColor;
  std::uint32_t second_color = host::kUnsetColor;
  std::int64_t begin_datetime = 0;
  std::int64_t end_datetime = 0;
  std::string text;
  std::string font_face;
  std::string third_text;
};

class DrawingStore {
 public:
  // Add mode 3: identifier -1 or unknown makes a new drawing and writes its
  // identifier back into the record; a known identifier changes only the
  // fields not at their unset markers. Returns the identifier, 0 if refused.
  std::int32_t add_or_update(host::DrawingRecord& record, std::int32_t owner);
  // Identifier 0 or unknown: nothing happens. True when a drawing went.
  bool remove(std::int32_t id);
  // Removes every drawing `owner` made; returns how many.
  std::size_t remove_owned_by(std::int32_t owner);

  const std::map<std::int32_t, DrawingState>& drawings() const { return drawings_; }
  const DrawingState* find(std::int32_t id) const;

 private:
  std::map<std::int32_t, DrawingState> drawings_;
  std::int32_t next_id_ = 1;
};

}  // namespace studyhost
