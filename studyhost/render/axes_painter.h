// Paints the chart's own parts: the price and time grids with their labels,
// the candles, the plot's frame and the title with the last bar's prices.
#pragma once

#include "studyhost/render/canvas.h"

namespace studyhost {

void paint_price_grid(const Canvas& c);
void paint_time_grid(const Canvas& c);
void paint_candles(const Canvas& c);
void paint_frame(const Canvas& c);
void paint_title(const Canvas& c);

}  // namespace studyhost
