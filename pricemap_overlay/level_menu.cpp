#include "pricemap_overlay/level_menu.h"

#include <array>
#include <cstddef>
#include <cstdio>
#include <cstring>

#include "pricemap_overlay/download.h"
#include "pricemap_overlay/drawing_passes.h"
#include "pricemap_overlay/study_state.h"

namespace pricemap {
namespace {

struct MenuEntry {
  const char* text;    // at creation; later preceded by the menu key
  std::int32_t slot;   // persistent integer holding the identifier
  std::int32_t input;  // the switch it flips and shows
};

constexpr std::array<MenuEntry, 8> kMenuEntries{{
    {"Show VAR", slot::kMenuVar, input::kShowVariance},
    {"Show AD", slot::kMenuAd, input::kShowAd},
    {"Show MSD", slot::kMenuMsd, input::kShowMsd},
    {"Show Minors", slot::kMenuMinors, input::kShowMinors},
    {"Show Majors", slot::kMenuMajors, input::kShowMajors},
    {"Show R", slot::kMenuR, input::kShowR},
    {"Show Dir", slot::kMenuDir, input::kShowDir},
    {"Show Critical Range", slot::kMenuCriticalRange, input::kShowCriticalRange},
}};

// The "Symbol.letter" key that starts every entry text: at most 63
// characters. A long Symbol is cut, never the time frame after it, so two
// instances on one Symbol and different time frames keep apart.
constexpr std::size_t kMenuKeySize = 64;
// The key, a blank and the longest entry name.
constexpr std::size_t kEntryTextSize = kMenuKeySize + 32;

void format_menu_key(host::StudyInterface& sc, char (&key)[kMenuKeySize]) {
  const char* symbol = host::text_value(input_at(sc, input::kSymbol));
  const char* letter = time_frame_letter(host::int_value(input_at(sc, input::kTimeFrame)));
  // Room for the Symbol: the key less the dot, the letter and the end.
  const auto room = static_cast<int>(kMenuKeySize - 2 - std::strlen(letter));
  std::snprintf(key, kMenuKeySize, "%.*s.%s", room, symbol, letter);
}

}  // namespace

void create_level_menu(host::StudyInterface& sc) {
  sc.menu_separator_flag = 1;
  persistent_int(sc, slot::kMenuSeparator) = sc.menu_add_separator(&sc, sc.chart_number);
  for (const MenuEntry& entry : kMenuEntries) {
    persistent_int(sc, entry.slot) = sc.menu_add(&sc, sc.chart_number, entry.text);
  }
}

void name_level_menu(host::StudyInterface& sc) {
  char key[kMenuKeySize];
  format_menu_key(sc, key);
  for (const MenuEntry& entry : kMenuEntries) {
    char text[kEntryTextSize];
    std::snprintf(text, sizeof text, "%s %s", key, entry.text);
    sc.menu_set_text(&sc, sc.chart_number, persistent_int(sc, entry.slot), text);
  }
}

void sync_level_menu_checks(host::StudyInterface& sc) {
  for (const MenuEntry& entry : kMenuEntries) {
    const bool checked = host::int_value_calendar(input_at(sc, entry.input)) == 1;
    sc.menu_set_check(&sc, sc.chart_number, persistent_int(sc, entry.slot), checked ? 1 : 0);
  }
}

void handle_level_menu_event(host::StudyInterface& sc) {
  const std::int32_t chosen = sc.chosen_menu_id;
  if (chosen == 0) return;
  for (const MenuEntry& entry : kMenuEntries) {
    if (persistent_int(sc, entry.slot) != chosen) continue;
    host::InputSlot& input = input_at(sc, entry.input);
    const bool was_on = host::yes_no_value(input);
    host::set_int(input, host::kKindYesNo, was_on ? 0 : 1);
    redraw_all_levels(sc);
    break;
  }
  sync_level_menu_checks(sc);
}

void remove_level_menu(host::StudyInterface& sc) {
  sc.menu_remove(&sc, sc.chart_number, persistent_int(sc, slot::kMenuSeparator));
  for (const MenuEntry& entry : kMenuEntries) {
    sc.menu_remove(&sc, sc.chart_number, persistent_int(sc, entry.slot));
  }
  persistent_int(sc, slot::kMenuSeparator) = 0;
  for (const MenuEntry& entry : kMenuEntries) persistent_int(sc, entry.slot) = 0;
}

}  // namespace pricemap
