#include "host/host_array.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct LazySource {
  std::vector<int> storage;
  host::HostArray<int>* array;
  int fills = 0;
};

void fill_three(void* argument) {
  auto* source = static_cast<LazySource*>(argument);
  ++source->fills;
  source->storage = {10, 20, 30};
  source->array->elements = source->storage.data();
  source->array->count = 3;
}

void fill_nothing(void* argument) {
  ++static_cast<LazySource*>(argument)->fills;
}

TEST(HostArray, IndexOutsideTheArrayIsClampedToItsEnds) {
  int values[3] = {1, 2, 3};
  host::HostArray<int> array{values, nullptr, nullptr, 3, -7};
  EXPECT_EQ(host::element(array, 5), 3);
  EXPECT_EQ(host::element(array, -1), 1);
  EXPECT_EQ(host::element(array, 1), 2);
  host::element(array, 99) = 42;  // a write past the end lands in the last element
  EXPECT_EQ(values[2], 42);
}

TEST(HostArray, EmptyArrayReadsAndWritesItsFallback) {
  int values[1] = {5};
  host::HostArray<int> zero_count{values, nullptr, nullptr, 0, -7};
  EXPECT_EQ(host::element(zero_count, 0), -7);
  host::HostArray<int> no_elements{nullptr, nullptr, nullptr, 4, -7};
  host::element(no_elements, 2) = 11;
  EXPECT_EQ(no_elements.fallback, 11);
  EXPECT_EQ(values[0], 5);
}

TEST(HostArray, LazyFillRunsOnFirstAccessOnly) {
  LazySource source;
  host::HostArray<int> array{nullptr, &fill_three, &source, 0, -1};
  source.array = &array;
  EXPECT_EQ(host::element(array, 2), 30);
  EXPECT_EQ(host::element(array, 0), 10);
  EXPECT_EQ(source.fills, 1);
}

TEST(HostArray, FillThatProvidesNothingGivesTheFallback) {
  LazySource source;
  host::HostArray<int> array{nullptr, &fill_nothing, &source, 0, -9};
  source.array = &array;
  EXPECT_EQ(host::element(array, 0), -9);
  EXPECT_EQ(source.fills, 1);
}

}  // namespace
