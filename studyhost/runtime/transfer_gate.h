// Holding fetches of a test transport until the test lets them go, so that a
// download stays in flight for as long as the test needs it to.
#pragma once

#include <condition_variable>
#include <mutex>

namespace studyhost {

class TransferGate {
 public:
  // While held, pass() waits until release() or cancel(). cancel() ends held
  // fetches as failures, also ones that arrive later, until hold() again.
  void hold();
  void release();
  void cancel();

  // Called by each fetch before it answers; false when it was cancelled.
  bool pass();

 private:
  std::mutex mutex_;
  std::condition_variable released_;
  bool held_ = false;
  bool cancelled_ = false;
};

}  // namespace studyhost
