// The level menu: eight chart shortcut-menu switches and a separator. Each
// entry flips one yes/no input, shows its state as a check mark and names the
// symbol and time frame, so several instances on one chart can be told apart.
#pragma once

#include <cstdint>

#include "host/study_interface.h"

namespace pricemap {

// Adds the separator and the eight entries; their identifiers go to the
// study's persistent slots.
void create_level_menu(host::StudyInterface& sc);
// Sets the eight entry texts from the menu key.
void name_level_menu(host::StudyInterface& sc);
// Checks an entry exactly when its input holds 1.
void sync_level_menu_checks(host::StudyInterface& sc);
// Flips the input of the chosen entry and redraws the levels at once; any
// chosen identifier refreshes the check marks.
void handle_level_menu_event(host::StudyInterface& sc);
// Removes the separator and the entries and forgets their identifiers.
void remove_level_menu(host::StudyInterface& sc);

}  // namespace pricemap
