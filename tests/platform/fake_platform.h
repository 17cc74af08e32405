// A fake of the charting platform for the bridge's tests: it keeps a chart of
// bars and the studies on it, hands each study its own s_sc of the stand-in
// SDK, and calls the study functions as the platform does (the defaults call,
// full recalculations bar by bar or in one call, updates, the call that
// delivers an HTTP response, menu choices and the last call). It keeps what
// the studies asked of it: drawings by line number, menu entries, log lines,
// requests, persistent cells and the subgraph values.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "sierrachart.h"

namespace fake_platform {

using StudyFunction = void (*)(SCStudyInterfaceRef);

struct MenuItem {
  std::string text;
  bool separator = false;
  int checked = 0;
};

// Lets a subgraph's values be made on first use.
struct ValuesHandle {
  struct Study* study;
  int index;
};

struct Study {
  s_sc sc;
  StudyFunction function = nullptr;
  std::vector<s_SCInput_145> inputs = std::vector<s_SCInput_145>(128);
  std::vector<s_SCSubgraph_260> subgraphs = std::vector<s_SCSubgraph_260>(60);
  std::vector<std::vector<float>> values = std::vector<std::vector<float>>(60);
  std::vector<ValuesHandle> values_handles = std::vector<ValuesHandle>(60);
  std::size_t attached_bars = static_cast<std::size_t>(-1);
  // The keys studies use are small: their cells sit in arrays, as a host
  // that answers on every call keeps them.
  std::array<int, 64> small_ints{};
  std::map<int, int> ints;
  std::map<int, void*> pointers;
  std::map<int, s_UseTool> drawings;
  std::map<int, MenuItem> menu;
  std::vector<std::string> log;
  std::vector<std::string> requests;
  bool request_in_flight = false;
  int request_id = 0;  // of the last accepted request
  double time_zone_offset_days = 0.0;
};

class FakePlatform {
 public:
  explicit FakePlatform(std::vector<SCDateTime> bars);
  ~FakePlatform();  // the studies still on the chart get their last call

  // Adds a study to the chart: its defaults call.
  Study& add_study(StudyFunction function);
  // The last call; the study's drawings and menu entries go with it. Returns
  // the study's persistent pointers as the last call left them.
  std::map<int, void*> remove_study(Study& study);

  // The platform removes the study's drawings, then calls it for every bar
  // (per-bar calling) or once.
  void full_recalculation(Study& study);
  // A new bar: an update from the previous last bar.
  void add_bar(SCDateTime time);
  // A new tick: an update of the last bar.
  void update_last_bar(Study& study);
  // The pending request completes with `body`; the study is called to read
  // it, with the request's identifier.
  void respond(Study& study, const std::string& body);
  // The user chooses a menu entry: the study is called with it once.
  void choose_menu(Study& study, int id);

  const std::vector<SCDateTime>& bars() const { return bars_; }
  std::size_t studies() const { return studies_.size(); }

 private:
  void call(Study& study);
  void update(Study& study, int first_changed);
  void attach_arrays(Study& study);

  std::vector<SCDateTime> bars_;
  std::vector<std::unique_ptr<Study>> studies_;
};

}  // namespace fake_platform
