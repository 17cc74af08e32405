// Faults the mock level data service answers with on purpose, so a client
// can be tried against a service that has a bad minute; kFaultKindsHelp
// below says what each kind does.
//
// Which fault a request gets is decided from the seed, the request target and
// how many requests for that target came before, never from timing: clients
// that ask at the same moment reach the service in any order, but each
// client's own sequence of requests meets the same faults on every run.
#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "studyhost/runtime/host_constants.h"

namespace studyhost {

enum class ServiceFault : std::uint8_t {
  kHttp500,
  kHttp401,
  kDrop,
  kSlow,
  kTruncated,
  kGarbage,
  kZeroByte,
  kDelay,
  kNone,
};

inline constexpr std::size_t kServiceFaultKinds = 8;

// What each kind of fault does, as the commands' help shows it.
inline constexpr const char* kFaultKindsHelp =
    "Fault kinds:\n"
    "  http500    status 500 with an HTML page for a body\n"
    "  http401    status 401 with a JSON \"message\" that repeats the key it got\n"
    "  drop       the connection closes half-way through the body\n"
    "  slow       the body trickles in over longer than the client's total time-out,\n"
    "             and ends by itself a little after it\n"
    "  truncated  a complete response whose JSON body is cut short\n"
    "  garbage    a complete response of bytes that are not JSON\n"
    "  zerobyte   the body starts with a zero byte\n"
    "  delay      the normal answer, after a pause shorter than the time-out\n";

// "http500", "http401", ... as a fault list names them; "none".
const char* fault_name(ServiceFault fault);

struct FaultPlan {
  // The chance of each fault per request, indexed by ServiceFault; together
  // at most 1.
  std::array<double, kServiceFaultKinds> probability{};
  std::uint64_t seed = 0;
  // The clients' total time-out: a slow body takes a little longer, a
  // delayed answer a good deal less.
  std::chrono::milliseconds client_timeout{kTotalTimeout};

  bool any() const;
  // How long a slow body takes from its first byte to its last.
  std::chrono::milliseconds slow_body() const;
  // How long a delayed answer waits.
  std::chrono::milliseconds delay() const;
};

// The probability every fault gets from the shorthand "all" with no value.
inline constexpr double kDefaultFaultProbability = 0.03;

// Reads "kind=P,kind=P,..." into plan.probability (the seed and time-out stay
// as they are). "all=P" gives every kind P, "all" alone every kind
// kDefaultFaultProbability, a later item overrides an earlier one; "none" or
// an empty text is no fault. On a bad list returns false with one
// line in `error` naming the problem.
bool parse_fault_list(std::string_view list, FaultPlan& plan, std::string& error);

// The plan's probabilities as a fault list ("none" without faults).
std::string fault_list_text(const FaultPlan& plan);

// The `draw`-th deterministic 64-bit number for the `nth` request (from 0)
// for `target`: draw 0 chooses the fault, later draws shape it (where a body
// is cut, what its garbage is).
std::uint64_t fault_draw(const FaultPlan& plan, std::string_view target, std::uint64_t nth,
                         std::uint64_t draw);

// The fault of the `nth` request for `target`.
ServiceFault choose_fault(const FaultPlan& plan, std::string_view target, std::uint64_t nth);

}  // namespace studyhost
