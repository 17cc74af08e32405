// A study library built the way a study must not be: linked against the
// mingw C++ runtime DLLs instead of carrying the runtime inside, and exporting
// a function the host never calls. The DLL check must reject it, and on a
// clean system (Wine's prefix has none of the mingw DLLs) the studyhost loader
// cannot load it.
#include <string>

#define QLX_FIXTURE_EXPORT extern "C" __declspec(dllexport)

namespace {

std::string last_text;

}  // namespace

QLX_FIXTURE_EXPORT int scdll_DLLVersion() {
  return 2628;
}

QLX_FIXTURE_EXPORT const char* scdll_DLLName() {
  return "QLX Runtime DLLs Fixture";
}

QLX_FIXTURE_EXPORT void scsf_qlx_runtime_dlls(void*) {
  last_text += "call;";
}

QLX_FIXTURE_EXPORT const char* qlx_debug_dump() {
  return last_text.c_str();
}
