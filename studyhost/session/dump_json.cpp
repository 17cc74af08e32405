#include "studyhost/session/dump_json.h"

#include <charconv>
#include <cmath>
#include <fstream>

#include "host/drawing_record.h"
#include "studyhost/runtime/input_kinds.h"
#include "studyhost/runtime/library_loader.h"
#include "studyhost/runtime/redact.h"

namespace studyhost::session {
namespace {

using json = nlohmann::ordered_json;

// Widens through the float's shortest decimal, so 6712.1f dumps as 6712.1
// rather than as the double nearest the float.
double widened(float value) {
  char buffer[32];
  const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
  double wide = static_cast<double>(value);
  if (ec == std::errc()) std::from_chars(buffer, end, wide);
  return wide;
}

json double_json(double value) {
  return std::isfinite(value) ? json(value) : json(nullptr);
}

json input_json(const StudyInstance& instance, std::int32_t index) {
  const host::InputSlot& slot = instance.input(index);
  json item = {
      {"index", index}, {"name", host::text_of(slot.name)}, {"kind", static_cast<int>(slot.kind)}};
  json value = nullptr;
  json text = nullptr;
  switch (input_form(slot.kind)) {
    case InputForm::kFloat:
      value = float_json(host::stored_float(slot));
      break;
    case InputForm::kColor:
      value = host::stored_bits(slot);
      break;
    case InputForm::kList: {
      value = host::stored_int(slot);
      const char* entry = list_entry_text(instance, index);
      if (entry != nullptr) text = entry;
      break;
    }
    case InputForm::kDouble:
      value = double_json(host::stored_double(slot));
      text = input_value_text(instance, index);
      break;
    case InputForm::kText:
      if (slot.text != nullptr) text = input_value_text(instance, index);
      break;
    case InputForm::kInteger:
    case InputForm::kYesNo:
      value = host::stored_int(slot);
      break;
  }
  item["value"] = std::move(value);
  item["text"] = std::move(text);
  return item;
}

json subgraph_json(StudyInstance& instance, std::int32_t index, bool with_values) {
  const host::SubgraphSlot& slot = instance.subgraph(index);
  json item = {{"index", index},
               {"name", host::text_of(slot.name)},
               {"label", host::text_of(slot.short_label)},
               {"color", slot.primary_color},
               {"line_style", slot.line_style},
               {"line_width", slot.line_width},
               {"draw_style", slot.draw_style}};
  if (with_values) {
    json values = json::array();
    for (const float v : instance.subgraph_values(index)) values.push_back(float_json(v));
    item["values"] = std::move(values);
  }
  return item;
}

}  // namespace

json float_json(float value) {
  return std::isfinite(value) ? json(widened(value)) : json(nullptr);
}

json drawing_json(const DrawingState& d) {
  json item = {{"id", d.id}};
  auto add_int = [&](const char* key, std::int32_t value, std::int32_t unset) {
    if (value != unset) item[key] = value;
  };
  add_int("kind", d.kind, host::kDrawingNone);
  add_int("begin_bar", d.begin_bar, -1);
  add_int("end_bar", d.end_bar, -1);
  if (d.has_begin_price) item["begin_price"] = float_json(d.begin_price);
  if (d.has_end_price) item["end_price"] = float_json(d.end_price);
  if (d.begin_datetime != 0) item["begin_datetime"] = d.begin_datetime;
  if (d.color != host::kUnsetColor) item["color"] = d.color;
  if (d.second_color != host::kUnsetColor) item["second_color"] = d.second_color;
  add_int("line_width", d.line_width, -1);
  add_int("line_style", d.line_style, -1);
  if (!d.text.empty()) item["text"] = redact_text(d.text);
  add_int("font_size", d.font_size, -1);
  if (!d.font_face.empty()) item["font_face"] = d.font_face;
  add_int("alignment", d.text_alignment, -1);
  add_int("region", d.region, -1);
  add_int("band", d.transparency_percent, -1);
  add_int("status", d.relative_vertical, -1);
  return item;
}

json dump_study(const Host& host, StudyInstance& instance, bool values) {
  const StudyLibrary& library = instance.library();
  json dump;
  dump["study"] = {{"name", host::text_of(instance.record().study_name)},
                   {"dll_name", library.name()},
                   {"version", library.version()}};
  dump["bar_count"] = host.bars().size();

  json drawings = json::array();
  for (const auto& [id, drawing] : host.drawings()) {
    if (drawing.owner == instance.id()) drawings.push_back(drawing_json(drawing));
  }
  dump["drawings"] = std::move(drawings);

  json subgraphs = json::array();
  for (std::int32_t i = 0; i < kSubgraphSlots; ++i) {
    if (instance.subgraph_listed(i)) subgraphs.push_back(subgraph_json(instance, i, values));
  }
  dump["subgraphs"] = std::move(subgraphs);

  json inputs = json::array();
  for (const std::int32_t i : declared_inputs(instance)) inputs.push_back(input_json(instance, i));
  dump["inputs"] = std::move(inputs);

  json menu = json::array();
  for (const MenuEntry& entry : host.menu()) {
    if (entry.owner != instance.id()) continue;
    menu.push_back({{"id", entry.id},
                    {"text", entry.text},
                    {"checked", entry.checked},
                    {"separator", entry.separator}});
  }
  dump["menu"] = std::move(menu);

  // Log lines are the study's own texts and the host's transfer failures;
  // either may carry a URL, so the key is hidden here too.
  json log = json::array();
  for (const std::string& line : instance.log()) log.push_back(redact_text(line));
  dump["log"] = std::move(log);

  json requests = json::array();
  for (const std::string& url : instance.requests()) requests.push_back(redact_url(url));
  dump["requests"] = std::move(requests);
  return dump;
}

bool write_json_file(const std::string& path, const json& value, std::string& error) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) {
    error = path + ": cannot write the file";
    return false;
  }
  // Study texts are not checked for UTF-8; a stray byte is replaced rather
  // than ending the dump with an exception.
  out << value.dump(1, ' ', false, json::error_handler_t::replace) << '\n';
  out.flush();
  if (!out) {
    error = path + ": cannot write the file";
    return false;
  }
  return true;
}

}  // namespace studyhost::session
