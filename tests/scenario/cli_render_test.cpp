// The chart pictures: levels land on their price rows in their colours,
// bands are see-through, skipped zeros leave gaps, and hostile drawings
// neither move the price scale nor break the picture.
#include <cairo.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>

#include "built_targets.h"
#include "host/drawing_record.h"
#include "host/subgraph_slot.h"
#include "studyhost/app/service_connection.h"
#include "studyhost/render/renderer.h"
#include "studyhost/runtime/chart_picture.h"
#include "studyhost/runtime/host.h"
#include "studyhost/runtime/library_loader.h"
#include "studyhost/session/bars_csv.h"
#include "studyhost/session/input_assign.h"

namespace {

namespace fs = std::filesystem;
using studyhost::Bar;
using studyhost::ChartLayout;
using studyhost::ChartPicture;
using studyhost::DrawingState;
using studyhost::RenderOptions;

constexpr std::int64_t kFiveMinutes = 300000000LL;

// cairo and fontconfig keep font caches for the life of the process; freeing
// them when every test is done lets the leak checker judge the rest.
class RenderCaches : public ::testing::Environment {
 public:
  void TearDown() override { studyhost::release_render_caches(); }
};
const auto* const kRenderCaches = ::testing::AddGlobalTestEnvironment(new RenderCaches);

struct Rgb {
  int r, g, b;
  bool operator==(const Rgb&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Rgb& c) {
  return os << "rgb(" << c.r << ", " << c.g << ", " << c.b << ")";
}

Rgb rgb_of(std::uint32_t colour) {
  return {static_cast<int>(colour & 0xFF), static_cast<int>((colour >> 8) & 0xFF),
          static_cast<int>((colour >> 16) & 0xFF)};
}

// A PNG read back through cairo.
class Png {
 public:
  explicit Png(const std::string& path)
      : surface_(cairo_image_surface_create_from_png(path.c_str())) {}
  ~Png() { cairo_surface_destroy(surface_); }
  bool ok() const { return cairo_surface_status(surface_) == CAIRO_STATUS_SUCCESS; }
  // The pixel's colour; (-1, -1, -1) outside the picture.
  Rgb at(double x, double y) const {
    const int ix = static_cast<int>(std::floor(x));
    const int iy = static_cast<int>(std::floor(y));
    if (ix < 0 || iy < 0 || ix >= cairo_image_surface_get_width(surface_) ||
        iy >= cairo_image_surface_get_height(surface_)) {
      return {-1, -1, -1};
    }
    const unsigned char* row =
        cairo_image_surface_get_data(surface_) +
        static_cast<std::ptrdiff_t>(iy) * cairo_image_surface_get_stride(surface_);
    std::uint32_t pixel = 0;
    std::memcpy(&pixel, row + ix * 4, 4);
    return {static_cast<int>((pixel >> 16) & 0xFF), static_cast<int>((pixel >> 8) & 0xFF),
            static_cast<int>(pixel & 0xFF)};
  }

 private:
  cairo_surface_t* surface_;
};

// Forty flat bars around 100, one tick high.
ChartPicture flat_chart() {
  ChartPicture p;
  p.title = "TEST";
  for (int i = 0; i < 40; ++i) {
    p.bars.push_back(
        Bar{45947 * 86400000000LL + i * kFiveMinutes, 100.0f, 100.25f, 99.75f, 100.0f, 1.0f});
  }
  return p;
}

DrawingState line_at(float price, std::uint32_t colour, std::int32_t width, std::int32_t from,
                     std::int32_t to) {
  DrawingState d;
  d.id = 1;
  d.kind = host::kDrawingLine;
  d.begin_price = d.end_price = price;
  d.has_begin_price = d.has_end_price = true;
  d.color = colour;
  d.line_width = width;
  d.line_style = 0;
  d.begin_bar = from;
  d.end_bar = to;
  return d;
}

// An output holding `value` on each of `bars` bars.
studyhost::SubgraphSeries output(const char* label, std::uint32_t colour, std::int32_t width,
                                 std::size_t bars, float value) {
  studyhost::SubgraphSeries series;
  series.label = label;
  series.color = colour;
  series.line_width = width;
  series.values.assign(bars, value);
  return series;
}

class Render : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("studyhost_render_" +
            std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string path(const char* name) const { return (dir_ / name).string(); }

  fs::path dir_;
  RenderOptions options_;
};

TEST_F(Render, ALevelLineColoursItsPriceRow) {
  ChartPicture p = flat_chart();
  p.drawings.push_back(line_at(101.0f, 0x0000FFFF, 2, 5, 39));  // yellow
  p.drawings.push_back(line_at(99.0f, 0x00FF0000, 1, 0, 39));   // blue
  std::string error;
  ASSERT_TRUE(studyhost::render_png(p, options_, path("chart.png"), error)) << error;
  const ChartLayout l = studyhost::layout_chart(p, options_);
  // Both levels lie near the bars, so the price scale takes them in.
  EXPECT_LT(l.price_low, 99.0);
  EXPECT_GT(l.price_high, 101.0);

  const Png png(path("chart.png"));
  ASSERT_TRUE(png.ok());
  const double x = l.x_of_bar(20);
  EXPECT_EQ(png.at(x, l.y_of_price(101.0)), (Rgb{255, 255, 0}));
  EXPECT_EQ(png.at(x, l.y_of_price(99.0)), (Rgb{0, 0, 255}));
  // The yellow line starts at bar 5.
  EXPECT_NE(png.at(l.x_of_bar(2), l.y_of_price(101.0)), (Rgb{255, 255, 0}));
}

TEST_F(Render, ABandWithSetting75IsFilledAtAQuarterOfItsColour) {
  ChartPicture p = flat_chart();
  DrawingState band;
  band.id = 2;
  band.kind = host::kDrawingBand;
  band.begin_price = 100.5f;
  band.end_price = 101.0f;
  band.has_begin_price = band.has_end_price = true;
  band.second_color = 0x00FFFFFF;
  band.transparency_percent = 75;
  band.begin_bar = 10;
  band.end_bar = 39;
  p.drawings.push_back(band);
  std::string error;
  ASSERT_TRUE(studyhost::render_png(p, options_, path("band.png"), error)) << error;
  const ChartLayout l = studyhost::layout_chart(p, options_);
  const Png png(path("band.png"));
  const Rgb inside = png.at(l.x_of_bar(20), l.y_of_price(100.75));
  const Rgb outside = png.at(l.x_of_bar(5), l.y_of_price(100.75));
  ASSERT_NE(outside, (Rgb{-1, -1, -1}));
  // White at 25 % over the background: a quarter of the way to 255.
  for (const auto& [in, out] :
       {std::pair{inside.r, outside.r}, {inside.g, outside.g}, {inside.b, outside.b}}) {
    EXPECT_NEAR(in, out + (255 - out) * 0.25, 2.0);
  }
}

TEST_F(Render, DrawStyle35LeavesGapsWhereTheValueIsZero) {
  ChartPicture p = flat_chart();
  studyhost::SubgraphSeries series = output("PWH", 0x0000FF00, 1, 40, 101.0f);  // green
  series.draw_style = host::kDrawStyleLineSkipZero;
  for (int i = 10; i < 20; ++i) series.values[static_cast<std::size_t>(i)] = 0.0f;
  p.subgraphs.push_back(series);
  std::string error;
  ASSERT_TRUE(studyhost::render_png(p, options_, path("gaps.png"), error)) << error;
  const ChartLayout l = studyhost::layout_chart(p, options_);
  EXPECT_GT(l.price_low, 50.0) << "skipped zeros do not stretch the scale";
  const Png png(path("gaps.png"));
  EXPECT_EQ(png.at(l.x_of_bar(5), l.y_of_price(101.0)), (Rgb{0, 255, 0}));
  EXPECT_EQ(png.at(l.x_of_bar(30), l.y_of_price(101.0)), (Rgb{0, 255, 0}));
  EXPECT_NE(png.at(l.x_of_bar(15), l.y_of_price(101.0)), (Rgb{0, 255, 0}));
}

TEST_F(Render, ADottedOutputAlternatesAlongItsLineInPngAndSvg) {
  // Bars closer together than the dots, as on any chart of some length.
  ChartPicture p = flat_chart();
  p.bars.resize(600, p.bars.back());
  studyhost::SubgraphSeries series = output("PWC", 0x0000FF00, 2, 600, 101.0f);  // green
  series.line_style = host::kLineDot;
  p.subgraphs.push_back(series);
  std::string error;
  ASSERT_TRUE(studyhost::render_png(p, options_, path("dots.png"), error)) << error;
  ASSERT_TRUE(studyhost::render_svg(p, options_, path("dots.svg"), error)) << error;
  const ChartLayout l = studyhost::layout_chart(p, options_);
  const Png png(path("dots.png"));
  // Along the line's row, left of where its label stands: green dots with
  // gaps between them, many times over.
  int changes = 0;
  bool was_green = false;
  for (double x = l.x_of_bar(0); x < l.x_of_bar(300); x += 1) {
    const bool green = png.at(x, l.y_of_price(101.0)) == Rgb{0, 255, 0};
    if (green != was_green) ++changes;
    was_green = green;
  }
  EXPECT_GT(changes, 40);
  std::ifstream svg(path("dots.svg"));
  const std::string text((std::istreambuf_iterator<char>(svg)), std::istreambuf_iterator<char>());
  EXPECT_NE(text.find("stroke-dasharray"), std::string::npos);
}

TEST_F(Render, LabelsAtOnePriceAreStackedEachInItsOwnColour) {
  ChartPicture p = flat_chart();
  // Two outputs at one price, the later covering the earlier's line.
  p.subgraphs.push_back(output("PMH", 0x0000FF00u, 3, 40, 100.5f));
  p.subgraphs.push_back(output("PQH", 0x00FF00FFu, 3, 40, 100.5f));
  // Two texts anchored at one price.
  for (const std::uint32_t colour : {0x00FFFF00u, 0x000000FFu}) {
    DrawingState text;
    text.kind = host::kDrawingText;
    text.begin_price = 99.5f;
    text.has_begin_price = true;
    text.begin_bar = 10;
    text.text = "99.50 LEVEL";
    text.font_size = 12;
    text.bold = 1;
    text.color = colour;
    p.drawings.push_back(text);
  }
  std::string error;
  ASSERT_TRUE(studyhost::render_png(p, options_, path("stacked.png"), error)) << error;
  const ChartLayout l = studyhost::layout_chart(p, options_);
  const Png png(path("stacked.png"));
  // The rows around `price` near `x0`..`x1` that hold ink of each colour.
  auto ink_rows = [&](double price, double x0, double x1, auto is_ink) {
    std::vector<int> rows;
    const double y = l.y_of_price(price);
    for (int dy = -40; dy <= 40; ++dy) {
      if (std::abs(dy) <= 2) continue;  // the line's own row
      for (double x = x0; x < x1; x += 1) {
        if (is_ink(png.at(x, y + dy))) {
          rows.push_back(dy);
          break;
        }
      }
    }
    return rows;
  };
  const auto green = [](Rgb c) { return c.g > 180 && c.r < 90 && c.b < 90; };
  const auto magenta = [](Rgb c) { return c.r > 180 && c.b > 180 && c.g < 90; };
  const auto cyan = [](Rgb c) { return c.g > 180 && c.b > 180 && c.r < 90; };
  const auto red = [](Rgb c) { return c.r > 180 && c.g < 90 && c.b < 90; };
  const auto labels = ink_rows(100.5, l.x_of_bar(30), l.plot_right, green);
  const auto covered = ink_rows(100.5, l.x_of_bar(30), l.plot_right, magenta);
  ASSERT_FALSE(labels.empty());
  ASSERT_FALSE(covered.empty());
  EXPECT_TRUE(labels.back() < covered.front() || covered.back() < labels.front());
  const auto first = ink_rows(99.5, l.x_of_bar(10), l.x_of_bar(30), cyan);
  const auto second = ink_rows(99.5, l.x_of_bar(10), l.x_of_bar(30), red);
  ASSERT_FALSE(first.empty());
  ASSERT_FALSE(second.empty());
  EXPECT_LT(first.back(), second.front()) << "the later text stands below the earlier";
}

TEST_F(Render, FarAndNonFiniteDrawingsAreClippedAndSkipped) {
  ChartPicture p = flat_chart();
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  p.drawings.push_back(line_at(1e30f, 0x000000FF, 3, 0, 39));
  p.drawings.push_back(line_at(-3.4e38f, 0x000000FF, 3, 0, 39));
  p.drawings.push_back(line_at(nan, 0x000000FF, 3, 0, 39));
  DrawingState slanted = line_at(100.0f, 0x000000FF, 3, -5, 1000000000);
  slanted.end_price = inf;
  p.drawings.push_back(slanted);
  DrawingState text;
  text.kind = host::kDrawingText;
  text.begin_price = nan;
  text.has_begin_price = true;
  text.text = "nowhere";
  text.begin_bar = 3;
  p.drawings.push_back(text);
  // Bytes that are not UTF-8 would stop cairo drawing anything further.
  DrawingState bad_text = text;
  bad_text.begin_price = 100.0f;
  bad_text.text = std::string("\xff\xfe\xc0 label \xe2\x82", 11);
  p.drawings.push_back(bad_text);
  DrawingState far_label = text;
  far_label.begin_price = 100.0f;
  far_label.begin_bar = -1;
  far_label.begin_datetime = std::numeric_limits<std::int64_t>::min();  // -k days, k huge
  p.drawings.push_back(far_label);
  studyhost::SubgraphSeries series;
  series.name = "values";
  series.color = 0x00FFFFFF;
  series.values = {nan, inf, -inf, 1e38f};
  p.subgraphs.push_back(series);

  const ChartLayout l = studyhost::layout_chart(p, options_);
  EXPECT_GT(l.price_low, 99.0);
  EXPECT_LT(l.price_high, 101.0);
  EXPECT_GT(l.bar_spacing, 5.0) << "a far label offset does not squeeze the bars away";
  std::string error;
  ASSERT_TRUE(studyhost::render_png(p, options_, path("hostile.png"), error)) << error;
  ASSERT_TRUE(studyhost::render_svg(p, options_, path("hostile.svg"), error)) << error;
}

TEST_F(Render, ALabelAnchoredKDaysBackStandsKBarsRightOfTheLastBar) {
  ChartPicture p = flat_chart();
  DrawingState label;
  label.id = 3;
  label.kind = host::kDrawingText;
  label.begin_price = 100.0f;
  label.has_begin_price = true;
  label.begin_datetime = -7 * 86400000000LL;
  label.text = "100.00 DIR";
  label.font_size = 12;
  label.text_alignment = 4;
  label.color = 0x0000FFFF;
  p.drawings.push_back(label);
  const ChartLayout l = studyhost::layout_chart(p, options_);
  // The label's anchor and its text fit inside the chart area.
  EXPECT_LT(l.x_of_bar(39 + 7) + 80, l.plot_right);
  std::string error;
  ASSERT_TRUE(studyhost::render_png(p, options_, path("label.png"), error)) << error;
  const Png png(path("label.png"));
  // Some yellow ink right of the anchor, on the label's row.
  bool inked = false;
  for (double x = l.x_of_bar(46); x < l.plot_right && !inked; x += 1) {
    for (double dy = -6; dy <= 6 && !inked; dy += 1) {
      const Rgb c = png.at(x, l.y_of_price(100.0) + dy);
      inked = c.r > 200 && c.g > 200 && c.b < 80;
    }
  }
  EXPECT_TRUE(inked);
}

TEST_F(Render, UnwritablePathsAndSizesAreRefusedWithOneLine) {
  const ChartPicture p = flat_chart();
  std::string error;
  EXPECT_FALSE(studyhost::render_png(p, options_, path("missing/chart.png"), error));
  EXPECT_EQ(error.rfind(path("missing/chart.png") + ": cannot write the picture", 0), 0u) << error;
  RenderOptions huge;
  huge.width = 100000;
  EXPECT_FALSE(studyhost::render_png(p, huge, path("huge.png"), error));
}

TEST_F(Render, ThePriceMapStudysLevelsShowInTheirColoursOnTheirRows) {
  SKIP_UNLESS_BUILT(scenario::kPriceMapStudy);
  std::vector<Bar> bars;
  std::string error;
  ASSERT_TRUE(studyhost::session::load_bars_csv(std::string(QLX_DATA_DIR) + "/bars/es_5min.csv",
                                                bars, error));
  auto library = studyhost::StudyLibrary::load(scenario::kPriceMapStudy.path, &error);
  ASSERT_TRUE(library) << error;
  studyhost::app::ServiceConnection service;
  ASSERT_TRUE(service.open(std::string(QLX_DATA_DIR) + "/levels", "k", error)) << error;
  ChartPicture picture;
  {
    studyhost::Host host(service.transport());
    host.set_bars(bars);
    studyhost::StudyInstance& study = host.add_study(*library);
    for (const auto& [name, value] :
         {std::pair{"Asset Class", "Futures"}, {"Symbol", "ES"}, {"API Key", "k"}}) {
      ASSERT_TRUE(studyhost::session::assign_input(study, name, value, error)) << error;
    }
    host.full_recalculation();
    ASSERT_TRUE(host.settle_downloads(std::chrono::seconds(30)));
    picture = studyhost::picture_of(host, "ES");
  }
  options_.visible_bars = 400;
  ASSERT_TRUE(studyhost::render_png(picture, options_, path("pricemap.png"), error)) << error;
  const ChartLayout l = studyhost::layout_chart(picture, options_);
  const Png png(path("pricemap.png"));

  // Every level line of two pixels or more that no other line shares a row
  // with shows its own colour on its row, mid-way along (bands lie under
  // the lines).
  int checked = 0;
  for (const DrawingState& d : picture.drawings) {
    if (d.kind != host::kDrawingLine || d.line_width < 2 || d.begin_price != d.end_price) continue;
    const double y = l.y_of_price(d.begin_price);
    if (y < l.plot_top + 2 || y > l.plot_bottom - 2) continue;
    const bool shared =
        std::any_of(picture.drawings.begin(), picture.drawings.end(), [&](const DrawingState& o) {
          return o.id != d.id && o.kind == host::kDrawingLine && o.has_begin_price &&
                 (std::abs(l.y_of_price(o.begin_price) - y) < 3 ||
                  (o.has_end_price && std::abs(l.y_of_price(o.end_price) - y) < 3));
        });
    if (shared) continue;
    const double x = (l.x_of_bar(std::max(d.begin_bar, l.first_bar)) + l.x_of_bar(d.end_bar)) / 2;
    EXPECT_EQ(png.at(x, y), rgb_of(d.color)) << "drawing " << d.id << " at " << d.begin_price;
    ++checked;
  }
  EXPECT_GT(checked, 3);
}

}  // namespace
