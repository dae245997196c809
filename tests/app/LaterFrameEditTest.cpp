// Changes made while the spring-and-pin world shows a frame past its start never make that frame
// its start: the spring constant's slider moved there goes to the run without an undo record,
// and frame 0 shows the slider's first value again; a property the solver is handed asks first
// and is dropped, one the solver never sees goes ahead and keeps the run. At the start, the
// slider moved in a reopened world forgets the frames the document kept.

#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "bodies/BodyTags.h"
#include "bodies/Shapes.h"
#include "constraints/Springs.h"
#include "inout/gadgets/GadgetFinishing.h"
#include "inout/inputs/Input.h"
#include "model/command/CommandHandler.h"
#include "model/command/FormulaPropertyOp.h"
#include "model/command/PropertyOps.h"
#include "model/world/WorldEditCheck.h"
#include "model/world/WorldHost.h"
#include "tests/app/SampleFixture.h"
#include "tools/samples/SampleWorlds.h"

namespace {

using namespace sample_worlds;

constexpr int16_t kSliderId = 90;
constexpr int16_t kLater = 10;
// The body dialog's number, under which its fields change a body.
constexpr int16_t kBodyDialog = 10410;

class TAskingHost : public TWorldHost {
 public:
  bool AskYesNo(int16_t alert) override {
    asked.push_back(alert);
    return false;
  }
  void PostCommand(TCommandCore* command) override { delete command; }
  std::vector<int16_t> asked;
};

class LaterFrameEditTest : public SampleFixture {
 protected:
  void SetUp() override {
    SampleFixture::SetUp();
    document_ = Open(kSpringAndPinFile);
    World().SetHost(&host_);
    auto made = std::make_unique<TInput>();
    made->Initialize();
    made->SetIdentifier(kSliderId);
    slider_ = made.get();
    World().AdoptObject(std::move(made));
    slider_->ResizeFromCorner(kCornerBottomRight, MacPoint(128, 20));
    auto* spring = dynamic_cast<TLSpring*>(World().FindObject(kSpringId));
    ASSERT_NE(spring, nullptr);
    ASSERT_TRUE(FinishInputControls(TSpringBase::kCommandConstantInput, *slider_, nullptr, spring));
    ASSERT_EQ(slider_->GetValue(), 100.0);
  }
  void TearDown() override {
    app_.Commands().DropAllCommands();
    document_.reset();
    std::filesystem::remove(saved_);
    SampleFixture::TearDown();
  }
  TWorldDoc& World() { return document_->World(); }
  double BoxX() {
    return dynamic_cast<TRectangle*>(World().FindObject(kBoxId))->PositionX()->GetValue();
  }
  // A press on the slider's track a quarter along, and its release there.
  void DragSlider() {
    const MacRect track = slider_->GetTrackRect();
    const MacPoint at(static_cast<int16_t>(track.left + (track.right - track.left) / 4),
                      static_cast<int16_t>((track.top + track.bottom) / 2));
    slider_->TrackClick(0, at, true);
    slider_->TrackClick(2, at, true);
  }
  void RunToLaterFrame() {
    World().RunToFrame(kLater, nullptr);
    World().ShowFrame(kLater, 1);
  }
  // The world's property op of the body dialog, performed as the application performs it.
  void Perform(std::unique_ptr<TPropertyOp> op) {
    op->AddTarget(World().FindObject(kBoxId));
    app_.Commands().PerformQueuedCommand(op.release());
  }

  TAskingHost host_;
  std::unique_ptr<TQVDoc> document_;
  TInput* slider_ = nullptr;
  std::filesystem::path saved_ = std::filesystem::temp_directory_path() /
                                 ("yb-later-frame-" + std::to_string(::getpid()) + ".yb");
};

TEST_F(LaterFrameEditTest, ASliderMovedAtALaterFrameGoesToTheRunAndFrameZeroShowsItsFirstValue) {
  const double start = BoxX();
  RunToLaterFrame();
  DragSlider();
  const double moved = slider_->GetValue();
  ASSERT_LT(moved, 50.0);
  EXPECT_FALSE(app_.Commands().PerformNextQueued()) << "the change made an undo record";
  World().RunToFrame(kLater + 5, nullptr);
  World().ShowFrame(kLater + 5, 1);
  EXPECT_EQ(World().LastFrame(), kLater + 5);
  EXPECT_EQ(slider_->GetValue(), moved);
  World().ShowFrame(0, 1);
  EXPECT_EQ(BoxX(), start);
  EXPECT_EQ(slider_->GetValue(), 100.0);
  World().ShowFrame(kLater + 5, 1);
  EXPECT_EQ(slider_->GetValue(), moved);
}

TEST_F(LaterFrameEditTest, AtALaterFrameAMassAsksFirstAndAColourGoesAheadKeepingTheRun) {
  RunToLaterFrame();
  auto mass = std::make_unique<TNumberPropertyOp>();
  mass->InitValue(kBodyDialog, &World(), 1, body_tags::kTagMass, 5.0);
  Perform(std::move(mass));
  EXPECT_EQ(host_.asked, std::vector<int16_t>{kEditRecordedWorldAlert});
  EXPECT_EQ(dynamic_cast<TMass*>(World().FindObject(kBoxId))->GetMass(), 1.0);

  auto colour = std::make_unique<TColourPropertyOp>();
  colour->InitValue(kBodyDialog, &World(), 1, MakeTag("colr"), RGB16Color{0xFFFF, 0, 0});
  Perform(std::move(colour));
  EXPECT_EQ(host_.asked.size(), 1u) << "a colour asked";
  EXPECT_EQ(World().CurrentFrame(), kLater);
  EXPECT_EQ(World().LastFrame(), kLater);
}

TEST_F(LaterFrameEditTest, ASliderMovedAtTheStartOfAReopenedWorldForgetsItsFrames) {
  RunToLaterFrame();
  document_->WriteDocument(saved_.string());
  document_ = std::make_unique<TQVDoc>();
  document_->ReadDocument(saved_.string());
  slider_ = dynamic_cast<TInput*>(World().FindObject(kSliderId));
  ASSERT_NE(slider_, nullptr);
  World().ShowFrame(0, 1);
  ASSERT_EQ(World().LastFrame(), kLater);
  DragSlider();
  EXPECT_TRUE(app_.Commands().PerformNextQueued());
  EXPECT_LE(World().LastFrame(), 0) << "the frames of the old constant stayed";
}

}  // namespace
