// Every array the host exposes (inputs, subgraphs, per-bar values, bar
// date-times) is read through this accessor. No access ever fails: the host
// may fill the array lazily, and an index outside it is clamped.
#pragma once

#include <cstdint>

namespace host {

template <typename T>
struct HostArray {
  T* elements;                   // null until filled
  void (*fill)(void* argument);  // lazy fill, may be null
  void* fill_argument;
  std::int32_t count;
  T fallback;  // read and written when the array is empty
};

// Element i: index below 0 gives element 0, at or past the count the last one;
// an array that stays empty after its lazy fill gives the fallback element.
template <typename T>
T& element(HostArray<T>& array, std::int32_t index) {
  if (array.elements == nullptr && array.fill != nullptr) array.fill(array.fill_argument);
  if (array.elements == nullptr || array.count <= 0) return array.fallback;
  if (index < 0) index = 0;
  if (index >= array.count) index = array.count - 1;
  return array.elements[index];
}

}  // namespace host
