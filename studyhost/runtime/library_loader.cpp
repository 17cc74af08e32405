#include "studyhost/runtime/library_loader.h"

#include <cstring>
#include <filesystem>
#include <string_view>
#include <system_error>
#include <utility>

#include "studyhost/runtime/host_constants.h"

#ifdef _WIN32
#include "host/windows_system.h"
#else
#include <dlfcn.h>
#endif

namespace studyhost {
namespace {

void* open_library(const std::string& path, std::string* why) {
#ifdef _WIN32
  // An absolute path loads exactly the file that was checked, not one found
  // on the search path; without the error mode a damaged file would raise a
  // dialog and hang a headless run.
  std::error_code ec;
  const std::string absolute = std::filesystem::absolute(path, ec).string();
  DWORD previous_mode = 0;
  SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &previous_mode);
  HMODULE module = LoadLibraryA(ec ? path.c_str() : absolute.c_str());
  const DWORD code = module == nullptr ? GetLastError() : 0;
  SetThreadErrorMode(previous_mode, nullptr);
  if (module == nullptr) {
    *why = "Windows error " + std::to_string(code);
    if (code == ERROR_MOD_NOT_FOUND) *why = "a library it depends on is missing, " + *why;
  }
  return reinterpret_cast<void*>(module);
#else
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    const char* text = dlerror();
    *why = text != nullptr ? text : "unknown error";
  }
  return handle;
#endif
}

void close_library(void* handle) {
  if (handle == nullptr) return;
#ifdef _WIN32
  FreeLibrary(reinterpret_cast<HMODULE>(handle));
#else
  dlclose(handle);
#endif
}

// The exported function `name` as a function pointer of type F, or null.
template <typename F>
F find_export(void* handle, const std::string& name) {
  F function = nullptr;
#ifdef _WIN32
  FARPROC address = GetProcAddress(reinterpret_cast<HMODULE>(handle), name.c_str());
#else
  void* address = dlsym(handle, name.c_str());
#endif
  static_assert(sizeof address == sizeof function);
  if (address != nullptr) std::memcpy(&function, &address, sizeof function);
  return function;
}

void set_error(std::string* error, const std::string& text) {
  if (error != nullptr) *error = text;
}

// The study function a library's file name promises: scsf_ and the file name
// without its extension and its _64 ending ("qlx_my_study_64.so" gives
// scsf_qlx_my_study), as every study library of this project is named. So a
// new study loads without this host learning its name first.
std::string function_of_file_name(const std::string& path) {
  constexpr std::string_view kWidthSuffix = "_64";
  std::string stem = std::filesystem::path(path).stem().string();
  if (stem.size() > kWidthSuffix.size() && stem.ends_with(kWidthSuffix)) {
    stem.resize(stem.size() - kWidthSuffix.size());
  }
  return "scsf_" + stem;
}

}  // namespace

LoadResult StudyLibrary::open(const std::string& path, const std::string& study_function) {
  auto failed = [&](LoadFailure failure, const std::string& why) {
    return LoadResult{nullptr, failure, path + ": " + why};
  };
  std::error_code ec;
  if (!std::filesystem::exists(path, ec)) return failed(LoadFailure::kNoFile, "no such file");
  if (std::filesystem::is_directory(path, ec)) {
    return failed(LoadFailure::kNotALibrary, "not a shared library (a directory)");
  }
  std::string why;
  void* handle = open_library(path, &why);
  if (handle == nullptr) {
    return failed(LoadFailure::kNotALibrary, "not a shared library (" + why + ")");
  }
  std::unique_ptr<StudyLibrary> library(new StudyLibrary());
  library->handle_ = handle;
  library->path_ = path;

  const auto version = find_export<DllVersionFunction>(handle, "scdll_DLLVersion");
  if (version == nullptr) {
    return failed(LoadFailure::kMissingEntryPoint, "missing export scdll_DLLVersion");
  }
  library->version_ = version();
  if (library->version_ != kSupportedInterfaceVersion) {
    return failed(LoadFailure::kWrongVersion,
                  "interface version " + std::to_string(library->version_) + ", expected " +
                      std::to_string(kSupportedInterfaceVersion));
  }
  const auto name = find_export<DllNameFunction>(handle, "scdll_DLLName");
  if (name == nullptr) {
    return failed(LoadFailure::kMissingEntryPoint, "missing export scdll_DLLName");
  }
  const char* name_text = name();
  library->name_ = name_text != nullptr ? name_text : "";

  library->function_ = find_export<StudyFunction>(handle, study_function);
  if (library->function_ == nullptr) {
    return failed(LoadFailure::kMissingStudyFunction, "missing export " + study_function);
  }
  library->function_name_ = study_function;
  return LoadResult{std::move(library), LoadFailure::kNone, {}};
}

std::unique_ptr<StudyLibrary> StudyLibrary::load(const std::string& path,
                                                 const std::string& study_function,
                                                 std::string* error) {
  LoadResult result = open(path, study_function);
  if (result.library == nullptr) set_error(error, result.error);
  return std::move(result.library);
}

std::unique_ptr<StudyLibrary> StudyLibrary::load(const std::string& path, std::string* error) {
  LoadResult result = open(path, function_of_file_name(path));
  if (result.failure == LoadFailure::kMissingStudyFunction) {
    result.error += " (the study function its file name gives)";
  }
  if (result.library == nullptr) set_error(error, result.error);
  return std::move(result.library);
}

std::unique_ptr<StudyLibrary> StudyLibrary::in_process(StudyFunction function,
                                                       const std::string& name) {
  if (function == nullptr) return nullptr;
  std::unique_ptr<StudyLibrary> library(new StudyLibrary());
  library->version_ = kSupportedInterfaceVersion;
  library->name_ = name;
  library->path_ = name;
  library->function_ = function;
  return library;
}

StudyLibrary::~StudyLibrary() {
  close_library(handle_);
}

}  // namespace studyhost
