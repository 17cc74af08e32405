// Paints the studies' drawings: level lines, bands, texts on the price scale
// and status texts placed by relative coordinates.
#pragma once

#include "studyhost/render/canvas.h"

namespace studyhost {

void paint_band(const Canvas& c, const DrawingState& d);
void paint_line(const Canvas& c, const DrawingState& d);
void paint_text(const Canvas& c, const DrawingState& d);
void paint_status_text(const Canvas& c, const DrawingState& d);

}  // namespace studyhost
