#include "studyhost/render/label_placement.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace studyhost {
namespace {

double middle(const LabelBox& b) {
  return (b.top + b.bottom) / 2;
}

double height(const LabelBox& b) {
  return b.bottom - b.top;
}

// Labels stacked one below the other, the first `count` of a column's
// labels from `first` on, in order. `anchor` is the sum over them of where
// each wants the stack's top to be (its wanted top less its offset in the
// stack), so the stack's best top is their mean.
struct Stack {
  std::size_t first = 0;
  std::size_t count = 0;
  double height = 0;
  double anchor = 0;
  double top = 0;
};

// Places one column's labels, `order` sorted by wanted middle.
void spread_column(const std::vector<LabelBox>& boxes, const std::vector<std::size_t>& order,
                   double gap, double top, double bottom, std::vector<double>& shift) {
  std::vector<Stack> stacks;
  auto settle = [&](Stack& s) {
    s.top = s.anchor / static_cast<double>(s.count);
    if (s.height <= bottom - top) s.top = std::clamp(s.top, top, bottom - s.height);
  };
  for (std::size_t k = 0; k < order.size(); ++k) {
    const LabelBox& b = boxes[order[k]];
    Stack s{k, 1, height(b), b.top, 0};
    settle(s);
    // A stack that reaches into the one above joins it, and the joined
    // stack may then reach into the next one up.
    while (!stacks.empty() && stacks.back().top + stacks.back().height + gap > s.top) {
      Stack& above = stacks.back();
      const double below_offset = above.height + gap;
      above.anchor += s.anchor - below_offset * static_cast<double>(s.count);
      above.count += s.count;
      above.height += gap + s.height;
      settle(above);
      s = above;
      stacks.pop_back();
    }
    stacks.push_back(s);
  }
  for (const Stack& s : stacks) {
    double y = s.top;
    for (std::size_t k = s.first; k < s.first + s.count; ++k) {
      const LabelBox& b = boxes[order[k]];
      shift[order[k]] = y - b.top;
      y += height(b) + gap;
    }
  }
}

}  // namespace

std::vector<double> spread_labels(const std::vector<LabelBox>& boxes, double gap, double top,
                                  double bottom) {
  std::vector<double> shift(boxes.size(), 0.0);
  std::vector<std::size_t> placed;
  for (std::size_t i = 0; i < boxes.size(); ++i) {
    const LabelBox& b = boxes[i];
    const bool finite = std::isfinite(b.left) && std::isfinite(b.right) && std::isfinite(b.top) &&
                        std::isfinite(b.bottom);
    if (finite && b.right >= b.left && b.bottom >= b.top && middle(b) >= top &&
        middle(b) <= bottom) {
      placed.push_back(i);
    }
  }
  // Columns: labels joined by sharing pixels across, directly or through
  // another label.
  std::stable_sort(placed.begin(), placed.end(),
                   [&](std::size_t a, std::size_t b) { return boxes[a].left < boxes[b].left; });
  std::size_t start = 0;
  while (start < placed.size()) {
    double right = boxes[placed[start]].right;
    std::size_t end = start + 1;
    while (end < placed.size() && boxes[placed[end]].left < right) {
      right = std::max(right, boxes[placed[end]].right);
      ++end;
    }
    std::vector<std::size_t> column(placed.begin() + static_cast<std::ptrdiff_t>(start),
                                    placed.begin() + static_cast<std::ptrdiff_t>(end));
    std::stable_sort(column.begin(), column.end(), [&](std::size_t a, std::size_t b) {
      return middle(boxes[a]) < middle(boxes[b]) || (middle(boxes[a]) == middle(boxes[b]) && a < b);
    });
    spread_column(boxes, column, gap, top, bottom, shift);
    start = end;
  }
  return shift;
}

}  // namespace studyhost
