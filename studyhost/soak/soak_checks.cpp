#include "studyhost/soak/soak_checks.h"

#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "host/input_slot.h"

namespace studyhost::soak {
namespace {

// Enough to see what went wrong; a fault on every step would fill the report.
constexpr std::size_t kMaxFailures = 40;
// What a drawing costs the host beyond its record: the map node and its texts.
constexpr std::size_t kDrawingOverhead = 64;
// What one kept line costs beyond its characters (as the validator counts).
constexpr std::size_t kLineOverhead = 32;

// A key as a URL's query carries it: every byte but A-Z a-z 0-9 - . _ ~ as
// %XX, as a client must send it. Written here on its own rather than taken
// from the client, so the watch still finds the key as sent if the client's
// encoding ever goes wrong.
std::string url_encoded(std::string_view text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    const bool plain = (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
                       (byte >= '0' && byte <= '9') || c == '-' || c == '.' || c == '_' || c == '~';
    if (plain) {
      out.push_back(c);
    } else {
      out.push_back('%');
      out.push_back(kHex[byte >> 4]);
      out.push_back(kHex[byte & 0x0F]);
    }
  }
  return out;
}

bool owns(const host::HostString& s) {
  return s.owns != 0 && s.text != nullptr;
}

}  // namespace

std::size_t resident_bytes() {
  malloc_trim(0);
  std::ifstream statm("/proc/self/statm");
  std::size_t pages = 0, resident = 0;
  if (!(statm >> pages >> resident)) return 0;
  return resident * static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
}

std::size_t peak_resident_bytes() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmHWM:", 0) != 0) continue;
    std::istringstream fields(line.substr(6));
    std::size_t kib = 0;
    fields >> kib;
    return kib * 1024;
  }
  return 0;
}

// Counted by capacity, not size: an array that grows one bar at a time holds
// up to twice what it uses, and that room is the chart's, not a leak.
std::size_t chart_data_bytes(const Host& host) {
  std::size_t bytes = host.bars().capacity() * (sizeof(Bar) + sizeof(std::int64_t));
  for (StudyInstance* instance : host.instances()) {
    for (std::int32_t i = 0; i < kSubgraphSlots; ++i) {
      bytes += instance->subgraph_values(i).capacity() * sizeof(float);
    }
  }
  for (const auto& [id, drawing] : host.drawings()) {
    bytes += sizeof(DrawingState) + kDrawingOverhead + drawing.text.capacity();
  }
  return bytes;
}

std::size_t host_record_bytes(const Host& host) {
  std::size_t bytes = 0;
  for (const StudyInstance* instance : host.instances()) {
    bytes += (instance->log().capacity() + instance->requests().capacity()) * sizeof(std::string);
    for (const std::string& line : instance->log()) bytes += line.capacity() + kLineOverhead;
    for (const std::string& url : instance->requests()) bytes += url.capacity() + kLineOverhead;
  }
  return bytes;
}

std::size_t held_host_strings(StudyInstance& instance) {
  std::size_t count = 0;
  const host::StudyInterface& record = instance.record();
  count += owns(record.study_name) ? 1 : 0;
  count += owns(record.second_display_text) ? 1 : 0;
  for (std::int32_t i = 0; i < kInputSlots; ++i) {
    const host::InputSlot& slot = instance.input(i);
    count += owns(slot.name) ? 1 : 0;
    count += host::is_text_kind(slot.kind) && slot.value[0] != 0 && slot.text != nullptr ? 1 : 0;
  }
  for (std::int32_t i = 0; i < kSubgraphSlots; ++i) {
    const host::SubgraphSlot& slot = instance.subgraph(i);
    count += owns(slot.name) ? 1 : 0;
    count += owns(slot.short_label) ? 1 : 0;
  }
  return count;
}

void SecretWatch::add_key(const std::string& key) {
  secrets_.push_back(key);
  const std::string sent = url_encoded(key);
  if (sent != key) secrets_.push_back(sent);
}

bool SecretWatch::shown_in(std::string_view text) const {
  for (const std::string& secret : secrets_) {
    if (text.find(secret) != std::string_view::npos) return true;
  }
  return false;
}

std::string SecretWatch::masked(std::string text) const {
  // The longer forms first, so a key as sent is hidden whole.
  std::vector<std::string> longest_first = secrets_;
  std::sort(longest_first.begin(), longest_first.end(),
            [](const std::string& a, const std::string& b) { return a.size() > b.size(); });
  for (const std::string& secret : longest_first) {
    for (std::size_t at = text.find(secret); at != std::string::npos;
         at = text.find(secret, at + 3)) {
      text.replace(at, secret.size(), "***");
    }
  }
  return text;
}

void FailureLog::set_step(std::uint64_t number, std::string what) {
  step_ = number;
  what_ = std::move(what);
}

void FailureLog::fail(const std::string& kind, const std::string& detail) {
  if (!kinds_.insert(kind).second || lines_.size() >= kMaxFailures) {
    ++repeats_;
    return;
  }
  lines_.push_back("step " + std::to_string(step_) + " (" + what_ + "): " + kind +
                   (detail.empty() ? "" : ": " + detail));
}

std::vector<std::string> FailureLog::lines() const {
  std::vector<std::string> all = lines_;
  if (repeats_ > 0) {
    all.push_back("... and " + std::to_string(repeats_) + " more of the same or later");
  }
  return all;
}

}  // namespace studyhost::soak
