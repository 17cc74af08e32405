// Study inputs between the platform's input structure and the studies' input
// slot, by meaning: each platform value type becomes the slot kind that holds
// the same kind of value, read and written through the platform's named
// members and setters.
#pragma once

#include <string>

#include "host/input_slot.h"
#include "sierrachart.h"

namespace qlx_platform {

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
