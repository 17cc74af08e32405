// What a library shows before any chart work: its exports, version and name,
// and what its defaults call declares.
#include <algorithm>
#include <map>
#include <set>

#include "host/input_slot.h"
#include "studyhost/runtime/host_constants.h"
#include "studyhost/validate/export_table.h"
#include "studyhost/validate/level_responses.h"
#include "studyhost/validate/study_session.h"
#include "studyhost/validate/test_case.h"

namespace studyhost::validate {
namespace {

constexpr std::int32_t kDeclarationBars = 50;
constexpr std::uint16_t kLastLineStyle = host::kLineDashDotDot;

// Input kinds the host knows.
bool known_kind(std::uint8_t kind) {
  static const std::set<std::uint8_t> kinds = {1,  2,  3,  4,  5,  6,  8,  9,  10, 11, 13, 14,
                                               15, 16, 17, 19, 22, 23, 24, 25, 26, 27, 28};
  return kinds.count(kind) != 0;
}

std::string input_label(std::int32_t index, const char* name) {
  return "input " + std::to_string(index) + " \"" + (name != nullptr ? name : "") + "\"";
}

void check_inputs(const TestContext& context, const StudyInstance& study) {
  std::map<std::uint16_t, std::int32_t> orders;
  std::map<std::string, std::int32_t> names;
  for (std::int32_t i = 0; i < kInputSlots; ++i) {
    const host::InputSlot& slot = study.input(i);
    if (slot.name.text == nullptr) {
      context.fail("input " + std::to_string(i) + " has a null name");
      continue;
    }
    const bool named = slot.name.text[0] != '\0';
    if (!named && slot.kind == 0) continue;
    const std::string label = input_label(i, slot.name.text);
    if (!known_kind(slot.kind)) {
      context.fail(label + " has kind " + std::to_string(slot.kind) +
                   ", which the host does not know");
    }
    if (!named) continue;
    if (const auto [it, fresh] = names.emplace(slot.name.text, i); !fresh) {
      context.fail(label + " has the name of input " + std::to_string(it->second));
    }
    // Order 0 leaves the place to the host; any other order is one place.
    if (slot.display_order != 0) {
      if (const auto [it, fresh] = orders.emplace(slot.display_order, i); !fresh) {
        context.fail(label + " has display order " + std::to_string(slot.display_order) +
                     ", as input " + std::to_string(it->second) + " has");
      }
    }
    if (slot.kind == host::kKindCustomList) {
      const auto& entries = study.list_entries(i);
      const std::int32_t position = host::stored_int(slot);
      if (entries.empty()) {
        context.fail(label + " is a list without entries");
      } else if (position < 0 || static_cast<std::size_t>(position) >= entries.size()) {
        context.fail(label + " selects entry " + std::to_string(position) + " of " +
                     std::to_string(entries.size()));
      }
      for (const std::string& entry : entries) {
        if (entry.empty()) context.fail(label + " has an empty list entry");
      }
    }
  }
}

void check_subgraphs(const TestContext& context, StudyInstance& study) {
  std::map<std::string, std::int32_t> names;
  for (std::int32_t i = 0; i < kSubgraphSlots; ++i) {
    const host::SubgraphSlot& slot = study.subgraph(i);
    if (slot.name.text == nullptr || slot.short_label.text == nullptr) {
      context.fail("subgraph " + std::to_string(i) + " has a null name or label");
      continue;
    }
    if (slot.name.text[0] == '\0') continue;
    const std::string label = "subgraph " + std::to_string(i) + " \"" + slot.name.text + "\"";
    if (const auto [it, fresh] = names.emplace(slot.name.text, i); !fresh) {
      context.fail(label + " has the name of subgraph " + std::to_string(it->second));
    }
    if (slot.line_style > kLastLineStyle) {
      context.fail(label + " has line style " + std::to_string(slot.line_style));
    }
  }
}

}  // namespace

void check_exports(const TestContext& context) {
  const std::unique_ptr<StudyLibrary> library = context.load();
  if (!library) return;
  if (library->name().empty()) context.fail("scdll_DLLName gives an empty name");
  context.note("version " + std::to_string(library->version()) + ", name \"" + library->name() +
               "\", study function " + library->function_name());

  const ExportTable table = read_exports(context.library);
  if (!table.read) {
    context.note("the export table was not read: " + table.why);
    return;
  }
  const std::set<std::string> expected = {"scdll_DLLVersion", "scdll_DLLName",
                                          library->function_name()};
  std::vector<std::string> extra;
  for (const std::string& name : table.names) {
    if (expected.count(name) == 0) extra.push_back(name);
  }
  for (const std::string& name : expected) {
    if (std::find(table.names.begin(), table.names.end(), name) == table.names.end()) {
      context.fail("the library does not export " + name);
    }
  }
  if (!extra.empty()) {
    std::string list;
    for (std::size_t i = 0; i < extra.size() && i < 8; ++i) list += (i > 0 ? ", " : "") + extra[i];
    if (extra.size() > 8) list += ", ...";
    context.fail("the library exports " + std::to_string(extra.size()) +
                 " symbol(s) besides its three entry points: " + list);
  }
}

void check_defaults(const TestContext& context) {
  const std::unique_ptr<StudyLibrary> library = context.load();
  if (!library) return;
  Rng rng = context.rng();
  StudySession session(random_bars(rng, kDeclarationBars));
  StudyInstance& study = session.add(*library);

  const char* name = study.record().study_name.text;
  if (name == nullptr || name[0] == '\0') context.fail("the defaults call gives the study no name");
  if (study.record().auto_loop != 0 && study.record().auto_loop != 1) {
    context.fail("automatic per-bar calling set to " + std::to_string(study.record().auto_loop));
  }
  if (!session.host.drawings().empty()) context.fail("the defaults call made drawings");
  if (!session.host.menu().empty()) context.fail("the defaults call added menu entries");
  if (!study.requests().empty()) context.fail("the defaults call asked for a download");
  check_inputs(context, study);
  check_subgraphs(context, study);
  context.take_failures(session.checker.failures());
}

}  // namespace studyhost::validate
