#include "pricemap_overlay/level_values.h"

#include <array>

namespace pricemap {
namespace {

struct LevelOutput {
  std::int32_t subgraph;
  LevelIndex level;
};

// In the order the values of one bar are written: the widths first, then the
// levels from R down to DT2.
constexpr std::array<LevelOutput, kLevelSubgraphCount> kLevelOutputs{{
    {22, kMSD},
    {23, kAD},
    {24, kVAR},
    {10, kR},
    {11, kUP},
    {12, kDIR},
    {13, kDP},
    {14, kCRXPlus},
    {15, kCRPlus},
    {16, kCRMinus},
    {17, kCRXMinus},
    {18, kUT2},
    {19, kUT1},
    {20, kDT1},
    {21, kDT2},
}};

}  // namespace

void write_level_values(host::StudyInterface& sc, const PriceMapRecord& record,
                        std::int32_t first_bar, std::int32_t last_bar, float multiplier) {
  std::array<host::HostArray<float>*, kLevelSubgraphCount> values{};
  for (std::size_t k = 0; k < kLevelOutputs.size(); ++k) {
    values[k] = &host::element(sc.subgraphs, kLevelOutputs[k].subgraph).values;
  }
  if (first_bar > last_bar) return;

  for (std::int64_t bar = first_bar; bar <= last_bar; ++bar) {
    for (std::size_t k = 0; k < kLevelOutputs.size(); ++k) {
      const float value = multiplier * record.levels[kLevelOutputs[k].level];
      host::element(*values[k], static_cast<std::int32_t>(bar)) = value;
    }
  }
}

void clear_level_values(host::StudyInterface& sc) {
  for (const LevelOutput& output : kLevelOutputs) {
    host::HostArray<float>& values = host::element(sc.subgraphs, output.subgraph).values;
    for (std::int32_t bar = 0; bar < sc.bar_count; ++bar) host::element(values, bar) = 0.0f;
  }
}

}  // namespace pricemap
