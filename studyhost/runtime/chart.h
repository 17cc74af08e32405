// The chart a host runs its studies on: bars and the chart's settings.
#pragma once

#include <cstdint>

#include "studyhost/runtime/host_constants.h"

namespace studyhost {

struct Bar {
  std::int64_t datetime;  // microseconds since 1899-12-30 00:00
  float open;
  float high;
  float low;
  float close;
  float volume;
};

struct ChartSettings {
  std::int32_t chart_number = kDefaultChartNumber;
  float price_increment = kDefaultPriceIncrement;
  std::int32_t value_format = kDefaultValueFormat;
  std::int32_t skip_flag = kDefaultSkipFlag;
};

}  // namespace studyhost
