// What must hold after every call a study gets, checked while a test drives
// it: every drawing request is one the host can read and place (whole record,
// add mode, finite prices), a study never changes or deletes another
// instance's drawings or menu entries, nor changes a drawing of its own that
// the host removed at a full recalculation, the host never hands out one
// identifier twice, and the API key shows nowhere a person can read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "studyhost/runtime/call_observer.h"
#include "studyhost/runtime/host.h"

namespace studyhost::validate {

class InvariantChecker {
 public:
  explicit InvariantChecker(Host& host);
  InvariantChecker(const InvariantChecker&) = delete;
  InvariantChecker& operator=(const InvariantChecker&) = delete;

  // Becomes the host's call observer: the requests are checked as the study
  // makes them, and the chart before every study call.
  void attach();

  // Checks what the host holds now; a `step` names where the test was.
  void check_now(const std::string& step = "");
  // The API keys the studies hold now; none of them may be shown. Texts too
  // short or too common to be a key ("Unset") are not looked for.
  void set_secrets(std::vector<std::string> keys);
  // Names the step the following calls belong to.
  void set_step(std::string step) { step_ = std::move(step); }

  // What failed, each fault once, with a count of the repeats.
  std::vector<std::string> failures() const;
  bool failed() const { return !failures_.empty(); }
  void fail(const std::string& what);

  std::size_t drawings_of(std::int32_t instance) const;
  std::size_t menu_entries_of(std::int32_t instance) const;
  // Updates sent for identifiers that no longer existed (the host made new
  // drawings of them).
  std::size_t stale_updates() const { return stale_updates_; }
  std::size_t study_calls() const { return study_calls_; }
  // The most drawings the chart held at one check.
  std::size_t most_drawings() const { return most_drawings_; }

 private:
  void observe(const HostCall& call);
  void check_drawing_request(const HostCall& call);
  void check_delete(const HostCall& call);
  void check_menu_change(const HostCall& call);
  void check_text(const std::string& text, const char* where);
  bool live_instance(std::int32_t id) const;

  Host& host_;
  std::vector<std::string> secrets_;
  std::string step_;
  std::string last_call_;
  std::map<std::int32_t, std::int32_t> owners_;  // live drawing -> instance that made it
  // Drawings the host removed itself, at a full recalculation, and the
  // instance that made each. Identifiers are never given out again in a run.
  std::map<std::int32_t, std::int32_t> removed_by_host_;
  std::map<std::int32_t, std::size_t> log_lines_checked_;
  std::vector<std::string> failures_;
  std::set<std::string> reported_;
  std::size_t repeats_ = 0;
  std::size_t stale_updates_ = 0;
  std::size_t study_calls_ = 0;
  std::size_t most_drawings_ = 0;
};

}  // namespace studyhost::validate
