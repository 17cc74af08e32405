// `studyhost inputs`: a study's inputs as the host's settings dialog lists
// them, after the defaults call.
#include <algorithm>
#include <filesystem>
#include <iomanip>
#include <sstream>

#include "studyhost/app/commands.h"
#include "studyhost/runtime/host.h"
#include "studyhost/runtime/input_kinds.h"
#include "studyhost/runtime/library_loader.h"
#include "studyhost/runtime/scripted_transport.h"

namespace studyhost::app {

int inputs_command(const std::string& library_path, std::ostream& out, std::ostream& err) {
  std::string error;
  auto library = StudyLibrary::load(library_path, &error);
  if (!library) {
    err << "studyhost: " << error << '\n';
    return 1;
  }
  // The defaults call requests nothing; a transport that answers nothing
  // keeps this command off the network whatever the study does.
  ScriptedTransport offline;
  Host host(offline);
  StudyInstance& study = host.add_study(*library);

  // The dialog shows named inputs only, by display order (1 first); inputs
  // without an order follow, by number.
  std::vector<std::int32_t> shown;
  for (const std::int32_t i : declared_inputs(study)) {
    if (!host::is_empty(study.input(i).name)) shown.push_back(i);
  }
  auto order = [&](std::int32_t i) {
    const std::uint16_t o = study.input(i).display_order;
    return o == 0 ? 0x10000 : static_cast<int>(o);
  };
  std::stable_sort(shown.begin(), shown.end(),
                   [&](std::int32_t a, std::int32_t b) { return order(a) < order(b); });

  std::size_t name_width = 4;
  std::size_t value_width = 7;
  for (const std::int32_t i : shown) {
    name_width = std::max(name_width, std::string(host::text_of(study.input(i).name)).size());
    value_width = std::max(value_width, input_value_text(study, i).size());
  }
  const char* study_name = host::text_of(study.record().study_name);
  out << (study_name[0] != '\0' ? study_name : library->name().c_str()) << " ("
      << std::filesystem::path(library->path()).filename().string() << ", interface version "
      << library->version() << ")\n";
  out << std::left << std::setw(5) << "No." << std::setw(static_cast<int>(name_width) + 2) << "Name"
      << std::setw(9) << "Kind" << std::setw(static_cast<int>(value_width) + 2) << "Default"
      << "Entries\n";
  for (const std::int32_t i : shown) {
    const host::InputSlot& slot = study.input(i);
    std::string entries;
    if (slot.kind == host::kKindCustomList) {
      for (const std::string& entry : study.list_entries(i)) {
        entries += (entries.empty() ? "" : "; ") + entry;
      }
    }
    std::ostringstream row;
    row << std::left << std::setw(5) << i << std::setw(static_cast<int>(name_width) + 2)
        << host::text_of(slot.name) << std::setw(9) << kind_name(slot.kind)
        << std::setw(static_cast<int>(value_width) + 2) << input_value_text(study, i) << entries;
    std::string line = row.str();
    line.erase(line.find_last_not_of(' ') + 1);
    out << line << '\n';
  }
  if (shown.empty()) out << "(the study declares no inputs)\n";
  return 0;
}

}  // namespace studyhost::app
