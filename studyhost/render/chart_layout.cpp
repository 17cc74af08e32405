#include "studyhost/render/chart_layout.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <iterator>
#include <limits>

#include "host/study_interface.h"
#include "studyhost/runtime/bar_lookup.h"
#include "studyhost/runtime/value_text.h"

namespace studyhost {
namespace {

// The plot keeps at least this many pixels each way on any picture size.
constexpr double kMinPlotSize = 10;
// Room between the last bar and the plot's right edge, in pixels.
constexpr double kRightPadding = 6;
// Room beside the widest label anchored right of the last bar, in pixels,
// and the largest share of the plot's width labels may take.
constexpr double kLabelPadding = 10;
constexpr double kMaxLabelShare = 0.35;
// Bars are never closer than this, in pixels.
constexpr double kMinBarSpacing = 0.05;

// Drawn levels further than this share of the bars' price range from it do
// not widen the price scale; they are clipped instead.
constexpr double kLevelMargin = 0.5;
// ... or than this share of the price, so a quiet chart still shows the
// levels next to it.
constexpr double kLevelMarginOfPrice = 0.01;
// Room above and below the prices shown, as a share of their range; a range
// of one price gets this share of the price, and at least one price unit.
constexpr double kPricePadding = 0.04;
constexpr double kFlatPricePadding = 0.001;
constexpr double kMinFlatPricePadding = 1.0;

// Pixels each price grid label and each time grid label wants.
constexpr double kPriceLabelRoom = 70;
constexpr double kTimeLabelRoom = 45;

// Label offsets are cut to this many bars before any arithmetic with them.
constexpr std::int64_t kMaxLabelOffsetBars = 100000;

// Relative vertical values (1) place a text by relative coordinates: the
// price is the height in percent from the bottom, the date-time in days the
// distance in percent from the left.
constexpr std::int32_t kRelativeVertical = 1;

constexpr std::int64_t kMinute = 60000000;
// The steps of the time grid, finest first.
constexpr std::int64_t kTimeIntervals[] = {kMinute,
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

// Division rounding down, for date-times on either side of 1899-12-30.
std::int64_t floor_div(std::int64_t value, std::int64_t divisor) {
  const std::int64_t quotient = value / divisor;
  return value % divisor < 0 ? quotient - 1 : quotient;
}

// A round step (1, 2, 2.5 or 5 times a power of ten) that cuts `range` into
// at most about `wanted` parts.
double nice_step(double range, int wanted) {
  if (!(range > 0) || !std::isfinite(range)) return 1;
  const double raw = range / std::max(wanted, 1);
  const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
  for (const double m : {1.0, 2.0, 2.5, 5.0, 10.0}) {
    if (m * magnitude >= raw) return m * magnitude;
  }
  return 10 * magnitude;
}

// The bars shown at which the time, cut down to `interval`, changes.
std::vector<std::int32_t> time_marks(const std::vector<Bar>& bars, const ChartLayout& l,
                                     std::int64_t interval) {
  std::vector<std::int32_t> marks;
  std::int64_t previous = std::numeric_limits<std::int64_t>::min();
  for (std::int32_t i = l.first_bar; i <= l.last_bar; ++i) {
    const std::int64_t slot = floor_div(bars[static_cast<std::size_t>(i)].datetime, interval);
    if (slot != previous && previous != std::numeric_limits<std::int64_t>::min())
      marks.push_back(i);
    previous = slot;
  }
  return marks;
}

}  // namespace

double ChartLayout::x_of_bar(double index) const {
  return plot_left + (index - first_bar + 0.5) * bar_spacing;
}

double ChartLayout::y_of_price(double price) const {
  const double range = price_high - price_low;
  return plot_bottom - (price - price_low) / range * (plot_bottom - plot_top);
}

ChartLayout layout_chart(const ChartPicture& p, const RenderOptions& o,
                         const TextWidth& text_width) {
  ChartLayout l;
  l.plot_left = kLeftMargin;
  l.plot_top = kTitleHeight;
  l.plot_right = std::max(l.plot_left + kMinPlotSize, o.width - kPriceAxisWidth);
  l.plot_bottom = std::max(l.plot_top + kMinPlotSize, o.height - kTimeAxisHeight);
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
    label_room = std::max(label_room, text_width(d));
  }
  const double plot_width = l.plot_width();
  label_room = std::min(label_room + kLabelPadding, plot_width * kMaxLabelShare);
  const double slots = std::max<double>(1, shown + static_cast<double>(offset_bars));
  l.bar_spacing = std::max(kMinBarSpacing, (plot_width - label_room - kRightPadding) / slots);

  // Price scale: the bars shown, widened by what is drawn near them.
  double lo = std::numeric_limits<double>::infinity();
  double hi = -lo;
  for (std::int32_t i = l.first_bar; i <= l.last_bar; ++i) {
    const Bar& b = p.bars[static_cast<std::size_t>(i)];
    if (std::isfinite(b.low)) lo = std::min(lo, static_cast<double>(b.low));
    if (std::isfinite(b.high)) hi = std::max(hi, static_cast<double>(b.high));
  }
  if (!(lo <= hi)) {
    lo = 0;
    hi = 1;
  }
  const double margin = std::max((hi - lo) * kLevelMargin, std::abs(hi) * kLevelMarginOfPrice);
  double ext_lo = lo, ext_hi = hi;
  auto include = [&](double price) {
    if (!std::isfinite(price) || price < lo - margin || price > hi + margin) return;
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
    } else if (d.kind == host::kDrawingText && !is_status_text(d) && d.has_begin_price) {
      double bar = 0;
      if (text_anchor_bar(p, d, bar) && bar >= l.first_bar) include(d.begin_price);
    }
  }
  for (const SubgraphSeries& s : p.subgraphs) {
    const auto n = static_cast<std::int32_t>(std::min<std::size_t>(s.values.size(), p.bars.size()));
    for (std::int32_t i = l.first_bar; i < n; ++i) {
      const float v = s.values[static_cast<std::size_t>(i)];
      if (s.shows(v)) include(v);
    }
  }
  double pad = (ext_hi - ext_lo) * kPricePadding;
  if (!(pad > 0)) pad = std::max(std::abs(ext_hi) * kFlatPricePadding, kMinFlatPricePadding);
  l.price_low = ext_lo - pad;
  l.price_high = ext_hi + pad;
  return l;
}

bool is_status_text(const DrawingState& d) {
  return d.kind == host::kDrawingText && d.relative_vertical == kRelativeVertical;
}

std::int64_t right_offset_bars(const DrawingState& d) {
  if (d.kind != host::kDrawingText || is_status_text(d) || d.begin_bar >= 0 ||
      d.begin_datetime >= 0) {
    return -1;
  }
  const double days =
      -static_cast<double>(d.begin_datetime) / static_cast<double>(host::kMicrosPerDay);
  return std::min<std::int64_t>(std::llround(days), kMaxLabelOffsetBars);
}

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

void bar_span(const ChartPicture& p, const DrawingState& d, double& from, double& to) {
  const double last = static_cast<double>(p.bars.size()) - 1;
  from = d.begin_bar >= 0 ? d.begin_bar : 0;
  to = d.end_bar >= 0 ? d.end_bar : last;
  if (from > to) std::swap(from, to);
}

double price_grid_step(const ChartLayout& l) {
  return nice_step(l.price_high - l.price_low, static_cast<int>(l.plot_height() / kPriceLabelRoom));
}

TimeScale time_scale(const std::vector<Bar>& bars, const ChartLayout& l) {
  TimeScale scale;
  if (l.last_bar < l.first_bar) return scale;
  const auto room = static_cast<std::size_t>(std::max(1.0, l.plot_width() / kTimeLabelRoom));
  scale.interval = kTimeIntervals[std::size(kTimeIntervals) - 1];
  for (const std::int64_t candidate : kTimeIntervals) {
    scale.marks = time_marks(bars, l, candidate);
    if (scale.marks.size() <= room) {
      scale.interval = candidate;
      break;
    }
  }
  if (scale.marks.size() > room) scale.marks.resize(room);
  return scale;
}

std::int64_t floor_day(std::int64_t datetime) {
  return floor_div(datetime, host::kMicrosPerDay);
}

std::string time_label(std::int64_t datetime, bool with_date) {
  const std::string text = date_time_text(datetime, 0);  // YYYY-MM-DD HH:MM:SS
  if (!with_date) return text.substr(11, 5);
  static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                            "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  const int month = std::atoi(text.substr(5, 2).c_str());
  if (month < 1 || month > 12) return text.substr(0, 10);
  return std::string(kMonths[month - 1]) + " " +
         std::to_string(std::atoi(text.substr(8, 2).c_str()));
}

}  // namespace studyhost
