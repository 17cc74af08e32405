// The DLLs built from the single-file sources with the platform's Remote Build
// line, loaded at run time as the platform loads a study DLL, against the DLLs
// CMake links from the same code: the same session on the same chart must
// leave the same drawings, values, menu, log and requests in both.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "fake_platform.h"

namespace {

using fake_platform::FakePlatform;
using fake_platform::Study;

struct StudyDll {
  HMODULE module = nullptr;
  fake_platform::StudyFunction function = nullptr;
  const char* (*name)() = nullptr;
  int (*version)() = nullptr;

  StudyDll(const char* path, const char* function_name) {
    module = LoadLibraryA(path);
    if (module == nullptr) return;
    function = reinterpret_cast<fake_platform::StudyFunction>(
        reinterpret_cast<void*>(GetProcAddress(module, function_name)));
    name = reinterpret_cast<const char* (*)()>(
        reinterpret_cast<void*>(GetProcAddress(module, "scdll_DLLName")));
    version = reinterpret_cast<int (*)()>(
        reinterpret_cast<void*>(GetProcAddress(module, "scdll_DLLVersion")));
  }
  ~StudyDll() {
    if (module != nullptr) FreeLibrary(module);
  }
  bool loaded() const { return function != nullptr && name != nullptr && version != nullptr; }
};

std::string response(const std::string& url) {
  const std::size_t at = url.find("timeframe=");
  const std::string timeframe = at == std::string::npos ? "?" : url.substr(at + 10, 1);
  std::ifstream in(std::string(QLX_DATA_DIR) + "/levels/Futures/ES_" + timeframe + ".json");
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// Five days of 15-minute bars, as days since 1899-12-30, from 2025-10-13.
std::vector<SCDateTime> bars() {
  std::vector<SCDateTime> times;
  for (int i = 0; i < 5 * 96; ++i) times.emplace_back(45943 + i / 96.0);
  return times;
}

// Everything a drawing holds but the line number the platform gave it, exact.
std::string describe(const s_UseTool& t) {
  char text[512];
  std::snprintf(
      text, sizeof text, "%d %d %a %a %d %u %d %a %a %d %u %d %d %d %s %d %d %d %u %d %d %d",
      t.ChartNumber, t.TransparencyLevel, t.BeginValue, t.EndValue, t.Region,
      static_cast<unsigned>(t.Color), t.FontSize, t.BeginDateTime.GetAsDouble(),
      t.EndDateTime.GetAsDouble(), t.DrawingType, static_cast<unsigned>(t.LineWidth), t.LineStyle,
      t.AddMethod, t.ReverseTextColor, t.FontFace.GetChars(), t.FontBold, t.TextAlignment,
      t.UseRelativeVerticalValues, static_cast<unsigned>(t.SecondaryColor), t.BeginIndex,
      t.EndIndex, t.AddAsUserDrawnDrawing);
  return std::string(text) + " | " + t.Text.GetChars();
}

// A study's drawings, sorted, and its menu entries, in order.
std::vector<std::string> drawings_of(const Study& study) {
  std::vector<std::string> drawings;
  for (const auto& [line, drawing] : study.drawings) drawings.push_back(describe(drawing));
  std::sort(drawings.begin(), drawings.end());
  return drawings;
}

std::vector<std::tuple<std::string, bool, int>> menu_of(const Study& study) {
  std::vector<std::tuple<std::string, bool, int>> menu;
  for (const auto& [id, item] : study.menu)
    menu.emplace_back(item.text, item.separator, item.checked);
  return menu;
}

// One chart per DLL, the same calls on both.
struct TwoCharts {
  FakePlatform dist_chart{bars()};
  FakePlatform cmake_chart{bars()};
  Study& dist;
  Study& cmake;

  TwoCharts(const StudyDll& dist_dll, const StudyDll& cmake_dll)
      : dist(dist_chart.add_study(dist_dll.function)),
        cmake(cmake_chart.add_study(cmake_dll.function)) {}

  void on_both(const std::function<void(FakePlatform&, Study&)>& step) {
    step(dist_chart, dist);
    step(cmake_chart, cmake);
  }
  void set_inputs(int asset_class_input, int symbol_input, int key_input) {
    on_both([&](FakePlatform&, Study& study) {
      s_SCInput_145& asset_class = study.inputs[static_cast<std::size_t>(asset_class_input)];
      asset_class.SetCustomInputIndex(1);
      asset_class.SelectedCustomInputString = "Futures";
      study.inputs[static_cast<std::size_t>(symbol_input)].SetString("ES");
      study.inputs[static_cast<std::size_t>(key_input)].SetString("secret-key-123");
    });
  }
  void full_recalculation_and_downloads() {
    on_both([](FakePlatform& chart, Study& study) {
      chart.full_recalculation(study);
      for (int round = 0; round < 8 && study.request_in_flight; ++round) {
        chart.respond(study, response(study.requests.back()));
      }
    });
  }
  void expect_same(const char* step) {
    SCOPED_TRACE(step);
    EXPECT_EQ(drawings_of(dist), drawings_of(cmake));
    EXPECT_EQ(dist.values, cmake.values);
    EXPECT_EQ(menu_of(dist), menu_of(cmake));
    EXPECT_EQ(dist.log, cmake.log);
    EXPECT_EQ(dist.requests, cmake.requests);
  }
};

TEST(SingleFileDlls, NameThemselvesAsTheCMakeBuiltOnesDo) {
  for (const auto& [dist_path, cmake_path, function] :
       {std::make_tuple(QLX_DIST_PRICEMAP_DLL, QLX_CMAKE_PRICEMAP_DLL, "scsf_qlx_pricemap_overlay"),
        std::make_tuple(QLX_DIST_TIMEFRAME_DLL, QLX_CMAKE_TIMEFRAME_DLL,
                        "scsf_qlx_timeframe_structure")}) {
    const StudyDll dist(dist_path, function), cmake(cmake_path, function);
    ASSERT_TRUE(dist.loaded()) << dist_path;
    ASSERT_TRUE(cmake.loaded()) << cmake_path;
    EXPECT_STREQ(dist.name(), cmake.name());
    EXPECT_EQ(dist.version(), cmake.version());
    FakePlatform chart(bars());
    EXPECT_STREQ(chart.add_study(dist.function).sc.GraphName.GetChars(), dist.name());
  }
}

TEST(SingleFileDlls, APriceMapSessionLeavesWhatTheCMakeBuiltDllLeaves) {
  const StudyDll dist(QLX_DIST_PRICEMAP_DLL, "scsf_qlx_pricemap_overlay");
  const StudyDll cmake(QLX_CMAKE_PRICEMAP_DLL, "scsf_qlx_pricemap_overlay");
  ASSERT_TRUE(dist.loaded() && cmake.loaded());
  TwoCharts charts(dist, cmake);
  charts.set_inputs(38, 39, 41);
  charts.full_recalculation_and_downloads();
  charts.expect_same("after the download");
  ASSERT_GT(charts.dist.drawings.size(), 40u);

  charts.on_both([](FakePlatform& chart, Study& study) {
    for (const auto& [id, item] : study.menu) {
      if (item.text == "ES.D Show MSD") return chart.choose_menu(study, id);
    }
    FAIL() << "no menu entry ES.D Show MSD";
  });
  charts.expect_same("after a menu flip");

  // Per-period mode, set from outside as the platform's settings would.
  charts.on_both([](FakePlatform&, Study& study) {
    s_SCInput_145& period_mode = study.inputs[36];
    if (period_mode.ValueType == CUSTOM_STRING_VALUE) {
      period_mode.SetCustomInputIndex(2);
    } else {
      period_mode.SetInt(2);
    }
  });
  charts.full_recalculation_and_downloads();
  charts.expect_same("per-period mode");
  charts.on_both([](FakePlatform& chart, Study&) { chart.add_bar(SCDateTime(45948.0)); });
  charts.expect_same("a new bar");
}

TEST(SingleFileDlls, ATimeframeCycleWritesWhatTheCMakeBuiltDllWrites) {
  const StudyDll dist(QLX_DIST_TIMEFRAME_DLL, "scsf_qlx_timeframe_structure");
  const StudyDll cmake(QLX_CMAKE_TIMEFRAME_DLL, "scsf_qlx_timeframe_structure");
  ASSERT_TRUE(dist.loaded() && cmake.loaded());
  TwoCharts charts(dist, cmake);
  charts.set_inputs(0, 1, 2);
  charts.full_recalculation_and_downloads();
  EXPECT_EQ(charts.dist.requests.size(), 5u);
  charts.expect_same("after the cycle");
  charts.on_both([](FakePlatform& chart, Study&) { chart.add_bar(SCDateTime(45948.0)); });
  charts.expect_same("a new bar");
}

}  // namespace
