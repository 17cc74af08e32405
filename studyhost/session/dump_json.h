// Everything the host holds for one study at the end of a run, as JSON.
#pragma once

#include <string>

#include <nlohmann/json.hpp>

#include "studyhost/runtime/host.h"
#include "studyhost/runtime/study_instance.h"

namespace studyhost::session {

// A float as JSON: the shortest decimal that reads back as the same float, or
// null when it is not finite (JSON has no NaN or infinity).
nlohmann::ordered_json float_json(float value);

// The drawing with every field still at its unset marker left out.
nlohmann::ordered_json drawing_json(const DrawingState& drawing);

// {"study", "bar_count", "drawings", "subgraphs", "inputs", "menu", "log",
// "requests"}: the study's drawings, listed subgraphs with one value per bar,
// declared inputs, menu entries, message log and requested URLs. The API key
// shows as *** wherever it would appear.
// Without `values` each subgraph leaves out its values per bar.
nlohmann::ordered_json dump_study(const Host& host, StudyInstance& instance, bool values = true);

// Writes the JSON to `path`; false with one line in `error` when it cannot.
bool write_json_file(const std::string& path, const nlohmann::ordered_json& json,
                     std::string& error);

}  // namespace studyhost::session
