#include "studyhost/render/renderer.h"

#include <cairo-svg.h>
#include <cairo.h>
#include <fontconfig/fontconfig.h>

#include <memory>
#include <utility>
#include <vector>

#include "host/study_interface.h"
#include "studyhost/render/axes_painter.h"
#include "studyhost/render/canvas.h"
#include "studyhost/render/drawable_text.h"
#include "studyhost/render/drawing_painter.h"
#include "studyhost/render/label_placement.h"
#include "studyhost/render/subgraph_painter.h"

namespace studyhost {
namespace {

// The picture sizes drawn, in pixels.
constexpr int kMinWidth = 200;
constexpr int kMinHeight = 150;
constexpr int kMaxSide = 16000;
// Pixels between labels stacked to keep them apart.
constexpr double kLabelGap = 1;

bool sane_size(const RenderOptions& o, std::string& error) {
  if (o.width < kMinWidth || o.height < kMinHeight || o.width > kMaxSide || o.height > kMaxSide) {
    error = "picture size must be from " + std::to_string(kMinWidth) + "x" +
            std::to_string(kMinHeight) + " to " + std::to_string(kMaxSide) + "x" +
            std::to_string(kMaxSide) + " pixels";
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

// The layout with texts measured on `cr`: a surface's own font options can
// make a text wider or narrower than on another.
ChartLayout layout_on(cairo_t* cr, const ChartPicture& picture, const RenderOptions& options) {
  return layout_chart(picture, options, [cr](const DrawingState& d) {
    select_font(cr, d.font_face, font_px(d.font_size), d.bold == 1);
    return measure(cr, drawable_text(d.text)).width;
  });
}

// The texts on the price scale and the subgraph lines' labels, moved up or
// down where they would cover each other so that each can be read; the
// texts first, then the labels over them.
void paint_labels(const Canvas& c, const std::vector<SubgraphRun>& runs) {
  struct Label {
    const DrawingState* drawing;
    const SubgraphRun* run;
    PlacedText placed;
  };
  std::vector<Label> labels;
  for (const DrawingState& d : c.picture.drawings) {
    if (d.kind != host::kDrawingText || is_status_text(d)) continue;
    Label label{&d, nullptr, {}};
    if (place_text(c, d, label.placed)) labels.push_back(std::move(label));
  }
  for (const SubgraphRun& r : runs) {
    Label label{nullptr, &r, {}};
    if (place_subgraph_label(c, r, label.placed)) labels.push_back(std::move(label));
  }
  std::vector<LabelBox> boxes;
  boxes.reserve(labels.size());
  for (const Label& label : labels) {
    const Box& b = label.placed.box;
    boxes.push_back({b.left, b.top, b.right, b.bottom});
  }
  const std::vector<double> shift =
      spread_labels(boxes, kLabelGap, c.layout.plot_top, c.layout.plot_bottom);
  for (std::size_t i = 0; i < labels.size(); ++i) {
    Label& label = labels[i];
    label.placed.move_down(shift[i]);
    if (label.drawing != nullptr) {
      paint_text(c, *label.drawing, label.placed);
    } else {
      paint_subgraph_label(c, *label.run, label.placed);
    }
  }
}

// Paints in the order the host stacks a chart: grids, then inside the plot
// bands under candles under subgraph lines under level lines under texts,
// then the frame, the price tags and the title over everything.
void paint(const Canvas& c) {
  const ChartPicture& p = c.picture;
  const ChartLayout& l = c.layout;
  set_rgb(c.cr, kBackground);
  cairo_paint(c.cr);
  cairo_set_line_join(c.cr, CAIRO_LINE_JOIN_ROUND);
  paint_price_grid(c);
  paint_time_grid(c);
  cairo_rectangle(c.cr, l.plot_left, l.plot_top, l.plot_width(), l.plot_height());
  cairo_clip(c.cr);
  for (const DrawingState& d : p.drawings) {
    if (d.kind == host::kDrawingBand) paint_band(c, d);
  }
  paint_candles(c);
  std::vector<SubgraphRun> runs;
  for (const SubgraphSeries& s : p.subgraphs) paint_subgraph_line(c, s, runs);
  for (const DrawingState& d : p.drawings) {
    if (d.kind == host::kDrawingLine) paint_line(c, d);
  }
  paint_labels(c, runs);
  for (const DrawingState& d : p.drawings) {
    if (is_status_text(d)) paint_status_text(c, d);
  }
  cairo_reset_clip(c.cr);
  paint_frame(c);
  paint_price_tags(c);
  paint_title(c);
}

// Paints the chart on a surface just created for `path`; a surface cairo
// could not create, or a painting that failed, gives the error text.
bool paint_chart(cairo_surface_t* surface, const ChartPicture& picture,
                 const RenderOptions& options, const std::string& path, std::string& error) {
  if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
    error = cairo_error(path, cairo_surface_status(surface));
    return false;
  }
  Context cr(cairo_create(surface));
  const ChartLayout layout = layout_on(cr.get(), picture, options);
  paint(Canvas{cr.get(), picture, layout});
  if (cairo_status(cr.get()) != CAIRO_STATUS_SUCCESS) {
    error = cairo_error(path, cairo_status(cr.get()));
    return false;
  }
  return true;
}

}  // namespace

ChartLayout layout_chart(const ChartPicture& picture, const RenderOptions& options) {
  Surface surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1));
  Context cr(cairo_create(surface.get()));
  return layout_on(cr.get(), picture, options);
}

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
