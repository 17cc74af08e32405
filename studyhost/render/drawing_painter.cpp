#include "studyhost/render/drawing_painter.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <utility>

#include "host/study_interface.h"
#include "studyhost/render/drawable_text.h"

namespace studyhost {
namespace {

constexpr double kPi = std::numbers::pi;

// Text alignment bits of the drawing record.
constexpr std::int32_t kAlignCentre = 1;
constexpr std::int32_t kAlignRight = 2;
constexpr std::int32_t kAlignVerticalCentre = 4;
constexpr std::int32_t kAlignBottom = 8;

// A band's border lines are drawn at this opacity over its fill.
constexpr double kBandBorderAlpha = 0.8;

// A text whose anchor lies further than this outside the plot, in pixels,
// is not drawn; far left it may still reach in with a long text.
constexpr double kTextReachAbove = 50;
constexpr double kTextReachBelow = 50;
constexpr double kTextReachRight = 10;
constexpr double kTextReachLeft = 2000;

// A status text without a height stands this high, in percent of the plot,
// and this far in from its relative position, in pixels.
constexpr double kStatusDefaultHeight = 98.0;
constexpr double kStatusInset = 6;

// The box behind a text: padding each side and above and below, corner radius.
constexpr double kTextBoxPadX = 5;
constexpr double kTextBoxPadY = 2;
constexpr double kTextBoxRadius = 3;
constexpr double kTextFrameWidth = 1.5;
// Text colours darker than this get a light backdrop at this opacity; other
// boxed texts get the background at its opacity.
constexpr double kDarkInk = 0.25;
constexpr double kLightBackdropAlpha = 0.88;
constexpr double kDarkBackdropAlpha = 0.75;
// A reversed text on a fill darker than this is written in a light colour.
constexpr double kReversedLightInk = 0.45;

// Clips the segment to the box (Liang-Barsky); false when nothing of it is
// inside.
bool clip_segment(double& x0, double& y0, double& x1, double& y1, const Box& box) {
  if (!std::isfinite(x0) || !std::isfinite(y0) || !std::isfinite(x1) || !std::isfinite(y1))
    return false;
  double t0 = 0, t1 = 1;
  const double dx = x1 - x0, dy = y1 - y0;
  const double p[] = {-dx, dx, -dy, dy};
  const double q[] = {x0 - box.left, box.right - x0, y0 - box.top, box.bottom - y0};
  for (int i = 0; i < 4; ++i) {
    if (p[i] == 0) {
      if (q[i] < 0) return false;
      continue;
    }
    const double t = q[i] / p[i];
    if (p[i] < 0) {
      t0 = std::max(t0, t);
    } else {
      t1 = std::min(t1, t);
    }
    if (t0 > t1) return false;
  }
  const double nx0 = x0 + t0 * dx, ny0 = y0 + t0 * dy;
  x1 = x0 + t1 * dx;
  y1 = y0 + t1 * dy;
  x0 = nx0;
  y0 = ny0;
  return true;
}

void stroke_segment(const Canvas& c, double x0, double y0, double x1, double y1) {
  if (!clip_segment(x0, y0, x1, y1, c.clip_box())) return;
  cairo_move_to(c.cr, x0, y0);
  cairo_line_to(c.cr, x1, y1);
  cairo_stroke(c.cr);
}

void rounded_box(cairo_t* cr, double x, double y, double w, double h, double r) {
  cairo_new_sub_path(cr);
  cairo_arc(cr, x + w - r, y + r, r, -kPi / 2, 0);
  cairo_arc(cr, x + w - r, y + h - r, r, 0, kPi / 2);
  cairo_arc(cr, x + r, y + h - r, r, kPi / 2, kPi);
  cairo_arc(cr, x + r, y + r, r, kPi, 3 * kPi / 2);
  cairo_close_path(cr);
}

// Places a text by its alignment bits around the anchor point; false when
// it lands nowhere.
bool place_text_at(cairo_t* cr, const DrawingState& d, std::string text, double x, double y,
                   PlacedText& out) {
  select_font(cr, d.font_face, font_px(d.font_size), d.bold == 1);
  const TextSize s = measure(cr, text);
  const std::int32_t a = d.text_alignment >= 0 ? d.text_alignment : 0;
  double left = x;
  if ((a & kAlignRight) != 0) {
    left = x - s.width;
  } else if ((a & kAlignCentre) != 0) {
    left = x - s.width / 2;
  }
  double top = y;
  const double height = s.ascent + s.descent;
  if ((a & kAlignBottom) != 0) {
    top = y - height;
  } else if ((a & kAlignVerticalCentre) != 0) {
    top = y - height / 2;
  }
  if (!std::isfinite(left) || !std::isfinite(top)) return false;
  out.text = std::move(text);
  out.left = left;
  out.baseline = top + s.ascent;
  out.box = {left - kTextBoxPadX, top - kTextBoxPadY, left + s.width + kTextBoxPadX,
             top + height + kTextBoxPadY};
  return true;
}

// A text in a dark colour gets a light backdrop so it reads on the dark
// chart; a second colour frames the text. Reversed, the text's colour fills
// the box and the text takes the second colour, or a light or dark colour
// that reads on that fill. Bold texts are drawn in the bold face.
void paint_placed_text(cairo_t* cr, const DrawingState& d, const PlacedText& t) {
  select_font(cr, d.font_face, font_px(d.font_size), d.bold == 1);
  const bool reversed = d.reverse_text_color == 1;
  const bool framed = !reversed && d.second_color != host::kUnsetColor;
  Rgb ink = drawing_rgb(d.color);
  const bool dark = !reversed && luminance(ink) < kDarkInk;
  if (reversed || dark || framed) {
    rounded_box(cr, t.box.left, t.box.top, t.box.right - t.box.left, t.box.bottom - t.box.top,
                kTextBoxRadius);
    if (reversed) {
      set_rgb(cr, ink);
      ink = d.second_color != host::kUnsetColor  ? rgb_of(d.second_color)
            : luminance(ink) < kReversedLightInk ? kLightBackdrop
                                                 : kBackground;
    } else if (dark) {
      set_rgb(cr, kLightBackdrop, kLightBackdropAlpha);
    } else {
      set_rgb(cr, kBackground, kDarkBackdropAlpha);
    }
    cairo_fill_preserve(cr);
    if (framed) {
      set_rgb(cr, rgb_of(d.second_color));
      cairo_set_line_width(cr, kTextFrameWidth);
      cairo_stroke(cr);
    }
    cairo_new_path(cr);
  }
  set_rgb(cr, ink);
  cairo_move_to(cr, t.left, t.baseline);
  cairo_show_text(cr, t.text.c_str());
}

}  // namespace

void paint_band(const Canvas& c, const DrawingState& d) {
  if (!d.has_begin_price || !d.has_end_price) return;
  const ChartLayout& l = c.layout;
  double from = 0, to = 0;
  bar_span(c.picture, d, from, to);
  const Box clip = c.clip_box();
  const double x0 = std::clamp(l.x_of_bar(from) - l.bar_spacing / 2, clip.left, clip.right);
  const double x1 = std::clamp(l.x_of_bar(to) + l.bar_spacing / 2, clip.left, clip.right);
  const double ya = l.y_of_price(d.begin_price);
  const double yb = l.y_of_price(d.end_price);
  if (!std::isfinite(x0) || !std::isfinite(x1) || !std::isfinite(ya) || !std::isfinite(yb)) return;
  const double y0 = std::clamp(std::min(ya, yb), clip.top, clip.bottom);
  const double y1 = std::clamp(std::max(ya, yb), clip.top, clip.bottom);
  if (x1 <= x0 || y1 < y0) return;
  // The transparency is the fill's, in percent; unset or out of range fills
  // opaque.
  const double alpha = d.transparency_percent >= 0 && d.transparency_percent <= 100
                           ? 1.0 - d.transparency_percent / 100.0
                           : 1.0;
  const std::uint32_t fill = d.second_color != host::kUnsetColor ? d.second_color : d.color;
  set_rgb(c.cr, drawing_rgb(fill), alpha);
  cairo_rectangle(c.cr, x0, y0, x1 - x0, std::max(y1 - y0, 1.0));
  cairo_fill(c.cr);
  if (d.color == host::kUnsetColor || d.line_width <= 0) return;
  const double width = line_width_of(d.line_width);
  set_rgb(c.cr, rgb_of(d.color), kBandBorderAlpha);
  cairo_set_line_width(c.cr, width);
  set_line_style(c.cr, d.line_style, width);
  for (const double y : {ya, yb}) {
    const double cy = crisp(std::clamp(y, clip.top, clip.bottom), width);
    cairo_move_to(c.cr, x0, cy);
    cairo_line_to(c.cr, x1, cy);
    cairo_stroke(c.cr);
  }
  cairo_set_dash(c.cr, nullptr, 0, 0);
}

void paint_line(const Canvas& c, const DrawingState& d) {
  if (!d.has_begin_price && !d.has_end_price) return;
  const ChartLayout& l = c.layout;
  const double begin_price = d.has_begin_price ? d.begin_price : d.end_price;
  const double end_price = d.has_end_price ? d.end_price : d.begin_price;
  double from = 0, to = 0;
  bar_span(c.picture, d, from, to);
  const double width = line_width_of(d.line_width);
  double y0 = l.y_of_price(begin_price);
  double y1 = l.y_of_price(end_price);
  if (begin_price == end_price) y0 = y1 = crisp(y0, width);
  const double x0 = l.x_of_bar(from) - l.bar_spacing / 2;
  const double x1 = l.x_of_bar(to) + l.bar_spacing / 2;
  set_rgb(c.cr, drawing_rgb(d.color));
  cairo_set_line_width(c.cr, width);
  cairo_set_line_cap(c.cr, CAIRO_LINE_CAP_BUTT);
  set_line_style(c.cr, d.line_style, width);
  stroke_segment(c, x0, y0, x1, y1);
  cairo_set_dash(c.cr, nullptr, 0, 0);
}

bool place_text(const Canvas& c, const DrawingState& d, PlacedText& out) {
  if (!d.has_begin_price || d.text.empty()) return false;
  const ChartLayout& l = c.layout;
  double bar = 0;
  if (!text_anchor_bar(c.picture, d, bar)) return false;
  const double x = l.x_of_bar(bar);
  const double y = l.y_of_price(d.begin_price);
  if (!std::isfinite(x) || !std::isfinite(y) || y < l.plot_top - kTextReachAbove ||
      y > l.plot_bottom + kTextReachBelow || x > l.plot_right + kTextReachRight ||
      x < l.plot_left - kTextReachLeft) {
    return false;
  }
  return place_text_at(c.cr, d, drawable_text(d.text), x, y, out);
}

void paint_text(const Canvas& c, const DrawingState& d, const PlacedText& t) {
  paint_placed_text(c.cr, d, t);
}

void paint_status_text(const Canvas& c, const DrawingState& d) {
  const std::string shown = drawable_text(d.text);
  if (shown.find_first_not_of(' ') == std::string::npos) return;
  const ChartLayout& l = c.layout;
  const double across =
      static_cast<double>(d.begin_datetime) / static_cast<double>(host::kMicrosPerDay);
  const double up = d.has_begin_price ? d.begin_price : kStatusDefaultHeight;
  if (!std::isfinite(across) || !std::isfinite(up)) return;
  const double x =
      l.plot_left + l.plot_width() * std::clamp(across, 0.0, 100.0) / 100.0 + kStatusInset;
  const double y =
      l.plot_bottom - l.plot_height() * std::clamp(up, 0.0, 100.0) / 100.0 + kStatusInset;
  PlacedText t;
  if (place_text_at(c.cr, d, shown, x, y, t)) paint_placed_text(c.cr, d, t);
}

}  // namespace studyhost
