// Where a chart picture's bars, prices and drawings land: the plot area, the
// price and time scales and each bar's position. Arithmetic on the picture
// alone; the one thing it cannot know, how wide a text is drawn, it is told.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "studyhost/runtime/chart_picture.h"

namespace studyhost {

// Margins around the plot, in pixels.
inline constexpr double kTitleHeight = 34;
inline constexpr double kLeftMargin = 8;
inline constexpr double kPriceAxisWidth = 84;
inline constexpr double kTimeAxisHeight = 30;

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
  double plot_width() const { return plot_right - plot_left; }
  double plot_height() const { return plot_bottom - plot_top; }
};

// How wide a text drawing is drawn, in pixels.
using TextWidth = std::function<double(const DrawingState&)>;

// The placement of this picture: the last `visible_bars` bars across the
// plot, with room right of them for the labels anchored there, and a price
// scale over the bars shown, widened by what is drawn near them.
ChartLayout layout_chart(const ChartPicture& picture, const RenderOptions& options,
                         const TextWidth& text_width);

// A status text: placed by relative coordinates, not on the price scale.
bool is_status_text(const DrawingState& d);

// Bars right of the last bar that a text anchored at begin date-time -k days
// stands: k, or -1 when the text is not anchored that way.
std::int64_t right_offset_bars(const DrawingState& d);

// The bar a text is anchored at; false when it has none.
bool text_anchor_bar(const ChartPicture& p, const DrawingState& d, double& bar);

// Bar span of a line or band; an end left unset reaches the last bar.
void bar_span(const ChartPicture& p, const DrawingState& d, double& from, double& to);

// Prices from one price grid line to the next: a round step that leaves
// each line room for its label.
double price_grid_step(const ChartLayout& l);

// The time grid: lines where the time, cut down to `interval` microseconds,
// changes from one bar shown to the next, at most as many as have room.
struct TimeScale {
  std::int64_t interval = 0;
  std::vector<std::int32_t> marks;  // bar indices, each after its previous bar
};
TimeScale time_scale(const std::vector<Bar>& bars, const ChartLayout& l);

// The day number of a date-time, rounded down for date-times before 1899-12-30.
std::int64_t floor_day(std::int64_t datetime);

// "HH:MM", or "Mon D" with the date.
std::string time_label(std::int64_t datetime, bool with_date);

}  // namespace studyhost
