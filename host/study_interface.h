// The study interface record: what the host hands a study on every call.
// It is a C-compatible standard-layout struct; host operations are C function
// pointers that take the record first and reach the host's own state through
// the opaque context. No C++ standard library type and no exception crosses it.
#pragma once

#include <cstdint>

#include "host/drawing_record.h"
#include "host/host_array.h"
#include "host/host_string.h"
#include "host/input_slot.h"
#include "host/subgraph_slot.h"

namespace host {

inline constexpr std::int64_t kMicrosPerDay = 86400000000LL;

// Date-time to text formats the studies use.
inline constexpr std::int32_t kDateFormatYmd = 7;

struct StudyInterface;

extern "C" {
using PersistentIntFn = std::int32_t* (*)(StudyInterface* sc, std::int32_t key);
using PersistentPointerFn = void** (*)(StudyInterface* sc, std::int32_t key);
using HttpRequestFn = std::int32_t (*)(StudyInterface* sc, const HostString* url);
using UseDrawingFn = std::int32_t (*)(StudyInterface* sc, DrawingRecord* record);
using DeleteDrawingFn = std::int32_t (*)(StudyInterface* sc, std::int32_t chart_number,
                                         std::int32_t reserved, std::int32_t identifier);
using FormatValueFn = HostString (*)(StudyInterface* sc, double value, std::int32_t format);
using FormatDateTimeFn = HostString (*)(StudyInterface* sc, std::int64_t date_time,
                                        std::int32_t format);
using ConvertDateTimeFn = std::int64_t (*)(StudyInterface* sc, const std::int64_t* date_time);
using BarIndexFn = std::int32_t (*)(StudyInterface* sc, std::int32_t chart_number,
                                    std::int64_t date_time);
using LogFn = void (*)(StudyInterface* sc, const char* text, std::int32_t show_log);
using MenuAddFn = std::int32_t (*)(StudyInterface* sc, std::int32_t chart_number, const char* text);
using MenuAddSeparatorFn = std::int32_t (*)(StudyInterface* sc, std::int32_t chart_number);
using MenuSetTextFn = void (*)(StudyInterface* sc, std::int32_t chart_number,
                               std::int32_t identifier, const char* text);
using MenuSetCheckFn = void (*)(StudyInterface* sc, std::int32_t chart_number,
                                std::int32_t identifier, std::int32_t checked);
using MenuRemoveFn = void (*)(StudyInterface* sc, std::int32_t chart_number,
                              std::int32_t identifier);
}

struct StudyInterface {
  void* host_context;  // the host's own state; opaque to studies

  // Call kind.
  std::int32_t defaults_call;  // declare only
  std::int32_t last_call;      // free the state; no call follows
  std::int32_t skip_flag;      // non-zero: the overlay study ends its call after the menu step
  std::int32_t entry_marker;   // the timeframe structure study writes 4 before each call

  // Declaration.
  HostString study_name;
  HostString second_display_text;
  std::int32_t auto_loop;         // 1: one call per bar with current_index set
  std::int32_t region;            // chart region of the study's outputs
  std::int32_t uses_price_scale;  // set to 1 by both studies
  std::int32_t draws_over_price;  // set to 1 by the overlay study

  // Chart.
  std::int32_t chart_number;
  std::int32_t value_format;
  float price_increment;
  std::int32_t bar_count;
  std::int32_t current_index;        // bar of this call when auto_loop is on
  std::int32_t first_bar_to_update;  // first changed bar when auto_loop is off
  HostArray<std::int64_t> bar_datetimes;

  HostArray<InputSlot> inputs;
  HostArray<SubgraphSlot> subgraphs;

  // Persistent cells per study instance, zero at first; never null.
  PersistentIntFn persistent_int;
  PersistentPointerFn persistent_pointer;

  // HTTP: accepted requests are fetched in the background; the response text
  // is empty (or null) from acceptance until the body is complete.
  HttpRequestFn http_request;
  const char* http_response;

  // Drawings and texts.
  UseDrawingFn use_drawing;  // writes the identifier back into the record
  DeleteDrawingFn delete_drawing;
  FormatValueFn format_value;
  FormatDateTimeFn format_datetime;
  ConvertDateTimeFn convert_to_chart_time;   // before comparing record days with bar times
  ConvertDateTimeFn convert_for_bar_lookup;  // before the bar-index lookup
  BarIndexFn bar_index_at;

  LogFn add_log;

  // Chart shortcut menu.
  MenuAddFn menu_add;
  MenuAddSeparatorFn menu_add_separator;
  MenuSetTextFn menu_set_text;
  MenuSetCheckFn menu_set_check;
  MenuRemoveFn menu_remove;
  std::uint8_t menu_separator_flag;  // set to 1 right before adding a separator
  std::uint8_t reserved_flags[3];
  std::int32_t chosen_menu_id;  // entry chosen since the last call, 0 = none
};

}  // namespace host

// The study function every library exports under its own scsf_ name.
extern "C" {
using StudyFunction = void (*)(host::StudyInterface* sc);
using DllVersionFunction = int (*)();
using DllNameFunction = const char* (*)();
}
