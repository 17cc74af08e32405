// The example study of docs/studyhost.md, run as the guide runs it: the
// bundled ES bars and daily records, served by the mock service.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <vector>

#include "built_targets.h"
#include "studyhost/app/commands.h"
#include "studyhost/session/bars_csv.h"

namespace {

namespace fs = std::filesystem;
using nlohmann::json;

const std::string kData = QLX_DATA_DIR;

TEST(ExampleStudy, WritesThePreviousDaysRangeFromTheRecordsDayOnAndSaysSo) {
  const fs::path dump = fs::temp_directory_path() / "studyhost_example_study.json";
  SKIP_UNLESS_BUILT(scenario::kExampleStudy);
  studyhost::app::RunOptions o;
  o.library = scenario::kExampleStudy.path;
  o.bars = kData + "/bars/es_5min.csv";
  o.service = kData + "/levels";
  o.inputs = {"Asset Class=Futures", "Symbol=ES", "API Key=example-key"};
  o.dump = dump.string();
  std::ostringstream out, err;
  ASSERT_EQ(studyhost::app::run_command(o, out, err), 0) << err.str();
  EXPECT_NE(out.str().find("status: \"Previous day: high 6733.25  low 6673.50\""),
            std::string::npos)
      << out.str();

  std::ifstream in(dump);
  const json result = json::parse(in);
  fs::remove(dump);
  ASSERT_EQ(result.at("drawings").size(), 1u);
  std::vector<studyhost::Bar> bars;
  std::string error;
  ASSERT_TRUE(studyhost::session::load_bars_csv(o.bars, bars, error)) << error;
  // The last daily record is dated 2025-10-17: day 45947 since 1899-12-30.
  const std::int64_t record_day = 45947 * std::int64_t{86400000000};
  const json& high = result.at("subgraphs").at(0).at("values");
  const json& low = result.at("subgraphs").at(1).at("values");
  ASSERT_EQ(high.size(), bars.size());
  for (std::size_t i = 0; i < bars.size(); ++i) {
    const bool on = bars[i].datetime >= record_day;
    EXPECT_EQ(high.at(i).get<float>(), on ? 6733.25f : 0.0f) << "bar " << i;
    EXPECT_EQ(low.at(i).get<float>(), on ? 6673.50f : 0.0f) << "bar " << i;
  }
}

}  // namespace
