// Paints the studies' subgraph outputs: a line per output, the name and
// value over each stretch of a line, and the value tags on the price axis.
#pragma once

#include <vector>

#include "studyhost/render/canvas.h"

namespace studyhost {

// One stretch of a subgraph line at one value, for its label.
struct SubgraphRun {
  double x0, x1, y, value;
  const SubgraphSeries* series;
};

// Draws the line of `s` over the bars shown and adds its stretches to `runs`.
void paint_subgraph_line(const Canvas& c, const SubgraphSeries& s, std::vector<SubgraphRun>& runs);

// A stretch long enough to hold it gets its label and value just above its
// right end; false for one that is not.
bool place_subgraph_label(const Canvas& c, const SubgraphRun& r, PlacedText& out);
void paint_subgraph_label(const Canvas& c, const SubgraphRun& r, const PlacedText& t);

// Value tags on the price axis: the last close, and each subgraph's value
// at the last bar; pushed apart so none hides another.
void paint_price_tags(const Canvas& c);

}  // namespace studyhost
