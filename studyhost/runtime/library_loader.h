// Loading a study library and finding its three exports.
#pragma once

#include <memory>
#include <string>

#include "host/study_interface.h"

namespace studyhost {

class StudyLibrary;

// Why a library was not loaded.
enum class LoadFailure {
  kNone,
  kNoFile,                // nothing at the path
  kNotALibrary,           // a directory, or a file the system cannot load
  kMissingEntryPoint,     // no scdll_DLLVersion or scdll_DLLName
  kWrongVersion,          // built for another interface version
  kMissingStudyFunction,  // the scsf_ function asked for is not exported
};

struct LoadResult {
  std::unique_ptr<StudyLibrary> library;  // null unless loaded
  LoadFailure failure = LoadFailure::kNone;
  std::string error;  // one line naming the file; empty when loaded
};

class StudyLibrary {
 public:
  // Loads the library at `path` and looks up `study_function` (an scsf_ name).
  static LoadResult open(const std::string& path, const std::string& study_function);
  // As open(), with null on failure and *error set to the one line.
  static std::unique_ptr<StudyLibrary> load(const std::string& path,
                                            const std::string& study_function, std::string* error);
  // As above, with the study function the file name gives: scsf_ and the name
  // without its extension and its _64 ending.
  static std::unique_ptr<StudyLibrary> load(const std::string& path, std::string* error);

  // A study function linked into this program, as if loaded from a library
  // named `name` (for tests that drive a study without a shared library).
  static std::unique_ptr<StudyLibrary> in_process(StudyFunction function, const std::string& name);

  ~StudyLibrary();
  StudyLibrary(const StudyLibrary&) = delete;
  StudyLibrary& operator=(const StudyLibrary&) = delete;

  int version() const { return version_; }
  const std::string& name() const { return name_; }
  const std::string& path() const { return path_; }
  const std::string& function_name() const { return function_name_; }
  StudyFunction function() const { return function_; }

 private:
  StudyLibrary() = default;
  void* handle_ = nullptr;
  int version_ = 0;
  std::string name_;
  std::string path_;
  std::string function_name_;
  StudyFunction function_ = nullptr;
};

}  // namespace studyhost
