// One chart and the studies on it: the host's call sequence. Calls happen one
// at a time on the caller's thread; only HTTP transfers run elsewhere.
#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <stdexcept>
#include <thread>
#include <vector>

#include "studyhost/runtime/call_observer.h"
#include "studyhost/runtime/chart.h"
#include "studyhost/runtime/drawing_store.h"
#include "studyhost/runtime/library_loader.h"
#include "studyhost/runtime/menu.h"
#include "studyhost/runtime/study_instance.h"
#include "studyhost/runtime/transport.h"

namespace studyhost {

// A library whose defaults call declared nothing: built for another host.
class NotAStudyForThisHost : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class Host {
 public:
  // The transport must outlive the host.
  explicit Host(Transport& transport);
  // Gives every remaining study its last call, then waits for transfers.
  ~Host();
  Host(const Host&) = delete;
  Host& operator=(const Host&) = delete;

  ChartSettings& settings() { return settings_; }
  const ChartSettings& settings() const { return settings_; }

  // Replaces the bars without calling any study (follow with a full
  // recalculation).
  void set_bars(std::vector<Bar> bars);
  const std::vector<Bar>& bars() const { return bars_; }

  // Adds an instance of the library (which must outlive the host: the host
  // gives remaining studies their last call when it goes) and gives it its
  // defaults call. Throws NotAStudyForThisHost, naming the file, when the
  // defaults call declared nothing (a library built for another host).
  StudyInstance& add_study(const StudyLibrary& library);
  // Its last call; the instance, its drawings and menu entries then go.
  void remove_study(StudyInstance& instance);

  // A full recalculation of every study, or of one: the study's drawings go
  // and its values per bar start at 0 before its first call.
  void full_recalculation();
  void full_recalculation(StudyInstance& instance);

  // Each runs an update of every study (a full recalculation when the chart
  // had no bars).
  void add_bar(const Bar& bar);
  void add_bars(const std::vector<Bar>& bars);
  void change_last_bar(const Bar& bar);
  // An update of the last bar for every study.
  void update_last_bar();

  // Delivers the choice to the entry's owner with an update of the last bar.
  // False when no entry has this identifier.
  bool choose_menu(std::int32_t id);

  // Waits (up to `timeout`) for the transfers in flight, publishes every ended
  // one and runs an update of the last bar for each study that got a
  // response. False when some transfer was still running at the time-out.
  bool deliver_downloads(std::chrono::milliseconds timeout);
  // Repeats deliver_downloads while studies keep requesting (for chained
  // requests), at most kMaxDownloadRounds rounds. False on a time-out.
  bool settle_downloads(std::chrono::milliseconds timeout);
  // Whether any study has a transfer not yet published.
  bool downloads_pending() const;

  const std::map<std::int32_t, DrawingState>& drawings() const { return drawings_.drawings(); }
  const std::vector<MenuEntry>& menu() const { return menu_.entries(); }
  DrawingStore& drawing_store() { return drawings_; }
  Menu& menu_store() { return menu_; }
  std::vector<StudyInstance*> instances() const;

  // Told of every host operation and study call from now on.
  void set_observer(CallObserver observer) { observer_ = std::move(observer); }
  void notify(const HostCall& call) const;
  bool observed() const { return static_cast<bool>(observer_); }

 private:
  void call_study(StudyInstance& instance);
  // What the host clears before a study's full recalculation.
  void start_over(StudyInstance& instance);
  void update(std::int32_t first_changed);
  void update(StudyInstance& instance, std::int32_t first_changed);
  void bars_changed();

  Transport& transport_;
  ChartSettings settings_;
  std::vector<Bar> bars_;
  std::vector<std::int64_t> datetimes_;
  std::vector<std::unique_ptr<StudyInstance>> instances_;
  std::vector<std::thread> retired_transfers_;
  DrawingStore drawings_;
  Menu menu_;
  CallObserver observer_;
  std::int32_t next_instance_id_ = 1;
};

}  // namespace studyhost
