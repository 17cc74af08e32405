// The test study library driven through the whole export path.
#include <gtest/gtest.h>

#include "scripted_study.h"
#include "studyhost/runtime/host.h"
#include "studyhost/runtime/scripted_transport.h"

namespace {

using namespace std::chrono_literals;
using studyhost_test::daily_bars;

class TestStudy : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    library_ = studyhost::StudyLibrary::load(QLX_TEST_STUDY_PATH, &error);
    ASSERT_NE(library_, nullptr) << error;
    host_ = std::make_unique<studyhost::Host>(transport_);
    host_->set_bars(daily_bars(3));
  }
  void TearDown() override { host_.reset(); }  // last calls before the library goes

  studyhost::ScriptedTransport transport_;
  std::unique_ptr<studyhost::StudyLibrary> library_;
  std::unique_ptr<studyhost::Host> host_;
};

TEST_F(TestStudy, DeclaresDrawsOffersAMenuAndDownloadsThroughTheHost) {
  studyhost::StudyInstance& study = host_->add_study(*library_);
  EXPECT_STREQ(study.record().study_name.text, "QLX Test Study");
  EXPECT_EQ(study.record().auto_loop, 1);
  EXPECT_STREQ(study.input(0).name.text, "Multiplier");
  EXPECT_EQ(host::float_value(study.input(0)), 2.0f);
  EXPECT_STREQ(host::selected_entry_text(study.input(1)), "Beta");
  EXPECT_TRUE(study.subgraph_listed(0));
  EXPECT_FALSE(study.subgraph_listed(1));

  host_->full_recalculation();
  EXPECT_EQ(study.subgraph_values(0), (std::vector<float>{0.0f, 2.0f, 4.0f}));
  EXPECT_EQ(study.persistent_int(2), 3);  // counted on the heap object
  ASSERT_EQ(host_->drawings().size(), 1u);
  const studyhost::DrawingState& label = host_->drawings().begin()->second;
  EXPECT_EQ(label.text, "Last bar 2");
  EXPECT_EQ(label.font_face, "Beta");
  EXPECT_EQ(label.begin_price, 1.5f);
  ASSERT_EQ(host_->menu().size(), 2u);
  EXPECT_TRUE(host_->menu()[0].separator);
  EXPECT_EQ(host_->menu()[1].text, "Test Entry");
  EXPECT_EQ(study.log(), (std::vector<std::string>{"recalculating"}));

  // The same drawing is updated as bars arrive.
  study.set_input_int(1, 2);
  host_->add_bar(daily_bars(1, 45003)[0]);
  ASSERT_EQ(host_->drawings().size(), 1u);
  EXPECT_EQ(host_->drawings().begin()->second.text, "Last bar 3");
  EXPECT_EQ(host_->drawings().begin()->second.font_face, "Gamma");

  EXPECT_TRUE(host_->choose_menu(host_->menu()[1].id));
  EXPECT_TRUE(host_->menu()[1].checked);
  EXPECT_EQ(study.log().back(), "menu chosen");

  transport_.respond("https://levels.example/", "{\"data\":[]}");
  study.set_input_text(2, "https://levels.example/x?api_key=abc");
  host_->update_last_bar();
  EXPECT_EQ(study.requests().size(), 1u);
  EXPECT_TRUE(host_->deliver_downloads(5s));
  EXPECT_EQ(study.log().back(), "response: {\"data\":[]}");

  host_->remove_study(study);
  EXPECT_TRUE(host_->drawings().empty());
  EXPECT_TRUE(host_->menu().empty());
}

TEST_F(TestStudy, TwoInstancesShareNothing) {
  studyhost::StudyInstance& a = host_->add_study(*library_);
  studyhost::StudyInstance& b = host_->add_study(*library_);
  b.set_input_float(0, 10.0f);
  host_->full_recalculation(a);
  host_->full_recalculation(a);
  host_->full_recalculation(b);
  EXPECT_EQ(a.persistent_int(2), 6);
  EXPECT_EQ(b.persistent_int(2), 3);
  EXPECT_NE(a.persistent_pointer(1), b.persistent_pointer(1));
  EXPECT_EQ(a.subgraph_values(0), (std::vector<float>{0.0f, 2.0f, 4.0f}));
  EXPECT_EQ(b.subgraph_values(0), (std::vector<float>{0.0f, 10.0f, 20.0f}));
  EXPECT_EQ(host_->drawings().size(), 2u);
  EXPECT_NE(a.persistent_int(3), b.persistent_int(3));
  // Each frees its own counter on its last call (the leak checker sees it).
  host_->remove_study(a);
  EXPECT_EQ(b.persistent_int(2), 3);
}

}  // namespace
