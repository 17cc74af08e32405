// Every choice our host makes where the charting host's working is ours to
// decide, in one place, so the behaviour can be read and tested as a whole.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "host/drawing_record.h"
#include "host/secret_text.h"
#include "host/study_interface.h"
#include "host/study_record.h"
#include "host/transfer_failure.h"

namespace studyhost {

// Libraries built for any other interface version are refused.
inline constexpr std::int32_t kSupportedInterfaceVersion = host::kInterfaceVersion;

// Slots per study instance. Reading a slot the study never declared gives a
// zero-kind slot rather than the last declared one.
inline constexpr std::int32_t kInputSlots = host::kInputSlots;
inline constexpr std::int32_t kSubgraphSlots = host::kSubgraphSlots;

// Chart settings until a caller changes them.
inline constexpr std::int32_t kDefaultChartNumber = 1;
inline constexpr float kDefaultPriceIncrement = 0.25f;
inline constexpr std::int32_t kDefaultValueFormat = 2;
inline constexpr std::int32_t kDefaultSkipFlag = 0;

// Drawing and menu identifiers: positive, from 1 up per chart, never reused.
inline constexpr std::int32_t kFirstIdentifier = 1;

// Value to text: formats 0 to 9 give that many decimals; other formats are
// clamped into that range.
inline constexpr std::int32_t kMaxValueDecimals = 9;

// Date-time to text: this format gives the date alone, every other format
// gives the date and the time of day.
inline constexpr std::int32_t kDateOnlyFormat = host::kDateFormatYmd;

// HTTP transfers: the time-outs every transport applies and the largest body
// accepted (16 MiB, as the platform bridge hands a study); past either the
// transfer is a failure.
inline constexpr std::chrono::seconds kConnectTimeout{10};
inline constexpr std::chrono::seconds kTotalTimeout{60};
inline constexpr std::size_t kMaxResponseBytes = host::kMaxResponseBytes;

// What a failed transfer publishes as the response text, and the start of
// its message log line: the same in every host of the studies.
inline constexpr const char* kHttpErrorPrefix = host::kHttpErrorPrefix;
inline constexpr const char* kHttpFailureLogPrefix = host::kHttpFailureLogPrefix;
// The query parameter whose value never appears in a log, trace or error.
inline constexpr const char* kSecretParameter = host::kKeyParameter;
inline constexpr std::string_view kRedacted = host::kMaskedSecret;

// Rounds of publish-then-update one settle of downloads runs at most, so a
// study that requests again on every response cannot hold the host forever.
inline constexpr int kMaxDownloadRounds = 32;

}  // namespace studyhost
