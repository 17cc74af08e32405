// A study's drawing request as the platform's drawing tool structure: copied
// field by field, by name, into the SDK's own s_UseTool, whose size differs
// between versions of the SDK. A field the request leaves at its unset marker
// keeps the platform's default, so an update changes only what it names.
#pragma once

#include <cstdint>

#include "host/drawing_record.h"
#include "sierrachart.h"

namespace qlx_platform {

enum class ToolMapping { kMapped, kBadLayout, kUnknownKind };

// Fills `tool` (cleared first) from `record`. `kind` is the record's kind, or
// for an update that names none, the kind the drawing was made with.
ToolMapping to_use_tool(const host::DrawingRecord& record, std::int32_t kind, s_UseTool& tool);

// The platform's text-format flags for the record's alignment bits.
int text_alignment_flags(std::int32_t alignment);

// The platform's line style for a line style number; unknown numbers draw solid.
SubgraphLineStyles line_style_of(std::uint16_t style);

}  // namespace qlx_platform
