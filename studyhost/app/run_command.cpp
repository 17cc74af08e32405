// `studyhost run`: one study on one chart, from the defaults call to the
// outputs.
#include <cmath>
#include <memory>
#include <utility>
#include <vector>

#include "studyhost/app/commands.h"
#include "studyhost/app/service_connection.h"
#include "studyhost/app/trace_log.h"
#include "studyhost/render/renderer.h"
#include "studyhost/runtime/chart_picture.h"
#include "studyhost/runtime/host.h"
#include "studyhost/runtime/library_loader.h"
#include "studyhost/runtime/redact.h"
#include "studyhost/runtime/value_text.h"
#include "studyhost/session/bars_csv.h"
#include "studyhost/session/download_wait.h"
#include "studyhost/session/dump_json.h"
#include "studyhost/session/input_assign.h"
#include "studyhost/session/study_report.h"

namespace studyhost::app {
namespace {

constexpr double kMicrosPerHour = 3600.0 * 1e6;
// Time-zone offsets beyond a day either way are typing mistakes.
constexpr double kMaxTimeZoneHours = 24.0;

void report(std::ostream& err, const std::string& line) {
  err << "studyhost: " << line << '\n';
}

// Reports a failure that ends the command.
int failed(std::ostream& err, const std::string& line) {
  report(err, line);
  return 1;
}

// The entry with this text (separators have none), chosen with one call.
bool choose_menu_text(Host& host, const std::string& text, std::string& error) {
  for (const MenuEntry& entry : host.menu()) {
    if (entry.separator || entry.text != text) continue;
    host.choose_menu(entry.id);
    return true;
  }
  error = "no menu entry \"" + text + "\"; the menu holds: ";
  bool first = true;
  for (const MenuEntry& entry : host.menu()) {
    if (entry.separator) continue;
    error += (first ? "\"" : ", \"") + entry.text + "\"";
    first = false;
  }
  if (first) error += "no entries";
  return false;
}

// One line for each study whose request has not ended in a published
// response: the study, the URL (api_key as ***) and what became of it;
// `still_running` says it of a transfer in flight. False when there is none.
bool report_unfinished_requests(Host& host, const std::string& still_running, std::ostream& err) {
  bool any = false;
  for (StudyInstance* study : host.instances()) {
    HttpSlot& http = study->http();
    if (!http.pending()) continue;
    report(err,
           session::study_display_name(*study) + ": request " + redact_url(http.pending_url()) +
               " " +
               (http.completed() ? "answered but never delivered to the study" : still_running));
    any = true;
  }
  return any;
}

// One line about the first option out of range, or empty.
std::string option_problem(const RunOptions& o) {
  if (!std::isfinite(o.tz_offset_hours) || std::abs(o.tz_offset_hours) > kMaxTimeZoneHours) {
    return "--tz-offset must be a number of hours from -24 to 24";
  }
  if (!std::isfinite(o.price_increment) || o.price_increment < 0.0f) {
    return "--price-increment must be a number of 0 or more";
  }
  if (o.value_format < 0 || o.value_format > kMaxValueDecimals) {
    return "--value-format must be from 0 to 9";
  }
  if (o.replay < 0) return "--replay must be 0 or more";
  return std::string();
}

}  // namespace

int run_command(const RunOptions& options, std::ostream& out, std::ostream& err) {
  if (const std::string problem = option_problem(options); !problem.empty()) {
    return failed(err, problem);
  }
  std::vector<Bar> bars;
  std::string error;
  if (!session::load_bars_csv(options.bars, bars, error)) return failed(err, error);
  // The chart shows the bars in its own time zone, as the platform shows a
  // chart's data: each bar's time moves by the offset. A price map dated D
  // applies from midnight of D in that time.
  const std::int64_t tz_offset = std::llround(options.tz_offset_hours * kMicrosPerHour);
  for (Bar& bar : bars) bar.datetime = shift_date_time(bar.datetime, tz_offset);
  if (static_cast<std::size_t>(options.replay) >= bars.size()) {
    return failed(err, "--replay " + std::to_string(options.replay) +
                           " leaves no bar to start the chart with (" +
                           std::to_string(bars.size()) + " bars)");
  }
  auto library = StudyLibrary::load(options.library, &error);
  if (!library) return failed(err, error);
  ServiceConnection service;
  if (!service.open(options.service, std::string(), error)) return failed(err, error);

  // The trace outlives the host, so the last call at the host's end is in it.
  TraceLog trace;
  if (!options.trace.empty() && !trace.open(options.trace, error)) return failed(err, error);

  const bool progress = session::stderr_is_terminal();
  int status = 0;
  {
    auto host = std::make_unique<Host>(service.transport());
    ChartSettings& settings = host->settings();
    settings.chart_number = options.chart_number;
    settings.price_increment = options.price_increment;
    settings.value_format = options.value_format;
    if (!options.trace.empty()) host->set_observer(trace.observer());

    const auto replayed = static_cast<std::ptrdiff_t>(options.replay);
    std::vector<Bar> later(bars.end() - replayed, bars.end());
    bars.resize(bars.size() - static_cast<std::size_t>(replayed));
    host->set_bars(std::move(bars));

    StudyInstance& study = host->add_study(*library);
    // Inputs by name are set as in the settings dialog before the study
    // runs. Inputs by number (the way to an input without a name) are set
    // from outside once the study's state exists, as the host would, and a
    // full recalculation follows; the number is checked now.
    std::vector<std::pair<std::int32_t, std::string>> numbered;
    for (const std::string& assignment : options.inputs) {
      std::string name, value;
      if (!session::split_assignment(assignment, name, value)) {
        return failed(err, "--input takes NAME=VALUE or NUMBER=VALUE, not \"" + assignment + "\"");
      }
      std::int32_t number = 0;
      if (session::input_number(name, number)) {
        if (!session::input_number_declared(study, number, error)) return failed(err, error);
        numbered.emplace_back(number, std::move(value));
        continue;
      }
      if (!session::assign_input(study, name, value, error)) return failed(err, error);
    }

    // A run whose study still waits for a response has not shown what the
    // study does: that is a failure, named by study and URL.
    bool unfinished_reported = false;
    auto settle = [&] {
      if (session::wait_for_downloads(*host, options.download_wait, err, progress)) return true;
      const std::string waited =
          "still running after " +
          std::to_string(
              std::chrono::duration_cast<std::chrono::seconds>(options.download_wait).count()) +
          " s (" + service.description() + ")";
      // The transfer may have ended since the wait gave up.
      if (!report_unfinished_requests(*host, waited, err)) report(err, "downloads " + waited);
      unfinished_reported = true;
      status = 1;
      return false;
    };

    host->full_recalculation();
    bool settled = settle();
    if (settled && !numbered.empty()) {
      for (const auto& [number, value] : numbered) {
        if (!session::assign_input_number(study, number, value, error)) return failed(err, error);
      }
      host->full_recalculation();
      settled = settle();
    }
    if (settled && options.recalc) {
      host->full_recalculation();
      settled = settle();
    }
    for (std::size_t i = 0; settled && i < later.size(); ++i) {
      host->add_bar(later[i]);
      settled = settle();
    }
    for (std::size_t i = 0; settled && i < options.menus.size(); ++i) {
      if (!choose_menu_text(*host, options.menus[i], error)) return failed(err, error);
      settled = settle();
    }

    if (!unfinished_reported && report_unfinished_requests(*host, "never completed", err)) {
      status = 1;
    }

    // Written even after a time-out: what the host holds then is what
    // explains it.
    if (!options.dump.empty() &&
        !session::write_json_file(options.dump, session::dump_study(*host, study), error)) {
      report(err, error);
      status = 1;
    }
    if (!options.png.empty() || !options.svg.empty()) {
      const ChartPicture picture = picture_of(*host, host::text_of(study.record().study_name));
      RenderOptions render;
      render.width = options.width;
      render.height = options.height;
      render.visible_bars = options.visible_bars;
      if (!options.png.empty() && !render_png(picture, render, options.png, error)) {
        report(err, error);
        status = 1;
      }
      if (!options.svg.empty() && !render_svg(picture, render, options.svg, error)) {
        report(err, error);
        status = 1;
      }
    }
    if (!options.quiet) session::print_study_report(out, *host, study);
  }
  if (!trace.close(error)) {
    report(err, error);
    status = 1;
  }
  return status;
}

}  // namespace studyhost::app
