#include "studyhost/runtime/scripted_transport.h"

namespace studyhost {

void ScriptedTransport::respond(const std::string& url_prefix, std::string body, long status) {
  std::lock_guard lock(mutex_);
  scripts_.push_back(Script{url_prefix, HttpResult{true, status, std::move(body), {}}});
}

void ScriptedTransport::fail(const std::string& url_prefix, std::string error) {
  std::lock_guard lock(mutex_);
  scripts_.push_back(Script{url_prefix, HttpResult{false, 0, {}, std::move(error)}});
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
  {
    std::lock_guard lock(mutex_);
    requests_.push_back(url);
    ++waiting_;
  }
  const bool passed = gate_.pass();
  std::lock_guard lock(mutex_);
  --waiting_;
  if (!passed) return HttpResult{false, 0, {}, "cancelled"};
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
