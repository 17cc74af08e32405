// Entry of the price map overlay study: the declaration of the inputs, and the
// ordered steps of every later call.
#include <array>
#include <cstdint>

#include "pricemap_overlay/study_entry.h"

#include "host/study_interface.h"
#include "levelclient/level_request.h"
#include "pricemap_overlay/bar_calls.h"
#include "pricemap_overlay/download.h"
#include "pricemap_overlay/level_menu.h"
#include "pricemap_overlay/study_state.h"

namespace pricemap {
namespace {

constexpr const char* kStyleEntries = "Solid;Dash;Dot;DashDot;DashDotDot";

struct InputDeclaration {
  std::int32_t number;
  const char* name;  // null: the input stays hidden
  std::uint8_t kind;
  std::int32_t default_value;  // integer, colour, yes/no or list position
  float default_float;         // float kind only
  const char* list_entries;    // list kind only
  std::uint16_t display_order;
};

using host::kKindColor;
using host::kKindCustomList;
using host::kKindFloat;
using host::kKindInteger;
using host::kKindText;
using host::kKindYesNo;

// In declaration order.
constexpr std::array<InputDeclaration, 30> kInputs{{
    {input::kUpPivotColor, "Up Pivot Color", kKindColor, 0x000000FF, 0, nullptr, 6},
    {input::kRLevelColor, "R Level Color", kKindColor, 0x0000FF00, 0, nullptr, 7},
    {input::kPlusCColor, "C+ Color", kKindColor, 0x00FFFF00, 0, nullptr, 8},
    {input::kMinusCColor, "C- Color", kKindColor, 0x00FF00FF, 0, nullptr, 9},
    {input::kDirColor, "Dir Color", kKindColor, 0x0000FFFF, 0, nullptr, 10},
    {input::kDownPivotColor, "Down Pivot Color", kKindColor, 0x00FF0000, 0, nullptr, 11},
    {input::kMinorResistanceColor, "Minor Resistance Level Color", kKindColor, 0x0000008B, 0,
     nullptr, 12},
    {input::kMinorSupportColor, "Minor Support Level Color", kKindColor, 0x008B0000, 0, nullptr,
     13},
    {input::kCrxPlusColor, "CRX+ Color", kKindColor, 0x00C1B6FF, 0, nullptr, 14},
    {input::kCrxMinusColor, "CRX- Color", kKindColor, 0x00DB7093, 0, nullptr, 15},
    {input::kCrPlusColor, "CR+ Color", kKindColor, 0x00004080, 0, nullptr, 16},
    {input::kCrMinusColor, "CR- Color", kKindColor, 0x00004080, 0, nullptr, 17},
    {input::kShowVariance, "Show Variance", kKindYesNo, 1, 0, nullptr, 22},
    {input::kShowAd, "Show AD", kKindYesNo, 1, 0, nullptr, 23},
    {input::kShowMsd, "Show MSD", kKindYesNo, 0, 0, nullptr, 24},
    {input::kShowMinors, "Show Minor Levels", kKindYesNo, 0, 0, nullptr, 25},
    {input::kShowMajors, "Show Major Levels", kKindYesNo, 1, 0, nullptr, 26},
    {input::kShowLabels, "Show Labels", kKindCustomList, 2, 0, "Hide;Left;Right", 27},
    {input::kMultiplier, "Multiplier", kKindFloat, 0, 1.0f, nullptr, 29},
    {input::kShowPriceLabels, "Show Price Labels", kKindCustomList, 1, 0,
     "All;Current Session;Disabled", 28},
    {input::kLabelOffset, "Label offset", kKindInteger, 7, 0, nullptr, 30},
    {input::kMajorWidth, "Line Thickness Major Levels", kKindInteger, 2, 0, nullptr, 18},
    {input::kMajorStyle, "Line Style Major Levels", kKindCustomList, 0, 0, kStyleEntries, 19},
    {input::kMinorWidth, "Line Thickness Minor Levels", kKindInteger, 1, 0, nullptr, 20},
    {input::kMinorStyle, "Line Style Minor Levels", kKindCustomList, 3, 0, kStyleEntries, 21},
    {input::kPeriodMode, nullptr, kKindInteger, 0, 0, nullptr, 5},
    {input::kAssetClass, "Asset Class", kKindCustomList, 0, 0, "Crypto;Futures;Stocks;ETF", 1},
    {input::kSymbol, "Symbol", kKindText, 0, 0, nullptr, 2},
    {input::kTimeFrame, "Time Frame", kKindCustomList, 0, 0,
     "Daily;Weekly;Monthly;Quarterly;Yearly", 3},
    {input::kApiKey, "API Key", kKindText, 0, 0, nullptr, 4},
}};

void declare_input(host::InputSlot& slot, const InputDeclaration& d) {
  if (d.name != nullptr) host::set_name(slot, d.name);
  if (d.list_entries != nullptr) host::set_list_entries(slot, d.list_entries);
  if (d.kind == kKindText) {
    host::set_text_kind(slot);
  } else if (d.kind == kKindFloat) {
    host::set_float(slot, d.default_float);
  } else {
    host::set_int(slot, d.kind, d.default_value);
  }
}

// The defaults call: the study's name, settings and inputs; nothing else.
void declare_study(host::StudyInterface& sc) {
  host::assign(sc.study_name, kStudyName);
  if (!host::is_empty(sc.second_display_text)) host::assign(sc.second_display_text, "", 0);
  sc.auto_loop = 1;
  sc.region = 0;
  sc.uses_price_scale = 1;
  sc.draws_over_price = 1;
  for (const InputDeclaration& d : kInputs) declare_input(input_at(sc, d.number), d);
  for (const InputDeclaration& d : kInputs) input_at(sc, d.number).display_order = d.display_order;
}

void create_study_state(host::StudyInterface& sc) {
  *sc.persistent_pointer(&sc, slot::kStatePointer) = new StudyState();
  on_state_created(sc);
  persistent_int(sc, slot::kStateCreated) = 1;
}

void destroy_study_state(host::StudyInterface& sc) {
  if (StudyState* state = study_state(sc)) {
    state->drawn = DrawnLevelMap{};
    state->records.clear();
    delete state;
  }
  *sc.persistent_pointer(&sc, slot::kStatePointer) = nullptr;
}

// First steps of a full recalculation: fresh settings and mode, a new download
// unless one is pending, the drawings rebuilt and the kept status shown anew.
void bar_zero_step(host::StudyInterface& sc, StudyState& state) {
  rebuild_display_settings(sc, state);
  persistent_int(sc, slot::kStatusId) = 0;
  update_latest_map_flag(sc);
  levelclient::want_download(persistent_int(sc, slot::kRequestState));
  drop_map_of_other_inputs(sc, state);
  refresh_bar_zero_views(sc, state);
  show_state_status(sc, state, false);
}

void run_call(host::StudyInterface& sc) {
  if (sc.defaults_call != 0) {
    declare_study(sc);
    return;
  }
  if (persistent_int(sc, slot::kStateCreated) == 0) create_study_state(sc);
  if (sc.last_call != 0) {
    destroy_study_state(sc);
    on_last_call(sc);
    return;
  }
  // A call after the last call finds no state: there is nothing left to do.
  StudyState* const state = study_state(sc);
  if (state == nullptr) return;

  handle_level_menu_event(sc);
  if (sc.skip_flag != 0) return;
  // Only the host knows a full recalculation: on a chart of one bar every
  // update also calls bar 0, and must neither download nor redraw again.
  if (sc.full_recalculation != 0 && sc.current_index == 0) bar_zero_step(sc, *state);
  if (persistent_int(sc, slot::kRequestState) == levelclient::kRequestWanted) {
    request_step(sc, *state);
  }
  bool read = false;
  if (persistent_int(sc, slot::kRequestState) == levelclient::kPending) {
    read = response_step(sc, *state);
  }
  if (state->error_showing) return;
  if (read) rewrite_bar_values(sc, *state);
  write_bar_values_and_extend(sc, *state);
}

}  // namespace

// Nothing may leave the study function: a failure ends the call, and the
// next call starts from the persistent slots as they are.
void run_study(host::StudyInterface& sc) noexcept {
  try {
    run_call(sc);
  } catch (...) {
  }
}

}  // namespace pricemap
