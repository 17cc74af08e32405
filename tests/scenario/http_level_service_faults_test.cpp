// The mock level data service misbehaving on purpose: how a
// fault list is read, what each fault does to a real client and that it
// ends by itself, and that a seed fixes which request meets which fault.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "http_fixture.h"
#include "studyhost/mock_service/mock_level_service.h"
#include "studyhost/net/curl_transport.h"

namespace {

using namespace std::chrono_literals;
using studyhost::FaultPlan;
using studyhost::HttpResult;
using studyhost::ServiceFault;

constexpr char kBody[] = R"({"message":"","data":[{"Date":"2025-10-16","Close":"6700.25"}]})";
const std::string kTarget =
    "/wp-json/fernhollow/v1/getcsv?assetClass=Futures&symbol=ES&timeframe=D&api_key=k%2By";

FaultPlan only(ServiceFault fault) {
  FaultPlan plan;
  plan.probability[static_cast<std::size_t>(fault)] = 1.0;
  plan.client_timeout = 300ms;
  return plan;
}

TEST(LevelServiceFaults, FaultListsAreReadOrRefusedInOneLine) {
  FaultPlan plan;
  std::string error;
  ASSERT_TRUE(studyhost::parse_fault_list("all, slow=0 ,http500=0.25", plan, error)) << error;
  EXPECT_EQ(studyhost::fault_list_text(plan),
            "http500=0.25,http401=0.03,drop=0.03,truncated=0.03,garbage=0.03,zerobyte=0.03,"
            "delay=0.03");
  ASSERT_TRUE(studyhost::parse_fault_list("none", plan, error));
  EXPECT_FALSE(plan.any());

  const std::vector<std::pair<const char*, const char*>> refused = {
      {"timeout=0.1", "no fault \"timeout\""},
      {"drop", "needs a probability"},
      {"drop=1.5", "from 0 to 1"},
      {"drop=0.1x", "from 0 to 1"},
      {"drop=nan", "from 0 to 1"},
      {"drop=0.1,,slow=0.1", "empty item"},
      {"all=0.2", "add up to 1.6"},
  };
  for (const auto& [list, problem] : refused) {
    plan = only(ServiceFault::kDrop);
    error.clear();
    EXPECT_FALSE(studyhost::parse_fault_list(list, plan, error)) << list;
    EXPECT_NE(error.find(problem), std::string::npos) << list << ": " << error;
    EXPECT_EQ(error.find('\n'), std::string::npos) << error;
    EXPECT_EQ(plan.probability[static_cast<std::size_t>(ServiceFault::kDrop)], 1.0)
        << "a refused fault list leaves the plan as it was";
  }
}

TEST(LevelServiceFaults, TheSeedTargetAndCountAloneChooseTheFault) {
  FaultPlan plan;
  std::string error;
  ASSERT_TRUE(studyhost::parse_fault_list("all=0.1", plan, error));
  plan.seed = 7;
  std::vector<int> seen(studyhost::kServiceFaultKinds + 1, 0);
  std::vector<ServiceFault> first;
  for (std::uint64_t n = 0; n < 400; ++n) {
    const ServiceFault fault = studyhost::choose_fault(plan, kTarget, n);
    ++seen[static_cast<std::size_t>(fault)];
    first.push_back(fault);
  }
  for (std::size_t kind = 0; kind < seen.size(); ++kind) EXPECT_GT(seen[kind], 10) << kind;
  std::vector<ServiceFault> again, other_seed, other_target;
  for (std::uint64_t n = 0; n < 400; ++n) {
    again.push_back(studyhost::choose_fault(plan, kTarget, n));
    other_target.push_back(studyhost::choose_fault(plan, kTarget + "x", n));
  }
  plan.seed = 8;
  for (std::uint64_t n = 0; n < 400; ++n) {
    other_seed.push_back(studyhost::choose_fault(plan, kTarget, n));
  }
  EXPECT_EQ(again, first);
  EXPECT_NE(other_seed, first);
  EXPECT_NE(other_target, first);
}

// Each fault, met by the host's own transport with a short time-out.
TEST(LevelServiceFaults, EachFaultReachesTheClientAsItShouldAndEndsByItself) {
  httptest::ScratchDir scratch;
  scratch.write("Futures/ES_D.json", kBody);
  httptest::LogLines log;
  studyhost::MockLevelService service;
  service.set_log([&](const std::string& line) { log.add(line); });
  studyhost::MockServiceOptions options;
  options.dir = scratch.path.string();
  std::string error;
  ASSERT_TRUE(service.start(options, &error)) << error;
  studyhost::CurlTransportOptions transfers;
  transfers.total_timeout = 300ms;
  studyhost::CurlTransport transport(transfers);
  const std::string url = "http://127.0.0.1:" + std::to_string(service.port()) + kTarget;
  const std::string body = kBody;

  auto meet = [&](ServiceFault fault, auto check) {
    SCOPED_TRACE(studyhost::fault_name(fault));
    service.set_faults(only(fault));
    const auto start = std::chrono::steady_clock::now();
    const HttpResult r = transport.fetch(url);
    check(r, std::chrono::steady_clock::now() - start);
  };
  meet(ServiceFault::kHttp500, [](const HttpResult& r, auto) {
    EXPECT_EQ(r.status, 500);
    EXPECT_EQ(r.body.rfind("<!DOCTYPE html>", 0), 0u);
  });
  meet(ServiceFault::kHttp401, [](const HttpResult& r, auto) {
    EXPECT_EQ(r.status, 401);
    EXPECT_EQ(nlohmann::json::parse(r.body).at("message"), "Invalid API key k+y");
  });
  meet(ServiceFault::kDrop, [](const HttpResult& r, auto) { EXPECT_FALSE(r.ok) << r.body; });
  meet(ServiceFault::kSlow, [](const HttpResult& r, auto took) {
    EXPECT_FALSE(r.ok) << r.body;
    EXPECT_GE(took, 250ms);
  });
  meet(ServiceFault::kTruncated, [&](const HttpResult& r, auto) {
    EXPECT_EQ(r.status, 200);
    EXPECT_LT(r.body.size(), body.size());
    EXPECT_FALSE(r.body.empty());
    EXPECT_EQ(body.rfind(r.body, 0), 0u) << "a cut body is the start of the whole one";
  });
  meet(ServiceFault::kGarbage, [](const HttpResult& r, auto) {
    EXPECT_EQ(r.status, 200);
    EXPECT_EQ(r.body.find('\0'), std::string::npos);
    EXPECT_FALSE(nlohmann::json::accept(r.body));
  });
  meet(ServiceFault::kZeroByte, [&](const HttpResult& r, auto) {
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.body, std::string(1, '\0') + body);
  });
  meet(ServiceFault::kDelay, [&](const HttpResult& r, auto took) {
    EXPECT_EQ(r.body, body);
    EXPECT_GE(took, only(ServiceFault::kDelay).delay());
  });

  // Healed, it answers as ever; a slow body still being sent ends with it.
  service.set_faults(only(ServiceFault::kSlow));
  EXPECT_FALSE(transport.fetch(url).ok);
  service.set_faults(FaultPlan{});
  EXPECT_EQ(transport.fetch(url).body, body);
  const auto stopping = std::chrono::steady_clock::now();
  service.stop();
  EXPECT_LT(std::chrono::steady_clock::now() - stopping, 2s);

  const studyhost::ServiceCounts counts = service.counts();
  EXPECT_EQ(counts.requests, 10u);
  for (std::size_t kind = 0; kind < studyhost::kServiceFaultKinds; ++kind) {
    EXPECT_EQ(counts.faults[kind], kind == static_cast<std::size_t>(ServiceFault::kSlow) ? 2u : 1u)
        << studyhost::fault_name(static_cast<ServiceFault>(kind));
  }
  const std::vector<std::string> lines = log.at_least(10);
  ASSERT_EQ(lines.size(), 10u);
  EXPECT_NE(lines[2].find("api_key=*** 200 fault=drop"), std::string::npos) << lines[2];
  for (const std::string& line : lines) EXPECT_EQ(line.find("k%2By"), std::string::npos) << line;
}

}  // namespace
