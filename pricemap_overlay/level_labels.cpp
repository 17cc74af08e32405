#include "pricemap_overlay/level_labels.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <utility>

namespace pricemap {
namespace {

enum class Role : std::uint8_t { kNone, kUp, kDir, kDp };

struct LabelEntry {
  LevelIndex level;
  const char* text;
  std::int32_t tier;
  Role role;
};

// Top to bottom: the upper tiers with their minor levels ("**" for the 05 and
// 08 minors, "*" for 02, 04 and 07), the central band, then the lower tiers.
constexpr std::array<LabelEntry, kLevelLabelCount> kLabelEntries = {{
    {kUT4, "UT4", 4, Role::kNone}, {kUL08, "**", 0, Role::kNone},
    {kUL07, "*", 0, Role::kNone},  {kUT3, "UT3", 3, Role::kNone},
    {kUL05, "**", 0, Role::kNone}, {kUL04, "*", 0, Role::kNone},
    {kUT2, "UT2", 2, Role::kNone}, {kUL02, "*", 0, Role::kNone},
    {kUT1, "UT1", 1, Role::kNone}, {kCRXPlus, "CRX+", 0, Role::kNone},
    {kUP, "UP", 0, Role::kUp},     {kCRPlus, "CR+", 0, Role::kNone},
    {kDIR, "DIR", 0, Role::kDir},  {kCRMinus, "CR-", 0, Role::kNone},
    {kDP, "DP", 0, Role::kDp},     {kCRXMinus, "CRX-", 0, Role::kNone},
    {kDT1, "DT1", 1, Role::kNone}, {kDL02, "*", 0, Role::kNone},
    {kDT2, "DT2", 2, Role::kNone}, {kDL04, "*", 0, Role::kNone},
    {kDL05, "**", 0, Role::kNone}, {kDT3, "DT3", 3, Role::kNone},
    {kDL07, "*", 0, Role::kNone},  {kDL08, "**", 0, Role::kNone},
    {kDT4, "DT4", 4, Role::kNone},
}};

}  // namespace

bool is_near(float proximity, float a, float b) {
  const float distance = std::fabs(a - b);
  return proximity > distance;
}

std::vector<LevelLabel> build_level_labels(PriceMapRecord& record, float price_increment) {
  if (!record.labels_stale) return record.labels;

  record.proximity = price_increment / 10.0f;
  const float proximity = record.proximity;
  const float r = record.levels[kR];
  const float plus_c = record.levels[kPlusC];
  const float minus_c = record.levels[kMinusC];

  std::vector<LevelLabel> labels;
  labels.reserve(kLabelEntries.size());
  for (const LabelEntry& entry : kLabelEntries) {
    LevelLabel label;
    label.text = entry.text;
    label.price = record.levels[entry.level];
    label.tier = entry.tier;
    label.is_up = entry.role == Role::kUp;
    label.is_dir = entry.role == Role::kDir;
    label.is_dp = entry.role == Role::kDp;
    label.near_r = is_near(proximity, label.price, r);
    label.near_plus_c = is_near(proximity, label.price, plus_c);
    label.near_minus_c = is_near(proximity, label.price, minus_c);
    label.is_key = label.tier >= 1 || label.is_up || label.is_dir || label.is_dp || label.near_r ||
                   label.near_plus_c || label.near_minus_c;
    labels.push_back(std::move(label));
  }

  record.labels = std::move(labels);
  record.labels_stale = false;
  return record.labels;
}

}  // namespace pricemap
