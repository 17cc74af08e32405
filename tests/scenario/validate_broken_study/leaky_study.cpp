// A study that is sound in every way but one: each call replaces a heap block
// it keeps in a persistent pointer without freeing the old one, and its last
// call frees nothing. The validator's heap checks must notice.
#include <cstdint>

#include "host/export.h"
#include "host/study_interface.h"

namespace {

constexpr std::int32_t kBlock = 1;
constexpr std::size_t kBlockBytes = 64 * 1024;

}  // namespace

QLX_EXPORT int scdll_DLLVersion() {
  return host::kInterfaceVersion;
}

QLX_EXPORT const char* scdll_DLLName() {
  return "QLX Leaky Study";
}

QLX_EXPORT void scsf_qlx_validate_leaky_study(host::StudyInterface* sc) {
  if (sc->defaults_call != 0) {
    host::assign(sc->study_name, "QLX Leaky Study");
    sc->auto_loop = 0;
    return;
  }
  if (sc->last_call != 0) return;
  void*& block = *sc->persistent_pointer(sc, kBlock);
  block = new std::uint8_t[kBlockBytes]();
}
