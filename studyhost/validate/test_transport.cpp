#include "studyhost/validate/test_transport.h"

namespace studyhost::validate {

void TestTransport::answer(std::string body) {
  std::lock_guard lock(mutex_);
  result_ = HttpResult{true, 200, std::move(body), {}};
}

void TestTransport::fail(std::string error) {
  std::lock_guard lock(mutex_);
  result_ = HttpResult{false, 0, {}, std::move(error)};
}

void TestTransport::answer_once(std::string body) {
  std::lock_guard lock(mutex_);
  once_ = HttpResult{true, 200, std::move(body), {}};
  has_once_ = true;
}

void TestTransport::hold() {
  std::lock_guard lock(mutex_);
  held_ = true;
  cancelled_ = false;
}

void TestTransport::release() {
  {
    std::lock_guard lock(mutex_);
    held_ = false;
  }
  released_.notify_all();
}

void TestTransport::cancel() {
  {
    std::lock_guard lock(mutex_);
    cancelled_ = true;
  }
  released_.notify_all();
}

std::size_t TestTransport::fetches() const {
  std::lock_guard lock(mutex_);
  return fetches_;
}

HttpResult TestTransport::fetch(const std::string& /*url*/) {
  std::unique_lock lock(mutex_);
  ++fetches_;
  released_.wait(lock, [this] { return !held_ || cancelled_; });
  if (held_) return HttpResult{false, 0, {}, "cancelled"};
  if (has_once_) {
    has_once_ = false;
    return std::move(once_);
  }
  return result_;
}

}  // namespace studyhost::validate
