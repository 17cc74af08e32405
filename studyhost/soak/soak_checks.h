// The measures a soak takes of the process and of what the host holds, and
// the record of what failed at which step.
#pragma once

#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "studyhost/runtime/host.h"

namespace studyhost::soak {

// Resident bytes of this process now, after the allocator has handed its
// free pages back, so the figure follows what is in use; 0 when unknown.
std::size_t resident_bytes();
// The most this process has held resident; 0 when unknown.
std::size_t peak_resident_bytes();

// Bytes of the chart's own data: bars, their date-times, every instance's
// values per bar and the drawings (a chart that grows needs them).
std::size_t chart_data_bytes(const Host& host);
// Bytes of the records the host keeps by design: every instance's message
// log and requested URLs.
std::size_t host_record_bytes(const Host& host);

// The host strings the host holds for an instance with a buffer of their
// own: the study's name texts, input names and texts, subgraph names and
// labels.
std::size_t held_host_strings(StudyInstance& instance);

// Texts that must never be shown: each key as typed and as sent in a URL.
class SecretWatch {
 public:
  void add_key(const std::string& key);
  // Whether any secret is in `text`.
  bool shown_in(std::string_view text) const;
  // `text` with every secret replaced by ***.
  std::string masked(std::string text) const;
  const std::vector<std::string>& secrets() const { return secrets_; }

 private:
  std::vector<std::string> secrets_;
};

// Failures by the step they happened at. Each fault is kept once, the first
// time it shows, with a count of the repeats.
class FailureLog {
 public:
  void set_step(std::uint64_t number, std::string what);
  std::uint64_t step() const { return step_; }
  const std::string& step_what() const { return what_; }
  // `kind` names the fault for de-duplication; `detail` says what was seen.
  void fail(const std::string& kind, const std::string& detail);
  std::vector<std::string> lines() const;
  bool any() const { return !lines_.empty(); }

 private:
  std::uint64_t step_ = 0;
  std::string what_;
  std::set<std::string> kinds_;
  std::vector<std::string> lines_;
  std::size_t repeats_ = 0;
};

}  // namespace studyhost::soak
