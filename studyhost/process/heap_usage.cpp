#include "studyhost/process/heap_usage.h"

#include <malloc.h>

// Provided by the sanitizer runtimes when the program is built with them.
extern "C" {
std::size_t __sanitizer_get_current_allocated_bytes() __attribute__((weak));
int __lsan_do_recoverable_leak_check() __attribute__((weak));
}

namespace studyhost::process {

std::size_t heap_in_use() {
  if (__sanitizer_get_current_allocated_bytes != nullptr) {
    return __sanitizer_get_current_allocated_bytes();
  }
  const struct mallinfo2 info = mallinfo2();
  return info.uordblks + info.hblkhd;
}

bool sanitized_build() {
  return __sanitizer_get_current_allocated_bytes != nullptr;
}

bool leaks_found() {
  if (__lsan_do_recoverable_leak_check == nullptr) return false;
  return __lsan_do_recoverable_leak_check() != 0;
}

}  // namespace studyhost::process
