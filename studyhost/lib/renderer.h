// Draws a chart picture as the host shows it: candles, price and time axes, the
// studies' drawings (lines, bands, texts, status text) and their named
// subgraph outputs, to PNG or SVG through cairo.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "studyhost/lib/chart_picture.h"

namespace studyhost {

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
