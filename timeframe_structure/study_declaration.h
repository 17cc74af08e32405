// What the study declares to the host on the defaults call: its name and
// settings, its ten inputs and its twenty outputs.
#pragma once

#include <cstdint>

#include "host/study_interface.h"

namespace timeframe {

inline constexpr const char* kStudyName = "QLX TIMEFRAME STRUCTURE";

// Input numbers.
namespace input {
inline constexpr std::int32_t kAssetClass = 0;
inline constexpr std::int32_t kSymbol = 1;
inline constexpr std::int32_t kApiKey = 2;
// "Prev. ... Enabled" of timeframe code c is input kFirstEnabled + c - 1.
inline constexpr std::int32_t kFirstEnabled = 3;
inline constexpr std::int32_t kSessionStartTime = 8;
inline constexpr std::int32_t kIsCrypto = 9;
inline constexpr std::int32_t kCount = 10;
}  // namespace input

inline constexpr const char* kAssetClassEntries = "Crypto;Futures;Stocks;ETF;Forex";
inline constexpr double kDefaultSessionStart = 0.7083333333333334;  // 17:00:00

// Declares name, settings, inputs and outputs, in the order the host lists them.
void declare_study(host::StudyInterface& sc);

}  // namespace timeframe
