#include "studyhost/lib/renderer.h"

#include <cairo-svg.h>
#include <cairo.h>
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <limits>
#include <memory>
#include <numbers>

#include "host/study_interface.h"
#include "studyhost/lib/bar_lookup.h"
#include "studyhost/lib/value_text.h"

namespace studyhost {
namespace {

// The look of the chart: a dark theme with teal and red candles.
struct Rgb {
  double r, g, b;
};
constexpr Rgb kBackground{0.075, 0.090, 0.133};
constexpr Rgb kGrid{0.165, 0.180, 0.224};
constexpr Rgb kDaySeparator{0.255, 0.275, 0.330};
constexpr Rgb kAxisText{0.698, 0.710, 0.745};
constexpr Rgb kTitleText{0.820, 0.831, 0.863};
constexpr Rgb kUpCandle{0.149, 0.651, 0.604};
constexpr Rgb kDownCandle{0.937, 0.325, 0.314};
constexpr Rgb kFallbackDrawing{0.85, 0.85, 0.85};
constexpr Rgb kLightBackdrop{0.88, 0.89, 0.92};
// Text colours darker than this get a light backdrop.
constexpr double kDarkInk = 0.25;
// A reversed text on a fill darker than this is written in a light colour.
constexpr double kReversedLightInk = 0.45;
constexpr const char* kUiFont = "DejaVu Sans";
constexpr double kPi = std::numbers::pi;

// Margins around the plot, in pixels.
constexpr double kTitleHeight = 34;
constexpr double kLeftMargin = 8;
constexpr double kPriceAxisWidth = 84;
constexpr double kTimeAxisHeight = 30;
constexpr double kAxisFontPx = 12;
constexpr double kSubgraphLabelPx = 11;
constexpr double kRightPadding = 6;

// Drawn levels further than this share of the bars' price range from it do
// not widen the price scale; they are clipped instead.
constexpr double kLevelMargin = 0.5;
// ... or than this share of the price, so a quiet chart still shows the
// levels next to it.
constexpr double kLevelMarginOfPrice = 0.01;
constexpr double kPricePadding = 0.04;

// Label offsets are cut to this many bars before any arithmetic with them.
constexpr std::int64_t kMaxLabelOffsetBars = 100000;

// Longest text drawn; anything longer is cut.
constexpr std::size_t kMaxDrawnText = 256;

// Text alignment bits of the drawing record.
constexpr std::int32_t kAlignCentre = 1;
constexpr std::int32_t kAlignRight = 2;
constexpr std::int32_t kAlignVerticalCentre = 4;
constexpr std::int32_t kAlignBottom = 8;

// Relative vertical values (1) place a text by relative coordinates: the price is
// the height in percent from the bottom, the date-time in days the distance
// in percent from the left.
constexpr std::int32_t kStatusRelative = 1;

// Font sizes are points at 96 pixels per inch.
constexpr double kPixelsPerPoint = 96.0 / 72.0;

bool finite(double v) {
  return std::isfinite(v);
}

void set_rgb(cairo_t* cr, const Rgb& c, double alpha = 1.0) {
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

// Dashes for the line style numbers (0 solid to 4 dash-dot-dot), scaled by
// the line width so thick lines keep their pattern readable.
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

// Study texts are not checked for UTF-8, and cairo stops drawing altogether
// after one invalid string: bad bytes become '?', and long texts are cut.
std::string drawable_text(const std::string& text) {
  std::string out;
  out.reserve(std::min(text.size(), kMaxDrawnText));
  std::size_t i = 0;
  while (i < text.size() && out.size() < kMaxDrawnText) {
    const auto c = static_cast<unsigned char>(text[i]);
    std::size_t length = 0;
    if (c < 0x80) {
      length = c < 0x20 || c == 0x7F ? 0 : 1;
    } else if ((c & 0xE0) == 0xC0 && c >= 0xC2) {
      length = 2;
    } else if ((c & 0xF0) == 0xE0) {
      length = 3;
    } else if ((c & 0xF8) == 0xF0 && c <= 0xF4) {
      length = 4;
    }
    bool valid = length > 0 && i + length <= text.size();
    for (std::size_t k = 1; valid && k < length; ++k) {
      valid = (static_cast<unsigned char>(text[i + k]) & 0xC0) == 0x80;
    }
    if (valid && length == 3) {
      const auto c1 = static_cast<unsigned char>(text[i + 1]);
      valid = !(c == 0xE0 && c1 < 0xA0) && !(c == 0xED && c1 >= 0xA0);
    } else if (valid && length == 4) {
      const auto c1 = static_cast<unsigned char>(text[i + 1]);
      valid = !(c == 0xF0 && c1 < 0x90) && !(c == 0xF4 && c1 >= 0x90);
    }
    if (valid) {
      out.append(text, i, length);
      i += length;
    } else {
      out.push_back(c < 0x20 ? ' ' : '?');
      ++i;
    }
  }
  return out;
}

struct TextSize {
  double width = 0;
  double ascent = 0;
  double descent = 0;
};

void select_font(cairo_t* cr, const std::string& face, double px, bool bold = false) {
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
  const double pt = points > 0 ? std::min(points, 72) : 10;
  return pt * kPixelsPerPoint;
}

bool is_status(const DrawingState& d) {
  return d.kind == host::kDrawingText && d.relative_vertical == kStatusRelative;
}

// Bars right of the last bar that a text anchored at begin date-time -k days
// stands: k, or -1 when the text is not anchored that way.
std::int64_t right_offset_bars(const DrawingState& d) {
  if (d.kind != host::kDrawingText || is_status(d) || d.begin_bar >= 0 || d.begin_datetime >= 0) {
    return -1;
  }
  const double days =
      -static_cast<double>(d.begin_datetime) / static_cast<double>(host::kMicrosPerDay);
  return std::min<std::int64_t>(std::llround(days), kMaxLabelOffsetBars);
}

// The bar a text is anchored at, or nothing.
bool text_anchor_bar(const ChartPicture& p, const DrawingState& d, double& bar) {
  const auto last = static_cast<std::int64_t>(p.bars.size()) - 1;
  if (d.begin_bar >= 0) {
    bar = d.begin_bar;
    return true;
  }
  const std::int64_t k = right_offset_bars(d);
  if (k >= 0) {
    bar = static_cast<double>(last + k);
    return true;
  }
  if (d.begin_datetime > 0 && !p.bars.empty()) {
    bar = bar_index_at(p.bars, d.begin_datetime);
    return true;
  }
  return false;
}

// Bar span of a line or band; an end left unset reaches the last bar.
void bar_span(const ChartPicture& p, const DrawingState& d, double& from, double& to) {
  const double last = static_cast<double>(p.bars.size()) - 1;
  from = d.begin_bar >= 0 ? d.begin_bar : 0;
  to = d.end_bar >= 0 ? d.end_bar : last;
  if (from > to) std::swap(from, to);
}

double nice_step(double range, int wanted) {
  if (!(range > 0) || !finite(range)) return 1;
  const double raw = range / std::max(wanted, 1);
  const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
  for (const double m : {1.0, 2.0, 2.5, 5.0, 10.0}) {
    if (m * magnitude >= raw) return m * magnitude;
  }
  return 10 * magnitude;
}

ChartLayout compute_layout(cairo_t* cr, const ChartPicture& p, const RenderOptions& o) {
  ChartLayout l;
  l.plot_left = kLeftMargin;
  l.plot_top = kTitleHeight;
  l.plot_right = std::max(l.plot_left + 10, o.width - kPriceAxisWidth);
  l.plot_bottom = std::max(l.plot_top + 10, o.height - kTimeAxisHeight);
  const auto count = static_cast<std::int32_t>(std::min<std::size_t>(
      p.bars.size(), static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())));
  l.last_bar = count - 1;
  const std::int32_t shown = o.visible_bars > 0 ? std::min(o.visible_bars, count) : count;
  l.first_bar = std::max(0, count - shown);

  // Room right of the last bar for the labels anchored there.
  std::int64_t offset_bars = 0;
  double label_room = 0;
  for (const DrawingState& d : p.drawings) {
    const std::int64_t k = right_offset_bars(d);
    if (k < 0) continue;
    // A label further right than the bars shown are wide is not drawn,
    // rather than squeezing the bars away.
    if (k > shown) continue;
    offset_bars = std::max(offset_bars, k);
    select_font(cr, d.font_face, font_px(d.font_size), d.bold == 1);
    label_room = std::max(label_room, measure(cr, drawable_text(d.text)).width);
  }
  const double plot_width = l.plot_right - l.plot_left;
  label_room = std::min(label_room + 10, plot_width * 0.35);
  const double slots = std::max<double>(1, shown + static_cast<double>(offset_bars));
  l.bar_spacing = std::max(0.05, (plot_width - label_room - kRightPadding) / slots);

  // Price scale: the bars shown, widened by what is drawn near them.
  double lo = std::numeric_limits<double>::infinity();
  double hi = -lo;
  for (std::int32_t i = l.first_bar; i <= l.last_bar; ++i) {
    const Bar& b = p.bars[static_cast<std::size_t>(i)];
    if (finite(b.low)) lo = std::min(lo, static_cast<double>(b.low));
    if (finite(b.high)) hi = std::max(hi, static_cast<double>(b.high));
  }
  if (!(lo <= hi)) {
    lo = 0;
    hi = 1;
  }
  const double margin = std::max((hi - lo) * kLevelMargin, std::abs(hi) * kLevelMarginOfPrice);
  double ext_lo = lo, ext_hi = hi;
  auto include = [&](double price) {
    if (!finite(price) || price < lo - margin || price > hi + margin) return;
    ext_lo = std::min(ext_lo, price);
    ext_hi = std::max(ext_hi, price);
  };
  for (const DrawingState& d : p.drawings) {
    if (d.kind == host::kDrawingLine || d.kind == host::kDrawingBand) {
      double from = 0, to = 0;
      bar_span(p, d, from, to);
      if (to < l.first_bar) continue;
      if (d.has_begin_price) include(d.begin_price);
      if (d.has_end_price) include(d.end_price);
    } else if (d.kind == host::kDrawingText && !is_status(d) && d.has_begin_price) {
      double bar = 0;
      if (text_anchor_bar(p, d, bar) && bar >= l.first_bar) include(d.begin_price);
    }
  }
  for (const SubgraphSeries& s : p.subgraphs) {
    const auto n = static_cast<std::int32_t>(std::min<std::size_t>(s.values.size(), p.bars.size()));
    for (std::int32_t i = l.first_bar; i < n; ++i) {
      const float v = s.values[static_cast<std::size_t>(i)];
      if (v == 0.0f && s.draw_style == host::kDrawStyleLineSkipZero) continue;
      include(v);
    }
  }
  double pad = (ext_hi - ext_lo) * kPricePadding;
  if (!(pad > 0)) pad = std::max(std::abs(ext_hi) * 0.001, 1.0);
  l.price_low = ext_lo - pad;
  l.price_high = ext_hi + pad;
  return l;
}

// Clips the segment to the rectangle (Liang-Barsky); false when nothing of it
// is inside.
bool clip_segment(double& x0, double& y0, double& x1, double& y1, double left, double top,
                  double right, double bottom) {
  if (!finite(x0) || !finite(y0) || !finite(x1) || !finite(y1)) return false;
  double t0 = 0, t1 = 1;
  const double dx = x1 - x0, dy = y1 - y0;
  const double p[] = {-dx, dx, -dy, dy};
  const double q[] = {x0 - left, right - x0, y0 - top, bottom - y0};
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

// Horizontal lines land on whole pixels, so a level reads as one crisp row.
double crisp(double y, double width) {
  const auto w = static_cast<long>(std::lround(width));
  return w % 2 == 1 ? std::floor(y) + 0.5 : std::round(y);
}

class Painter {
 public:
  Painter(cairo_t* cr, const ChartPicture& p, const RenderOptions& o)
      : cr_(cr), p_(p), o_(o), l_(compute_layout(cr, p, o)) {}

  void paint() {
    set_rgb(cr_, kBackground);
    cairo_paint(cr_);
    cairo_set_line_join(cr_, CAIRO_LINE_JOIN_ROUND);
    price_grid();
    time_grid();
    clip_to_plot();
    for (const DrawingState& d : p_.drawings) {
      if (d.kind == host::kDrawingBand) band(d);
    }
    candles();
    for (const SubgraphSeries& s : p_.subgraphs) subgraph(s);
    for (const DrawingState& d : p_.drawings) {
      if (d.kind == host::kDrawingLine) line(d);
    }
    for (const DrawingState& d : p_.drawings) {
      if (d.kind == host::kDrawingText && !is_status(d)) text(d);
    }
    subgraph_labels();
    for (const DrawingState& d : p_.drawings) {
      if (is_status(d)) status_text(d);
    }
    cairo_reset_clip(cr_);
    frame();
    price_tags();
    title();
  }

 private:
  double plot_width() const { return l_.plot_right - l_.plot_left; }
  double plot_height() const { return l_.plot_bottom - l_.plot_top; }

  void clip_to_plot() {
    cairo_rectangle(cr_, l_.plot_left, l_.plot_top, plot_width(), plot_height());
    cairo_clip(cr_);
  }

  std::string price_text(double price) const { return value_text(price, p_.value_format); }

  void price_grid() {
    const double step =
        nice_step(l_.price_high - l_.price_low, static_cast<int>(plot_height() / 70));
    select_font(cr_, kUiFont, kAxisFontPx);
    cairo_set_line_width(cr_, 1);
    for (double v = std::ceil(l_.price_low / step) * step; v <= l_.price_high; v += step) {
      const double y = crisp(l_.y_of_price(v), 1);
      set_rgb(cr_, kGrid);
      cairo_move_to(cr_, l_.plot_left, y);
      cairo_line_to(cr_, l_.plot_right, y);
      cairo_stroke(cr_);
      const std::string label = price_text(v);
      const TextSize s = measure(cr_, label);
      set_rgb(cr_, kAxisText);
      cairo_move_to(cr_, l_.plot_right + 8, y + (s.ascent - s.descent) / 2);
      cairo_show_text(cr_, label.c_str());
    }
  }

  // Marks where the time grid steps: the bars at which the time, cut down to
  // `interval` microseconds, changes.
  std::vector<std::int32_t> time_marks(std::int64_t interval) const {
    std::vector<std::int32_t> marks;
    std::int64_t previous = std::numeric_limits<std::int64_t>::min();
    for (std::int32_t i = l_.first_bar; i <= l_.last_bar; ++i) {
      const std::int64_t t = p_.bars[static_cast<std::size_t>(i)].datetime;
      const std::int64_t slot = t >= 0 ? t / interval : (t - interval + 1) / interval;
      if (slot != previous && previous != std::numeric_limits<std::int64_t>::min())
        marks.push_back(i);
      previous = slot;
    }
    return marks;
  }

  void time_grid() {
    if (l_.last_bar < l_.first_bar) return;
    constexpr std::int64_t kMinute = 60000000;
    constexpr std::int64_t kIntervals[] = {kMinute,
                                           5 * kMinute,
                                           15 * kMinute,
                                           30 * kMinute,
                                           60 * kMinute,
                                           120 * kMinute,
                                           240 * kMinute,
                                           360 * kMinute,
                                           720 * kMinute,
                                           host::kMicrosPerDay,
                                           7 * host::kMicrosPerDay,
                                           30 * host::kMicrosPerDay};
    const auto room = static_cast<std::size_t>(std::max(1.0, plot_width() / 45));
    std::int64_t interval = kIntervals[std::size(kIntervals) - 1];
    std::vector<std::int32_t> marks;
    for (const std::int64_t candidate : kIntervals) {
      marks = time_marks(candidate);
      if (marks.size() <= room) {
        interval = candidate;
        break;
      }
    }
    if (marks.size() > room) marks.resize(room);
    select_font(cr_, kUiFont, kAxisFontPx);
    cairo_set_line_width(cr_, 1);
    double last_label_end = -1e9;
    for (const std::int32_t i : marks) {
      const double x = crisp(l_.x_of_bar(i) - l_.bar_spacing / 2, 1);
      const std::int64_t t = p_.bars[static_cast<std::size_t>(i)].datetime;
      const std::int64_t before = p_.bars[static_cast<std::size_t>(i - 1)].datetime;
      const bool new_day = floor_day(t) != floor_day(before);
      set_rgb(cr_, new_day && interval < host::kMicrosPerDay ? kDaySeparator : kGrid);
      cairo_move_to(cr_, x, l_.plot_top);
      cairo_line_to(cr_, x, l_.plot_bottom);
      cairo_stroke(cr_);
      const std::string label = time_label(t, new_day || interval >= host::kMicrosPerDay);
      const TextSize s = measure(cr_, label);
      const double lx = x - s.width / 2;
      if (lx < last_label_end + 8 || lx + s.width > l_.plot_right) continue;
      set_rgb(cr_, new_day ? kTitleText : kAxisText);
      cairo_move_to(cr_, lx, l_.plot_bottom + 8 + s.ascent);
      cairo_show_text(cr_, label.c_str());
      last_label_end = lx + s.width;
    }
  }

  static std::int64_t floor_day(std::int64_t t) {
    return t >= 0 ? t / host::kMicrosPerDay : (t - host::kMicrosPerDay + 1) / host::kMicrosPerDay;
  }

  static std::string time_label(std::int64_t t, bool with_date) {
    const std::string text = date_time_text(t, 0);  // YYYY-MM-DD HH:MM:SS
    if (!with_date) return text.substr(11, 5);
    static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const int month = std::atoi(text.substr(5, 2).c_str());
    if (month < 1 || month > 12) return text.substr(0, 10);
    return std::string(kMonths[month - 1]) + " " +
           std::to_string(std::atoi(text.substr(8, 2).c_str()));
  }

  void candles() {
    if (l_.last_bar < l_.first_bar) return;
    const double spacing = l_.bar_spacing;
    if (spacing < 2.0) {
      thin_bars();
      return;
    }
    const double body = std::max(1.0, std::floor(spacing * 0.72));
    cairo_set_line_width(cr_, 1);
    for (std::int32_t i = l_.first_bar; i <= l_.last_bar; ++i) {
      const Bar& b = p_.bars[static_cast<std::size_t>(i)];
      if (!finite(b.open) || !finite(b.high) || !finite(b.low) || !finite(b.close)) continue;
      const bool up = b.close >= b.open;
      set_rgb(cr_, up ? kUpCandle : kDownCandle);
      const double x = std::floor(l_.x_of_bar(i)) + 0.5;
      cairo_move_to(cr_, x, l_.y_of_price(b.high));
      cairo_line_to(cr_, x, l_.y_of_price(b.low));
      cairo_stroke(cr_);
      const double top = std::round(l_.y_of_price(std::max(b.open, b.close)));
      const double bottom = std::round(l_.y_of_price(std::min(b.open, b.close)));
      const double left = std::floor(x - body / 2) + (static_cast<long>(body) % 2 == 1 ? 0.5 : 0.0);
      cairo_rectangle(cr_, std::round(left), top, body, std::max(1.0, bottom - top));
      cairo_fill(cr_);
    }
  }

  // Bars narrower than two pixels: one high-low stroke per pixel column.
  void thin_bars() {
    cairo_set_line_width(cr_, 1);
    long column = std::numeric_limits<long>::min();
    double high = 0, low = 0, open = 0, close = 0;
    auto flush = [&] {
      if (column == std::numeric_limits<long>::min()) return;
      set_rgb(cr_, close >= open ? kUpCandle : kDownCandle);
      const double x = static_cast<double>(column) + 0.5;
      cairo_move_to(cr_, x, l_.y_of_price(high));
      cairo_line_to(cr_, x, l_.y_of_price(low) + 0.5);
      cairo_stroke(cr_);
    };
    for (std::int32_t i = l_.first_bar; i <= l_.last_bar; ++i) {
      const Bar& b = p_.bars[static_cast<std::size_t>(i)];
      if (!finite(b.open) || !finite(b.high) || !finite(b.low) || !finite(b.close)) continue;
      const long c = static_cast<long>(std::floor(l_.x_of_bar(i)));
      if (c != column) {
        flush();
        column = c;
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

  // The plot with room around it, for clipping coordinates before cairo sees
  // them (cairo's fixed-point coordinates overflow far outside the surface).
  void expanded(double& left, double& top, double& right, double& bottom) const {
    left = l_.plot_left - 20;
    top = l_.plot_top - 20;
    right = l_.plot_right + 20;
    bottom = l_.plot_bottom + 20;
  }

  void stroke_segment(double x0, double y0, double x1, double y1) {
    double left, top, right, bottom;
    expanded(left, top, right, bottom);
    if (!clip_segment(x0, y0, x1, y1, left, top, right, bottom)) return;
    cairo_move_to(cr_, x0, y0);
    cairo_line_to(cr_, x1, y1);
    cairo_stroke(cr_);
  }

  void line(const DrawingState& d) {
    if (!d.has_begin_price && !d.has_end_price) return;
    const double begin_price = d.has_begin_price ? d.begin_price : d.end_price;
    const double end_price = d.has_end_price ? d.end_price : d.begin_price;
    double from = 0, to = 0;
    bar_span(p_, d, from, to);
    const double width = d.line_width > 0 ? std::min(d.line_width, 20) : 1;
    double y0 = l_.y_of_price(begin_price);
    double y1 = l_.y_of_price(end_price);
    if (begin_price == end_price) y0 = y1 = crisp(y0, width);
    double x0 = l_.x_of_bar(from) - l_.bar_spacing / 2;
    double x1 = l_.x_of_bar(to) + l_.bar_spacing / 2;
    set_rgb(cr_, drawing_rgb(d.color));
    cairo_set_line_width(cr_, width);
    cairo_set_line_cap(cr_, CAIRO_LINE_CAP_BUTT);
    set_line_style(cr_, d.line_style, width);
    stroke_segment(x0, y0, x1, y1);
    cairo_set_dash(cr_, nullptr, 0, 0);
  }

  void band(const DrawingState& d) {
    if (!d.has_begin_price || !d.has_end_price) return;
    double from = 0, to = 0;
    bar_span(p_, d, from, to);
    double left, top, right, bottom;
    expanded(left, top, right, bottom);
    const double x0 = std::clamp(l_.x_of_bar(from) - l_.bar_spacing / 2, left, right);
    const double x1 = std::clamp(l_.x_of_bar(to) + l_.bar_spacing / 2, left, right);
    const double ya = l_.y_of_price(d.begin_price);
    const double yb = l_.y_of_price(d.end_price);
    if (!finite(x0) || !finite(x1) || !finite(ya) || !finite(yb)) return;
    const double y0 = std::clamp(std::min(ya, yb), top, bottom);
    const double y1 = std::clamp(std::max(ya, yb), top, bottom);
    if (x1 <= x0 || y1 < y0) return;
    // The transparency is the fill's, in percent; unset or out
    // of range fills opaque.
    const double alpha = d.transparency_percent >= 0 && d.transparency_percent <= 100
                             ? 1.0 - d.transparency_percent / 100.0
                             : 1.0;
    const std::uint32_t fill = d.second_color != host::kUnsetColor ? d.second_color : d.color;
    set_rgb(cr_, drawing_rgb(fill), alpha);
    cairo_rectangle(cr_, x0, y0, x1 - x0, std::max(y1 - y0, 1.0));
    cairo_fill(cr_);
    if (d.color == host::kUnsetColor || d.line_width <= 0) return;
    const double width = std::min(d.line_width, 20);
    set_rgb(cr_, rgb_of(d.color), 0.8);
    cairo_set_line_width(cr_, width);
    set_line_style(cr_, d.line_style, width);
    for (const double y : {ya, yb}) {
      const double cy = crisp(std::clamp(y, top, bottom), width);
      cairo_move_to(cr_, x0, cy);
      cairo_line_to(cr_, x1, cy);
      cairo_stroke(cr_);
    }
    cairo_set_dash(cr_, nullptr, 0, 0);
  }

  // Places a text by its alignment bits around the anchor point. A text in
  // a dark colour gets a light backdrop so it reads on the dark chart; a
  // second colour frames the text. Reversed, the text's colour fills the box
  // and the text takes the second colour, or a light or dark colour that
  // reads on that fill.
  void place_text(const std::string& text, const TextSize& s, double x, double y,
                  const DrawingState& d) {
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
    if (!finite(left) || !finite(top)) return;
    const bool reversed = d.reverse_text_color == 1;
    const bool framed = !reversed && d.second_color != host::kUnsetColor;
    Rgb ink = drawing_rgb(d.color);
    const bool dark = !reversed && luminance(ink) < kDarkInk;
    if (reversed || dark || framed) {
      rounded_box(left - 5, top - 2, s.width + 10, height + 4, 3);
      if (reversed) {
        set_rgb(cr_, ink);
        ink = d.second_color != host::kUnsetColor  ? rgb_of(d.second_color)
              : luminance(ink) < kReversedLightInk ? kLightBackdrop
                                                   : kBackground;
      } else if (dark) {
        set_rgb(cr_, kLightBackdrop, 0.88);
      } else {
        set_rgb(cr_, kBackground, 0.75);
      }
      cairo_fill_preserve(cr_);
      if (framed) {
        set_rgb(cr_, rgb_of(d.second_color));
        cairo_set_line_width(cr_, 1.5);
        cairo_stroke(cr_);
      }
      cairo_new_path(cr_);
    }
    set_rgb(cr_, ink);
    cairo_move_to(cr_, left, top + s.ascent);
    cairo_show_text(cr_, text.c_str());
  }

  void rounded_box(double x, double y, double w, double h, double r) {
    cairo_new_sub_path(cr_);
    cairo_arc(cr_, x + w - r, y + r, r, -kPi / 2, 0);
    cairo_arc(cr_, x + w - r, y + h - r, r, 0, kPi / 2);
    cairo_arc(cr_, x + r, y + h - r, r, kPi / 2, kPi);
    cairo_arc(cr_, x + r, y + r, r, kPi, 3 * kPi / 2);
    cairo_close_path(cr_);
  }

  void text(const DrawingState& d) {
    if (!d.has_begin_price || d.text.empty()) return;
    double bar = 0;
    if (!text_anchor_bar(p_, d, bar)) return;
    const double x = l_.x_of_bar(bar);
    const double y = l_.y_of_price(d.begin_price);
    if (!finite(x) || !finite(y) || y < l_.plot_top - 50 || y > l_.plot_bottom + 50 ||
        x > l_.plot_right + 10 || x < l_.plot_left - 2000) {
      return;
    }
    const std::string shown = drawable_text(d.text);
    select_font(cr_, d.font_face, font_px(d.font_size), d.bold == 1);
    place_text(shown, measure(cr_, shown), x, y, d);
  }

  void status_text(const DrawingState& d) {
    const std::string shown = drawable_text(d.text);
    if (shown.find_first_not_of(' ') == std::string::npos) return;
    const double across =
        static_cast<double>(d.begin_datetime) / static_cast<double>(host::kMicrosPerDay);
    const double up = d.has_begin_price ? d.begin_price : 98.0;
    if (!finite(across) || !finite(up)) return;
    const double x = l_.plot_left + plot_width() * std::clamp(across, 0.0, 100.0) / 100.0 + 6;
    const double y = l_.plot_bottom - plot_height() * std::clamp(up, 0.0, 100.0) / 100.0 + 6;
    select_font(cr_, d.font_face, font_px(d.font_size), d.bold == 1);
    place_text(shown, measure(cr_, shown), x, y, d);
  }

  // One stretch of a subgraph line at one value, for its label.
  struct Run {
    double x0, x1, y, value;
    const SubgraphSeries* series;
  };

  void subgraph(const SubgraphSeries& s) {
    const bool skip_zero = s.draw_style == host::kDrawStyleLineSkipZero;
    const double width = s.line_width > 0 ? std::min(s.line_width, 20) : 1;
    set_rgb(cr_, rgb_of(s.color));
    cairo_set_line_width(cr_, width);
    set_line_style(cr_, s.line_style, width);
    const auto n =
        static_cast<std::int32_t>(std::min<std::size_t>(s.values.size(), p_.bars.size()));
    double left, top, right, bottom;
    expanded(left, top, right, bottom);
    bool open = false;
    Run run{};
    auto close_run = [&] {
      if (open) runs_.push_back(run);
      open = false;
    };
    for (std::int32_t i = l_.first_bar; i < n; ++i) {
      const float v = s.values[static_cast<std::size_t>(i)];
      if (!finite(v) || (skip_zero && v == 0.0f)) {
        close_run();
        continue;
      }
      const double x = l_.x_of_bar(i);
      const double y = crisp(std::clamp(l_.y_of_price(v), top, bottom), width);
      // A level that steps to a new value starts a new stretch instead of
      // drawing a slanted joint across the step.
      if (open && y != run.y) close_run();
      if (open) {
        cairo_move_to(cr_, run.x1, y);
      } else {
        run = Run{x - l_.bar_spacing / 2, 0, y, v, &s};
        cairo_move_to(cr_, run.x0, y);
        open = true;
      }
      run.x1 = x + l_.bar_spacing / 2;
      cairo_line_to(cr_, run.x1, y);
    }
    close_run();
    cairo_stroke(cr_);
    cairo_set_dash(cr_, nullptr, 0, 0);
  }

  // The value a subgraph line shows at the last bar, if any.
  bool last_value(const SubgraphSeries& s, double& value) const {
    if (l_.last_bar < 0 || s.values.size() <= static_cast<std::size_t>(l_.last_bar)) return false;
    const float v = s.values[static_cast<std::size_t>(l_.last_bar)];
    if (!finite(v) || (v == 0.0f && s.draw_style == host::kDrawStyleLineSkipZero)) return false;
    value = v;
    return true;
  }

  // Each stretch long enough to hold it gets its label and value just above
  // its right end; a label that would cover another is left out.
  void subgraph_labels() {
    select_font(cr_, kUiFont, kSubgraphLabelPx);
    std::vector<std::array<double, 4>> placed;
    for (const Run& r : runs_) {
      if (r.y < l_.plot_top || r.y > l_.plot_bottom) continue;
      const std::string& raw = r.series->label.empty() ? r.series->name : r.series->label;
      const std::size_t start = raw.find_first_not_of(' ');
      if (start == std::string::npos) continue;
      const std::string label = drawable_text(raw.substr(start)) + " " + price_text(r.value);
      const TextSize ts = measure(cr_, label);
      const double x1 = std::min(r.x1, l_.plot_right) - 3;
      const double x0 = x1 - ts.width;
      if (x0 < std::max(r.x0, l_.plot_left)) continue;
      const std::array<double, 4> box{x0, r.y - ts.ascent - ts.descent - 2, x1, r.y - 1};
      const bool covers = std::any_of(placed.begin(), placed.end(), [&](const auto& o) {
        return box[0] < o[2] && o[0] < box[2] && box[1] < o[3] && o[1] < box[3];
      });
      if (covers) continue;
      placed.push_back(box);
      // A backdrop keeps the label readable over candles and crossing lines.
      set_rgb(cr_, kBackground, 0.7);
      cairo_rectangle(cr_, box[0] - 2, box[1], box[2] - box[0] + 4, box[3] - box[1]);
      cairo_fill(cr_);
      set_rgb(cr_, rgb_of(r.series->color));
      cairo_move_to(cr_, x0, r.y - 2 - ts.descent);
      cairo_show_text(cr_, label.c_str());
    }
  }

  void frame() {
    set_rgb(cr_, kGrid);
    cairo_set_line_width(cr_, 1);
    cairo_move_to(cr_, l_.plot_right + 0.5, l_.plot_top);
    cairo_line_to(cr_, l_.plot_right + 0.5, l_.plot_bottom + 0.5);
    cairo_line_to(cr_, l_.plot_left, l_.plot_bottom + 0.5);
    cairo_stroke(cr_);
  }

  struct Tag {
    double y;
    std::string text;
    Rgb colour;
  };

  // Value tags on the price axis: the last close, and each subgraph's value
  // at the last bar; pushed apart so none hides another.
  void price_tags() {
    if (l_.last_bar < 0) return;
    std::vector<Tag> tags;
    for (const SubgraphSeries& s : p_.subgraphs) {
      double v = 0;
      if (!last_value(s, v)) continue;
      const double y = l_.y_of_price(v);
      if (y >= l_.plot_top && y <= l_.plot_bottom)
        tags.push_back({y, price_text(v), rgb_of(s.color)});
    }
    const Bar& last = p_.bars[static_cast<std::size_t>(l_.last_bar)];
    if (finite(last.close)) {
      tags.push_back({l_.y_of_price(last.close), price_text(last.close),
                      last.close >= last.open ? kUpCandle : kDownCandle});
    }
    std::stable_sort(tags.begin(), tags.end(),
                     [](const Tag& a, const Tag& b) { return a.y < b.y; });
    constexpr double kTagHeight = 17;
    for (std::size_t i = 1; i < tags.size(); ++i) {
      tags[i].y = std::max(tags[i].y, tags[i - 1].y + kTagHeight);
    }
    select_font(cr_, kUiFont, kAxisFontPx, true);
    for (const Tag& t : tags) {
      if (t.y > l_.plot_bottom + kTagHeight / 2) break;
      set_rgb(cr_, t.colour);
      cairo_rectangle(cr_, l_.plot_right + 1, std::round(t.y - kTagHeight / 2), kPriceAxisWidth - 4,
                      kTagHeight - 1);
      cairo_fill(cr_);
      const TextSize s = measure(cr_, t.text);
      if (luminance(t.colour) > 0.6) {
        set_rgb(cr_, kBackground);
      } else {
        cairo_set_source_rgb(cr_, 1, 1, 1);
      }
      cairo_move_to(cr_, l_.plot_right + 7, t.y + (s.ascent - s.descent) / 2);
      cairo_show_text(cr_, t.text.c_str());
    }
  }

  void title() {
    select_font(cr_, kUiFont, 14, true);
    const std::string name = drawable_text(p_.title);
    set_rgb(cr_, kTitleText);
    cairo_move_to(cr_, kLeftMargin + 4, 22);
    cairo_show_text(cr_, name.c_str());
    if (l_.last_bar < 0) return;
    double x = kLeftMargin + 4 + measure(cr_, name).width + 18;
    const Bar& b = p_.bars[static_cast<std::size_t>(l_.last_bar)];
    const Rgb value_colour = b.close >= b.open ? kUpCandle : kDownCandle;
    const std::pair<const char*, double> fields[] = {
        {"O", b.open}, {"H", b.high}, {"L", b.low}, {"C", b.close}};
    for (const auto& [key, value] : fields) {
      select_font(cr_, kUiFont, 13);
      set_rgb(cr_, kAxisText);
      cairo_move_to(cr_, x, 22);
      cairo_show_text(cr_, key);
      x += measure(cr_, key).width + 4;
      const std::string text = price_text(value);
      set_rgb(cr_, value_colour);
      cairo_move_to(cr_, x, 22);
      cairo_show_text(cr_, text.c_str());
      x += measure(cr_, text).width + 12;
    }
    const std::string when = date_time_text(b.datetime, 0).substr(0, 16);
    set_rgb(cr_, kAxisText);
    cairo_move_to(cr_, x + 6, 22);
    cairo_show_text(cr_, when.c_str());
  }

  cairo_t* cr_;
  const ChartPicture& p_;
  const RenderOptions& o_;
  ChartLayout l_;
  std::vector<Run> runs_;
};

bool sane_size(const RenderOptions& o, std::string& error) {
  if (o.width < 200 || o.height < 150 || o.width > 16000 || o.height > 16000) {
    error = "picture size must be from 200x150 to 16000x16000 pixels";
    return false;
  }
  return true;
}

struct SurfaceDeleter {
  void operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
};
struct ContextDeleter {
  void operator()(cairo_t* c) const { cairo_destroy(c); }
};
using Surface = std::unique_ptr<cairo_surface_t, SurfaceDeleter>;
using Context = std::unique_ptr<cairo_t, ContextDeleter>;

std::string cairo_error(const std::string& path, cairo_status_t status) {
  return path + ": cannot write the picture (" + cairo_status_to_string(status) + ")";
}

}  // namespace

double ChartLayout::x_of_bar(double index) const {
  return plot_left + (index - first_bar + 0.5) * bar_spacing;
}

double ChartLayout::y_of_price(double price) const {
  const double range = price_high - price_low;
  return plot_bottom - (price - price_low) / range * (plot_bottom - plot_top);
}

ChartLayout layout_chart(const ChartPicture& picture, const RenderOptions& options) {
  Surface surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1));
  Context cr(cairo_create(surface.get()));
  return compute_layout(cr.get(), picture, options);
}

namespace {

// Paints the chart on a surface just created for `path`; a surface cairo
// could not create, or a painting that failed, gives the error text.
bool paint_chart(cairo_surface_t* surface, const ChartPicture& picture,
                 const RenderOptions& options, const std::string& path, std::string& error) {
  if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
    error = cairo_error(path, cairo_surface_status(surface));
    return false;
  }
  Context cr(cairo_create(surface));
  Painter(cr.get(), picture, options).paint();
  if (cairo_status(cr.get()) != CAIRO_STATUS_SUCCESS) {
    error = cairo_error(path, cairo_status(cr.get()));
    return false;
  }
  return true;
}

}  // namespace

bool render_png(const ChartPicture& picture, const RenderOptions& options, const std::string& path,
                std::string& error) {
  if (!sane_size(options, error)) return false;
  Surface surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, options.width, options.height));
  if (!paint_chart(surface.get(), picture, options, path, error)) return false;
  const cairo_status_t written = cairo_surface_write_to_png(surface.get(), path.c_str());
  if (written != CAIRO_STATUS_SUCCESS) {
    error = cairo_error(path, written);
    return false;
  }
  return true;
}

bool render_svg(const ChartPicture& picture, const RenderOptions& options, const std::string& path,
                std::string& error) {
  if (!sane_size(options, error)) return false;
  Surface surface(cairo_svg_surface_create(path.c_str(), options.width, options.height));
  if (!paint_chart(surface.get(), picture, options, path, error)) return false;
  cairo_surface_finish(surface.get());
  if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) {
    error = cairo_error(path, cairo_surface_status(surface.get()));
    return false;
  }
  return true;
}

void release_render_caches() {
  cairo_debug_reset_static_data();
  FcFini();
}

}  // namespace studyhost
