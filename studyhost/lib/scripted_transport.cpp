#include "studyhost/lib/scripted_transport.h"

namespace studyhost {

void ScriptedTransport::respond(const std::string& url_prefix, std::string body, long status) {
  std::lock_guard lock(mutex_);
  scripts_.push_back(Script{url_prefix, HttpResult{true, status, std::move(body), {}}});
}

void ScriptedTransport::fail(const std::string& url_prefix, std::string error) {
  std::lock_guard lock(mutex_);
  scripts_.push_back(Script{url_prefix, HttpResult{false, 0, {}, std::move(error)}});
}

void ScriptedTransport::hold() {
  std::lock_guard lock(mutex_);
  held_ = true;
  cancelled_ = false;
}

void ScriptedTransport::release() {
  {
    std::lock_guard lock(mutex_);
    held_ = false;
  }
  released_.notify_all();
}

void ScriptedTransport::cancel() {
  {
    std::lock_guard lock(mutex_);
    cancelled_ = true;
  }
  released_.notify_all();
}

std::vector<std::string> ScriptedTransport::requests() const {
  std::lock_guard lock(mutex_);
  return requests_;
}

int ScriptedTransport::waiting() const {
  std::lock_guard lock(mutex_);
  return waiting_;
}

HttpResult ScriptedTransport::fetch(const std::string& url) {
  std::unique_lock lock(mutex_);
  requests_.push_back(url);
  ++waiting_;
  released_.wait(lock, [this] { return !held_ || cancelled_; });
  --waiting_;
  if (held_) return HttpResult{false, 0, {}, "cancelled"};
  // Later scripts win over earlier ones with an equally long prefix.
  const Script* best = nullptr;
  for (const auto& script : scripts_) {
    if (url.compare(0, script.prefix.size(), script.prefix) == 0 &&
        (best == nullptr || script.prefix.size() >= best->prefix.size())) {
      best = &script;
    }
  }
  if (best == nullptr) return HttpResult{false, 0, {}, "no scripted response"};
  return best->result;
}

}  // namespace studyhost
