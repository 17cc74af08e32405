#include "studyhost/render/canvas.h"

#include <algorithm>
#include <cmath>

#include "host/study_interface.h"
#include "studyhost/runtime/value_text.h"

namespace studyhost {
namespace {

// Font sizes are points at 96 pixels per inch.
constexpr double kPixelsPerPoint = 96.0 / 72.0;
constexpr std::int32_t kDefaultFontPoints = 10;
constexpr std::int32_t kMaxFontPoints = 72;
// Room around the plot that clipped coordinates keep, in pixels.
constexpr double kClipRoom = 20;

}  // namespace

std::string Canvas::price_text(double price) const {
  return value_text(price, picture.value_format);
}

Box Canvas::clip_box() const {
  return {layout.plot_left - kClipRoom, layout.plot_top - kClipRoom, layout.plot_right + kClipRoom,
          layout.plot_bottom + kClipRoom};
}

void set_rgb(cairo_t* cr, const Rgb& c, double alpha) {
  cairo_set_source_rgba(cr, c.r, c.g, c.b, alpha);
}

Rgb rgb_of(std::uint32_t colour) {
  return {static_cast<double>(colour & 0xFFu) / 255.0,
          static_cast<double>((colour >> 8) & 0xFFu) / 255.0,
          static_cast<double>((colour >> 16) & 0xFFu) / 255.0};
}

double luminance(const Rgb& c) {
  return 0.299 * c.r + 0.587 * c.g + 0.114 * c.b;
}

Rgb drawing_rgb(std::uint32_t colour) {
  return colour == host::kUnsetColor ? kFallbackDrawing : rgb_of(colour);
}

const Rgb& candle_rgb(double open, double close) {
  return close >= open ? kUpCandle : kDownCandle;
}

double line_width_of(std::int32_t width) {
  return width > 0 ? std::min(width, kMaxLineWidth) : 1;
}

void set_line_style(cairo_t* cr, std::int32_t style, double width) {
  const double u = std::max(1.0, width);
  switch (style) {
    case host::kLineDash: {
      const double d[] = {6 * u, 4 * u};
      cairo_set_dash(cr, d, 2, 0);
      break;
    }
    case host::kLineDot: {
      const double d[] = {1.5 * u, 2.5 * u};
      cairo_set_dash(cr, d, 2, 0);
      break;
    }
    case host::kLineDashDot: {
      const double d[] = {7 * u, 3 * u, 1.5 * u, 3 * u};
      cairo_set_dash(cr, d, 4, 0);
      break;
    }
    case host::kLineDashDotDot: {
      const double d[] = {7 * u, 3 * u, 1.5 * u, 3 * u, 1.5 * u, 3 * u};
      cairo_set_dash(cr, d, 6, 0);
      break;
    }
    default:
      cairo_set_dash(cr, nullptr, 0, 0);
      break;
  }
}

double crisp(double y, double width) {
  const auto w = static_cast<long>(std::lround(width));
  return w % 2 == 1 ? std::floor(y) + 0.5 : std::round(y);
}

void select_font(cairo_t* cr, const std::string& face, double px, bool bold) {
  cairo_select_font_face(cr, face.empty() ? kUiFont : face.c_str(), CAIRO_FONT_SLANT_NORMAL,
                         bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(cr, px);
}

TextSize measure(cairo_t* cr, const std::string& text) {
  cairo_text_extents_t te;
  cairo_font_extents_t fe;
  cairo_text_extents(cr, text.c_str(), &te);
  cairo_font_extents(cr, &fe);
  return {te.x_advance, fe.ascent, fe.descent};
}

double font_px(std::int32_t points) {
  const double pt = points > 0 ? std::min(points, kMaxFontPoints) : kDefaultFontPoints;
  return pt * kPixelsPerPoint;
}

}  // namespace studyhost
