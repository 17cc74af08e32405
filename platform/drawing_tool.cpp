#include "platform/drawing_tool.h"

#include "platform/date_time.h"

namespace qlx_platform {
namespace {

bool price_set(float value) {
  const std::uint32_t bits = host::float_bits(value);
  return bits != host::kUnsetPriceBits && bits != host::kUnsetFloatLowestBits;
}

bool drawing_type_of(std::int32_t kind, DrawingTypeEnum& type) {
  switch (kind) {
    case host::kDrawingLine:
      type = DRAWING_LINE;
      return true;
    case host::kDrawingText:
      type = DRAWING_TEXT;
      return true;
    case host::kDrawingBand:
      // A band is a filled rectangle between two prices over a run of bars.
      type = DRAWING_RECTANGLEHIGHLIGHT;
      return true;
    default:
      return false;
  }
}

}  // namespace

int text_alignment_flags(std::int32_t alignment) {
  if (alignment < 0) return alignment;
  int flags = DT_LEFT | DT_TOP;
  if ((alignment & host::kAlignCentre) != 0) flags |= DT_CENTER;
  if ((alignment & host::kAlignRight) != 0) flags |= DT_RIGHT;
  if ((alignment & host::kAlignVerticalCentre) != 0) flags |= DT_VCENTER;
  if ((alignment & host::kAlignBottom) != 0) flags |= DT_BOTTOM;
  return flags;
}

SubgraphLineStyles line_style_of(std::uint16_t style) {
  switch (style) {
    case host::kLineDash:
      return LINESTYLE_DASH;
    case host::kLineDot:
      return LINESTYLE_DOT;
    case host::kLineDashDot:
      return LINESTYLE_DASHDOT;
    case host::kLineDashDotDot:
      return LINESTYLE_DASHDOTDOT;
    default:
      return LINESTYLE_SOLID;
  }
}

ToolMapping to_use_tool(const host::DrawingRecord& r, std::int32_t kind, s_UseTool& tool) {
  if (r.record_size != host::kDrawingRecordSize || r.add_mode != host::kAddOrUpdate) {
    return ToolMapping::kBadLayout;
  }
  DrawingTypeEnum type{};
  if (!drawing_type_of(kind, type)) return ToolMapping::kUnknownKind;

  tool.Clear();
  tool.DrawingType = type;
  tool.AddMethod = UTAM_ADD_OR_ADJUST;
  tool.ChartNumber = r.chart_number;
  tool.LineNumber = r.identifier;
  tool.Region = r.region;
  tool.Color = r.color;
  tool.SecondaryColor = r.second_color;
  tool.TransparencyLevel = r.transparency_percent;
  tool.FontSize = r.font_size;
  tool.FontBold = r.bold;
  tool.ReverseTextColor = r.reverse_text_color;
  tool.TextAlignment = text_alignment_flags(r.text_alignment);
  tool.UseRelativeVerticalValues = r.relative_vertical;
  tool.AddAsUserDrawnDrawing = r.user_drawn;
  tool.BeginIndex = r.begin_bar;
  tool.EndIndex = r.end_bar;
  if (price_set(r.begin_price)) tool.BeginValue = r.begin_price;
  if (price_set(r.end_price)) tool.EndValue = r.end_price;
  // 0 is the request's unset date-time; the values the studies send are
  // whole days (a relative position, or days after the last bar) or bar times.
  if (r.begin_datetime != 0) tool.BeginDateTime = to_platform_time(r.begin_datetime);
  if (r.end_datetime != 0) tool.EndDateTime = to_platform_time(r.end_datetime);
  if (r.line_width != host::kUnsetWord) tool.LineWidth = r.line_width;
  if (r.line_style != host::kUnsetWord) tool.LineStyle = line_style_of(r.line_style);
  if (!host::is_empty(r.text)) tool.Text = host::text_of(r.text);
  if (!host::is_empty(r.font_face)) tool.FontFace = host::text_of(r.font_face);
  return ToolMapping::kMapped;
}

}  // namespace qlx_platform
