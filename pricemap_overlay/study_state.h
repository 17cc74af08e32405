// The study state: one heap object per study instance, reached through
// persistent pointer 0, created on the first ordinary call and destroyed on
// the last.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "host/study_interface.h"
#include "pricemap_overlay/display_settings.h"
#include "pricemap_overlay/drawn_levels.h"
#include "pricemap_overlay/price_map.h"

namespace pricemap {

// The Asset Class entry text, the Symbol and the Time Frame letter a price map
// is asked for: a map of other inputs is another instrument's or period's.
struct MapInputs {
  std::string asset_class;
  std::string symbol;
  std::string time_frame;

  bool operator==(const MapInputs& other) const {
    return asset_class == other.asset_class && symbol == other.symbol &&
           time_frame == other.time_frame;
  }
  bool operator!=(const MapInputs& other) const { return !(*this == other); }
};

struct StudyState {
  RecordsMap records;
  // The status shows an error, or nothing has been downloaded yet: no level
  // is drawn and no value written.
  bool error_showing = true;
  host::OwnedString status_text;
  DrawnLevelMap drawn;
  DisplaySettings settings;
  // What the records map was read for; none after a failed read, whose
  // records may not be shown. And what the download in flight asks for, with
  // the key it asks with: an answer to an earlier key (a refusal of a wrong
  // one, say) says nothing about the key the inputs now hold.
  std::optional<MapInputs> map_inputs;
  MapInputs requested_inputs;
  std::string requested_api_key;
};

// Persistent slots of the study instance.
namespace slot {
inline constexpr std::int32_t kMenuVar = 2;
inline constexpr std::int32_t kMenuAd = 3;
inline constexpr std::int32_t kMenuMsd = 4;
inline constexpr std::int32_t kMenuMinors = 5;
inline constexpr std::int32_t kMenuMajors = 6;
inline constexpr std::int32_t kStateCreated = 7;
inline constexpr std::int32_t kStatusId = 8;
inline constexpr std::int32_t kPeriodDay = 9;
inline constexpr std::int32_t kLatestMapFlag = 10;
inline constexpr std::int32_t kMenuR = 11;
inline constexpr std::int32_t kMenuDir = 12;
inline constexpr std::int32_t kMenuCriticalRange = 13;
inline constexpr std::int32_t kMenuSeparator = 14;
inline constexpr std::int32_t kRequestState = 16;
inline constexpr std::int32_t kStatePointer = 0;
}  // namespace slot

// Input numbers of the study.
namespace input {
inline constexpr std::int32_t kRLevelColor = 1;
inline constexpr std::int32_t kPlusCColor = 2;
inline constexpr std::int32_t kMinusCColor = 3;
inline constexpr std::int32_t kDirColor = 4;
inline constexpr std::int32_t kUpPivotColor = 5;
inline constexpr std::int32_t kDownPivotColor = 6;
inline constexpr std::int32_t kMinorResistanceColor = 7;
inline constexpr std::int32_t kMinorSupportColor = 8;
inline constexpr std::int32_t kShowMajors = 10;
inline constexpr std::int32_t kShowVariance = 11;
inline constexpr std::int32_t kShowAd = 12;
inline constexpr std::int32_t kShowMsd = 13;
inline constexpr std::int32_t kShowMinors = 14;
inline constexpr std::int32_t kShowLabels = 15;
inline constexpr std::int32_t kMultiplier = 16;
inline constexpr std::int32_t kLabelOffset = 19;
inline constexpr std::int32_t kCrxPlusColor = 23;
inline constexpr std::int32_t kCrxMinusColor = 24;
inline constexpr std::int32_t kShowR = 25;
inline constexpr std::int32_t kShowDir = 26;
inline constexpr std::int32_t kShowCriticalRange = 27;
inline constexpr std::int32_t kMajorWidth = 28;
inline constexpr std::int32_t kMajorStyle = 29;
inline constexpr std::int32_t kMinorWidth = 30;
inline constexpr std::int32_t kMinorStyle = 31;
inline constexpr std::int32_t kCrPlusColor = 32;
inline constexpr std::int32_t kCrMinusColor = 33;
inline constexpr std::int32_t kPeriodMode = 36;
inline constexpr std::int32_t kShowPriceLabels = 37;
inline constexpr std::int32_t kAssetClass = 38;
inline constexpr std::int32_t kSymbol = 39;
inline constexpr std::int32_t kTimeFrame = 40;
inline constexpr std::int32_t kApiKey = 41;
}  // namespace input

// Subgraph whose short label carries the Symbol text.
inline constexpr std::int32_t kSymbolLabelSubgraph = 26;

inline host::InputSlot& input_at(host::StudyInterface& sc, std::int32_t number) {
  return host::element(sc.inputs, number);
}

inline std::int32_t& persistent_int(host::StudyInterface& sc, std::int32_t key) {
  return *sc.persistent_int(&sc, key);
}

// The status the study shows, and whether it is an error.
inline void set_status(StudyState& state, bool is_error, const char* text) {
  state.error_showing = is_error;
  host::assign(state.status_text, text);
}

inline StudyState* study_state(host::StudyInterface& sc) {
  return static_cast<StudyState*>(*sc.persistent_pointer(&sc, slot::kStatePointer));
}

// Records map queries.
std::int32_t latest_day(const StudyState& state);
std::int32_t day_at_or_before(const StudyState& state, host::StudyInterface& sc,
                              std::int64_t date_time);
PriceMapRecord copy_record(const StudyState& state, std::int32_t day);

}  // namespace pricemap
