// The studies in the platform, through the bridge and the stand-in SDK, against
// the same studies in studyhost: the same session must leave the same
// drawings, values, menu and log in both hosts. A wrong mapping of a field, a
// code or a call shows up as a difference.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

#include "fake_platform.h"
#include "host/transfer_failure.h"
#include "platform/bridge.h"
#include "platform/bridged_instance.h"
#include "platform/date_time.h"
#include "pricemap_overlay/study_entry.h"
#include "studyhost/runtime/host.h"
#include "studyhost/runtime/scripted_transport.h"
#include "timeframe_structure/study_entry.h"

namespace {

using fake_platform::FakePlatform;
using fake_platform::Study;

void pricemap_in_platform(SCStudyInterfaceRef sc) {
  qlx_platform::run_in_platform(sc, &pricemap::run_study);
}
void timeframe_in_platform(SCStudyInterfaceRef sc) {
  qlx_platform::run_in_platform(sc, &timeframe::run_study);
}
void pricemap_in_studyhost(host::StudyInterface* sc) {
  pricemap::run_study(*sc);
}
void timeframe_in_studyhost(host::StudyInterface* sc) {
  timeframe::run_study(*sc);
}

std::string response(const char* timeframe) {
  std::ifstream in(std::string(QLX_DATA_DIR) + "/levels/Futures/ES_" + timeframe + ".json");
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// Five days of 15-minute bars, midnight included, up to the newest price map.
std::vector<std::int64_t> bar_times() {
  std::vector<std::int64_t> times;
  const std::int64_t first_day = 45943;  // 2025-10-13
  for (int i = 0; i < 5 * 96; ++i)
    times.push_back(first_day * host::kMicrosPerDay + i * 900000000LL);
  return times;
}

// One drawing in the studies' terms, whichever host kept it.
struct Seen {
  std::int32_t kind, begin_bar, end_bar, region, font_size, line_width, line_style, alignment;
  std::int32_t transparency, bold, reverse, relative;
  float begin_price, end_price;
  std::uint32_t color, second_color;
  std::int64_t begin_datetime;
  std::string text, font_face;
  auto key() const {
    return std::tie(kind, begin_bar, end_bar, begin_price, end_price, color, text, begin_datetime,
                    alignment, line_width, line_style);
  }
  bool operator==(const Seen&) const = default;
};

Seen seen(const studyhost::DrawingState& d) {
  return Seen{d.kind,
              d.begin_bar,
              d.end_bar,
              d.region,
              d.font_size,
              d.line_width,
              d.line_style,
              d.text_alignment,
              d.transparency_percent,
              d.bold,
              d.reverse_text_color,
              d.relative_vertical,
              d.has_begin_price ? d.begin_price : 0.0f,
              d.has_end_price ? d.end_price : 0.0f,
              d.color,
              d.second_color,
              d.begin_datetime,
              d.text,
              d.font_face};
}

std::int32_t kind_back(DrawingTypeEnum type) {
  switch (type) {
    case DRAWING_LINE:
      return host::kDrawingLine;
    case DRAWING_TEXT:
      return host::kDrawingText;
    case DRAWING_RECTANGLEHIGHLIGHT:
      return host::kDrawingBand;
    default:
      return -1;
  }
}

std::int32_t alignment_back(int flags) {
  if (flags < 0) return flags;
  return ((flags & DT_CENTER) != 0 ? host::kAlignCentre : 0) |
         ((flags & DT_RIGHT) != 0 ? host::kAlignRight : 0) |
         ((flags & DT_VCENTER) != 0 ? host::kAlignVerticalCentre : 0) |
         ((flags & DT_BOTTOM) != 0 ? host::kAlignBottom : 0);
}

Seen seen(const s_UseTool& t) {
  const s_UseTool unset;
  auto price = [&](float value) { return value == unset.BeginValue ? 0.0f : value; };
  return Seen{kind_back(t.DrawingType),
              t.BeginIndex,
              t.EndIndex,
              t.Region,
              t.FontSize,
              t.LineWidth == 0xFFFF ? -1 : t.LineWidth,
              t.LineStyle == LINESTYLE_UNSET ? -1 : t.LineStyle - LINESTYLE_SOLID,
              alignment_back(t.TextAlignment),
              t.TransparencyLevel,
              t.FontBold,
              t.ReverseTextColor,
              t.UseRelativeVerticalValues,
              price(t.BeginValue),
              price(t.EndValue),
              t.Color,
              t.SecondaryColor,
              qlx_platform::from_platform_time(t.BeginDateTime),
              t.Text.GetChars(),
              t.FontFace.GetChars()};
}

template <typename Drawings>
std::vector<Seen> all_seen(const Drawings& drawings) {
  std::vector<Seen> list;
  for (const auto& [id, drawing] : drawings) list.push_back(seen(drawing));
  std::sort(list.begin(), list.end(),
            [](const Seen& a, const Seen& b) { return a.key() < b.key(); });
  return list;
}

// The same chart in both hosts.
struct TwoHosts {
  // The host gives its studies their last calls when it goes, so the library
  // and the transport outlive it.
  studyhost::ScriptedTransport transport;
  std::unique_ptr<studyhost::StudyLibrary> library;
  studyhost::Host studyhost_chart{transport};
  FakePlatform platform_chart;
  studyhost::StudyInstance* in_studyhost = nullptr;
  Study* in_platform = nullptr;

  TwoHosts(StudyFunction studyhost_function, fake_platform::StudyFunction platform_function,
           const std::vector<std::int64_t>& times = bar_times())
      : platform_chart(platform_bars(times)) {
    std::vector<studyhost::Bar> bars;
    for (const std::int64_t t : times) bars.push_back(studyhost::Bar{t, 1, 2, 0.5f, 1, 10});
    studyhost_chart.set_bars(std::move(bars));
    for (const char* tf : {"D", "W", "M", "Q", "Y"}) transport.respond(url_of(tf), response(tf));
    library = studyhost::StudyLibrary::in_process(studyhost_function, "study_64");
    in_studyhost = &studyhost_chart.add_study(*library);
    in_platform = &platform_chart.add_study(platform_function);
  }

  static std::vector<SCDateTime> platform_bars(
      const std::vector<std::int64_t>& times = bar_times()) {
    std::vector<SCDateTime> bars;
    for (const std::int64_t t : times) bars.push_back(qlx_platform::to_platform_time(t));
    return bars;
  }

  // The request of a timeframe, up to its key.
  static std::string url_of(const char* timeframe) {
    return std::string(
               "https://fernhollow.com/wp-json/fernhollow/v1/getcsv?"
               "assetClass=Futures&symbol=ES&timeframe=") +
           timeframe;
  }

  void set_text(std::int32_t index, const char* text) {
    in_studyhost->set_input_text(index, text);
    in_platform->inputs[static_cast<std::size_t>(index)].SetString(text);
  }
  void set_int(std::int32_t index, std::int32_t value) {
    in_studyhost->set_input_int(index, value);
    s_SCInput_145& input = in_platform->inputs[static_cast<std::size_t>(index)];
    if (input.ValueType == CUSTOM_STRING_VALUE) {
      input.SetCustomInputIndex(static_cast<unsigned>(value));
      static const char* const kAssetClasses[] = {"Crypto", "Futures", "Stocks", "ETF", "Forex"};
      input.SelectedCustomInputString = kAssetClasses[value];
    } else {
      input.SetInt(value);
    }
  }

  // The study's Asset Class, Symbol and API Key inputs, at their numbers.
  void ask_for_es(std::int32_t asset_class, std::int32_t symbol, std::int32_t api_key) {
    set_int(asset_class, 1);  // Futures
    set_text(symbol, "ES");
    set_text(api_key, "secret-key-123");
  }

  void full_recalculation() {
    studyhost_chart.full_recalculation(*in_studyhost);
    platform_chart.full_recalculation(*in_platform);
  }
  void update_last_bar() {
    studyhost_chart.update_last_bar();
    platform_chart.update_last_bar(*in_platform);
  }

  // From the next full recalculation on, both hosts answer the requests whose
  // URL goes on with `query` with `body`; studyhost fetches as it is asked.
  void recalculate_answering(const std::string& query, std::string body) {
    transport.respond("https://fernhollow.com/wp-json/fernhollow/v1/getcsv?" + query, body);
    platform_body = std::move(body);
    full_recalculation();
  }
  void deliver() {
    ASSERT_TRUE(studyhost_chart.settle_downloads(std::chrono::seconds(10)));
    for (int round = 0; round < 8 && in_platform->request_in_flight; ++round) {
      platform_chart.respond(*in_platform, platform_body);
    }
  }
  std::string platform_body;

  // What each host shows of the price map study's levels: drawings besides
  // the status text, and per-bar values in subgraphs 10 to 24.
  bool platform_shows_levels() const {
    bool values = false;
    for (std::size_t s = 10; s <= 24; ++s) {
      for (const float v : in_platform->values[s]) values = values || v != 0.0f;
    }
    return values || in_platform->drawings.size() > 1;
  }

  // Answers each host's requests from the bundled responses until none is left.
  void settle() {
    ASSERT_TRUE(studyhost_chart.settle_downloads(std::chrono::seconds(10)));
    for (int round = 0; round < 8 && in_platform->request_in_flight; ++round) {
      const std::string& url = in_platform->requests.back();
      const std::size_t at = url.find("timeframe=");
      ASSERT_NE(at, std::string::npos) << url;
      platform_chart.respond(*in_platform, response(url.substr(at + 10, 1).c_str()));
    }
  }

  void expect_same(const char* step) {
    SCOPED_TRACE(step);
    EXPECT_EQ(all_seen(studyhost_chart.drawings()), all_seen(in_platform->drawings));
    for (std::int32_t s = 0; s < 30; ++s) {
      const std::vector<float> expected = in_studyhost->subgraph_values(s);
      const std::vector<float>& got = in_platform->values[static_cast<std::size_t>(s)];
      if (expected.empty() && got.empty()) continue;
      EXPECT_EQ(expected, got) << "subgraph " << s;
    }
    EXPECT_EQ(in_studyhost->log(), in_platform->log);
    EXPECT_EQ(in_studyhost->requests(), in_platform->requests);
    std::vector<std::pair<std::string, bool>> studyhost_menu;
    for (const auto& entry : studyhost_chart.menu()) {
      studyhost_menu.emplace_back(entry.text, entry.checked);
    }
    std::vector<std::pair<std::string, bool>> platform_menu;
    for (const auto& [id, item] : in_platform->menu) {
      platform_menu.emplace_back(item.text, item.checked != 0);
    }
    EXPECT_EQ(studyhost_menu, platform_menu);
  }
};

TEST(PlatformBridge, DeclarationsReachThePlatformByMeaning) {
  FakePlatform chart(TwoHosts::platform_bars());
  Study& overlay = chart.add_study(&pricemap_in_platform);
  EXPECT_STREQ(overlay.sc.GraphName.GetChars(), "QLX PRICEMAP OVERLAY");
  EXPECT_EQ(overlay.sc.AutoLoop, 1);
  EXPECT_EQ(overlay.sc.ScaleRangeType, SCALE_SAMEASREGION);
  EXPECT_EQ(overlay.sc.DrawStudyUnderneathMainPriceGraph, 0);
  const auto& in = overlay.inputs;
  EXPECT_STREQ(in[16].Name.GetChars(), "Multiplier");
  EXPECT_EQ(in[16].ValueType, FLOAT_VALUE);
  EXPECT_EQ(in[16].FloatValue, 1.0f);
  EXPECT_EQ(in[15].ValueType, CUSTOM_STRING_VALUE);
  EXPECT_EQ(in[15].IndexValue, 2u);
  EXPECT_EQ(in[15].standin_custom_strings, "Hide;Left;Right");
  EXPECT_EQ(in[1].ValueType, COLOR_VALUE);
  EXPECT_EQ(in[1].ColorValue, 0x0000FF00u);
  EXPECT_EQ(in[13].ValueType, YESNO_VALUE);
  EXPECT_EQ(in[19].ValueType, INT_VALUE);
  EXPECT_EQ(in[19].IntValue, 7);
  EXPECT_EQ(in[39].ValueType, STRING_VALUE);
  EXPECT_EQ(in[39].StringValue, nullptr);  // no text: the platform reads "Unset"
  EXPECT_EQ(in[38].DisplayOrder, 1);
  EXPECT_TRUE(in[36].Name.IsEmpty());

  Study& structure = chart.add_study(&timeframe_in_platform);
  EXPECT_EQ(structure.sc.AutoLoop, 0);
  EXPECT_EQ(structure.inputs[8].ValueType, TIME_VALUE);
  EXPECT_NEAR(structure.inputs[8].DateTimeValue, 17.0 / 24.0, 1e-12);
  const s_SCSubgraph_260& high = structure.subgraphs[0];
  EXPECT_STREQ(high.Name.GetChars(), "Prev. Trading Session High");
  EXPECT_STREQ(high.ShortName.GetChars(), "   PDH");
  EXPECT_EQ(high.DrawStyle, DRAWSTYLE_LINE_SKIP_ZEROS);
  EXPECT_EQ(high.LineStyle, LINESTYLE_SOLID);
  EXPECT_EQ(structure.subgraphs[3].LineStyle, LINESTYLE_DASHDOTDOT);
  EXPECT_EQ(structure.subgraphs[4].LineWidth, 2);
  // A defaults call keeps nothing: the bridge's state comes with the first
  // ordinary call.
  EXPECT_TRUE(structure.pointers.empty());
}

TEST(PlatformBridge, APriceMapSessionLeavesWhatStudyhostLeaves) {
  TwoHosts hosts(&pricemap_in_studyhost, &pricemap_in_platform);
  hosts.set_int(38, 1);  // Futures
  hosts.set_text(39, "ES");
  hosts.set_text(41, "secret-key-123");
  hosts.full_recalculation();
  hosts.expect_same("downloading");
  hosts.settle();
  hosts.expect_same("after the download");
  ASSERT_GT(hosts.in_platform->drawings.size(), 40u);

  // The menu entry flips its input in the platform, where the platform keeps it.
  const auto msd =
      std::find_if(hosts.in_platform->menu.begin(), hosts.in_platform->menu.end(),
                   [](const auto& item) { return item.second.text == "ES.D Show MSD"; });
  ASSERT_NE(msd, hosts.in_platform->menu.end());
  for (const auto& entry : hosts.studyhost_chart.menu()) {
    if (entry.text == "ES.D Show MSD") hosts.studyhost_chart.choose_menu(entry.id);
  }
  hosts.platform_chart.choose_menu(*hosts.in_platform, msd->first);
  EXPECT_EQ(hosts.in_platform->inputs[13].ValueType, YESNO_VALUE);
  EXPECT_EQ(hosts.in_platform->inputs[13].BooleanValue, 1u);
  hosts.expect_same("after a menu flip");

  // Per-period mode, set from outside as the platform's settings would.
  hosts.set_int(36, 2);
  hosts.full_recalculation();
  hosts.settle();
  hosts.expect_same("per-period mode");
  hosts.platform_chart.add_bar(qlx_platform::to_platform_time(bar_times().back() + 900000000LL));
  hosts.studyhost_chart.add_bar(
      studyhost::Bar{bar_times().back() + 900000000LL, 1, 2, 0.5f, 1, 10});
  hosts.expect_same("a new bar");

  hosts.platform_chart.remove_study(*hosts.in_platform);
}

// A service that misbehaves: another symbol it does not know, a body past
// the size either host hands a study, a message that repeats the key in other
// spellings at length. The price map showed the previous symbol's values; the
// platform handed the huge body to the study to parse; the key showed.
const std::string kSpelledKeyMessage =
    R"({"message":"Invalid key secret%2bkey%2f123, SECRET+KEY/123, Secret+Key%2F123 )" +
    std::string(400, 'm') + R"(","data":[]})";
const std::string kHugeBody(host::kMaxResponseBytes + 1, ' ');

const std::string kEsDaily = "assetClass=Futures&symbol=ES&timeframe=D";

// The huge body asked for is refused before the study reads it, with the
// host's line and the study's parse error.
void expect_huge_body_refused(TwoHosts& hosts) {
  hosts.deliver();
  hosts.expect_same("a body too large");
  const std::vector<std::string>& log = hosts.in_platform->log;
  ASSERT_GE(log.size(), 2u);
  EXPECT_EQ(log[log.size() - 2],
            "HTTP request failed: https://fernhollow.com/wp-json/fernhollow/v1/getcsv?"
            "assetClass=Futures&symbol=ES&timeframe=D&api_key=***: response larger than 16 MiB");
  EXPECT_EQ(log.back(), "Error parsing data");
}

// A long message that spells the key three ways shows as one status line.
void expect_spelled_key_masked(TwoHosts& hosts) {
  hosts.recalculate_answering(kEsDaily, kSpelledKeyMessage);
  hosts.deliver();
  hosts.expect_same("a long message repeating the key");
  const std::vector<std::string>& log = hosts.in_platform->log;
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log.back().size(), 300u);
  EXPECT_EQ(log.back().rfind("Invalid key ***, ***, *** mmm", 0), 0u) << log.back();
  EXPECT_EQ(log.back().substr(297), "...");
}

TEST(PlatformBridge, AMisbehavingServiceEndsAPriceMapDownloadAlikeInBothHosts) {
  TwoHosts hosts(&pricemap_in_studyhost, &pricemap_in_platform);
  hosts.set_int(38, 1);  // Futures
  hosts.set_text(39, "ES");
  hosts.set_text(41, "Secret+Key/123");
  hosts.full_recalculation();
  hosts.settle();
  ASSERT_TRUE(hosts.platform_shows_levels());

  hosts.set_text(39, "ZZ");
  hosts.recalculate_answering("assetClass=Futures&symbol=ZZ&", R"({"message":"No data"})");
  hosts.expect_same("another symbol's download pending");
  EXPECT_FALSE(hosts.platform_shows_levels());
  hosts.deliver();
  hosts.expect_same("no data for it");
  EXPECT_FALSE(hosts.platform_shows_levels());

  hosts.set_text(39, "ES");
  hosts.full_recalculation();
  hosts.settle();
  ASSERT_TRUE(hosts.platform_shows_levels());
  hosts.recalculate_answering(kEsDaily, kHugeBody);
  hosts.expect_same("the same symbol's download pending");
  EXPECT_TRUE(hosts.platform_shows_levels())
      << "the same inputs keep their map until the new one arrives";
  expect_huge_body_refused(hosts);
  EXPECT_FALSE(hosts.platform_shows_levels());
  expect_spelled_key_masked(hosts);
}

TEST(PlatformBridge, AMisbehavingServiceEndsATimeframeCycleAlikeInBothHosts) {
  TwoHosts hosts(&timeframe_in_studyhost, &timeframe_in_platform);
  hosts.set_int(0, 1);
  hosts.set_text(1, "ES");
  hosts.set_text(2, "Secret+Key/123");
  hosts.recalculate_answering(kEsDaily, kHugeBody);
  expect_huge_body_refused(hosts);
  expect_spelled_key_masked(hosts);
}

TEST(PlatformBridge, TheTimeframeCycleWritesStraightIntoThePlatformsArrays) {
  TwoHosts hosts(&timeframe_in_studyhost, &timeframe_in_platform);
  hosts.set_int(0, 1);
  hosts.set_text(1, "ES");
  hosts.set_text(2, "secret-key-123");
  hosts.full_recalculation();
  hosts.settle();
  EXPECT_EQ(hosts.in_platform->requests.size(), 5u);
  hosts.expect_same("after the cycle");
  const std::vector<float>& session_high = hosts.in_platform->values[0];
  EXPECT_TRUE(std::any_of(session_high.begin(), session_high.end(),
                          [](float value) { return value != 0.0f; }));
}

TEST(PlatformBridge, InstancesShareNothingAndTheLastCallLeavesNothing) {
  FakePlatform chart(TwoHosts::platform_bars());
  Study& first = chart.add_study(&pricemap_in_platform);
  Study& second = chart.add_study(&pricemap_in_platform);
  first.inputs[39].SetString("ES");
  second.inputs[39].SetString("NQ");
  chart.full_recalculation(first);
  chart.full_recalculation(second);
  ASSERT_FALSE(first.pointers.empty());
  EXPECT_NE(first.pointers.at(qlx_platform::kBridgeStateKey),
            second.pointers.at(qlx_platform::kBridgeStateKey));
  EXPECT_EQ(first.menu.begin()->second.separator, true);
  EXPECT_EQ(std::next(first.menu.begin())->second.text, "ES.D Show VAR");
  EXPECT_EQ(std::next(second.menu.begin())->second.text, "NQ.D Show VAR");

  // The last call frees the study's state and the bridge's, and takes the
  // menu away; the other instance keeps all of its own.
  const std::map<int, void*> left = chart.remove_study(first);
  for (const auto& [key, pointer] : left) EXPECT_EQ(pointer, nullptr) << key;
  ASSERT_EQ(chart.studies(), 1u);
  EXPECT_EQ(second.menu.size(), 9u);
  for (const auto& [key, pointer] : second.pointers) EXPECT_NE(pointer, nullptr) << key;
}

// A study asking for what the platform cannot be asked: a drawing of a kind
// the bridge has no tool for, and an update of a drawing it never made.
void asks_the_unmappable(host::StudyInterface& sc) noexcept {
  if (sc.defaults_call != 0) {
    host::assign(sc.study_name, "ASKS");
    return;
  }
  for (const std::int32_t kind : {std::int32_t{99}, std::int32_t{host::kDrawingNone}}) {
    host::DrawingRecord record;
    host::init(record);
    record.kind = kind;
    record.identifier = kind == host::kDrawingNone ? 4242 : host::kNewDrawing;
    sc.use_drawing(&sc, &record);
    sc.use_drawing(&sc, &record);
    host::release(record);
  }
}

void asks_in_platform(SCStudyInterfaceRef sc) {
  qlx_platform::run_in_platform(sc, &asks_the_unmappable);
}

TEST(PlatformBridge, WhatCannotBeMappedIsLeftOutAndNamedOnceInTheLog) {
  FakePlatform chart(TwoHosts::platform_bars());
  Study& study = chart.add_study(&asks_in_platform);
  chart.full_recalculation(study);
  EXPECT_TRUE(study.drawings.empty());
  EXPECT_EQ(study.log, (std::vector<std::string>{
                           "ASKS: a drawing of a kind the platform build cannot draw was left out",
                           "ASKS: an update of a drawing this study instance did not make was left "
                           "out"}));
}

// Writes a note to the log, and gives input 0 a kind the platform build has
// no setter for, so the bridge writes to the log after each call too. With a
// log that throws, the note's operation must hold the exception and the
// bridge's step after the call throws.
void sets_a_date_input(host::StudyInterface& sc) noexcept {
  if (sc.defaults_call != 0) return;
  sc.add_log(&sc, "a note", 0);
  host::set_double(host::element(sc.inputs, 0), host::kKindDate, 1.0);
}

void sets_a_date_in_platform(SCStudyInterfaceRef sc) {
  qlx_platform::run_in_platform(sc, &sets_a_date_input);
}

void throwing_log(const char*, int) {
  throw std::runtime_error("the log is full");
}

TEST(PlatformBridge, ACallThatThrowsLeavesNothingBehind) {
  FakePlatform chart(TwoHosts::platform_bars());
  // After the call the instance no longer reaches the platform.
  Study& study = chart.add_study(&sets_a_date_in_platform);
  study.sc.p_AddMessageToLog = &throwing_log;
  chart.full_recalculation(study);
  auto* bridge =
      static_cast<qlx_platform::BridgedInstance*>(study.pointers.at(qlx_platform::kBridgeStateKey));
  ASSERT_NE(bridge, nullptr);
  host::set_list_entries(host::element(bridge->record().inputs, 0), "A;B");
  EXPECT_EQ(study.inputs[0].standin_custom_strings, "");

  // The last call frees the bridge's state however it ends (the leak checker
  // sees it when not).
  Study& last = chart.add_study(&sets_a_date_in_platform);
  last.sc.p_AddMessageToLog = &throwing_log;
  EXPECT_EQ(chart.remove_study(last).at(qlx_platform::kBridgeStateKey), nullptr);
}

TEST(PlatformBridge, StudyhostRefusesAPlatformDllThatClaimsItsVersion) {
  std::string error;
  // The test's platform DLL has a name of its own but the study's function.
  auto library = studyhost::StudyLibrary::load(QLX_PLATFORM_PRICEMAP_64_PATH,
                                               "scsf_qlx_pricemap_overlay", &error);
  ASSERT_NE(library, nullptr) << error;
  host::StudyInterface record;
  std::vector<unsigned char> before(sizeof record);
  std::memcpy(before.data(), &record, sizeof record);
  library->function()(&record);
  EXPECT_EQ(std::memcmp(before.data(), &record, sizeof record), 0);

  studyhost::ScriptedTransport transport;
  studyhost::Host chart(transport);
  EXPECT_THROW(chart.add_study(*library), studyhost::NotAStudyForThisHost);
}

TEST(PlatformBridge, AStudyhostRecordIsLeftUntouched) {
  host::StudyInterface record;
  std::vector<unsigned char> before(sizeof record);
  std::memcpy(before.data(), &record, sizeof record);
  pricemap_in_platform(reinterpret_cast<s_sc&>(record));
  timeframe_in_platform(reinterpret_cast<s_sc&>(record));
  EXPECT_EQ(std::memcmp(before.data(), &record, sizeof record), 0);
}

// Both studies, with the numbers of their Asset Class, Symbol and API Key
// inputs and the requests of one download cycle.
struct BothStudies {
  const char* name;
  StudyFunction in_studyhost;
  fake_platform::StudyFunction in_platform;
  std::int32_t asset_class, symbol, api_key;
  std::size_t requests_per_cycle;
};
const BothStudies kStudies[] = {
    {"price map", &pricemap_in_studyhost, &pricemap_in_platform, 38, 39, 41, 1},
    {"timeframe structure", &timeframe_in_studyhost, &timeframe_in_platform, 0, 1, 2, 5},
};

template <typename Drawings>
std::vector<int> ids_of(const Drawings& drawings) {
  std::vector<int> ids;
  for (const auto& [id, drawing] : drawings) ids.push_back(id);
  return ids;
}

// The platform completes a request with an empty body: the study must not
// take it for one still on its way, but end its download as it does after a
// failed transfer in studyhost, with the same log lines, and ask again on the
// next full recalculation.
TEST(PlatformBridge, AnEmptyBodyEndsTheDownloadAsAFailedTransferDoesInStudyhost) {
  for (const BothStudies& study : kStudies) {
    SCOPED_TRACE(study.name);
    TwoHosts hosts(study.in_studyhost, study.in_platform);
    hosts.ask_for_es(study.asset_class, study.symbol, study.api_key);
    for (const char* tf : {"D", "W", "M", "Q", "Y"}) {
      hosts.transport.respond(TwoHosts::url_of(tf) + "&api_key", "");
    }
    hosts.full_recalculation();
    // Until the platform says the request completed, its response text is
    // not the study's to read, whatever it holds.
    hosts.in_platform->sc.HTTPResponse = R"({"data":[]})";
    hosts.update_last_bar();
    hosts.expect_same("on its way");

    ASSERT_TRUE(hosts.studyhost_chart.settle_downloads(std::chrono::seconds(10)));
    hosts.platform_chart.respond(*hosts.in_platform, "");
    hosts.expect_same("after the empty body");
    EXPECT_EQ(hosts.in_platform->log,
              (std::vector<std::string>{
                  "HTTP request failed: " + TwoHosts::url_of("D") + "&api_key=***: empty response",
                  "Error parsing data"}));
    hosts.full_recalculation();
    EXPECT_EQ(hosts.in_platform->requests.size(), 2u);
    hosts.expect_same("the next full recalculation");
  }
}

void recalculate(TwoHosts& hosts, const char* step) {
  hosts.full_recalculation();
  hosts.settle();
  hosts.expect_same(step);
}

// Regular-hours bars, 09:30 to 15:45, from Thursday 9 to Friday 17 October
// 2025: no bar starts at a midnight, and a weekend lies between.
std::vector<std::int64_t> regular_hours_bars() {
  std::vector<std::int64_t> times;
  for (std::int64_t day = 45939; day <= 45947; ++day) {
    if (day % 7 < 2) continue;  // day 0, 1899-12-30, was a Saturday
    for (int i = 0; i < 26; ++i) {
      times.push_back(day * host::kMicrosPerDay + (9 * 3600 + 1800 + i * 900) * 1000000LL);
    }
  }
  return times;
}

TEST(PlatformBridge, LevelsStartOnTheFirstBarOfTheirDayOnAChartWithGaps) {
  TwoHosts hosts(&pricemap_in_studyhost, &pricemap_in_platform, regular_hours_bars());
  hosts.ask_for_es(38, 39, 41);
  recalculate(hosts, "latest-map mode");
  // Friday's map begins at Friday's opening bar, the seventh day's first,
  // not at Thursday's last.
  for (const auto& [id, tool] : hosts.in_platform->drawings) {
    if (tool.DrawingType == DRAWING_LINE) {
      EXPECT_EQ(tool.BeginIndex, 6 * 26);
    }
  }
  hosts.set_int(36, 2);
  recalculate(hosts, "per-period mode");
}

// A chart in New York: the platform's conversion into the chart's time zone
// would start every map 4 hours before the midnight its bars count from.
TEST(PlatformBridge, AMapsDayIsTheChartsCalendarDayInAnyTimeZone) {
  TwoHosts hosts(&pricemap_in_studyhost, &pricemap_in_platform);
  hosts.in_platform->time_zone_offset_days = -4.0 / 24.0;
  hosts.ask_for_es(38, 39, 41);
  recalculate(hosts, "latest-map mode");
  hosts.set_int(36, 2);
  recalculate(hosts, "per-period mode");
}

// Every update of a chart of one bar calls bar 0, as a full recalculation
// does; only a full recalculation downloads and draws everything again.
TEST(PlatformBridge, UpdatesOfAOneBarChartNeitherDownloadNorRedrawAgain) {
  for (const BothStudies& study : kStudies) {
    SCOPED_TRACE(study.name);
    TwoHosts hosts(study.in_studyhost, study.in_platform, {bar_times().front()});
    hosts.ask_for_es(study.asset_class, study.symbol, study.api_key);
    recalculate(hosts, "the download");
    ASSERT_EQ(hosts.in_platform->requests.size(), study.requests_per_cycle);
    const std::vector<std::string> log = hosts.in_platform->log;
    const std::vector<int> studyhost_ids = ids_of(hosts.studyhost_chart.drawings());
    const std::vector<int> platform_ids = ids_of(hosts.in_platform->drawings);

    for (int update = 0; update < 10; ++update) hosts.update_last_bar();
    hosts.expect_same("ten updates");
    EXPECT_EQ(hosts.in_platform->requests.size(), study.requests_per_cycle);
    EXPECT_EQ(hosts.in_platform->log, log);
    EXPECT_EQ(ids_of(hosts.studyhost_chart.drawings()), studyhost_ids);
    EXPECT_EQ(ids_of(hosts.in_platform->drawings), platform_ids);
  }
}

// A label anchored two billion days before the base date lies past what a
// 64-bit count of microseconds holds: it stays as far right as the platform
// can hold, instead of wrapping round to a date far in the future.
TEST(PlatformBridge, AHugeLabelOffsetKeepsTheLabelsFarRightOfTheLastBar) {
  TwoHosts hosts(&pricemap_in_studyhost, &pricemap_in_platform);
  hosts.ask_for_es(38, 39, 41);
  hosts.set_int(19, 2000000000);
  hosts.full_recalculation();
  hosts.settle();
  int labels = 0;
  for (const auto& [id, tool] : hosts.in_platform->drawings) {
    if (tool.DrawingType != DRAWING_TEXT || tool.UseRelativeVerticalValues == 1) continue;
    ++labels;
    EXPECT_LT(tool.BeginDateTime.GetAsDouble(), -1.0e8);
  }
  EXPECT_GT(labels, 0);
}

}  // namespace
