// The drawing record: the 992-byte request of the host's add-or-update drawing
// operation. Its layout is fixed byte for byte; fields a request does not set
// stay at their unset markers, which tell the host to leave them alone.
#pragma once

#include <cstddef>
#include <cstdint>

#include "host/host_string.h"

namespace host {

inline constexpr std::int32_t kInterfaceVersion = 2628;

inline constexpr std::int32_t kDrawingRecordSize = 992;
inline constexpr std::int32_t kNewDrawing = -1;
inline constexpr std::int32_t kAddOrUpdate = 3;
inline constexpr std::uint32_t kUnsetColor = 0xFF000000u;
inline constexpr std::uint32_t kUnsetPriceBits = 0x00800000u;
inline constexpr std::uint32_t kUnsetFloatLowestBits = 0xFF7FFFFFu;
inline constexpr std::uint16_t kUnsetWord = 0xFFFF;

enum DrawingKind : std::int32_t {
  kDrawingNone = 0,
  kDrawingLine = 1,
  kDrawingText = 6,
  kDrawingBand = 12,
};

struct DrawingRecord {
  std::int32_t record_size;        // 0
  std::int32_t chart_number;       // 4
  std::int32_t reserved_8;         // 8
  std::int32_t identifier;         // 12
  std::int32_t reserved_16[2];     // 16
  std::int32_t band_setting;       // 24
  std::int32_t reserved_28;        // 28
  float begin_price;               // 32
  float end_price;                 // 36
  std::int32_t region;             // 40
  std::uint32_t color;             // 44
  std::int32_t reserved_48[2];     // 48
  std::int32_t font_size;          // 56
  float reserved_60;               // 60
  std::int32_t reserved_64[32];    // 64
  std::int64_t begin_datetime;     // 192
  std::int64_t end_datetime;       // 200
  HostString text;                 // 208
  std::int32_t kind;               // 232
  std::uint16_t line_width;        // 236
  std::uint16_t line_style;        // 238
  std::int32_t add_mode;           // 240
  std::int32_t version;            // 244
  std::int32_t label_setting_a;    // 248
  std::int32_t reserved_252;       // 252
  HostString font_face;            // 256
  std::int32_t label_setting_b;    // 280
  std::int32_t reserved_284;       // 284
  std::int32_t text_alignment;     // 288
  std::int32_t status_setting;     // 292
  std::uint32_t second_color;      // 296
  std::int32_t reserved_300[6];    // 300
  std::int32_t begin_bar;          // 324
  std::int32_t end_bar;            // 328
  std::int32_t reserved_332[124];  // 332
  std::int32_t label_setting_c;    // 828
  std::int32_t reserved_832[22];   // 832
  HostString third_text;           // 920
  unsigned char reserved_944[9];   // 944
  unsigned char tail_953[39];      // 953, written only for version 2561 and later
};

static_assert(sizeof(DrawingRecord) == 992);
static_assert(offsetof(DrawingRecord, record_size) == 0);
static_assert(offsetof(DrawingRecord, chart_number) == 4);
static_assert(offsetof(DrawingRecord, identifier) == 12);
static_assert(offsetof(DrawingRecord, band_setting) == 24);
static_assert(offsetof(DrawingRecord, begin_price) == 32);
static_assert(offsetof(DrawingRecord, end_price) == 36);
static_assert(offsetof(DrawingRecord, region) == 40);
static_assert(offsetof(DrawingRecord, color) == 44);
static_assert(offsetof(DrawingRecord, font_size) == 56);
static_assert(offsetof(DrawingRecord, begin_datetime) == 192);
static_assert(offsetof(DrawingRecord, text) == 208);
static_assert(offsetof(DrawingRecord, kind) == 232);
static_assert(offsetof(DrawingRecord, line_width) == 236);
static_assert(offsetof(DrawingRecord, line_style) == 238);
static_assert(offsetof(DrawingRecord, add_mode) == 240);
static_assert(offsetof(DrawingRecord, version) == 244);
static_assert(offsetof(DrawingRecord, label_setting_a) == 248);
static_assert(offsetof(DrawingRecord, font_face) == 256);
static_assert(offsetof(DrawingRecord, label_setting_b) == 280);
static_assert(offsetof(DrawingRecord, text_alignment) == 288);
static_assert(offsetof(DrawingRecord, status_setting) == 292);
static_assert(offsetof(DrawingRecord, second_color) == 296);
static_assert(offsetof(DrawingRecord, begin_bar) == 324);
static_assert(offsetof(DrawingRecord, end_bar) == 328);
static_assert(offsetof(DrawingRecord, label_setting_c) == 828);
static_assert(offsetof(DrawingRecord, third_text) == 920);
static_assert(offsetof(DrawingRecord, tail_953) == 953);

// The initial, all-unset state of a request.
void init(DrawingRecord& record);
// Back to the initial state; owned texts are freed.
void reset(DrawingRecord& record);
// Frees the owned buffers of the three texts.
void release(DrawingRecord& record);

bool is_unset_price(float value);
float unset_price();

}  // namespace host
