// The study libraries exported two objects of the C++ runtime besides their
// three entry points; the validator's export check found them. Also: the
// export table reader meets files that are no library without harm.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "studyhost/validate/export_table.h"

namespace {

using studyhost::validate::read_exports;

void expect_three_entry_points(const std::string& path, const std::string& function) {
  const auto table = read_exports(path);
  ASSERT_TRUE(table.read) << table.why;
  const std::set<std::string> names(table.names.begin(), table.names.end());
  EXPECT_EQ(names, (std::set<std::string>{"scdll_DLLVersion", "scdll_DLLName", function}));
}

#ifdef QLX_PRICEMAP_OVERLAY_64_PATH
TEST(ExportsRegression, PriceMapOverlayExportsOnlyItsEntryPoints) {
  expect_three_entry_points(QLX_PRICEMAP_OVERLAY_64_PATH, "scsf_qlx_pricemap_overlay");
}
#endif

#ifdef QLX_TIMEFRAME_STRUCTURE_64_PATH
TEST(ExportsRegression, TimeframeStructureExportsOnlyItsEntryPoints) {
  expect_three_entry_points(QLX_TIMEFRAME_STRUCTURE_64_PATH, "scsf_qlx_timeframe_structure");
}
#endif

#ifdef QLX_TEST_STUDY_64_PATH
std::string bytes_of(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void write(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

TEST(ExportTable, FilesThatAreNoLibraryAreRefusedWithAReason) {
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / "qlx_export_table";
  std::filesystem::create_directories(dir);
  const std::string library = bytes_of(QLX_TEST_STUDY_64_PATH);
  ASSERT_GT(library.size(), 4096u);

  EXPECT_FALSE(read_exports((dir / "missing.so").string()).read);
  write(dir / "empty.so", "");
  EXPECT_FALSE(read_exports((dir / "empty.so").string()).read);
  write(dir / "text.so", "not a library at all, just some text that is long enough for a header");
  EXPECT_FALSE(read_exports((dir / "text.so").string()).read);

  // Cut anywhere, or with its section table moved past the end, a library
  // gives a reason or a partial table, never a read past the file.
  for (const std::size_t size : {std::size_t{16}, std::size_t{64}, std::size_t{1000},
                                 library.size() / 2, library.size() - 1}) {
    write(dir / "cut.so", library.substr(0, size));
    const auto table = read_exports((dir / "cut.so").string());
    if (!table.read) {
      EXPECT_FALSE(table.why.empty());
    }
  }
  std::string moved = library;
  for (int i = 0; i < 8; ++i) moved[0x28 + i] = static_cast<char>(0x7F);
  write(dir / "moved.so", moved);
  EXPECT_FALSE(read_exports((dir / "moved.so").string()).read);
  std::filesystem::remove_all(dir);
}
#endif

}  // namespace
