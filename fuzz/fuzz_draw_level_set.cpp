// draw_level_set on arbitrary record values (any float bit pattern, NaN and
// infinities included) and arbitrary settings, multiplier, price increment,
// label offset, label side, widths and styles: every request the host gets
// is a whole add-or-update record with finite coordinates, and the drawn
// list records exactly the drawings that were made.
#include <fuzzer/FuzzedDataProvider.h>

#include <bit>
#include <cstddef>
#include <cstdint>
#include <set>
#include <vector>

#include "fuzz/fuzz_host.h"
#include "pricemap_overlay/display_settings.h"
#include "pricemap_overlay/drawn_levels.h"
#include "pricemap_overlay/level_labels.h"
#include "pricemap_overlay/level_lines.h"
#include "pricemap_overlay/price_map.h"

namespace {

float any_float(FuzzedDataProvider& p) {
  return std::bit_cast<float>(p.ConsumeIntegral<std::uint32_t>());
}

pricemap::DisplaySettings any_settings(FuzzedDataProvider& p) {
  pricemap::DisplaySettings s;
  s.r_level_color = p.ConsumeIntegral<std::uint32_t>();
  s.plus_c_color = p.ConsumeIntegral<std::uint32_t>();
  s.minus_c_color = p.ConsumeIntegral<std::uint32_t>();
  s.dir_color = p.ConsumeIntegral<std::uint32_t>();
  s.up_pivot_color = p.ConsumeIntegral<std::uint32_t>();
  s.down_pivot_color = p.ConsumeIntegral<std::uint32_t>();
  s.minor_resistance_color = p.ConsumeIntegral<std::uint32_t>();
  s.minor_support_color = p.ConsumeIntegral<std::uint32_t>();
  s.crx_plus_color = p.ConsumeIntegral<std::uint32_t>();
  s.crx_minus_color = p.ConsumeIntegral<std::uint32_t>();
  s.cr_plus_color = p.ConsumeIntegral<std::uint32_t>();
  s.cr_minus_color = p.ConsumeIntegral<std::uint32_t>();
  const auto switches = p.ConsumeIntegral<std::uint16_t>();
  s.show_var = (switches & 0x001) != 0;
  s.show_ad = (switches & 0x002) != 0;
  s.show_msd = (switches & 0x004) != 0;
  s.show_minors = (switches & 0x008) != 0;
  s.show_majors = (switches & 0x010) != 0;
  s.show_r = (switches & 0x020) != 0;
  s.show_dir = (switches & 0x040) != 0;
  s.show_critical_range = (switches & 0x080) != 0;
  s.latest_map_mode = (switches & 0x100) != 0;
  s.label_side = p.ConsumeIntegral<std::int32_t>();
  s.label_offset = p.ConsumeIntegral<std::int32_t>();
  s.major_width = p.ConsumeIntegral<std::int32_t>();
  s.major_style = p.ConsumeIntegral<std::int32_t>();
  s.minor_width = p.ConsumeIntegral<std::int32_t>();
  s.minor_style = p.ConsumeIntegral<std::int32_t>();
  s.price_labels = p.ConsumeIntegral<std::int32_t>();
  return s;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider p(data, size);
  qlxfuzz::FuzzHost fake;
  fake.sc.price_increment = any_float(p);
  fake.sc.value_format = p.ConsumeIntegral<std::int32_t>();
  const float multiplier = any_float(p);
  const std::int32_t first_bar = p.ConsumeIntegral<std::int32_t>();
  const std::int32_t last_bar = p.ConsumeIntegral<std::int32_t>();
  const bool is_last_period = p.ConsumeBool();
  const bool with_labels = p.ConsumeBool();
  const pricemap::DisplaySettings settings = any_settings(p);
  pricemap::PriceMapRecord record;
  for (float& level : record.levels) level = any_float(p);

  pricemap::DrawnLevelMap drawn;
  drawn.label_side = -12345;
  std::vector<pricemap::DrawnLevel> list;
  pricemap::draw_level_set({fake.sc, drawn, settings, multiplier},
                           {first_bar, last_bar, is_last_period, with_labels}, record, list);

  qlxfuzz::check(list.size() <= pricemap::kLevelLabelCount, "more drawn levels than labels");
  if (!list.empty()) {
    qlxfuzz::check(drawn.label_side == settings.label_side, "label side not recorded");
  }
  const bool labels = settings.label_side != pricemap::kLabelsHidden && with_labels;
  std::set<std::int32_t> ids;
  std::int32_t made = 0;
  for (const pricemap::DrawnLevel& level : list) {
    // A level at a price the host cannot place gets neither line nor label;
    // any other visible level gets its line, and its label when labels show.
    if (level.line_id == 0) {
      qlxfuzz::check(level.label_id == 0, "a label without its line");
    } else {
      qlxfuzz::check((level.label_id != 0) == labels, "label drawn against the label settings");
    }
    qlxfuzz::check(!level.label_text.empty(), "a drawn level has no label text");
    for (const std::int32_t id :
         {level.line_id, level.label_id, level.var_up_id, level.var_down_id, level.msd_up_id,
          level.msd_down_id, level.ad_up_id, level.ad_down_id}) {
      if (id == 0) continue;
      ++made;
      qlxfuzz::check(ids.insert(id).second, "one identifier recorded twice");
      qlxfuzz::check(fake.live_drawings.count(id) != 0, "a recorded identifier is no drawing");
    }
  }
  qlxfuzz::check(made == fake.drawing_calls, "a drawing was made that is not recorded");
  return 0;
}
