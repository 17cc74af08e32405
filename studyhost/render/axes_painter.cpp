#include "studyhost/render/axes_painter.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

#include "host/study_interface.h"
#include "studyhost/render/drawable_text.h"
#include "studyhost/runtime/value_text.h"

namespace studyhost {
namespace {

// Axis labels stand this far from the plot's edge, in pixels; time labels
// keep this much room between them.
constexpr double kAxisTextGap = 8;
constexpr double kTimeLabelGap = 8;

// Bars closer than this are drawn as one high-low stroke per pixel column,
// wider ones as candles whose bodies take this share of the spacing.
constexpr double kMinCandleSpacing = 2.0;
constexpr double kCandleBodyShare = 0.72;

// The title line: the chart's name in bold, then the last bar's open, high,
// low and close and its time, on one baseline.
constexpr double kTitleFontPx = 14;
constexpr double kTitleFieldFontPx = 13;
constexpr double kTitleBaseline = 22;
constexpr double kTitleInset = 4;
constexpr double kTitleNameGap = 18;
constexpr double kTitleKeyGap = 4;
constexpr double kTitleFieldGap = 12;
constexpr double kTitleTimeGap = 6;
constexpr std::size_t kTitleTimeLength = 16;  // YYYY-MM-DD HH:MM

bool drawable_bar(const Bar& b) {
  return std::isfinite(b.open) && std::isfinite(b.high) && std::isfinite(b.low) &&
         std::isfinite(b.close);
}

// Bars narrower than two pixels: one high-low stroke per pixel column.
void paint_thin_bars(const Canvas& c) {
  const ChartLayout& l = c.layout;
  cairo_set_line_width(c.cr, kHairline);
  long column = std::numeric_limits<long>::min();
  double high = 0, low = 0, open = 0, close = 0;
  auto flush = [&] {
    if (column == std::numeric_limits<long>::min()) return;
    set_rgb(c.cr, candle_rgb(open, close));
    const double x = static_cast<double>(column) + 0.5;
    cairo_move_to(c.cr, x, l.y_of_price(high));
    cairo_line_to(c.cr, x, l.y_of_price(low) + 0.5);
    cairo_stroke(c.cr);
  };
  for (std::int32_t i = l.first_bar; i <= l.last_bar; ++i) {
    const Bar& b = c.picture.bars[static_cast<std::size_t>(i)];
    if (!drawable_bar(b)) continue;
    const long x = static_cast<long>(std::floor(l.x_of_bar(i)));
    if (x != column) {
      flush();
      column = x;
      high = b.high;
      low = b.low;
      open = b.open;
    }
    high = std::max(high, static_cast<double>(b.high));
    low = std::min(low, static_cast<double>(b.low));
    close = b.close;
  }
  flush();
}

}  // namespace

void paint_price_grid(const Canvas& c) {
  const ChartLayout& l = c.layout;
  const double step = price_grid_step(l);
  select_font(c.cr, kUiFont, kAxisFontPx);
  cairo_set_line_width(c.cr, kHairline);
  for (double v = std::ceil(l.price_low / step) * step; v <= l.price_high; v += step) {
    const double y = crisp(l.y_of_price(v), kHairline);
    set_rgb(c.cr, kGrid);
    cairo_move_to(c.cr, l.plot_left, y);
    cairo_line_to(c.cr, l.plot_right, y);
    cairo_stroke(c.cr);
    const std::string label = c.price_text(v);
    const TextSize s = measure(c.cr, label);
    set_rgb(c.cr, kAxisText);
    cairo_move_to(c.cr, l.plot_right + kAxisTextGap, y + (s.ascent - s.descent) / 2);
    cairo_show_text(c.cr, label.c_str());
  }
}

void paint_time_grid(const Canvas& c) {
  const ChartLayout& l = c.layout;
  if (l.last_bar < l.first_bar) return;
  const std::vector<Bar>& bars = c.picture.bars;
  const TimeScale scale = time_scale(bars, l);
  select_font(c.cr, kUiFont, kAxisFontPx);
  cairo_set_line_width(c.cr, kHairline);
  double last_label_end = -1e9;
  for (const std::int32_t i : scale.marks) {
    const double x = crisp(l.x_of_bar(i) - l.bar_spacing / 2, kHairline);
    const std::int64_t t = bars[static_cast<std::size_t>(i)].datetime;
    const std::int64_t before = bars[static_cast<std::size_t>(i - 1)].datetime;
    const bool new_day = floor_day(t) != floor_day(before);
    set_rgb(c.cr, new_day && scale.interval < host::kMicrosPerDay ? kDaySeparator : kGrid);
    cairo_move_to(c.cr, x, l.plot_top);
    cairo_line_to(c.cr, x, l.plot_bottom);
    cairo_stroke(c.cr);
    const std::string label = time_label(t, new_day || scale.interval >= host::kMicrosPerDay);
    const TextSize s = measure(c.cr, label);
    const double lx = x - s.width / 2;
    if (lx < last_label_end + kTimeLabelGap || lx + s.width > l.plot_right) continue;
    set_rgb(c.cr, new_day ? kTitleText : kAxisText);
    cairo_move_to(c.cr, lx, l.plot_bottom + kAxisTextGap + s.ascent);
    cairo_show_text(c.cr, label.c_str());
    last_label_end = lx + s.width;
  }
}

void paint_candles(const Canvas& c) {
  const ChartLayout& l = c.layout;
  if (l.last_bar < l.first_bar) return;
  const double spacing = l.bar_spacing;
  if (spacing < kMinCandleSpacing) {
    paint_thin_bars(c);
    return;
  }
  const double body = std::max(1.0, std::floor(spacing * kCandleBodyShare));
  cairo_set_line_width(c.cr, kHairline);
  for (std::int32_t i = l.first_bar; i <= l.last_bar; ++i) {
    const Bar& b = c.picture.bars[static_cast<std::size_t>(i)];
    if (!drawable_bar(b)) continue;
    set_rgb(c.cr, candle_rgb(b.open, b.close));
    const double x = std::floor(l.x_of_bar(i)) + 0.5;
    cairo_move_to(c.cr, x, l.y_of_price(b.high));
    cairo_line_to(c.cr, x, l.y_of_price(b.low));
    cairo_stroke(c.cr);
    const double top = std::round(l.y_of_price(std::max(b.open, b.close)));
    const double bottom = std::round(l.y_of_price(std::min(b.open, b.close)));
    const double left = std::floor(x - body / 2) + (static_cast<long>(body) % 2 == 1 ? 0.5 : 0.0);
    cairo_rectangle(c.cr, std::round(left), top, body, std::max(1.0, bottom - top));
    cairo_fill(c.cr);
  }
}

void paint_frame(const Canvas& c) {
  const ChartLayout& l = c.layout;
  set_rgb(c.cr, kGrid);
  cairo_set_line_width(c.cr, kHairline);
  cairo_move_to(c.cr, l.plot_right + 0.5, l.plot_top);
  cairo_line_to(c.cr, l.plot_right + 0.5, l.plot_bottom + 0.5);
  cairo_line_to(c.cr, l.plot_left, l.plot_bottom + 0.5);
  cairo_stroke(c.cr);
}

void paint_title(const Canvas& c) {
  select_font(c.cr, kUiFont, kTitleFontPx, true);
  const std::string name = drawable_text(c.picture.title);
  set_rgb(c.cr, kTitleText);
  cairo_move_to(c.cr, kLeftMargin + kTitleInset, kTitleBaseline);
  cairo_show_text(c.cr, name.c_str());
  if (c.layout.last_bar < 0) return;
  double x = kLeftMargin + kTitleInset + measure(c.cr, name).width + kTitleNameGap;
  const Bar& b = c.picture.bars[static_cast<std::size_t>(c.layout.last_bar)];
  const Rgb& value_colour = candle_rgb(b.open, b.close);
  const std::pair<const char*, double> fields[] = {
      {"O", b.open}, {"H", b.high}, {"L", b.low}, {"C", b.close}};
  for (const auto& [key, value] : fields) {
    select_font(c.cr, kUiFont, kTitleFieldFontPx);
    set_rgb(c.cr, kAxisText);
    cairo_move_to(c.cr, x, kTitleBaseline);
    cairo_show_text(c.cr, key);
    x += measure(c.cr, key).width + kTitleKeyGap;
    const std::string text = c.price_text(value);
    set_rgb(c.cr, value_colour);
    cairo_move_to(c.cr, x, kTitleBaseline);
    cairo_show_text(c.cr, text.c_str());
    x += measure(c.cr, text).width + kTitleFieldGap;
  }
  const std::string when = date_time_text(b.datetime, 0).substr(0, kTitleTimeLength);
  set_rgb(c.cr, kAxisText);
  cairo_move_to(c.cr, x + kTitleTimeGap, kTitleBaseline);
  cairo_show_text(c.cr, when.c_str());
}

}  // namespace studyhost
