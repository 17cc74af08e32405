// Draws a chart as the host shows it: candles, price and time axes, the
// studies' drawings (lines, bands, texts, status text) and their named
// subgraph outputs, to PNG or SVG through cairo.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "studyhost/lib/chart.h"
#include "studyhost/lib/drawing_store.h"

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
};

// Everything a picture of the chart shows.
struct ChartPicture {
  std::string title;
  std::vector<Bar> bars;
  std::vector<DrawingState> drawings;
  std::vector<SubgraphSeries> subgraphs;
  std::int32_t value_format = kDefaultValueFormat;
};

struct RenderOptions {
  int width = 1600;
  int height = 900;
  // Only the last N bars are shown; 0 shows them all.
  std::int32_t visible_bars = 0;
};

// Where bars and prices land on the picture.
struct ChartLayout {
  double plot_left = 0, plot_top = 0, plot_right = 0, plot_bottom = 0;
  std::int32_t first_bar = 0;  // the leftmost bar shown
  std::int32_t last_bar = -1;  // the last bar of the chart
  double bar_spacing = 1;      // pixels from one bar to the next
  double price_low = 0, price_high = 1;

  // The centre of bar `index` (which may lie right of the last bar).
  double x_of_bar(double index) const;
  double y_of_price(double price) const;
};

// The chart as a host holds it: its bars, every drawing and each study's
// named subgraphs (unnamed ones carry values for other studies, not lines).
ChartPicture picture_of(Host& host, const std::string& title);

// The placement the renderer uses for this picture.
ChartLayout layout_chart(const ChartPicture& picture, const RenderOptions& options);

// Each writes the file; false with one line in `error` when it cannot.
bool render_png(const ChartPicture& picture, const RenderOptions& options, const std::string& path,
                std::string& error);
bool render_svg(const ChartPicture& picture, const RenderOptions& options, const std::string& path,
                std::string& error);

// Frees the font and surface caches cairo and fontconfig keep for the whole
// process, so a leak checker sees a clean end. Only when no picture is being
// drawn and none will be (at exit).
void release_render_caches();

}  // namespace studyhost
