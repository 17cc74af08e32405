#include "studyhost/render/subgraph_painter.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "studyhost/render/drawable_text.h"

namespace studyhost {
namespace {

// Subgraph labels: their font size, how far their right end stays inside
// the line's, the room below them, and their backdrop's padding and opacity.
constexpr double kLabelFontPx = 11;
constexpr double kLabelInset = 3;
constexpr double kLabelRise = 2;
constexpr double kLabelBoxPadX = 2;
constexpr double kLabelBoxBottom = 1;
constexpr double kLabelBackdropAlpha = 0.7;

// Price tags: their height, the room between a tag and the axis's edges and
// between stacked tags, the text's indent, and the fill brighter than which
// the text is dark.
constexpr double kTagHeight = 17;
constexpr double kTagInset = 1;
constexpr double kTagRightRoom = 4;
constexpr double kTagGap = 1;
constexpr double kTagTextIndent = 7;
constexpr double kLightTag = 0.6;

// The value a subgraph line shows at the last bar, if any.
bool last_value(const Canvas& c, const SubgraphSeries& s, double& value) {
  const std::int32_t last = c.layout.last_bar;
  if (last < 0 || s.values.size() <= static_cast<std::size_t>(last)) return false;
  const float v = s.values[static_cast<std::size_t>(last)];
  if (!s.shows(v)) return false;
  value = v;
  return true;
}

struct Tag {
  double y;
  std::string text;
  Rgb colour;
};

}  // namespace

void paint_subgraph_line(const Canvas& c, const SubgraphSeries& s, std::vector<SubgraphRun>& runs) {
  const ChartLayout& l = c.layout;
  const double width = line_width_of(s.line_width);
  const auto n =
      static_cast<std::int32_t>(std::min<std::size_t>(s.values.size(), c.picture.bars.size()));
  const Box clip = c.clip_box();
  const std::size_t first_run = runs.size();
  bool open = false;
  for (std::int32_t i = l.first_bar; i < n; ++i) {
    const float v = s.values[static_cast<std::size_t>(i)];
    if (!s.shows(v)) {
      open = false;
      continue;
    }
    const double x = l.x_of_bar(i);
    const double y = crisp(std::clamp(l.y_of_price(v), clip.top, clip.bottom), width);
    // A level that steps to a new value starts a new stretch instead of
    // drawing a slanted joint across the step.
    if (!open || y != runs.back().y) {
      runs.push_back(SubgraphRun{x - l.bar_spacing / 2, 0, y, v, &s});
      open = true;
    }
    runs.back().x1 = x + l.bar_spacing / 2;
  }
  // Each stretch is one segment, so a dashed or dotted style runs its
  // pattern along the whole stretch rather than starting it over at every
  // bar, which would draw it solid.
  set_rgb(c.cr, rgb_of(s.color));
  cairo_set_line_width(c.cr, width);
  cairo_set_line_cap(c.cr, CAIRO_LINE_CAP_BUTT);
  set_line_style(c.cr, s.line_style, width);
  for (std::size_t k = first_run; k < runs.size(); ++k) {
    cairo_move_to(c.cr, runs[k].x0, runs[k].y);
    cairo_line_to(c.cr, runs[k].x1, runs[k].y);
  }
  cairo_stroke(c.cr);
  cairo_set_dash(c.cr, nullptr, 0, 0);
}

bool place_subgraph_label(const Canvas& c, const SubgraphRun& r, PlacedText& out) {
  const ChartLayout& l = c.layout;
  if (r.y < l.plot_top || r.y > l.plot_bottom) return false;
  const std::string& raw = r.series->label.empty() ? r.series->name : r.series->label;
  const std::size_t start = raw.find_first_not_of(' ');
  if (start == std::string::npos) return false;
  select_font(c.cr, kUiFont, kLabelFontPx);
  std::string label = drawable_text(raw.substr(start)) + " " + c.price_text(r.value);
  const TextSize ts = measure(c.cr, label);
  const double x1 = std::min(r.x1, l.plot_right) - kLabelInset;
  const double x0 = x1 - ts.width;
  if (x0 < std::max(r.x0, l.plot_left)) return false;
  out.text = std::move(label);
  out.left = x0;
  out.baseline = r.y - kLabelRise - ts.descent;
  out.box = {x0 - kLabelBoxPadX, r.y - ts.ascent - ts.descent - kLabelRise, x1 + kLabelBoxPadX,
             r.y - kLabelBoxBottom};
  return true;
}

void paint_subgraph_label(const Canvas& c, const SubgraphRun& r, const PlacedText& t) {
  // A backdrop keeps the label readable over candles and crossing lines.
  set_rgb(c.cr, kBackground, kLabelBackdropAlpha);
  cairo_rectangle(c.cr, t.box.left, t.box.top, t.box.right - t.box.left, t.box.bottom - t.box.top);
  cairo_fill(c.cr);
  select_font(c.cr, kUiFont, kLabelFontPx);
  set_rgb(c.cr, rgb_of(r.series->color));
  cairo_move_to(c.cr, t.left, t.baseline);
  cairo_show_text(c.cr, t.text.c_str());
}

void paint_price_tags(const Canvas& c) {
  const ChartLayout& l = c.layout;
  if (l.last_bar < 0) return;
  std::vector<Tag> tags;
  for (const SubgraphSeries& s : c.picture.subgraphs) {
    double v = 0;
    if (!last_value(c, s, v)) continue;
    const double y = l.y_of_price(v);
    if (y >= l.plot_top && y <= l.plot_bottom)
      tags.push_back({y, c.price_text(v), rgb_of(s.color)});
  }
  const Bar& last = c.picture.bars[static_cast<std::size_t>(l.last_bar)];
  if (std::isfinite(last.close)) {
    tags.push_back(
        {l.y_of_price(last.close), c.price_text(last.close), candle_rgb(last.open, last.close)});
  }
  std::stable_sort(tags.begin(), tags.end(), [](const Tag& a, const Tag& b) { return a.y < b.y; });
  for (std::size_t i = 1; i < tags.size(); ++i) {
    tags[i].y = std::max(tags[i].y, tags[i - 1].y + kTagHeight);
  }
  select_font(c.cr, kUiFont, kAxisFontPx, true);
  for (const Tag& t : tags) {
    if (t.y > l.plot_bottom + kTagHeight / 2) break;
    set_rgb(c.cr, t.colour);
    cairo_rectangle(c.cr, l.plot_right + kTagInset, std::round(t.y - kTagHeight / 2),
                    kPriceAxisWidth - kTagRightRoom, kTagHeight - kTagGap);
    cairo_fill(c.cr);
    const TextSize s = measure(c.cr, t.text);
    if (luminance(t.colour) > kLightTag) {
      set_rgb(c.cr, kBackground);
    } else {
      cairo_set_source_rgb(c.cr, 1, 1, 1);
    }
    cairo_move_to(c.cr, l.plot_right + kTagTextIndent, t.y + (s.ascent - s.descent) / 2);
    cairo_show_text(c.cr, t.text.c_str());
  }
}

}  // namespace studyhost
