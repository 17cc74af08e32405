// Buffers that cross the boundary between a study and the host come from the
// process heap, so either side may free a text the other allocated. On Windows
// each module can carry its own C runtime heap; the process heap is shared.
// Elsewhere a same-named thin layer over malloc/free stands in for it.
#pragma once

#include <cstddef>

#ifdef _WIN32
#include "host/windows_system.h"
#else
#include <cstdlib>

using HANDLE = void*;
using DWORD = unsigned int;
using BOOL = int;
using LPVOID = void*;
using SIZE_T = std::size_t;
constexpr DWORD HEAP_ZERO_MEMORY = 0x00000008;

inline HANDLE GetProcessHeap() {
  static int process_heap_tag = 0;
  return &process_heap_tag;
}

inline LPVOID HeapAlloc(HANDLE /*heap*/, DWORD flags, SIZE_T bytes) {
  if (bytes == 0) bytes = 1;
  return (flags & HEAP_ZERO_MEMORY) != 0 ? std::calloc(1, bytes) : std::malloc(bytes);
}

inline BOOL HeapFree(HANDLE /*heap*/, DWORD /*flags*/, LPVOID memory) {
  std::free(memory);
  return 1;
}
#endif

namespace host {

// Zeroed bytes from the process heap; null when the heap refuses.
inline char* heap_alloc_text(std::size_t bytes) {
  return static_cast<char*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, bytes));
}

inline void heap_free(void* memory) {
  if (memory != nullptr) HeapFree(GetProcessHeap(), 0, memory);
}

}  // namespace host
