// Paints the studies' drawings: level lines, bands, texts on the price scale
// and status texts placed by relative coordinates.
#pragma once

#include "studyhost/render/canvas.h"

namespace studyhost {

void paint_band(const Canvas& c, const DrawingState& d);
void paint_line(const Canvas& c, const DrawingState& d);
// Where a text drawing on the price scale stands; false when it is not drawn.
bool place_text(const Canvas& c, const DrawingState& d, PlacedText& out);
void paint_text(const Canvas& c, const DrawingState& d, const PlacedText& t);
void paint_status_text(const Canvas& c, const DrawingState& d);

}  // namespace studyhost
