// Work that runs when the scope it guards is left, however it is left: what
// the bridge must have done after a call even when the call threw.
#pragma once

#include <utility>

namespace qlx_platform {

template <typename Work>
class ScopeExit {
 public:
  explicit ScopeExit(Work work) : work_(std::move(work)) {}
  ~ScopeExit() { work_(); }
  ScopeExit(const ScopeExit&) = delete;
  ScopeExit& operator=(const ScopeExit&) = delete;

 private:
  Work work_;
};

}  // namespace qlx_platform
