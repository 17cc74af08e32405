// What a picture of the chart shows, taken from a host: its bars, every
// drawing and the studies' named subgraph outputs. The renderer draws from
// this alone.
#pragma once

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "host/subgraph_slot.h"
#include "studyhost/runtime/chart.h"
#include "studyhost/runtime/drawing_store.h"
#include "studyhost/runtime/host_constants.h"

namespace studyhost {

class Host;

// One study output drawn as a line.
struct SubgraphSeries {
  std::string name;
  std::string label;        // drawn beside the line's right end
  std::uint32_t color = 0;  // 0x00BBGGRR
  std::int32_t line_style = 0;
  std::int32_t line_width = 1;
  std::int32_t draw_style = 0;  // 35: bars whose value is 0 are skipped
  std::vector<float> values;    // one per bar

  // Whether the line shows `value`: finite, and not a zero that is skipped.
  bool shows(float value) const {
    return std::isfinite(value) && !(value == 0.0f && draw_style == host::kDrawStyleLineSkipZero);
  }
};

// Everything a picture of the chart shows.
struct ChartPicture {
  std::string title;
  std::vector<Bar> bars;
  std::vector<DrawingState> drawings;
  std::vector<SubgraphSeries> subgraphs;
  std::int32_t value_format = kDefaultValueFormat;
};

// The chart as a host holds it: its bars, every drawing and each study's
// named subgraphs (unnamed ones carry values for other studies, not lines).
ChartPicture picture_of(Host& host, const std::string& title);

}  // namespace studyhost
