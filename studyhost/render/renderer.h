// Draws a chart picture as the host shows it: candles, price and time axes,
// the studies' drawings (lines, bands, texts, status text) and their named
// subgraph outputs, to PNG or SVG through cairo.
#pragma once

#include <string>

#include "studyhost/render/chart_layout.h"
#include "studyhost/runtime/chart_picture.h"

namespace studyhost {

// The placement the renderer uses for this picture, its texts measured as a
// PNG draws them.
ChartLayout layout_chart(const ChartPicture& picture, const RenderOptions& options);

// Each writes the file; false with one line in `error` when it cannot.
bool render_png(const ChartPicture& picture, const RenderOptions& options, const std::string& path,
                std::string& error);
bool render_svg(const ChartPicture& picture, const RenderOptions& options, const std::string& path,
                std::string& error);

// Frees the font and surface caches cairo and fontconfig keep for the whole
// process, so a leak checker sees a clean end. Only when no picture is being
// drawn and none will be (at exit).
void release_render_caches();

}  // namespace studyhost
