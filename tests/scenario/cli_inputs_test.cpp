// `studyhost inputs`: the inputs a study declares, as the settings dialog
// lists them.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "built_targets.h"
#include "studyhost/app/commands.h"

namespace {

TEST(CliInputs, ListsTheNamedInputsInDisplayOrderWithTheirDefaults) {
  SKIP_UNLESS_BUILT(scenario::kPriceMapStudy);
  std::ostringstream out, err;
  ASSERT_EQ(studyhost::app::inputs_command(scenario::kPriceMapStudy.path, out, err), 0)
      << err.str();
  std::istringstream lines(out.str());
  std::vector<std::string> rows;
  for (std::string line; std::getline(lines, line);) rows.push_back(line);
  ASSERT_GE(rows.size(), 3u);
  EXPECT_EQ(rows[0], "QLX PRICEMAP OVERLAY (qlx_pricemap_overlay_64.so, interface version 2628)");
  // Display order 1 to 4 first; a list shows its default entry's text.
  std::vector<int> numbers;
  for (std::size_t i = 2; i < rows.size(); ++i) numbers.push_back(std::stoi(rows[i]));
  ASSERT_GE(numbers.size(), 6u);
  EXPECT_EQ(std::vector<int>(numbers.begin(), numbers.begin() + 6),
            (std::vector<int>{38, 39, 40, 41, 5, 1}));
  EXPECT_EQ(rows[2].substr(rows[2].find("list")),
            "list     Crypto           Crypto; Futures; Stocks; ETF");
  EXPECT_EQ(std::count(numbers.begin(), numbers.end(), 36), 0) << "the unnamed input is hidden";
  EXPECT_EQ(numbers.size(), 29u);

  EXPECT_EQ(studyhost::app::inputs_command("/no/such/library.so", out, err), 1);
}

}  // namespace
