#include "studyhost/runtime/library_loader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

TEST(LibraryLoader, LoadsTheTestStudyAndFindsItsStudyFunctionByItsFileName) {
  std::string error;
  auto library = studyhost::StudyLibrary::load(QLX_TEST_STUDY_PATH, &error);
  ASSERT_NE(library, nullptr) << error;
  EXPECT_EQ(library->version(), 2628);
  EXPECT_EQ(library->name(), "QLX Test Study");
  EXPECT_EQ(library->function_name(), "scsf_qlx_test_study");
  EXPECT_NE(library->function(), nullptr);
  EXPECT_EQ(library->path(), QLX_TEST_STUDY_PATH);
}

TEST(LibraryLoader, EachBadLibraryGivesOneLineNamingTheFile) {
  const std::filesystem::path not_a_library =
      std::filesystem::temp_directory_path() / "qlx_not_a_library_64.dll";
  std::ofstream(not_a_library) << "this is text, not a shared library\n";
  const std::string missing =
      (std::filesystem::temp_directory_path() / "qlx_missing_64.dll").string();

  using studyhost::LoadFailure;
  struct Case {
    std::string path;
    std::string function;
    LoadFailure failure;
    std::string expected;
  };
  const Case cases[] = {
      {missing, "scsf_qlx_test_study", LoadFailure::kNoFile, missing + ": no such file"},
      {not_a_library.string(), "scsf_qlx_test_study", LoadFailure::kNotALibrary,
       not_a_library.string() + ": not a shared library ("},
      {QLX_TEST_STUDY_PATH, "scsf_qlx_absent", LoadFailure::kMissingStudyFunction,
       std::string(QLX_TEST_STUDY_PATH) + ": missing export scsf_qlx_absent"},
      {QLX_WRONG_VERSION_STUDY_PATH, "scsf_qlx_test_study", LoadFailure::kWrongVersion,
       std::string(QLX_WRONG_VERSION_STUDY_PATH) + ": interface version 1234, expected 2628"},
  };
  for (const auto& c : cases) {
    std::string error;
    EXPECT_EQ(studyhost::StudyLibrary::load(c.path, c.function, &error), nullptr) << c.path;
    EXPECT_EQ(error.rfind(c.expected, 0), 0u) << error;
    EXPECT_EQ(error.find('\n'), std::string::npos) << error;
    EXPECT_EQ(studyhost::StudyLibrary::open(c.path, c.function).failure, c.failure) << c.path;
  }
  std::string error;
  EXPECT_EQ(studyhost::StudyLibrary::load(QLX_WRONG_VERSION_STUDY_PATH, &error), nullptr);
  EXPECT_NE(error.find("interface version 1234"), std::string::npos) << error;
  EXPECT_EQ(studyhost::StudyLibrary::load(missing, nullptr), nullptr);  // no error wanted
  std::filesystem::remove(not_a_library);

  // The study function comes from the file name alone: renamed, the test
  // study no longer names the function it exports.
  const std::filesystem::path renamed =
      std::filesystem::temp_directory_path() /
      ("qlx_renamed_64" + std::filesystem::path(QLX_TEST_STUDY_PATH).extension().string());
  std::filesystem::copy_file(QLX_TEST_STUDY_PATH, renamed,
                             std::filesystem::copy_options::overwrite_existing);
  EXPECT_EQ(studyhost::StudyLibrary::load(renamed.string(), &error), nullptr);
  EXPECT_EQ(error,
            renamed.string() +
                ": missing export scsf_qlx_renamed (the study function its file name gives)");
  std::filesystem::remove(renamed);
}

}  // namespace
