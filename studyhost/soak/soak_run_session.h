// What the files of the soak run share: the session's state, each soaked
// instance as the soak knows it, and the transport that counts the transfers
// the host takes for failures.
#pragma once

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "studyhost/mock_service/mock_level_service.h"
#include "studyhost/net/curl_transport.h"
#include "studyhost/runtime/host.h"
#include "studyhost/runtime/host_constants.h"
#include "studyhost/runtime/library_loader.h"
#include "studyhost/runtime/transport.h"
#include "studyhost/soak/clean_session.h"
#include "studyhost/soak/soak.h"
#include "studyhost/soak/soak_checks.h"
#include "studyhost/soak/soak_run.h"

namespace studyhost::soak {

// Counts, by URL, the transfers the host will take for failures: no
// complete response, or a body that is empty, starts with a zero byte or is
// past the cap.
class CountingTransport : public Transport {
 public:
  explicit CountingTransport(Transport& inner) : inner_(&inner) {}

  // Fetches from now on go through `inner` (which must outlive this).
  void set_inner(Transport& inner) { inner_.store(&inner); }

  HttpResult fetch(const std::string& url) override {
    HttpResult result = inner_.load()->fetch(url);
    // The host reads a body up to its first zero byte, as a study would.
    const std::size_t text = result.body.find('\0');
    const bool failed = !result.ok || text == 0 || result.body.empty() ||
                        std::min(text, result.body.size()) > kMaxResponseBytes;
    if (failed) {
      std::lock_guard lock(mutex_);
      ++failures_[url];
    }
    return result;
  }
  void cancel() override { inner_.load()->cancel(); }

  // Failed transfers of URLs that hold `text` (an instance's key as sent).
  std::size_t failures_with(const std::string& text) const {
    std::lock_guard lock(mutex_);
    std::size_t count = 0;
    for (const auto& [url, n] : failures_) count += url.find(text) != std::string::npos ? n : 0;
    return count;
  }
  std::size_t failures() const {
    std::lock_guard lock(mutex_);
    std::size_t count = 0;
    for (const auto& entry : failures_) count += entry.second;
    return count;
  }

 private:
  std::atomic<Transport*> inner_;
  mutable std::mutex mutex_;
  std::unordered_map<std::string, std::size_t> failures_;
};

// One soaked instance and what the soak knows of it.
struct SoakRun::Soaked {
  StudyInstance* study = nullptr;
  std::int32_t id = 0;  // the study's, readable while the host removes it
  std::size_t library = 0;
  std::string key;
  std::string key_sent;
  DrivenInputs driven;
  std::size_t study_lines = 0;
  // Full recalculations the study was given: each may end in one status
  // line of its own ("Could not request data" for a Symbol too long to send).
  std::size_t full_recalculations = 0;
  std::size_t host_lines = 0;
  std::size_t log_checked = 0;
  std::chrono::steady_clock::time_point request_started{};
};

struct SoakRun::Session {
  SoakReport report;
  FailureLog failures;
  SecretWatch secrets;
  std::vector<Bar> bars;
  std::vector<std::unique_ptr<StudyLibrary>> libraries;
  std::vector<HeldLimits> limits;  // by library
  // Declared in the order they are built: the host goes before the
  // transports, the transports before the services.
  MockLevelService faulty;
  MockLevelService clean_service;
  std::unique_ptr<CurlTransport> curl;
  std::unique_ptr<CurlTransport> healed;  // the faulty service's, with the host's time-outs
  std::unique_ptr<CountingTransport> counting;
  std::unique_ptr<CurlTransport> clean;
  std::unique_ptr<Host> host;
  // The host as the observer reaches it, also while the host removes its
  // studies as it goes (when `host` is already empty).
  Host* observed = nullptr;
  std::vector<Soaked> soaked;
  std::uint64_t step = 0;
  std::chrono::milliseconds transfer_limit{0};
  // Memory at the end of the warm-up: the process, and what the chart and
  // the host's records explain.
  bool warm = false;
  std::size_t warm_measure = 0;
  std::size_t warm_explained = 0;
};

}  // namespace studyhost::soak
