// A price map response through parse_price_map into a study state: the
// outcome is either an error status or "Price Map Date: " with the latest
// day, every stored record has a valid day and finite levels, the map
// queries agree with the map, and drawing the latest record sends the host
// only finite coordinates.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz/fuzz_host.h"
#include "pricemap_overlay/display_settings.h"
#include "pricemap_overlay/drawn_levels.h"
#include "pricemap_overlay/level_lines.h"
#include "pricemap_overlay/price_map.h"
#include "pricemap_overlay/price_map_parser.h"
#include "pricemap_overlay/study_state.h"

namespace {

constexpr std::int32_t kFirstDay = 367;   // 1901-01-01
constexpr std::int32_t kLastDay = 51135;  // 2039-12-31
constexpr const char* kDatePrefix = "Price Map Date: ";

pricemap::DisplaySettings everything_shown() {
  pricemap::DisplaySettings s;
  s.show_var = s.show_ad = s.show_msd = s.show_minors = s.show_majors = true;
  s.show_r = s.show_dir = s.show_critical_range = true;
  s.label_side = pricemap::kLabelsRight;
  s.label_offset = 7;
  s.major_width = 2;
  s.minor_width = 1;
  s.minor_style = 3;
  return s;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string body = qlxfuzz::as_text(data, size);
  const char* text = body.c_str();

  qlxfuzz::FuzzHost fake;
  pricemap::StudyState state;
  // The study frees the status text with the state on its last call.
  struct ReleaseStatus {
    pricemap::StudyState& state;
    ~ReleaseStatus() { host::release(state.status_text); }
  } release_status{state};
  // A record from an earlier download must not survive a new parse.
  state.records[kFirstDay] = pricemap::PriceMapRecord{};
  pricemap::parse_price_map(state, fake.sc, &text);

  const std::string status = host::text_of(state.status_text);
  qlxfuzz::check(!status.empty(), "parse left no status text");
  for (const auto& [day, record] : state.records) {
    qlxfuzz::check(day >= kFirstDay && day <= kLastDay, "record stored under an invalid day");
    for (const float level : record.levels) {
      qlxfuzz::check(std::isfinite(level), "non-finite level stored");
    }
    qlxfuzz::check(record.labels_stale && record.labels.empty(), "stored record has labels");
  }
  const std::int32_t latest = pricemap::latest_day(state);
  if (!state.error_showing) {
    qlxfuzz::check(!state.records.empty(), "success without records");
    qlxfuzz::check(status == kDatePrefix + std::to_string(latest),
                   "success status does not name the latest day");
  }
  if (!state.records.empty()) {
    qlxfuzz::check(latest == state.records.rbegin()->first, "latest_day is not the last day");
    const std::int64_t noon =
        static_cast<std::int64_t>(latest) * host::kMicrosPerDay + host::kMicrosPerDay / 2;
    qlxfuzz::check(pricemap::day_at_or_before(state, fake.sc, noon) == latest,
                   "day_at_or_before misses the latest day");
    qlxfuzz::check(pricemap::day_at_or_before(state, fake.sc, 0) == 0,
                   "day_at_or_before found a day before every record");

    pricemap::PriceMapRecord record = pricemap::copy_record(state, latest);
    pricemap::DrawnLevelMap drawn;
    std::vector<pricemap::DrawnLevel> list;
    fake.set_bars({static_cast<std::int64_t>(latest) * host::kMicrosPerDay});
    pricemap::draw_level_set({fake.sc, drawn, everything_shown(), 1.0f}, {0, 0, true, true}, record,
                             list);
    qlxfuzz::check(list.size() <= 25, "more drawn levels than labels");
  } else {
    qlxfuzz::check(latest == 0, "latest_day of an empty map is not 0");
  }
  return 0;
}
