// Price map records: 32 named levels per day, the records map of the study
// state, and the queries through which the rest of the study reads it.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "host/study_interface.h"

namespace pricemap {

inline constexpr int kLevelCount = 32;

// Positions in PriceMapRecord::levels.
enum LevelIndex : int {
  kAPMD = 0,
  kVAR = 1,
  kAD = 2,
  kMSD = 3,
  kR = 4,
  kPlusC = 5,
  kUT4 = 6,
  kUL08 = 7,
  kUL07 = 8,
  kUT3 = 9,
  kUL05 = 10,
  kUL04 = 11,
  kUT2 = 12,
  kUL02 = 13,
  kUT1 = 14,
  kCRXPlus = 15,
  kUP = 16,
  kCRPlus = 17,
  kDIR = 18,
  kCRMinus = 19,
  kDP = 20,
  kCRXMinus = 21,
  kDT1 = 22,
  kDL02 = 23,
  kDT2 = 24,
  kDL04 = 25,
  kDL05 = 26,
  kDT3 = 27,
  kDL07 = 28,
  kDL08 = 29,
  kDT4 = 30,
  kMinusC = 31,
};

// Member names of the levels in a response record, by position.
extern const std::array<const char*, kLevelCount> kLevelKeys;

struct LevelLabel {
  std::string text;
  float price = 0.0f;
  std::int32_t tier = 0;
  bool is_up = false;
  bool is_dir = false;
  bool is_dp = false;
  bool near_r = false;
  bool is_key = false;
  bool near_plus_c = false;
  bool near_minus_c = false;
};

struct PriceMapRecord {
  std::string name;
  std::string date_text;
  std::array<float, kLevelCount> levels{};
  float proximity = 0.0f;
  bool labels_stale = true;
  std::vector<LevelLabel> labels;
};

using RecordsMap = std::map<std::int32_t, PriceMapRecord>;

}  // namespace pricemap
