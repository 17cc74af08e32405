#include "studyhost/soak/clean_session.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include <nlohmann/json.hpp>

#include "host/input_slot.h"
#include "studyhost/runtime/input_kinds.h"
#include "studyhost/session/dump_json.h"
#include "studyhost/session/input_assign.h"
#include "studyhost/soak/soak_checks.h"

namespace studyhost::soak {
namespace {

using json = nlohmann::ordered_json;

std::string name_of(const host::InputSlot& slot) {
  return host::text_of(slot.name);
}

// A full recalculation and its downloads; false when they did not end.
bool recalculate(Host& host, std::chrono::milliseconds wait) {
  host.full_recalculation();
  return host.settle_downloads(wait);
}

// The period mode is set once the study's state exists, and another full
// recalculation follows, as the host would do it from outside.
bool set_period_mode(Host& host, StudyInstance& study, std::int32_t mode,
                     std::chrono::milliseconds wait) {
  study.set_input_int(kPeriodModeInput, mode);
  return recalculate(host, wait);
}

std::size_t owned_by(const Host& host, std::int32_t owner, bool drawings) {
  std::size_t count = 0;
  if (drawings) {
    for (const auto& [id, d] : host.drawings()) count += d.owner == owner ? 1 : 0;
  } else {
    for (const MenuEntry& entry : host.menu()) count += entry.owner == owner ? 1 : 0;
  }
  return count;
}

// The dump with what differs by design taken out: identifiers the host
// numbers per chart, the order drawings were made in, the log and requests.
json comparable(json dump) {
  dump.erase("log");
  dump.erase("requests");
  std::vector<std::string> drawings;
  for (json& d : dump["drawings"]) {
    d.erase("id");
    drawings.push_back(d.dump(-1, ' ', false, json::error_handler_t::replace));
  }
  std::sort(drawings.begin(), drawings.end());
  dump["drawings"] = drawings;
  for (json& entry : dump["menu"]) entry.erase("id");
  return dump;
}

std::string text_of_json(const json& value) {
  return value.dump(-1, ' ', false, json::error_handler_t::replace);
}

// The first difference of two lists, for a person.
std::string list_difference(const char* what, const json& soaked, const json& clean) {
  if (soaked.size() != clean.size()) {
    return std::to_string(soaked.size()) + " " + what + " where a clean session has " +
           std::to_string(clean.size());
  }
  for (std::size_t i = 0; i < soaked.size(); ++i) {
    if (soaked[i] != clean[i]) {
      return std::string(what) + ": " + text_of_json(soaked[i]) + " where a clean session has " +
             text_of_json(clean[i]);
    }
  }
  return {};
}

bool same_value(float a, float b) {
  if (std::isnan(a) || std::isnan(b)) return std::isnan(a) && std::isnan(b);
  return std::memcmp(&a, &b, sizeof a) == 0;
}

// Values per bar; a subgraph the study never touched reads as 0 at every
// bar, as the study itself would read it.
std::string values_difference(StudyInstance& soaked, StudyInstance& clean) {
  for (std::int32_t i = 0; i < kSubgraphSlots; ++i) {
    if (!soaked.subgraph_listed(i) && !clean.subgraph_listed(i)) continue;
    const std::vector<float>& a = soaked.subgraph_values(i);
    const std::vector<float>& b = clean.subgraph_values(i);
    const std::string name = host::text_of(soaked.subgraph(i).name);
    const std::size_t bars = std::max(a.size(), b.size());
    for (std::size_t bar = 0; bar < bars; ++bar) {
      const float va = bar < a.size() ? a[bar] : 0.0f;
      const float vb = bar < b.size() ? b[bar] : 0.0f;
      if (!same_value(va, vb)) {
        return "subgraph " + std::to_string(i) + " \"" + name + "\" at bar " + std::to_string(bar) +
               ": " + std::to_string(va) + " where a clean session has " + std::to_string(vb);
      }
    }
  }
  return {};
}

}  // namespace

DrivenInputs driven_inputs(const StudyInstance& study) {
  DrivenInputs driven;
  for (const std::int32_t i : declared_inputs(study)) {
    const host::InputSlot& slot = study.input(i);
    const std::string name = name_of(slot);
    if (name == "Asset Class" && slot.kind == host::kKindCustomList) driven.asset_class = i;
    if (name == "Symbol" && host::is_text_kind(slot.kind)) driven.symbol = i;
    if (name == "Time Frame" && slot.kind == host::kKindCustomList) driven.time_frame = i;
    if (name.empty() && i == kPeriodModeInput && slot.kind == host::kKindInteger) {
      driven.period_mode = true;
    }
    if (!name.empty() && slot.kind == host::kKindYesNo) driven.switches.push_back(i);
    if (driven.key < 0 && is_secret_input(slot.kind, name)) driven.key = i;
  }
  return driven;
}

void type_inputs(StudyInstance& study, const DrivenInputs& driven, const TypedInputs& typed) {
  std::string error;
  if (driven.asset_class >= 0) {
    session::assign_input(study, "Asset Class", typed.asset_class, error);
  }
  if (driven.symbol >= 0) study.set_input_text(driven.symbol, typed.symbol);
  if (driven.key >= 0) study.set_input_text(driven.key, typed.key);
}

void copy_inputs(const StudyInstance& from, StudyInstance& to, std::int32_t skip) {
  for (const std::int32_t i : declared_inputs(from)) {
    if (i == skip) continue;
    const host::InputSlot& slot = from.input(i);
    if (host::is_text_kind(slot.kind)) {
      if (slot.text != nullptr) to.set_input_text(i, host::text_value(slot));
      continue;
    }
    // Kind and value as they stand: a study may have changed an input's kind
    // itself (a menu switch stores a yes/no), and a clean session must start
    // from the same slot.
    if (host::is_text_kind(to.input(i).kind)) to.set_input_int(i, 0);
    host::InputSlot& target = to.input(i);
    target.kind = slot.kind;
    std::memcpy(target.value, slot.value, sizeof target.value);
  }
}

bool most_held(const StudyLibrary& library, const std::vector<Bar>& bars, Transport& clean,
               const TypedInputs& typed, std::chrono::milliseconds wait, HeldLimits& limits,
               std::string& error) {
  // One session per Time Frame entry (one in all for a study without it).
  std::size_t time_frames = 1;
  for (std::size_t frame = 0; frame < time_frames; ++frame) {
    Host host(clean);
    host.set_bars(bars);
    StudyInstance& study = host.add_study(library);
    const DrivenInputs driven = driven_inputs(study);
    if (driven.time_frame >= 0) {
      time_frames = std::max<std::size_t>(study.list_entries(driven.time_frame).size(), 1);
      study.set_input_int(driven.time_frame, static_cast<std::int32_t>(frame));
    }
    type_inputs(study, driven, typed);
    for (const std::int32_t i : driven.switches) study.set_input_yes_no(i, true);
    bool settled = recalculate(host, wait);
    if (settled && driven.period_mode) settled = set_period_mode(host, study, kPerPeriodMode, wait);
    if (!settled) {
      error = "a clean session's downloads did not end";
      return false;
    }
    limits.drawings = std::max(limits.drawings, owned_by(host, study.id(), true));
    limits.menu_entries = std::max(limits.menu_entries, owned_by(host, study.id(), false));
    limits.host_strings = std::max(limits.host_strings, held_host_strings(study));
  }
  return true;
}

Comparison compare_with_clean(const Host& host, StudyInstance& soaked, Transport& clean,
                              std::chrono::milliseconds wait) {
  Comparison result;
  Host reference(clean);
  reference.set_bars(host.bars());
  StudyInstance& study = reference.add_study(soaked.library());
  copy_inputs(soaked, study, kPeriodModeInput);
  bool settled = recalculate(reference, wait);
  if (settled && driven_inputs(study).period_mode) {
    settled =
        set_period_mode(reference, study, host::stored_int(soaked.input(kPeriodModeInput)), wait);
  }
  if (!settled) {
    result.difference = "the clean session's downloads did not end";
    return result;
  }
  result.clean_drawings = owned_by(reference, study.id(), true);

  const json a = comparable(session::dump_study(host, soaked, false));
  const json b = comparable(session::dump_study(reference, study, false));
  for (const char* part : {"study", "bar_count", "inputs", "menu", "drawings", "subgraphs"}) {
    if (a.value(part, json()) == b.value(part, json())) continue;
    if (a[part].is_array() && b[part].is_array()) {
      result.difference = list_difference(part, a[part], b[part]);
    } else {
      result.difference = std::string(part) + ": " + text_of_json(a[part]) +
                          " where a clean session has " + text_of_json(b[part]);
    }
    return result;
  }
  result.difference = values_difference(soaked, study);
  result.identical = result.difference.empty();
  return result;
}

}  // namespace studyhost::soak
