// What the chart's painters draw on, and the small tools they share: the
// theme's colours and fonts, the studies' colours and line styles, text
// measurement and pixel snapping.
#pragma once

#include <cairo.h>

#include <cstdint>
#include <string>

#include "studyhost/render/chart_layout.h"
#include "studyhost/runtime/chart_picture.h"

namespace studyhost {

// The look of the chart: a dark theme with teal and red candles.
struct Rgb {
  double r, g, b;
};
inline constexpr Rgb kBackground{0.075, 0.090, 0.133};
inline constexpr Rgb kGrid{0.165, 0.180, 0.224};
inline constexpr Rgb kDaySeparator{0.255, 0.275, 0.330};
inline constexpr Rgb kAxisText{0.698, 0.710, 0.745};
inline constexpr Rgb kTitleText{0.820, 0.831, 0.863};
inline constexpr Rgb kUpCandle{0.149, 0.651, 0.604};
inline constexpr Rgb kDownCandle{0.937, 0.325, 0.314};
inline constexpr Rgb kFallbackDrawing{0.85, 0.85, 0.85};
inline constexpr Rgb kLightBackdrop{0.88, 0.89, 0.92};
inline constexpr const char* kUiFont = "DejaVu Sans";
inline constexpr double kAxisFontPx = 12;
// Grid lines, candle wicks and the plot's frame, in pixels.
inline constexpr double kHairline = 1;
// The widest line a drawing or subgraph line is drawn with, in pixels.
inline constexpr std::int32_t kMaxLineWidth = 20;

// A rectangle by its edges.
struct Box {
  double left, top, right, bottom;
};

// A text as it will stand: the text, where it starts and the box it takes,
// its backdrop included.
struct PlacedText {
  std::string text;
  double left = 0, baseline = 0;
  Box box{};

  void move_down(double dy) {
    baseline += dy;
    box.top += dy;
    box.bottom += dy;
  }
};

// One picture being painted: the cairo context, what it shows and where.
struct Canvas {
  cairo_t* cr;
  const ChartPicture& picture;
  const ChartLayout& layout;

  // A price as the chart's value format writes it.
  std::string price_text(double price) const;
  // The plot with room around it, to clip coordinates to before cairo sees
  // them (cairo's fixed-point coordinates overflow far outside the surface).
  Box clip_box() const;
};

void set_rgb(cairo_t* cr, const Rgb& c, double alpha = 1.0);
// A study colour, 0x00BBGGRR.
Rgb rgb_of(std::uint32_t colour);
double luminance(const Rgb& c);
// A drawing's colour; an unset one is drawn light grey.
Rgb drawing_rgb(std::uint32_t colour);
// The colour of a bar that opened at `open` and closed at `close`.
const Rgb& candle_rgb(double open, double close);

// The width a line is drawn with: unset or below one pixel draws one,
// wider than kMaxLineWidth draws kMaxLineWidth.
double line_width_of(std::int32_t width);
// Dashes for the line style numbers (0 solid to 4 dash-dot-dot), scaled by
// the line width so thick lines keep their pattern readable.
void set_line_style(cairo_t* cr, std::int32_t style, double width);

// Horizontal lines land on whole pixels, so a level reads as one crisp row.
double crisp(double y, double width);

struct TextSize {
  double width = 0;
  double ascent = 0;
  double descent = 0;
};
// An empty face selects the theme's font.
void select_font(cairo_t* cr, const std::string& face, double px, bool bold = false);
TextSize measure(cairo_t* cr, const std::string& text);
// The pixel size of a drawing's font size in points (unset draws 10).
double font_px(std::int32_t points);

}  // namespace studyhost
