#include "studyhost/mock_service/fault_plan.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace studyhost {
namespace {

constexpr const char* kNames[kServiceFaultKinds] = {
    "http500", "http401", "drop", "slow", "truncated", "garbage", "zerobyte", "delay",
};

// A slow body ends this long after the client gave up, at most.
constexpr std::chrono::milliseconds kLongestOverrun{2000};
constexpr std::chrono::milliseconds kLongestDelay{1000};
// A probability sum this close above 1 is rounding in the text, not a mistake.
constexpr double kSumTolerance = 1e-9;

std::uint64_t mix(std::uint64_t x) {
  // splitmix64's finaliser: every input bit reaches every output bit.
  x += 0x9E3779B97F4A7C15ull;
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
  return x ^ (x >> 31);
}

std::uint64_t text_hash(std::string_view text) {
  std::uint64_t h = 0xCBF29CE484222325ull;  // FNV-1a
  for (const char c : text) {
    h ^= static_cast<unsigned char>(c);
    h *= 0x100000001B3ull;
  }
  return h;
}

std::string_view trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

bool read_probability(std::string_view text, double& value) {
  const char* end = text.data() + text.size();
  const auto [stop, ec] = std::from_chars(text.data(), end, value);
  return ec == std::errc() && stop == end && std::isfinite(value) && value >= 0.0 && value <= 1.0;
}

std::string all_names() {
  std::string names;
  for (const char* name : kNames) names += (names.empty() ? "" : ", ") + std::string(name);
  return names;
}

}  // namespace

const char* fault_name(ServiceFault fault) {
  const auto i = static_cast<std::size_t>(fault);
  return i < kServiceFaultKinds ? kNames[i] : "none";
}

bool FaultPlan::any() const {
  return std::any_of(probability.begin(), probability.end(), [](double p) { return p > 0.0; });
}

std::chrono::milliseconds FaultPlan::slow_body() const {
  return client_timeout + std::min(client_timeout / 2, kLongestOverrun);
}

std::chrono::milliseconds FaultPlan::delay() const {
  return std::min(client_timeout / 5, kLongestDelay);
}

bool parse_fault_list(std::string_view list, FaultPlan& plan, std::string& error) {
  std::array<double, kServiceFaultKinds> probability{};
  list = trimmed(list);
  if (list.empty() || list == "none") {
    plan.probability = probability;
    return true;
  }
  while (!list.empty()) {
    const std::size_t comma = list.find(',');
    const std::string_view item = trimmed(list.substr(0, comma));
    list = comma == std::string_view::npos ? std::string_view() : list.substr(comma + 1);
    if (item.empty()) {
      error = "--faults: an empty item between commas";
      return false;
    }
    const std::size_t eq = item.find('=');
    const std::string_view name = trimmed(item.substr(0, eq));
    double value = kDefaultFaultProbability;
    if (eq != std::string_view::npos && !read_probability(trimmed(item.substr(eq + 1)), value)) {
      error = "--faults: \"" + std::string(item) + "\": the probability must be from 0 to 1";
      return false;
    }
    if (name == "all") {
      probability.fill(value);
      continue;
    }
    const auto* found = std::find(std::begin(kNames), std::end(kNames), name);
    if (found == std::end(kNames)) {
      error = "--faults: no fault \"" + std::string(name) + "\"; the faults are all, " +
              all_names() + " (each as name=probability)";
      return false;
    }
    if (eq == std::string_view::npos) {
      error = "--faults: \"" + std::string(name) + "\" needs a probability (" + std::string(name) +
              "=0.05)";
      return false;
    }
    probability[static_cast<std::size_t>(found - std::begin(kNames))] = value;
  }
  double sum = 0.0;
  for (const double p : probability) sum += p;
  if (sum > 1.0 + kSumTolerance) {
    char text[32];
    std::snprintf(text, sizeof text, "%.4g", sum);
    error = std::string("--faults: the probabilities add up to ") + text + ", more than 1";
    return false;
  }
  plan.probability = probability;
  return true;
}

std::string fault_list_text(const FaultPlan& plan) {
  std::string text;
  for (std::size_t i = 0; i < kServiceFaultKinds; ++i) {
    if (plan.probability[i] <= 0.0) continue;
    char value[32];
    std::snprintf(value, sizeof value, "%g", plan.probability[i]);
    // Appended piece by piece: GCC 12 at -O3 takes a chain of string sums
    // here for overlapping copies (-Wrestrict), which they are not.
    if (!text.empty()) text += ',';
    text += kNames[i];
    text += '=';
    text += value;
  }
  return text.empty() ? "none" : text;
}

std::uint64_t fault_draw(const FaultPlan& plan, std::string_view target, std::uint64_t nth,
                         std::uint64_t draw) {
  return mix(mix(mix(plan.seed ^ text_hash(target)) + nth) + draw);
}

ServiceFault choose_fault(const FaultPlan& plan, std::string_view target, std::uint64_t nth) {
  if (!plan.any()) return ServiceFault::kNone;
  // 53 bits: every double in [0, 1) that this can give is exact.
  const double u =
      static_cast<double>(fault_draw(plan, target, nth, 0) >> 11) * 0x1.0p-53;  // [0, 1)
  double edge = 0.0;
  for (std::size_t i = 0; i < kServiceFaultKinds; ++i) {
    edge += plan.probability[i];
    if (u < edge) return static_cast<ServiceFault>(i);
  }
  return ServiceFault::kNone;
}

}  // namespace studyhost
