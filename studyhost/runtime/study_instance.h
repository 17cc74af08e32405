// One study on the chart: its record, input and subgraph slots, persistent
// cells, message log and HTTP slot. Two instances share nothing.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "host/study_interface.h"
#include "host/study_record.h"
#include "studyhost/runtime/host_constants.h"
#include "studyhost/runtime/http_slot.h"

namespace studyhost {

class Host;
class StudyLibrary;

class StudyInstance {
 public:
  StudyInstance(Host& host, const StudyLibrary& library, std::int32_t id, Transport& transport);
  ~StudyInstance();
  StudyInstance(const StudyInstance&) = delete;
  StudyInstance& operator=(const StudyInstance&) = delete;

  std::int32_t id() const { return id_; }
  Host& host() { return host_; }
  const StudyLibrary& library() const { return library_; }
  host::StudyInterface& record() { return slots_.record(); }
  const host::StudyInterface& record() const { return slots_.record(); }

  // Inputs: index 0..kInputSlots-1 (std::out_of_range otherwise). The setters
  // keep the declared kind; setting a list input's value updates its selected
  // entry text.
  host::InputSlot& input(std::int32_t index);
  const host::InputSlot& input(std::int32_t index) const;
  void set_input_int(std::int32_t index, std::int32_t value);
  void set_input_float(std::int32_t index, float value);
  void set_input_double(std::int32_t index, double value);
  void set_input_yes_no(std::int32_t index, bool value);
  void set_input_color(std::int32_t index, std::uint32_t color);
  void set_input_text(std::int32_t index, const std::string& text);
  // The ';'-separated entries the study gave a list input.
  const std::vector<std::string>& list_entries(std::int32_t index) const;

  // Subgraphs: index 0..kSubgraphSlots-1 (std::out_of_range otherwise).
  host::SubgraphSlot& subgraph(std::int32_t index);
  // The per-bar values; empty until the study touched them.
  const std::vector<float>& subgraph_values(std::int32_t index) const;
  // Sets every per-bar value of every subgraph to 0, as a full recalculation
  // finds them.
  void clear_values();
  // Listed when the study declared it (gave it a name or a short label, as a
  // study that labels a subgraph with its symbol does) or wrote its values.
  bool subgraph_listed(std::int32_t index) const;

  // Whether the study gave itself a name or declared an input or subgraph.
  bool declared_anything() const;

  // Persistent cells: 0 / null for a key never used.
  std::int32_t persistent_int(std::int32_t key) const;
  void* persistent_pointer(std::int32_t key) const;
  // Stable cell addresses for the record's operations; created on first use.
  std::int32_t* persistent_int_cell(std::int32_t key) {
    return direct_key(key) ? &direct_ints_[static_cast<std::size_t>(key)] : &int_cells_[key];
  }
  void** persistent_pointer_cell(std::int32_t key) {
    return direct_key(key) ? &direct_pointers_[static_cast<std::size_t>(key)]
                           : &pointer_cells_[key];
  }

  const std::vector<std::string>& log() const { return log_; }
  void append_log(std::string line) { log_.push_back(std::move(line)); }

  HttpSlot& http() { return http_; }
  const std::vector<std::string>& requests() const { return http_.requests(); }
  const std::string& http_response() const { return http_.response(); }

  // Brings the record's chart-dependent parts (bar count, arrays, response
  // text, list selections) up to date before a call.
  void prepare_call(std::int32_t bar_count, std::int64_t* bar_datetimes);
  // Stores the entries of a list input (the slot's list-entries operation).
  void store_list_entries(std::int32_t index, const char* entries);
  // Sizes a subgraph's per-bar values to the bar count (its lazy fill).
  void fill_subgraph(std::int32_t index);

 private:
  static void fill_values(void* argument);
  static void take_list_entries(void* argument, const char* entries);
  void refresh_selected_entry(std::int32_t index);
  void check_input(std::int32_t index) const;
  void check_subgraph(std::int32_t index) const;

  Host& host_;
  const StudyLibrary& library_;
  std::int32_t id_;
  host::StudyRecord slots_;
  std::array<std::vector<std::string>, kInputSlots> list_entries_{};
  std::array<std::vector<float>, kSubgraphSlots> values_{};
  std::array<bool, kSubgraphSlots> values_filled_{};
  std::int32_t bar_count_ = 0;
  // The keys studies use are small and are looked up on every call, so
  // their cells sit in arrays; any other key gets a cell in a map.
  static constexpr std::int32_t kDirectCells = 64;
  static bool direct_key(std::int32_t key) { return key >= 0 && key < kDirectCells; }
  std::array<std::int32_t, kDirectCells> direct_ints_{};
  std::array<void*, kDirectCells> direct_pointers_{};
  std::map<std::int32_t, std::int32_t> int_cells_;
  std::map<std::int32_t, void*> pointer_cells_;
  std::vector<std::string> log_;
  HttpSlot http_;
};

}  // namespace studyhost
