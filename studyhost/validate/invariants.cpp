#include "studyhost/validate/invariants.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <iterator>
#include <string_view>

namespace studyhost::validate {
namespace {

// Enough failures to see what went wrong; a study that fails on every call
// would otherwise fill the report.
constexpr std::size_t kMaxFailures = 40;
// Shorter texts turn up in ordinary texts by chance, and a study does not
// look for a key that short in a service's message either.
constexpr std::size_t kShortestSecret = 8;

// The value of `name=` in an operation's argument text, up to the next blank.
std::string_view field(std::string_view arguments, std::string_view name) {
  std::size_t at = 0;
  while (true) {
    at = arguments.find(name, at);
    if (at == std::string_view::npos) return {};
    const bool starts_token = at == 0 || arguments[at - 1] == ' ';
    const std::size_t value = at + name.size();
    if (starts_token && value < arguments.size() && arguments[value] == '=') {
      const std::size_t end = arguments.find(' ', value + 1);
      return arguments.substr(
          value + 1, end == std::string_view::npos ? std::string_view::npos : end - value - 1);
    }
    at = value;
  }
}

std::int64_t number(std::string_view text, std::int64_t otherwise = 0) {
  std::int64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size() ? value : otherwise;
}

// A price as the host's trace writes it: "nan", "-nan", "inf" or "-inf" are
// no place on the chart.
bool finite_text(std::string_view price) {
  return price.find("nan") == std::string_view::npos && price.find("inf") == std::string_view::npos;
}

}  // namespace

InvariantChecker::InvariantChecker(Host& host) : host_(host) {}

void InvariantChecker::set_secrets(std::vector<std::string> keys) {
  secrets_.clear();
  for (std::string& key : keys) {
    if (key.size() >= kShortestSecret && key != "Unset") secrets_.push_back(std::move(key));
  }
}

void InvariantChecker::attach() {
  host_.set_observer([this](const HostCall& call) { observe(call); });
}

void InvariantChecker::fail(const std::string& what) {
  // The first time a fault shows is the one worth reading; the same fault
  // again later only adds to the count.
  if (!reported_.insert(what).second || failures_.size() >= kMaxFailures) {
    ++repeats_;
    return;
  }
  std::string line = what;
  if (!step_.empty()) line += " [" + step_ + "]";
  if (!last_call_.empty()) line += " [last study call: " + last_call_ + "]";
  failures_.push_back(std::move(line));
}

std::vector<std::string> InvariantChecker::failures() const {
  std::vector<std::string> all = failures_;
  if (repeats_ > 0) {
    all.push_back("... and " + std::to_string(repeats_) + " more of the same or later");
  }
  return all;
}

bool InvariantChecker::live_instance(std::int32_t id) const {
  for (const StudyInstance* instance : host_.instances()) {
    if (instance->id() == id) return true;
  }
  return false;
}

void InvariantChecker::check_text(const std::string& text, const char* where) {
  for (const std::string& secret : secrets_) {
    if (text.find(secret) != std::string::npos) {
      fail(std::string("the API key is shown in ") + where);
    }
  }
}

void InvariantChecker::observe(const HostCall& call) {
  if (call.operation == "study_call") {
    check_now();
    last_call_ = "instance " + std::to_string(call.instance) + " " + call.arguments;
    ++study_calls_;
  } else if (call.operation == "use_drawing") {
    check_drawing_request(call);
  } else if (call.operation == "delete_drawing") {
    check_delete(call);
  } else if (call.operation == "menu_set_text" || call.operation == "menu_set_check") {
    check_menu_change(call);
  } else if (call.operation == "add_log" || call.operation == "menu_add") {
    check_text(call.arguments, "the message log or the menu");
  }
}

void InvariantChecker::check_drawing_request(const HostCall& call) {
  const std::string_view arguments = call.arguments;
  const std::int64_t requested = number(field(arguments, "id"), -1);
  const std::int64_t result = number(call.result, 0);
  if (!finite_text(field(arguments, "begin_price")) ||
      !finite_text(field(arguments, "end_price"))) {
    fail("a drawing request carries a price that is not finite (" + call.arguments + ")");
  }
  check_text(call.arguments, "a drawing text");
  if (result <= 0) {
    fail("the host refused a drawing request (wrong record size or add mode): " + call.arguments);
    return;
  }
  const auto id = static_cast<std::int32_t>(result);
  const auto known = owners_.find(id);
  if (known != owners_.end() && known->second != call.instance) {
    if (requested == result) {
      fail("instance " + std::to_string(call.instance) + " changed drawing " + std::to_string(id) +
           " of instance " + std::to_string(known->second));
    } else {
      fail("the host gave out identifier " + std::to_string(id) + " twice");
    }
    return;
  }
  if (requested > 0 && requested != result) {
    ++stale_updates_;
    // The platform removes a study's drawings at every full recalculation
    // as this host does, so an update sent with an identifier from before
    // one no longer finds the drawing it means, and what each host makes of
    // it differs (here a new drawing from only the fields the update sets).
    const auto removed = removed_by_host_.find(static_cast<std::int32_t>(requested));
    if (removed != removed_by_host_.end() && removed->second == call.instance) {
      fail("instance " + std::to_string(call.instance) +
           " sent an update of a drawing that the host removed at a full recalculation: a "
           "study must forget its drawing identifiers then and add its drawings again");
    }
  }
  owners_[id] = call.instance;
}

void InvariantChecker::check_delete(const HostCall& call) {
  if (call.result != "1") return;  // identifier 0 or unknown: nothing happened
  const auto id = static_cast<std::int32_t>(number(field(call.arguments, "id"), 0));
  const auto known = owners_.find(id);
  if (known == owners_.end()) return;
  if (known->second != call.instance) {
    fail("instance " + std::to_string(call.instance) + " deleted drawing " + std::to_string(id) +
         " of instance " + std::to_string(known->second));
  }
  owners_.erase(known);
}

void InvariantChecker::check_menu_change(const HostCall& call) {
  check_text(call.arguments, "a menu entry");
  const auto id = static_cast<std::int32_t>(number(field(call.arguments, "id"), 0));
  for (const MenuEntry& entry : host_.menu()) {
    if (entry.id == id && entry.owner != call.instance) {
      fail("instance " + std::to_string(call.instance) + " changed menu entry " +
           std::to_string(id) + " of instance " + std::to_string(entry.owner));
    }
  }
}

void InvariantChecker::check_now(const std::string& step) {
  const std::string previous = step_;
  if (!step.empty()) step_ = step;
  // Drawings the host removed itself (a full recalculation, a removed study)
  // leave the record of owners here.
  const auto& drawings = host_.drawings();
  most_drawings_ = std::max(most_drawings_, drawings.size());
  for (auto it = owners_.begin(); it != owners_.end();) {
    if (drawings.count(it->first) != 0) {
      ++it;
      continue;
    }
    removed_by_host_.insert(*it);
    it = owners_.erase(it);
  }
  for (const auto& [id, d] : drawings) {
    if ((d.has_begin_price && !std::isfinite(d.begin_price)) ||
        (d.has_end_price && !std::isfinite(d.end_price))) {
      fail("drawing " + std::to_string(id) + " of instance " + std::to_string(d.owner) +
           " has a price that is not finite");
    }
    if (!live_instance(d.owner)) {
      fail("drawing " + std::to_string(id) + " belongs to no study on the chart");
    }
    check_text(d.text, "a drawing text");
  }
  for (const MenuEntry& entry : host_.menu()) {
    if (!live_instance(entry.owner)) {
      fail("menu entry " + std::to_string(entry.id) + " belongs to no study on the chart");
    }
    check_text(entry.text, "a menu entry");
  }
  for (const StudyInstance* instance : host_.instances()) {
    // Only the lines not seen before: a log only grows.
    const auto& log = instance->log();
    std::size_t& checked = log_lines_checked_[instance->id()];
    for (; checked < log.size(); ++checked) check_text(log[checked], "the message log");
  }
  step_ = previous;
}

std::size_t InvariantChecker::drawings_of(std::int32_t instance) const {
  std::size_t count = 0;
  for (const auto& [id, d] : host_.drawings()) count += d.owner == instance ? 1 : 0;
  return count;
}

std::size_t InvariantChecker::menu_entries_of(std::int32_t instance) const {
  std::size_t count = 0;
  for (const MenuEntry& entry : host_.menu()) count += entry.owner == instance ? 1 : 0;
  return count;
}

}  // namespace studyhost::validate
