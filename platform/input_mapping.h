// Study inputs between the platform's input structure and the studies' input
// slot, by meaning: each platform value type becomes the slot kind that holds
// the same kind of value, read and written through the platform's named
// members and setters.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "host/input_slot.h"
#include "host/study_record.h"
#include "sierrachart.h"

namespace qlx_platform {

// An instance's inputs between the platform and the record's input slots:
// read in before a call, and after it what the study changed written back,
// against a snapshot of what each slot held after the last exchange. A call
// passes through here once on each side.
class PlatformInputs {
 public:
  using Slots = std::array<host::InputSlot, host::kInputSlots>;

  explicit PlatformInputs(Slots& slots);

  // Before an ordinary call: every input is read when the chart starts over
  // (inputs change in the platform only then) or has never been read.
  void before_call(s_sc& sc, bool starts_over);
  // After an ordinary call: each input the study changed is written back and
  // read again, so the slot then reads what the platform holds (its text
  // buffer included). False when one had a kind the platform cannot set.
  bool after_call(s_sc& sc);
  // After the defaults call: each input the study declared goes to the
  // platform with its name and display order. False when one had a kind the
  // platform cannot declare.
  bool declare(s_sc& sc) const;

 private:
  // What an input held after the last exchange with the platform.
  struct Snapshot {
    std::uint64_t value = 0;
    const char* text = nullptr;
    std::int32_t value_after_double = 0;
    std::uint8_t kind = 0;
  };
  static Snapshot snapshot_of(const host::InputSlot& slot);
  static bool unchanged(const Snapshot& snapshot, const host::InputSlot& slot);
  void read(s_sc& sc, std::size_t index);

  Slots& slots_;
  std::array<Snapshot, host::kInputSlots> snapshots_{};
  std::array<std::string, host::kInputSlots> selected_entries_{};
  bool read_once_ = false;
};

// Fills the slot's kind and value from the platform's input. A text is the
// platform's own buffer, which the slot never owns; the selected list entry's
// text is copied into `selected_entry`, which the slot then points at. The
// slot's name, display order and list operation stay as they are.
void read_platform_input(const s_SCInput_145& platform_input, host::InputSlot& slot,
                         std::string& selected_entry);

// Writes the slot's kind and value into the platform's input; false when the
// platform has no setter for the slot's kind (nothing is written then).
bool write_platform_input(const host::InputSlot& slot, s_SCInput_145& platform_input);

}  // namespace qlx_platform
