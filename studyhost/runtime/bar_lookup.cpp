#include "studyhost/runtime/bar_lookup.h"

#include "host/bar_search.h"

namespace studyhost {

std::int32_t bar_index_at(const std::vector<Bar>& bars, std::int64_t datetime) {
  // A chart holds fewer bars than an int32 counts (the host's bar count).
  const auto count = static_cast<std::int32_t>(bars.size());
  return host::first_bar_at_or_after(count, datetime, [&bars](std::int32_t index) {
    return bars[static_cast<std::size_t>(index)].datetime;
  });
}

}  // namespace studyhost
