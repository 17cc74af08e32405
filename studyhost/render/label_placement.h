// Keeps the chart's labels apart: labels of nearby levels would otherwise
// overlap and none could be read, and a label at the price of another would
// hide it. A label moves up or down only, never sideways, so it stays beside
// its line; labels that cover each other are stacked around the levels
// they label. Arithmetic on boxes alone, so it is built and tested
// everywhere.
#pragma once

#include <vector>

namespace studyhost {

// A label's box where it wants to stand, in pixels (y grows downwards).
struct LabelBox {
  double left, top, right, bottom;
};

// How far each box moves down (negative: up) so that no two boxes that
// share a column of pixels overlap, with `gap` pixels between stacked ones.
// Labels are stacked in the order of their wanted heights, a later one
// below an earlier one at the same height, each stack centred where its
// labels want to stand and kept between `top` and `bottom` when it fits.
// A box whose wanted middle lies outside those limits stays where it is.
std::vector<double> spread_labels(const std::vector<LabelBox>& boxes, double gap, double top,
                                  double bottom);

}  // namespace studyhost
