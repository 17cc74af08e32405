// `studyhost demo`: both studies on the bundled ES bars, their levels served
// from the bundled responses by the mock service, drawn to PNG and SVG, and
// the price map study once more in per-period mode.
#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>
#include <utility>
#include <vector>

#include "studyhost/app/commands.h"
#include "studyhost/app/service_connection.h"
#include "studyhost/render/renderer.h"
#include "studyhost/runtime/chart_picture.h"
#include "studyhost/runtime/host.h"
#include "studyhost/runtime/library_loader.h"
#include "studyhost/session/bars_csv.h"
#include "studyhost/session/download_wait.h"
#include "studyhost/session/input_assign.h"
#include "studyhost/session/study_report.h"

#ifndef QLX_SOURCE_DATA_DIR
#define QLX_SOURCE_DATA_DIR ""
#endif
#ifndef QLX_PRICEMAP_LIBRARY
#define QLX_PRICEMAP_LIBRARY ""
#endif
#ifndef QLX_TIMEFRAME_LIBRARY
#define QLX_TIMEFRAME_LIBRARY ""
#endif

namespace studyhost::app {
namespace {

namespace fs = std::filesystem;

// The key the demo's mock service accepts, and the instrument it serves.
constexpr const char* kDemoApiKey = "demo-key";
constexpr const char* kDemoSymbol = "ES";
constexpr const char* kDemoAssetClass = "Futures";
constexpr const char* kDemoBars = "bars/es_5min.csv";
constexpr const char* kDemoLevels = "levels";

// The price map study's period mode (an input without a name) and the value
// that draws each day with its own price map.
constexpr std::int32_t kPeriodModeInput = 36;
constexpr const char* kPerPeriodMode = "2";

// One chart of the demo: which studies, how many of the last bars it shows,
// the inputs set by name besides the instrument's, and the inputs the host
// sets from outside by number once the studies have run (a full
// recalculation follows).
struct DemoChart {
  std::string file_stem;
  std::string title;
  std::vector<std::string> libraries;
  std::int32_t visible_bars;
  std::vector<std::pair<std::string, std::string>> extra_inputs;
  std::vector<std::pair<std::int32_t, std::string>> outside_inputs;
};

int failed(std::ostream& err, const std::string& line) {
  err << "studyhost: " << line << '\n';
  return 1;
}

// How many of the last bars lie on the last `days` calendar days of the
// chart, from one hour into the first of them: the labels of the day before
// end at midnight and would peek in at the left edge.
std::int32_t bars_of_last_days(const std::vector<Bar>& bars, std::int64_t days) {
  if (bars.empty()) return 0;
  constexpr std::int64_t kMicrosPerHour = host::kMicrosPerDay / 24;
  const std::int64_t first_day = bars.back().datetime / host::kMicrosPerDay - (days - 1);
  const std::int64_t from = first_day * host::kMicrosPerDay + kMicrosPerHour;
  const auto first =
      std::find_if(bars.begin(), bars.end(), [&](const Bar& bar) { return bar.datetime >= from; });
  return static_cast<std::int32_t>(bars.end() - first);
}

}  // namespace

int demo_command(const DemoOptions& options, std::ostream& out, std::ostream& err) {
  const fs::path data =
      options.data_dir.empty() ? fs::path(QLX_SOURCE_DATA_DIR) : fs::path(options.data_dir);
  const std::string pricemap_path =
      options.pricemap_library.empty() ? QLX_PRICEMAP_LIBRARY : options.pricemap_library;
  const std::string timeframe_path =
      options.timeframe_library.empty() ? QLX_TIMEFRAME_LIBRARY : options.timeframe_library;
  if (data.empty()) return failed(err, "no data folder known; give one with --data");

  std::vector<Bar> bars;
  std::string error;
  if (!session::load_bars_csv((data / kDemoBars).string(), bars, error)) return failed(err, error);
  if (pricemap_path.empty() || timeframe_path.empty()) {
    return failed(err,
                  "the study libraries were not built with this command; give them with "
                  "--pricemap-library and --timeframe-library");
  }
  auto pricemap = StudyLibrary::load(pricemap_path, &error);
  if (!pricemap) return failed(err, error);
  auto timeframe = StudyLibrary::load(timeframe_path, &error);
  if (!timeframe) return failed(err, error);

  std::error_code ec;
  fs::create_directories(options.output_dir, ec);
  if (ec || !fs::is_directory(options.output_dir)) {
    return failed(err, options.output_dir + ": cannot make the output folder");
  }
  ServiceConnection service;
  if (!service.open((data / kDemoLevels).string(), kDemoApiKey, error)) return failed(err, error);
  out << "Level data: " << service.description() << "\n\n";

  const std::map<std::string, const StudyLibrary*> libraries = {{"pricemap", pricemap.get()},
                                                                {"timeframe", timeframe.get()}};
  // A day and a half of 5-minute bars shows the daily price map's levels
  // with room to read them; the timeframe structure needs a week or more to
  // show its previous sessions, weeks and months stepping. Per-period mode
  // draws each day with that day's price map, so its chart shows four days,
  // each labelled.
  const std::vector<DemoChart> charts = {
      {"pricemap_overlay", "ES 5 min  QLX PRICEMAP OVERLAY", {"pricemap"}, 420, {}, {}},
      {"timeframe_structure", "ES 5 min  QLX TIMEFRAME STRUCTURE", {"timeframe"}, 0, {}, {}},
      {"pricemap_overlay_per_period",
       "ES 5 min  QLX PRICEMAP OVERLAY  per-period mode: each day with its own price map",
       {"pricemap"},
       bars_of_last_days(bars, 4),
       {{"Show Price Labels", "All"}},
       {{kPeriodModeInput, kPerPeriodMode}}},
  };
  const bool progress = session::stderr_is_terminal();
  int status = 0;
  for (const DemoChart& chart : charts) {
    Host host(service.transport());
    host.set_bars(bars);
    std::vector<StudyInstance*> studies;
    for (const std::string& key : chart.libraries) {
      StudyInstance& study = host.add_study(*libraries.at(key));
      std::vector<std::pair<std::string, std::string>> inputs = {
          {"Asset Class", kDemoAssetClass}, {"Symbol", kDemoSymbol}, {"API Key", kDemoApiKey}};
      inputs.insert(inputs.end(), chart.extra_inputs.begin(), chart.extra_inputs.end());
      for (const auto& [name, value] : inputs) {
        if (!session::assign_input(study, name, value, error)) return failed(err, error);
      }
      studies.push_back(&study);
    }
    auto recalculate = [&] {
      host.full_recalculation();
      if (session::wait_for_downloads(host, options.download_wait, err, progress)) return true;
      failed(err, chart.file_stem + ": downloads still running after the wait");
      status = 1;
      return false;
    };
    if (recalculate() && !chart.outside_inputs.empty()) {
      for (StudyInstance* study : studies) {
        for (const auto& [number, value] : chart.outside_inputs) {
          if (!session::assign_input_number(*study, number, value, error))
            return failed(err, error);
        }
      }
      recalculate();
    }
    const ChartPicture picture = picture_of(host, chart.title);
    RenderOptions render;
    render.width = options.width;
    render.height = options.height;
    render.visible_bars = chart.visible_bars;
    const fs::path png = fs::absolute(fs::path(options.output_dir) / (chart.file_stem + ".png"));
    const fs::path svg = fs::absolute(fs::path(options.output_dir) / (chart.file_stem + ".svg"));
    if (!render_png(picture, render, png.string(), error) ||
        !render_svg(picture, render, svg.string(), error)) {
      return failed(err, error);
    }
    for (const StudyInstance* study : studies) session::print_study_report(out, host, *study);
    out << "  chart: " << png.string() << "\n         " << svg.string() << "\n\n";
  }
  return status;
}

}  // namespace studyhost::app
