// The chart's shortcut menu entries that studies add.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace studyhost {

struct MenuEntry {
  std::int32_t id = 0;
  std::string text;
  bool checked = false;
  bool separator = false;
  std::int32_t owner = 0;  // the study instance that added it
};

class Menu {
 public:
  // New entries get identifiers from 1 up, never reused.
  std::int32_t add(std::int32_t owner, const std::string& text);
  std::int32_t add_separator(std::int32_t owner);
  // Unknown identifiers change nothing; these return whether an entry matched.
  bool set_text(std::int32_t id, const std::string& text);
  bool set_checked(std::int32_t id, bool checked);
  bool remove(std::int32_t id);
  std::size_t remove_owned_by(std::int32_t owner);

  const std::vector<MenuEntry>& entries() const { return entries_; }
  const MenuEntry* find(std::int32_t id) const;

 private:
  std::vector<MenuEntry> entries_;
  std::int32_t next_id_ = 1;
};

}  // namespace studyhost
