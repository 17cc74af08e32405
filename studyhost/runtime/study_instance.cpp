#include "studyhost/runtime/study_instance.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <stdexcept>
#include <string_view>

#include "host/process_heap.h"
#include "studyhost/runtime/host_operations.h"

namespace studyhost {
namespace {

// Stores a number in the form the slot's declared kind keeps it; an undeclared
// slot becomes an integer input.
void store_number(host::InputSlot& slot, double value) {
  if (slot.kind == host::kKindNone || host::is_text_kind(slot.kind)) {
    host::drop_text(slot);
    slot.kind = host::kKindInteger;
  }
  if (slot.kind == host::kKindFloat) {
    host::set_float(slot, static_cast<float>(value));
  } else if (host::holds_double(slot.kind)) {
    host::set_double(slot, slot.kind, value);
  } else {
    host::set_int(slot, slot.kind, host::round_to_int32(value));
  }
}

}  // namespace

void StudyInstance::fill_values(void* argument) {
  auto* handle = static_cast<host::SlotHandle*>(argument);
  if (handle != nullptr && handle->owner != nullptr)
    static_cast<StudyInstance*>(handle->owner)->fill_subgraph(handle->index);
}

void StudyInstance::take_list_entries(void* argument, const char* entries) {
  auto* handle = static_cast<host::SlotHandle*>(argument);
  if (handle == nullptr || handle->owner == nullptr) return;
  try {
    static_cast<StudyInstance*>(handle->owner)->store_list_entries(handle->index, entries);
  } catch (...) {
    // Out of memory: the input keeps the entries it had.
  }
}

StudyInstance::StudyInstance(Host& host, const StudyLibrary& library, std::int32_t id,
                             Transport& transport)
    : host_(host),
      library_(library),
      id_(id),
      slots_(this, &take_list_entries, &fill_values),
      http_(transport) {
  install_operations(slots_.record());
  prepare_call(0, nullptr);
}

StudyInstance::~StudyInstance() = default;

void StudyInstance::check_input(std::int32_t index) const {
  if (index < 0 || index >= kInputSlots) throw std::out_of_range("input index");
}

void StudyInstance::check_subgraph(std::int32_t index) const {
  if (index < 0 || index >= kSubgraphSlots) throw std::out_of_range("subgraph index");
}

host::InputSlot& StudyInstance::input(std::int32_t index) {
  check_input(index);
  return slots_.inputs()[static_cast<std::size_t>(index)];
}

const host::InputSlot& StudyInstance::input(std::int32_t index) const {
  check_input(index);
  return slots_.inputs()[static_cast<std::size_t>(index)];
}

void StudyInstance::set_input_int(std::int32_t index, std::int32_t value) {
  store_number(input(index), value);
  refresh_selected_entry(index);
}

void StudyInstance::set_input_float(std::int32_t index, float value) {
  host::InputSlot& slot = input(index);
  if (slot.kind == host::kKindNone) slot.kind = host::kKindFloat;
  store_number(slot, value);
  refresh_selected_entry(index);
}

void StudyInstance::set_input_double(std::int32_t index, double value) {
  store_number(input(index), value);
  refresh_selected_entry(index);
}

void StudyInstance::set_input_yes_no(std::int32_t index, bool value) {
  host::InputSlot& slot = input(index);
  if (slot.kind == host::kKindNone) slot.kind = host::kKindYesNo;
  store_number(slot, value ? 1.0 : 0.0);
}

void StudyInstance::set_input_color(std::int32_t index, std::uint32_t color) {
  host::InputSlot& slot = input(index);
  if (slot.kind == host::kKindNone || host::is_text_kind(slot.kind)) {
    host::drop_text(slot);
    slot.kind = host::kKindColor;
  }
  std::memset(slot.value, 0, sizeof slot.value);
  std::memcpy(slot.value, &color, sizeof color);
}

void StudyInstance::set_input_text(std::int32_t index, const std::string& text) {
  host::InputSlot& slot = input(index);
  const std::size_t length = std::min(text.size(), host::kMaxTextLength);
  char* buffer = host::heap_alloc_text(length + 1);
  if (buffer == nullptr) throw std::bad_alloc();
  std::memcpy(buffer, text.data(), length);
  host::drop_text(slot);
  if (!host::is_text_kind(slot.kind)) slot.kind = host::kKindText;
  std::memset(slot.value, 0, sizeof slot.value);
  slot.value[0] = 1;  // the slot owns its text
  slot.text = buffer;
}

const std::vector<std::string>& StudyInstance::list_entries(std::int32_t index) const {
  check_input(index);
  return list_entries_[static_cast<std::size_t>(index)];
}

host::SubgraphSlot& StudyInstance::subgraph(std::int32_t index) {
  check_subgraph(index);
  return slots_.subgraphs()[static_cast<std::size_t>(index)];
}

const std::vector<float>& StudyInstance::subgraph_values(std::int32_t index) const {
  check_subgraph(index);
  return values_[static_cast<std::size_t>(index)];
}

void StudyInstance::clear_values() {
  for (std::vector<float>& values : values_) std::fill(values.begin(), values.end(), 0.0f);
}

bool StudyInstance::subgraph_listed(std::int32_t index) const {
  check_subgraph(index);
  const auto i = static_cast<std::size_t>(index);
  const host::SubgraphSlot& slot = slots_.subgraphs()[i];
  return !host::is_empty(slot.name) || !host::is_empty(slot.short_label) || values_filled_[i];
}

bool StudyInstance::declared_anything() const {
  if (!host::is_empty(record().study_name)) return true;
  const auto& inputs = slots_.inputs();
  const auto& subgraphs = slots_.subgraphs();
  const bool any_input = std::any_of(inputs.begin(), inputs.end(),
                                     [](const host::InputSlot& slot) { return slot.kind != 0; });
  const bool any_subgraph =
      std::any_of(subgraphs.begin(), subgraphs.end(),
                  [](const host::SubgraphSlot& slot) { return !host::is_empty(slot.name); });
  return any_input || any_subgraph;
}

std::int32_t StudyInstance::persistent_int(std::int32_t key) const {
  if (direct_key(key)) return direct_ints_[static_cast<std::size_t>(key)];
  const auto it = int_cells_.find(key);
  return it == int_cells_.end() ? 0 : it->second;
}

void* StudyInstance::persistent_pointer(std::int32_t key) const {
  if (direct_key(key)) return direct_pointers_[static_cast<std::size_t>(key)];
  const auto it = pointer_cells_.find(key);
  return it == pointer_cells_.end() ? nullptr : it->second;
}

void StudyInstance::prepare_call(std::int32_t bar_count, std::int64_t* bar_datetimes) {
  bar_count_ = std::max(bar_count, 0);
  // The study may have written anywhere in its record; the host's own parts
  // are put back before every call.
  host::StudyInterface& r = slots_.record();
  install_operations(r);
  r.host_context = this;
  r.bar_count = bar_count_;
  r.bar_datetimes = host::HostArray<std::int64_t>{bar_count_ > 0 ? bar_datetimes : nullptr, nullptr,
                                                  nullptr, bar_count_, 0};
  slots_.attach_slots();
  // This runs before every call, once per bar in a full recalculation, so
  // it only puts fields back and sizes a value array only when the bar count
  // moved.
  auto& subgraphs = slots_.subgraphs();
  for (std::size_t s = 0; s < subgraphs.size(); ++s) {
    host::HostArray<float>& values = subgraphs[s].values;
    if (!values_filled_[s]) {
      values.elements = nullptr;
      values.count = 0;
    } else if (values_[s].size() != static_cast<std::size_t>(bar_count_)) {
      fill_subgraph(static_cast<std::int32_t>(s));
    } else {
      values.elements = values_[s].empty() ? nullptr : values_[s].data();
      values.count = bar_count_;
    }
  }
  for (std::int32_t i = 0; i < kInputSlots; ++i) refresh_selected_entry(i);
  r.http_response = http_.response().c_str();
}

void StudyInstance::fill_subgraph(std::int32_t index) {
  if (index < 0 || index >= kSubgraphSlots) return;
  const auto s = static_cast<std::size_t>(index);
  std::vector<float>& values = values_[s];
  values_filled_[s] = true;
  // Growing keeps the values of earlier bars; new bars start at 0.
  values.resize(static_cast<std::size_t>(bar_count_), 0.0f);
  host::HostArray<float>& array = slots_.subgraphs()[s].values;
  array.elements = values.empty() ? nullptr : values.data();
  array.count = static_cast<std::int32_t>(values.size());
}

void StudyInstance::store_list_entries(std::int32_t index, const char* entries) {
  if (index < 0 || index >= kInputSlots) return;
  std::vector<std::string> parsed;
  if (entries != nullptr && entries[0] != '\0') {
    const std::string_view text(entries);
    std::size_t from = 0;
    while (from <= text.size()) {
      const std::size_t end = std::min(text.find(';', from), text.size());
      // A ';' at the very end closes the list; it does not open an empty entry.
      if (end == text.size() && from == text.size() && !parsed.empty()) break;
      parsed.emplace_back(text.substr(from, end - from));
      from = end + 1;
    }
  }
  list_entries_[static_cast<std::size_t>(index)] = std::move(parsed);
  refresh_selected_entry(index);
}

void StudyInstance::refresh_selected_entry(std::int32_t index) {
  host::InputSlot& slot = slots_.inputs()[static_cast<std::size_t>(index)];
  if (slot.kind != host::kKindCustomList) {
    slot.selected_entry_text = nullptr;
    return;
  }
  const auto& entries = list_entries_[static_cast<std::size_t>(index)];
  const std::int32_t position = host::stored_int(slot);
  if (position >= 0 && static_cast<std::size_t>(position) < entries.size()) {
    slot.selected_entry_text = entries[static_cast<std::size_t>(position)].c_str();
  } else {
    slot.selected_entry_text = nullptr;
  }
}

}  // namespace studyhost
