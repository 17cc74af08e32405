#include "studyhost/runtime/bar_lookup.h"

namespace studyhost {

std::int32_t bar_index_at(const std::vector<Bar>& bars, std::int64_t datetime) {
  if (bars.empty()) return 0;
  // Lower bound written out so that bars out of time order still give an index
  // inside the chart.
  std::size_t low = 0;
  std::size_t high = bars.size();
  while (low < high) {
    const std::size_t middle = low + (high - low) / 2;
    if (bars[middle].datetime < datetime) {
      low = middle + 1;
    } else {
      high = middle;
    }
  }
  if (low >= bars.size()) low = bars.size() - 1;
  return static_cast<std::int32_t>(low);
}

}  // namespace studyhost
