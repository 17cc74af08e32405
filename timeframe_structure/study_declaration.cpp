#include "timeframe_structure/study_declaration.h"

#include "timeframe_structure/period_levels.h"

namespace timeframe {
namespace {

constexpr std::uint32_t rgb(std::uint32_t red, std::uint32_t green, std::uint32_t blue) {
  return red | (green << 8) | (blue << 16);
}

struct OutputDeclaration {
  const char* name;
  const char* label;
  std::uint32_t color;
  std::uint16_t line_style;
  std::uint16_t line_width;
};

constexpr std::uint32_t kSessionColor = rgb(65, 105, 225);
constexpr std::uint32_t kWeekColor = rgb(107, 142, 35);
constexpr std::uint32_t kMonthColor = rgb(255, 140, 0);
constexpr std::uint32_t kQuarterColor = rgb(255, 0, 255);
constexpr std::uint32_t kYearColor = rgb(0, 255, 255);

// High and low solid, close dotted, mid dash-dot-dot; wider lines for longer periods.
constexpr OutputDeclaration kOutputs[kOutputCount] = {
    {"Prev. Trading Session High", "   PDH", kSessionColor, host::kLineSolid, 1},
    {"Prev. Trading Session Low", "   PDL", kSessionColor, host::kLineSolid, 1},
    {"Prev. Trading Session Close", "   PDC", kSessionColor, host::kLineDot, 1},
    {"Prev. Trading Session Mid", "   PDM", kSessionColor, host::kLineDashDotDot, 1},
    {"Prev. Week High", "   PWH", kWeekColor, host::kLineSolid, 2},
    {"Prev. Week Low", "   PWL", kWeekColor, host::kLineSolid, 2},
    {"Prev. Week Close", "   PWC", kWeekColor, host::kLineDot, 2},
    {"Prev. Week Mid", "   PWM", kWeekColor, host::kLineDashDotDot, 2},
    {"Prev. Month High", "   PMH", kMonthColor, host::kLineSolid, 3},
    {"Prev. Month Low", "   PML", kMonthColor, host::kLineSolid, 3},
    {"Prev. Month Close", "   PMC", kMonthColor, host::kLineDot, 3},
    {"Prev. Month Mid", "   PMM", kMonthColor, host::kLineDashDotDot, 3},
    {"Prev. Quarter High", "   PQH", kQuarterColor, host::kLineSolid, 3},
    {"Prev. Quarter Low", "   PQL", kQuarterColor, host::kLineSolid, 3},
    {"Prev. Quarter Close", "   PQC", kQuarterColor, host::kLineDot, 3},
    {"Prev. Quarter Mid", "   PQM", kQuarterColor, host::kLineDashDotDot, 3},
    {"Prev. Year High", "   PYH", kYearColor, host::kLineSolid, 3},
    {"Prev. Year Low", "   PYL", kYearColor, host::kLineSolid, 3},
    {"Prev. Year Close", "   PYC", kYearColor, host::kLineDot, 3},
    {"Prev. Year Mid", "   PYM", kYearColor, host::kLineDashDotDot, 3},
};

constexpr const char* kEnabledNames[kPeriodCount] = {
    "Prev. Trading Session Enabled", "Prev. Week Enabled", "Prev. Month Enabled",
    "Prev. Quarter Enabled",         "Prev. Year Enabled",
};

void declare_inputs(host::StudyInterface& sc) {
  host::InputSlot& asset_class = host::element(sc.inputs, input::kAssetClass);
  host::set_name(asset_class, "Asset Class");
  host::set_int(asset_class, host::kKindCustomList, 0);
  host::set_list_entries(asset_class, kAssetClassEntries);

  host::InputSlot& symbol = host::element(sc.inputs, input::kSymbol);
  host::set_name(symbol, "Symbol");
  host::set_text_kind(symbol);

  host::InputSlot& api_key = host::element(sc.inputs, input::kApiKey);
  host::set_name(api_key, "API Key");
  host::set_text_kind(api_key);

  for (std::int32_t k = 0; k < kPeriodCount; ++k) {
    host::InputSlot& enabled = host::element(sc.inputs, input::kFirstEnabled + k);
    host::set_name(enabled, kEnabledNames[k]);
    host::set_int(enabled, host::kKindYesNo, 1);
  }

  host::InputSlot& session_start = host::element(sc.inputs, input::kSessionStartTime);
  host::set_name(session_start, "Trading Session Start Time");
  host::set_double(session_start, host::kKindTimeOfDay, kDefaultSessionStart);

  host::InputSlot& crypto = host::element(sc.inputs, input::kIsCrypto);
  host::set_name(crypto, "Is Crypto");
  host::set_int(crypto, host::kKindYesNo, 0);
}

void declare_outputs(host::StudyInterface& sc) {
  for (std::int32_t n = 0; n < kOutputCount; ++n) {
    const OutputDeclaration& declaration = kOutputs[n];
    host::SubgraphSlot& output = host::element(sc.subgraphs, n);
    host::assign(output.name, declaration.name);
    host::assign(output.short_label, declaration.label);
    output.primary_color = declaration.color;
    output.line_style = declaration.line_style;
    output.line_width = declaration.line_width;
    // Bars outside a record's period keep 0 and must not draw.
    output.draw_style = host::kDrawStyleLineSkipZero;
  }
}

}  // namespace

void declare_study(host::StudyInterface& sc) {
  host::assign(sc.study_name, kStudyName);
  if (!host::is_empty(sc.second_display_text)) host::assign(sc.second_display_text, "", 0);
  sc.auto_loop = 0;  // the study walks the bars itself from the first bar to update
  sc.region = 0;
  sc.uses_price_scale = 1;
  declare_inputs(sc);
  declare_outputs(sc);
}

}  // namespace timeframe
