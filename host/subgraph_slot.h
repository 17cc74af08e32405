// The subgraph slot: one per-bar output of a study.
#pragma once

#include <cstdint>

#include "host/host_array.h"
#include "host/host_string.h"

namespace host {

// Line style numbers of subgraphs and drawings.
enum LineStyle : std::uint16_t {
  kLineSolid = 0,
  kLineDash = 1,
  kLineDot = 2,
  kLineDashDot = 3,
  kLineDashDotDot = 4,
};

// A line that skips bars whose value is 0.
inline constexpr std::int32_t kDrawStyleLineSkipZero = 35;

struct SubgraphSlot {
  HostString name;
  std::uint32_t primary_color;  // 0x00BBGGRR
  std::uint16_t line_style;
  std::uint16_t line_width;
  std::int32_t draw_style;
  std::int32_t reserved;
  HostString short_label;
  HostArray<float> values;  // one per bar
};

}  // namespace host
