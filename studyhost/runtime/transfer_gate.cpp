#include "studyhost/runtime/transfer_gate.h"

namespace studyhost {

void TransferGate::hold() {
  std::lock_guard lock(mutex_);
  held_ = true;
  cancelled_ = false;
}

void TransferGate::release() {
  {
    std::lock_guard lock(mutex_);
    held_ = false;
  }
  released_.notify_all();
}

void TransferGate::cancel() {
  {
    std::lock_guard lock(mutex_);
    cancelled_ = true;
  }
  released_.notify_all();
}

bool TransferGate::pass() {
  std::unique_lock lock(mutex_);
  released_.wait(lock, [this] { return !held_ || cancelled_; });
  return !held_;
}

}  // namespace studyhost
