// The study libraries exported two objects of the C++ runtime besides their
// three entry points; the validator's export check found them. Also: the
// export table reader meets files that are no library without harm.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "built_targets.h"
#include "studyhost/validate/export_table.h"

namespace {

using studyhost::validate::read_exports;

void expect_three_entry_points(const std::string& path, const std::string& function) {
  const auto table = read_exports(path);
  ASSERT_TRUE(table.read) << table.why;
  const std::set<std::string> names(table.names.begin(), table.names.end());
  EXPECT_EQ(names, (std::set<std::string>{"scdll_DLLVersion", "scdll_DLLName", function}));
}

TEST(ExportsRegression, PriceMapOverlayExportsOnlyItsEntryPoints) {
  SKIP_UNLESS_BUILT(scenario::kPriceMapStudy);
  expect_three_entry_points(scenario::kPriceMapStudy.path, "scsf_qlx_pricemap_overlay");
}

TEST(ExportsRegression, TimeframeStructureExportsOnlyItsEntryPoints) {
  SKIP_UNLESS_BUILT(scenario::kTimeframeStudy);
  expect_three_entry_points(scenario::kTimeframeStudy.path, "scsf_qlx_timeframe_structure");
}

std::string bytes_of(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void write(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

TEST(ExportTable, FilesThatAreNoLibraryAreRefusedWithAReason) {
  SKIP_UNLESS_BUILT(scenario::kTestStudy);
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / "qlx_export_table";
  std::filesystem::create_directories(dir);
  const std::string library = bytes_of(scenario::kTestStudy.path);
  ASSERT_GT(library.size(), 4096u);
  const auto whole = read_exports(scenario::kTestStudy.path);
  ASSERT_TRUE(whole.read) << whole.why;

  EXPECT_FALSE(read_exports((dir / "missing.so").string()).read);
  write(dir / "empty.so", "");
  EXPECT_FALSE(read_exports((dir / "empty.so").string()).read);
  write(dir / "text.so", "not a library at all, just some text that is long enough for a header");
  EXPECT_FALSE(read_exports((dir / "text.so").string()).read);

  // Cut anywhere, or with its section table moved past the end, a library
  // gives a reason, never a read past the file. A cut one that still reads
  // held its whole symbol table before the cut, so it names exactly the
  // exports of the whole library.
  for (const std::size_t size : {std::size_t{16}, std::size_t{64}, std::size_t{1000},
                                 library.size() / 2, library.size() - 1}) {
    write(dir / "cut.so", library.substr(0, size));
    const auto table = read_exports((dir / "cut.so").string());
    if (table.read) {
      EXPECT_EQ(table.names, whole.names) << "cut at " << size;
    } else {
      EXPECT_FALSE(table.why.empty()) << "cut at " << size;
    }
  }
  std::string moved = library;
  for (int i = 0; i < 8; ++i) moved[0x28 + i] = static_cast<char>(0x7F);
  write(dir / "moved.so", moved);
  EXPECT_FALSE(read_exports((dir / "moved.so").string()).read);
  std::filesystem::remove_all(dir);
}

}  // namespace
