#include "studyhost/runtime/menu.h"

#include <algorithm>
#include <limits>

namespace studyhost {

std::int32_t Menu::add(std::int32_t owner, const std::string& text) {
  if (next_id_ == std::numeric_limits<std::int32_t>::max()) return 0;
  entries_.push_back(MenuEntry{next_id_, text, false, false, owner});
  return next_id_++;
}

std::int32_t Menu::add_separator(std::int32_t owner) {
  if (next_id_ == std::numeric_limits<std::int32_t>::max()) return 0;
  entries_.push_back(MenuEntry{next_id_, std::string(), false, true, owner});
  return next_id_++;
}

bool Menu::set_text(std::int32_t id, const std::string& text) {
  for (auto& e : entries_) {
    if (e.id == id) {
      e.text = text;
      return true;
    }
  }
  return false;
}

bool Menu::set_checked(std::int32_t id, bool checked) {
  for (auto& e : entries_) {
    if (e.id == id) {
      e.checked = checked;
      return true;
    }
  }
  return false;
}

bool Menu::remove(std::int32_t id) {
  const auto it = std::find_if(entries_.begin(), entries_.end(),
                               [id](const MenuEntry& e) { return e.id == id; });
  if (it == entries_.end()) return false;
  entries_.erase(it);
  return true;
}

std::size_t Menu::remove_owned_by(std::int32_t owner) {
  return std::erase_if(entries_, [owner](const MenuEntry& e) { return e.owner == owner; });
}

const MenuEntry* Menu::find(std::int32_t id) const {
  for (const auto& e : entries_) {
    if (e.id == id) return &e;
  }
  return nullptr;
}

}  // namespace studyhost
