// TEST DOUBLE. A stand-in for the charting platform's custom-study SDK header,
// written for this project's tests of the platform bridge; it is not the
// platform's header, holds none of its text and is never shipped. It offers
// only the names the bridge uses, with the same call shapes, backed by a
// minimal implementation that the fake platform in tests/platform drives.
//
// Its numeric codes (value types, drawing types, draw styles, line styles,
// alignment flags) differ on purpose from studyhost's, so a bridge that
// copied a raw number instead of mapping a meaning fails the tests.
#pragma once

#include <cmath>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

// A test may build a DLL that reports another version (studyhost's own, to
// see what studyhost makes of a platform DLL that claims it).
#ifndef SC_DLL_VERSION
#define SC_DLL_VERSION 1977
#endif

#ifdef _WIN32
#define SCDLLEXPORT extern "C" __declspec(dllexport)
#else
#define SCDLLEXPORT extern "C" __attribute__((visibility("default")))
#endif
#define SCDLLCALL
#define SCSFExport SCDLLEXPORT void SCDLLCALL
#define SCDLLName(DLLName)                            \
  SCDLLEXPORT int SCDLLCALL scdll_DLLVersion() {      \
    return SC_DLL_VERSION;                            \
  }                                                   \
  SCDLLEXPORT const char* SCDLLCALL scdll_DLLName() { \
    return DLLName;                                   \
  }

#ifdef _WIN32
// As in the platform's SDK, the colour type and the text-format flags are
// the system's, and the system header comes whole: min and max are macros
// unless the includer defined NOMINMAX.
#include <windows.h>
#else
using COLORREF = std::uint32_t;

// Text-format flags.
inline constexpr int DT_TOP = 0;
inline constexpr int DT_LEFT = 0;
inline constexpr int DT_CENTER = 0x100;
inline constexpr int DT_RIGHT = 0x200;
inline constexpr int DT_VCENTER = 0x400;
inline constexpr int DT_BOTTOM = 0x800;
#endif

inline constexpr int FLAG_DT_YEAR = 0x10;
inline constexpr int FLAG_DT_MONTH = 0x20;
inline constexpr int FLAG_DT_DAY = 0x40;
inline constexpr int FLAG_DT_HOUR = 0x80;
inline constexpr int FLAG_DT_MINUTE = 0x100;
inline constexpr int FLAG_DT_SECOND = 0x200;
inline constexpr int FLAG_DT_COMPLETE_DATE = FLAG_DT_YEAR | FLAG_DT_MONTH | FLAG_DT_DAY;
inline constexpr int FLAG_DT_COMPLETE_TIME = FLAG_DT_HOUR | FLAG_DT_MINUTE | FLAG_DT_SECOND;

inline constexpr int TOOL_DELETE_CHARTDRAWING = 3;

enum InputValueTypes {
  NO_VALUE = 100,
  OHLC_VALUE,
  FLOAT_VALUE,
  STUDYINDEX_VALUE,
  SUBGRAPHINDEX_VALUE,
  YESNO_VALUE,
  MOVAVGTYPE_VALUE,
  DATE_VALUE,
  TIME_VALUE,
  DATETIME_VALUE,
  INT_VALUE,
  STUDYID_VALUE,
  COLOR_VALUE,
  ALERT_SOUND_NUMBER_VALUE,
  CANDLESTICK_PATTERNS_VALUE,
  TIME_PERIOD_LENGTH_UNIT_VALUE,
  CHART_STUDY_SUBGRAPH_VALUES,
  CHART_NUMBER,
  CUSTOM_STRING_VALUE,
  DOUBLE_VALUE,
  TIMEZONE_VALUE,
  TIME_WITH_TIMEZONE_VALUE,
  STRING_VALUE,
  PATH_AND_FILE_NAME_VALUE,
  FIND_SYMBOL_VALUE,
};

enum SubgraphLineStyles {
  LINESTYLE_UNSET = -1,
  LINESTYLE_SOLID = 40,
  LINESTYLE_DASH,
  LINESTYLE_DOT,
  LINESTYLE_DASHDOT,
  LINESTYLE_DASHDOTDOT,
};

enum DrawingTypeEnum {
  DRAWING_UNKNOWN = 0,
  DRAWING_LINE = 201,
  DRAWING_TEXT = 206,
  DRAWING_RECTANGLEHIGHLIGHT = 212,
};

enum UseToolAddMethodEnum { UTAM_NOT_SET = 50, UTAM_ADD_ALWAYS, UTAM_ADD_OR_ADJUST };

inline constexpr std::uint16_t DRAWSTYLE_LINE = 300;
inline constexpr std::uint16_t DRAWSTYLE_LINE_SKIP_ZEROS = 335;

enum ScaleRangeTypeEnum : unsigned int { SCALE_AUTO = 60, SCALE_SAMEASREGION = 63 };

enum TimeZonesEnum { TIMEZONE_NOT_SPECIFIED = 70, TIMEZONE_UTC = 71 };

// A text owned by value.
class SCString {
 public:
  SCString() = default;
  SCString(const char* text) : text_(text != nullptr ? text : "") {}
  SCString& operator=(const char* text) {
    text_ = text != nullptr ? text : "";
    return *this;
  }
  const char* GetChars() const { return text_.c_str(); }
  int GetLength() const { return static_cast<int>(text_.size()); }
  int IsEmpty() const { return text_.empty() ? 1 : 0; }
  SCString& Format(const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    char buffer[1024];
    std::vsnprintf(buffer, sizeof buffer, format, arguments);
    va_end(arguments);
    text_ = buffer;
    return *this;
  }

 private:
  std::string text_;
};

// A date-time as a count of days since 1899-12-30 (the older of the SDK's two
// representations, and the one that loses precision first). A date and a
// time of day are first combined into a 64-bit count of microseconds, as the
// newer SDKs hold them, so a date past what those hold overflows here too.
class SCDateTime {
 public:
  SCDateTime() = default;
  SCDateTime(double days) : days_(days) {}
  SCDateTime(int date, int time_in_seconds)
      : days_(static_cast<double>(date * std::int64_t{86400000000} +
                                  time_in_seconds * std::int64_t{1000000}) /
              86400000000.0) {}
  int GetDate() const { return static_cast<int>(std::floor(days_ + 0.5 / 86400000.0)); }
  int GetTimeInMilliseconds() const {
    const double fraction = days_ - std::floor(days_);
    const long long ms = std::llround(fraction * 86400000.0);
    return static_cast<int>(ms >= 86400000 ? 0 : ms);
  }
  double GetAsDouble() const { return days_; }

 private:
  double days_ = 0.0;
};
using SCDateTimeMS = SCDateTime;

// An array the platform owns; reading an element may first let the platform
// make the array, and an index outside it reads the nearest end.
template <typename T>
class c_ArrayWrapper {
 public:
  T& operator[](int index) {
    if (data_ == nullptr && on_used_ != nullptr) on_used_(on_used_argument_);
    if (data_ == nullptr || size_ <= 0) return default_element_;
    if (index < 0) index = 0;
    if (index >= size_) index = size_ - 1;
    return data_[index];
  }
  int GetArraySize() const { return size_; }
  T* GetPointer() { return data_; }

  // For the fake platform.
  void standin_set(T* data, int size) {
    data_ = data;
    size_ = size;
  }
  void standin_on_used(void (*on_used)(void*), void* argument) {
    on_used_ = on_used;
    on_used_argument_ = argument;
  }

 private:
  T* data_ = nullptr;
  int size_ = 0;
  void (*on_used_)(void*) = nullptr;
  void* on_used_argument_ = nullptr;
  T default_element_{};
};

using SCFloatArray = c_ArrayWrapper<float>;
using SCDateTimeArray = c_ArrayWrapper<SCDateTime>;

struct s_SCInput_145 {
  SCString Name;
  unsigned char ValueType = NO_VALUE;
  std::uint16_t DisplayOrder = 0;
  unsigned int IndexValue = 0;
  float FloatValue = 0.0f;
  unsigned int BooleanValue = 0;
  int IntValue = 0;
  unsigned int ColorValue = 0;
  double DateTimeValue = 0.0;
  unsigned int TimeZoneValue = 0;
  double DoubleValue = 0.0;
  bool StringModified = false;
  const char* StringValue = nullptr;
  const char* SelectedCustomInputString = nullptr;
  std::string standin_custom_strings;  // what the study gave as list entries
  std::string standin_text;            // the buffer behind StringValue

  s_SCInput_145& SetFloat(float value) {
    ValueType = FLOAT_VALUE;
    FloatValue = value;
    return *this;
  }
  s_SCInput_145& SetYesNo(unsigned int value) {
    ValueType = YESNO_VALUE;
    BooleanValue = value != 0 ? 1 : 0;
    return *this;
  }
  s_SCInput_145& SetInt(int value) {
    ValueType = INT_VALUE;
    IntValue = value;
    return *this;
  }
  s_SCInput_145& SetColor(unsigned int value) {
    ValueType = COLOR_VALUE;
    ColorValue = value;
    return *this;
  }
  s_SCInput_145& SetCustomInputIndex(unsigned int value) {
    ValueType = CUSTOM_STRING_VALUE;
    IndexValue = value;
    return *this;
  }
  s_SCInput_145& SetTimeAsSCDateTime(const SCDateTime& time) {
    ValueType = TIME_VALUE;
    DateTimeValue = time.GetAsDouble() - std::floor(time.GetAsDouble());
    return *this;
  }
  s_SCInput_145& SetDateTime(const SCDateTime& value) {
    ValueType = DATETIME_VALUE;
    DateTimeValue = value.GetAsDouble();
    return *this;
  }
  s_SCInput_145& SetDouble(double value) {
    ValueType = DOUBLE_VALUE;
    DoubleValue = value;
    return *this;
  }
  s_SCInput_145& SetString(const char* value) {
    ValueType = STRING_VALUE;
    StringModified = true;
    if (value == nullptr || value[0] == '\0') {
      standin_text.clear();
      StringValue = nullptr;
    } else {
      standin_text = value;
      StringValue = standin_text.c_str();
    }
    return *this;
  }
  void SetCustomInputStrings(const char* entries) {
    standin_custom_strings = entries != nullptr ? entries : "";
  }
};

struct s_SCSubgraph_260 {
  SCString Name;
  SCString ShortName;
  unsigned int PrimaryColor = 0;
  std::uint16_t DrawStyle = DRAWSTYLE_LINE;
  SubgraphLineStyles LineStyle = LINESTYLE_SOLID;
  std::uint16_t LineWidth = 0;
  SCFloatArray Data;
};

using SCInput145Array = c_ArrayWrapper<s_SCInput_145>;
using SCSubgraph260Array = c_ArrayWrapper<s_SCSubgraph_260>;

class s_UseTool {
 public:
  int ChartNumber = 0;
  int LineNumber = -1;
  int TransparencyLevel = -1;
  float BeginValue = 1.17549435e-38f;  // the smallest normal float: unset
  float EndValue = 1.17549435e-38f;
  int Region = -1;
  COLORREF Color = 0xFF000000u;
  int FontSize = -1;
  SCDateTimeMS BeginDateTime;
  SCDateTimeMS EndDateTime;
  SCString Text;
  DrawingTypeEnum DrawingType = DRAWING_UNKNOWN;
  std::uint16_t LineWidth = 0xFFFF;
  SubgraphLineStyles LineStyle = LINESTYLE_UNSET;
  int AddMethod = UTAM_ADD_OR_ADJUST;
  int ReverseTextColor = -1;
  SCString FontFace;
  int FontBold = -1;
  int TextAlignment = -1;
  int UseRelativeVerticalValues = -1;
  COLORREF SecondaryColor = 0xFF000000u;
  int BeginIndex = -1;
  int EndIndex = -1;
  int AddAsUserDrawnDrawing = 0;

  void Clear() { *this = s_UseTool(); }
};

struct s_sc;
using SCStudyInterfaceRef = s_sc&;

struct s_sc {
  int SetDefaults = 0;
  int LastCallToFunction = 0;
  SCString GraphName;
  SCString StudyDescription;
  int AutoLoop = 0;
  int Index = 0;
  int GraphRegion = 0;
  int ArraySize = 0;
  int UpdateStartIndex = 0;
  int IsFullRecalculation = 0;
  int ChartNumber = 0;
  float TickSize = 0.0f;
  int BaseGraphValueFormat = 0;
  int DownloadingHistoricalData = 0;
  std::uint16_t ScaleRangeType = SCALE_AUTO;
  int DrawStudyUnderneathMainPriceGraph = 1;
  int MenuEventID = 0;
  SCDateTimeArray BaseDateTimeIn;
  SCInput145Array Input;
  SCSubgraph260Array Subgraph;
  SCString HTTPResponse;
  int HTTPRequestID = 0;  // on the call that completes a request: its identifier

  int& (*GetPersistentInt)(int key) = nullptr;
  void*& (*GetPersistentPointer)(int key) = nullptr;
  int (*MakeHTTPRequest)(const SCString& url) = nullptr;  // the request's identifier, 0 = refused
  int (*Internal_UseDrawingTool)(s_UseTool& tool) = nullptr;
  int (*DeleteACSChartDrawing)(int chart_number, int tool, int line_number) = nullptr;
  SCString (*FormatGraphValue)(double value, int value_format) = nullptr;
  SCString (*DateTimeToString)(const SCDateTime& date_time, int flags) = nullptr;
  // Two members the bridge must not use for a map's day and its first bar
  // (the day is the chart's calendar day; the first bar is the first at or
  // after its midnight): the fake answers them as the platform would, so a
  // bridge that did shows in the tests.
  SCDateTimeMS (*InternalConvertDateTimeToChartTimeZone)(const SCDateTime& date_time,
                                                         TimeZonesEnum time_zone) = nullptr;
  int (*GetContainingIndexForSCDateTime)(int chart_number, const SCDateTime& date_time) = nullptr;
  void (*p_AddMessageToLog)(const char* message, int show_log) = nullptr;
  int (*AddACSChartShortcutMenuItem)(int chart_number, const char* text) = nullptr;
  int (*AddACSChartShortcutMenuSeparator)(int chart_number) = nullptr;
  int (*ChangeACSChartShortcutMenuItemText)(int chart_number, int id, const char* text) = nullptr;
  int (*SetACSChartShortcutMenuItemChecked)(int chart_number, int id, int checked) = nullptr;
  int (*RemoveACSChartShortcutMenuItem)(int chart_number, int id) = nullptr;

  int UseTool(s_UseTool& tool) { return Internal_UseDrawingTool(tool); }
  void AddMessageToLog(const char* message, int show_log) { p_AddMessageToLog(message, show_log); }
  void AddMessageToLog(const SCString& message, int show_log) {
    p_AddMessageToLog(message.GetChars(), show_log);
  }
  SCDateTimeMS ConvertDateTimeToChartTimeZone(const SCDateTime& date_time, TimeZonesEnum zone) {
    return InternalConvertDateTimeToChartTimeZone(date_time, zone);
  }
};
