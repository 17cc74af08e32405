// The targets this configuration built, by the paths CMake hands in. A test
// that needs one that is not built reports itself skipped, with the reason,
// instead of vanishing from the run.
#pragma once

#include <gtest/gtest.h>

#ifndef QLX_PRICEMAP_OVERLAY_64_PATH
#define QLX_PRICEMAP_OVERLAY_64_PATH ""
#endif
#ifndef QLX_TIMEFRAME_STRUCTURE_64_PATH
#define QLX_TIMEFRAME_STRUCTURE_64_PATH ""
#endif
#ifndef QLX_PREVIOUS_DAY_RANGE_64_PATH
#define QLX_PREVIOUS_DAY_RANGE_64_PATH ""
#endif
#ifndef QLX_TEST_STUDY_64_PATH
#define QLX_TEST_STUDY_64_PATH ""
#endif
#ifndef QLX_VALIDATE_BROKEN_STUDY_64_PATH
#define QLX_VALIDATE_BROKEN_STUDY_64_PATH ""
#endif
#ifndef QLX_VALIDATE_LEAKY_STUDY_64_PATH
#define QLX_VALIDATE_LEAKY_STUDY_64_PATH ""
#endif
#ifndef QLX_STUDYHOST_PATH
#define QLX_STUDYHOST_PATH ""
#endif

namespace scenario {

struct BuiltTarget {
  const char* name;
  const char* path;  // empty when this configuration does not build it
  bool built() const { return path[0] != '\0'; }
};

inline constexpr BuiltTarget kPriceMapStudy{"qlx_pricemap_overlay_64",
                                            QLX_PRICEMAP_OVERLAY_64_PATH};
inline constexpr BuiltTarget kTimeframeStudy{"qlx_timeframe_structure_64",
                                             QLX_TIMEFRAME_STRUCTURE_64_PATH};
inline constexpr BuiltTarget kExampleStudy{"qlx_previous_day_range_64",
                                           QLX_PREVIOUS_DAY_RANGE_64_PATH};
inline constexpr BuiltTarget kTestStudy{"qlx_test_study_64", QLX_TEST_STUDY_64_PATH};
inline constexpr BuiltTarget kBrokenStudy{"qlx_validate_broken_study_64",
                                          QLX_VALIDATE_BROKEN_STUDY_64_PATH};
inline constexpr BuiltTarget kLeakyStudy{"qlx_validate_leaky_study_64",
                                         QLX_VALIDATE_LEAKY_STUDY_64_PATH};
inline constexpr BuiltTarget kStudyhostProgram{"studyhost", QLX_STUDYHOST_PATH};

}  // namespace scenario

// Ends the running test as skipped when `target` is not built.
#define SKIP_UNLESS_BUILT(target)                                                                  \
  do {                                                                                             \
    if (!(target).built()) GTEST_SKIP() << (target).name << " is not built in this configuration"; \
  } while (0)
