// The drawing record: the 992-byte request of the host's add-or-update drawing
// operation. Its layout is fixed byte for byte; fields a request does not set
// stay at their unset markers, which tell the host to leave them alone.
#pragma once

#include <cstddef>
#include <cstdint>

#include "host/host_string.h"

namespace host {

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

// Text alignment bits (the Windows text-format flags); 0 is left and top.
enum TextAlignment : std::int32_t {
  kAlignCentre = 1,
  kAlignRight = 2,
  kAlignVerticalCentre = 4,
  kAlignBottom = 8,
};

struct DrawingRecord {
  std::int32_t record_size;           // 0: bytes of this layout (992); any other size is refused
  std::int32_t chart_number;          // 4: chart the drawing belongs to; 0 = the caller's chart
  std::int32_t reserved_8;            // 8: unused
  std::int32_t identifier;            // 12: -1 asks for a new drawing; the host writes its id here
  std::int32_t reserved_16[2];        // 16: unused
  std::int32_t transparency_percent;  // 24: fill transparency of a band, 0 to 100; -1 = opaque
  std::int32_t reserved_28;           // 28: unused
  float begin_price;                  // 32: vertical value of the start (relative: % from bottom)
  float end_price;                    // 36: vertical value of the end
  std::int32_t region;                // 40: chart region the drawing is placed in
  std::uint32_t color;                // 44: line and text colour, 0x00BBGGRR
  std::int32_t reserved_48[2];        // 48: unused
  std::int32_t font_size;             // 56: text size in points
  float reserved_60;                  // 60: unused
  std::int32_t reserved_64[32];       // 64: unused
  std::int64_t begin_datetime;        // 192: horizontal anchor; negative = days past the last bar
  std::int64_t end_datetime;          // 200: horizontal end as a date-time
  HostString text;                    // 208: text of a text drawing
  std::int32_t kind;                  // 232: what is drawn (DrawingKind)
  std::uint16_t line_width;           // 236: line width in pixels
  std::uint16_t line_style;           // 238: line style number (LineStyle)
  std::int32_t add_mode;              // 240: how the request applies (3 = add, or update by id)
  std::int32_t version;               // 244: interface version the request was laid out for
  std::int32_t reverse_text_color;  // 248: 1 = text in the fill colour on a box of the text colour
  std::int32_t reserved_252;        // 252: unused
  HostString font_face;             // 256: font family name of a text
  std::int32_t bold;                // 280: 1 = bold text
  std::int32_t reserved_284;        // 284: unused
  std::int32_t text_alignment;      // 288: text alignment bits (2 right, 4 centred, 8 bottom)
  std::int32_t relative_vertical;   // 292: 1 = begin_price and begin_datetime are relative
  std::uint32_t second_color;       // 296: fill colour of a band, box colour of a text
  std::int32_t reserved_300[6];     // 300: unused
  std::int32_t begin_bar;           // 324: bar index of the start; -1 = by date-time
  std::int32_t end_bar;             // 328: bar index of the end
  std::int32_t reserved_332[124];   // 332: unused
  std::int32_t user_drawn;          // 828: 1 = the user may move and edit the drawing
  std::int32_t reserved_832[22];    // 832: unused
  HostString third_text;            // 920: a second text some kinds show; unused here
  unsigned char reserved_944[9];    // 944: unused
  unsigned char tail_953[39];       // 953: written only for version 2561 and later
};

static_assert(sizeof(DrawingRecord) == 992);
static_assert(offsetof(DrawingRecord, record_size) == 0);
static_assert(offsetof(DrawingRecord, chart_number) == 4);
static_assert(offsetof(DrawingRecord, identifier) == 12);
static_assert(offsetof(DrawingRecord, transparency_percent) == 24);
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
static_assert(offsetof(DrawingRecord, reverse_text_color) == 248);
static_assert(offsetof(DrawingRecord, font_face) == 256);
static_assert(offsetof(DrawingRecord, bold) == 280);
static_assert(offsetof(DrawingRecord, text_alignment) == 288);
static_assert(offsetof(DrawingRecord, relative_vertical) == 292);
static_assert(offsetof(DrawingRecord, second_color) == 296);
static_assert(offsetof(DrawingRecord, begin_bar) == 324);
static_assert(offsetof(DrawingRecord, end_bar) == 328);
static_assert(offsetof(DrawingRecord, user_drawn) == 828);
static_assert(offsetof(DrawingRecord, third_text) == 920);
static_assert(offsetof(DrawingRecord, tail_953) == 953);

// The initial, all-unset state of a request.
void init(DrawingRecord& record);
// Back to the initial state; owned texts are freed.
void reset(DrawingRecord& record);
// Frees the owned buffers of the three texts.
void release(DrawingRecord& record);

// A drawing request owned by the code that fills it: it starts in the
// initial, all-unset state and frees its texts when it goes, so no path can
// forget to. It is a DrawingRecord, and the drawing operation takes its
// address as one.
struct DrawingRequest : DrawingRecord {
  DrawingRequest() { init(*this); }
  ~DrawingRequest() { release(*this); }
  // The texts go with the request; the one moved from keeps empty ones.
  DrawingRequest(DrawingRequest&& other) noexcept : DrawingRecord(other) {
    other.text = make_host_string();
    other.font_face = make_host_string();
    other.third_text = make_host_string();
  }
  DrawingRequest(const DrawingRequest&) = delete;
  DrawingRequest& operator=(const DrawingRequest&) = delete;
  DrawingRequest& operator=(DrawingRequest&&) = delete;
};

bool is_unset_price(float value);
float unset_price();
// The bit pattern of a float, which tells the unset markers from prices.
std::uint32_t float_bits(float value);

}  // namespace host
