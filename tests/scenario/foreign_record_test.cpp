// A study library and a host that do not belong together: each side notices
// at the first call and leaves the other alone.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "built_targets.h"
#include "studyhost/runtime/host.h"
#include "studyhost/runtime/library_loader.h"
#include "studyhost/runtime/scripted_transport.h"

namespace {

// Larger than any structure another host may hand a study function.
constexpr std::size_t kForeignBlockBytes = 1u << 20;

TEST(ForeignRecord, AStudyCalledWithAnotherHostsStructureTouchesNothing) {
  SKIP_UNLESS_BUILT(scenario::kPriceMapStudy);
  SKIP_UNLESS_BUILT(scenario::kTimeframeStudy);
  const std::vector<std::string> paths = {scenario::kPriceMapStudy.path,
                                          scenario::kTimeframeStudy.path};
  std::mt19937 random(2628);
  std::vector<unsigned char> zeros(kForeignBlockBytes, 0);
  std::vector<unsigned char> noise(kForeignBlockBytes);
  for (unsigned char& byte : noise) byte = static_cast<unsigned char>(random());
  for (const std::string& path : paths) {
    std::string error;
    auto library = studyhost::StudyLibrary::load(path, &error);
    ASSERT_NE(library, nullptr) << error;
    for (const std::vector<unsigned char>* original : {&zeros, &noise}) {
      std::vector<unsigned char> block = *original;
      for (int call = 0; call < 3; ++call) {
        library->function()(reinterpret_cast<host::StudyInterface*>(block.data()));
      }
      EXPECT_TRUE(block == *original) << path << " wrote into a structure it does not know";
    }
  }
}

// What a library built for the charting platform does with studyhost's record.
void returns_at_once(host::StudyInterface* /*sc*/) {}

TEST(ForeignRecord, TheHostRefusesALibraryWhoseDefaultsCallDeclaresNothing) {
  auto library = studyhost::StudyLibrary::in_process(&returns_at_once, "platform_build_64.dll");
  studyhost::ScriptedTransport transport;
  studyhost::Host host(transport);
  try {
    host.add_study(*library);
    FAIL() << "a study that declared nothing was run";
  } catch (const studyhost::NotAStudyForThisHost& e) {
    EXPECT_EQ(std::string(e.what()),
              "platform_build_64.dll: not a study for this host (its defaults call declared "
              "nothing)");
  }
  EXPECT_TRUE(host.instances().empty());
}

}  // namespace
