// How many heap bytes the process holds, to tell a study that keeps
// allocating across identical cycles from one that frees what it made.
#pragma once

#include <cstddef>
#include <string>

namespace studyhost::process {

// Bytes in use on the heap now: the sanitizer allocator's count in sanitizer
// builds, else the C library's.
std::size_t heap_in_use();

// Whether this program runs under the address sanitizer, which makes every
// test several times slower.
bool sanitized_build();

// In a build with the leak sanitizer: whether memory no longer reachable was
// found (its report goes to standard error). Always false elsewhere.
bool leaks_found();

}  // namespace studyhost::process
