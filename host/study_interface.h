// The study interface record: what the host hands a study on every call.
// It is a C-compatible standard-layout struct; host operations are C function
// pointers that take the record first and reach the host's own state through
// the opaque context. No C++ standard library type and no exception crosses it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "host/drawing_record.h"
#include "host/host_array.h"
#include "host/host_string.h"
#include "host/input_slot.h"
#include "host/subgraph_slot.h"

namespace host {

// The interface version studyhost's studies are built for and report.
inline constexpr std::int32_t kInterfaceVersion = 2628;

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

// The first bytes of every record studyhost hands a study: a study checks
// them before it reads anything else, so a library built for another host's
// structure returns at once instead of reading that structure as this one.
inline constexpr std::uint32_t kRecordMagic = 0x48584C51u;  // "QLXH" in memory order

struct StudyInterface {
  std::uint32_t magic = kRecordMagic;                  // identifies studyhost's record
  std::uint32_t record_size = sizeof(StudyInterface);  // bytes of this layout
  void* host_context = nullptr;                        // the host's own state; opaque to studies

  // Call kind.
  std::int32_t defaults_call = 0;  // 1: the study declares itself and does nothing else
  std::int32_t last_call = 0;      // 1: the study frees what it holds; no call follows
  std::int32_t skip_flag = 0;      // non-zero: the host asks the study to skip its chart work
  std::int32_t entry_marker = 0;   // written by the study; the host does not read it
  // 1 on every call of a full recalculation, which the host alone knows: on a
  // chart of one bar an ordinary update also starts at bar 0.
  std::int32_t full_recalculation = 0;

  // Declaration.
  HostString study_name{};            // name shown in the chart's study list
  HostString second_display_text{};   // text shown after the name; studies may clear it
  std::int32_t auto_loop = 0;         // 1: one call per bar, with current_index set
  std::int32_t region = 0;            // chart region the study's outputs are drawn in
  std::int32_t uses_price_scale = 0;  // 1: outputs share the region's price scale
  std::int32_t draws_over_price = 0;  // 1: outputs are drawn over the price bars

  // Chart.
  std::int32_t chart_number = 0;            // the chart this instance is on
  std::int32_t value_format = 0;            // the chart's value format (decimals of a price)
  float price_increment = 0.0f;             // the instrument's tick size
  std::int32_t bar_count = 0;               // bars on the chart
  std::int32_t current_index = 0;           // bar of this call when auto_loop is on
  std::int32_t first_bar_to_update = 0;     // first changed bar; 0 in a full recalculation
  HostArray<std::int64_t> bar_datetimes{};  // bar start times, microseconds since 1899-12-30

  HostArray<InputSlot> inputs{};        // the study's inputs, by number
  HostArray<SubgraphSlot> subgraphs{};  // the study's per-bar outputs, by number

  // Persistent cells per study instance, zero at first; never null.
  PersistentIntFn persistent_int = nullptr;          // integer cell of a key
  PersistentPointerFn persistent_pointer = nullptr;  // pointer cell of a key

  // HTTP: accepted requests are fetched in the background; the response text
  // is empty (or null) from acceptance until the body is complete.
  HttpRequestFn http_request = nullptr;  // starts a GET of the URL; 0 = refused
  const char* http_response = nullptr;   // body of the last completed request

  // Drawings and texts.
  UseDrawingFn use_drawing = nullptr;          // adds or updates; writes the identifier back
  DeleteDrawingFn delete_drawing = nullptr;    // removes a drawing of this instance by identifier
  FormatValueFn format_value = nullptr;        // a price as text in a value format
  FormatDateTimeFn format_datetime = nullptr;  // a date-time as text in a date format
  ConvertDateTimeFn convert_to_chart_time = nullptr;  // before comparing record days with bar times
  ConvertDateTimeFn convert_for_bar_lookup = nullptr;  // before the bar-index lookup
  BarIndexFn bar_index_at = nullptr;                   // first bar at or after a date-time

  LogFn add_log = nullptr;  // appends a line to the message log

  // Chart shortcut menu.
  MenuAddFn menu_add = nullptr;                     // adds an entry; returns its identifier
  MenuAddSeparatorFn menu_add_separator = nullptr;  // adds a separator; returns its identifier
  MenuSetTextFn menu_set_text = nullptr;            // renames an entry
  MenuSetCheckFn menu_set_check = nullptr;          // sets an entry's check mark (0 or 1)
  MenuRemoveFn menu_remove = nullptr;               // removes an entry or separator
  std::uint8_t menu_separator_flag = 0;             // set to 1 right before adding a separator
  std::uint8_t reserved_flags[3]{};                 // unused
  std::int32_t chosen_menu_id = 0;                  // entry chosen since the last call, 0 = none
};

static_assert(std::is_standard_layout_v<StudyInterface>);
static_assert(offsetof(StudyInterface, magic) == 0);
static_assert(offsetof(StudyInterface, record_size) == 4);

// True when `record` begins with studyhost's header. Reads its first eight
// bytes and nothing else, so it is safe on any block of at least that size.
inline bool is_studyhost_record(const void* record) {
  if (record == nullptr) return false;
  std::uint32_t header[2];
  std::memcpy(header, record, sizeof header);
  return header[0] == kRecordMagic && header[1] == sizeof(StudyInterface);
}

}  // namespace host

// The study function every library exports under its own scsf_ name.
extern "C" {
using StudyFunction = void (*)(host::StudyInterface* sc);
using DllVersionFunction = int (*)();
using DllNameFunction = const char* (*)();
}
