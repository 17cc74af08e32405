// What the studyhost loader reports when Windows itself refuses a library:
// one line with the path and the Windows error code, so a user can tell a
// damaged file from a study built against runtime DLLs the machine lacks.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "studyhost/runtime/library_loader.h"

namespace {

namespace fs = std::filesystem;

fs::path scratch_file(const std::string& name, const std::string& bytes) {
  const fs::path path = fs::temp_directory_path() / name;
  std::ofstream(path, std::ios::binary) << bytes;
  return path;
}

// The Windows error code in a loader error line, or -1 when there is none.
long windows_error_in(const std::string& error) {
  const std::string marker = "Windows error ";
  const std::size_t at = error.find(marker);
  if (at == std::string::npos) return -1;
  const char* digits = error.c_str() + at + marker.size();
  char* end = nullptr;
  const long code = std::strtol(digits, &end, 10);
  return end != digits && *end == ')' ? code : -1;
}

std::string head_of(const std::string& path, std::size_t bytes) {
  std::ifstream in(path, std::ios::binary);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  text.resize(std::min(bytes, text.size()));
  return text;
}

TEST(WindowsLibraryLoader, NamesThePathAndTheWindowsErrorOfAFileWindowsCannotLoad) {
  const fs::path text = scratch_file("qlx_windows_text_64.dll", "not a library\r\n");
  const fs::path empty = scratch_file("qlx_windows_empty_64.dll", "");
  // A real study's first kilobyte: valid headers that promise sections the
  // file no longer holds.
  const fs::path truncated =
      scratch_file("qlx_windows_truncated_64.dll", head_of(QLX_TEST_STUDY_PATH, 1024));

  struct Case {
    std::string path;
    long code;  // the Windows error code; 0 when any code will do
  };
  const Case cases[] = {
      {text.string(), 193},  // ERROR_BAD_EXE_FORMAT
      {empty.string(), 0},
      {truncated.string(), 0},
      // Built against libstdc++-6.dll, which a clean system does not have:
      // ERROR_MOD_NOT_FOUND.
      {QLX_RUNTIME_DLLS_FIXTURE_PATH, 126},
  };
  for (const Case& c : cases) {
    std::string error;
    EXPECT_EQ(studyhost::StudyLibrary::load(c.path, "scsf_qlx_test_study", &error), nullptr)
        << c.path;
    EXPECT_EQ(error.rfind(c.path + ": ", 0), 0u) << error;
    const long code = windows_error_in(error);
    if (c.code != 0) {
      EXPECT_EQ(code, c.code) << error;
    } else {
      EXPECT_GT(code, 0) << error;
    }
    EXPECT_EQ(error.find('\n'), std::string::npos) << error;
    if (c.code == 126) {
      EXPECT_NE(error.find("a library it depends on is missing"), std::string::npos) << error;
    }
  }
  for (const fs::path& path : {text, empty, truncated}) fs::remove(path);
}

}  // namespace
