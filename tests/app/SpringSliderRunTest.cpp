// A slider placed for the spring constant of the spring-and-pin world: the constant reads the
// slider's "Input[n]", a drag of the thumb sets a new constant, and the run that follows swings
// with the period the new constant gives; undo brings the old constant and its run back, redo
// the new one; saved and reopened, the world keeps the slider.
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "bodies/Shapes.h"
#include "constraints/Springs.h"
#include "inout/gadgets/GadgetFinishing.h"
#include "inout/gadgets/PictGadget.h"
#include "tests/app/BlackPicture.h"
#include "platform/win32/Metafile.h"
#include "tests/support/MemoryCanvas.h"
#include "views/world/PictureCommands.h"
#include "inout/inputs/Input.h"
#include "model/command/CommandHandler.h"
#include "model/filing/ObjectWriter.h"
#include "tests/app/SampleFixture.h"
#include "tools/samples/SampleWorlds.h"

namespace {

using namespace sample_worlds;

constexpr int16_t kSliderId = 90;
constexpr double kBoxMass = 1.0;

class SpringSliderRunTest : public SampleFixture {
 protected:
  void TearDown() override {
    app_.Commands().DropAllCommands();
    std::filesystem::remove(saved_);
    SampleFixture::TearDown();
  }
  // Presses the slider's track at pixel d from its start and lets go there.
  static void Drag(TInput& slider, int d) {
    const MacRect track = slider.GetTrackRect();
    const auto at = [&](int along) {
      return MacPoint(static_cast<int16_t>(track.left + along + slider.GetThumbLength() / 2),
                      static_cast<int16_t>((track.top + track.bottom) / 2));
    };
    slider.TrackClick(0, at(0), true);
    slider.TrackClick(1, at(d / 2), true);
    slider.TrackClick(2, at(d), true);
  }
  // The box swings about x = 1 with amplitude 0.5 and angular frequency sqrt(k / m).
  static void ExpectSwing(TWorldDoc& world, double k) {
    SCOPED_TRACE(k);
    auto* box = dynamic_cast<TRectangle*>(world.FindObject(kBoxId));
    ASSERT_NE(box, nullptr);
    const double w = std::sqrt(k / kBoxMass);
    RunAndShow(world, 2.0, [&](int16_t frame, double t) {
      EXPECT_NEAR(box->PositionX()->GetValue(), 1.0 + 0.5 * std::cos(w * t), 1e-6) << frame;
    });
    // Back to the start, as the reset button leaves the world before the next change.
    world.ShowFrame(0, 1);
  }

  std::filesystem::path saved_ = std::filesystem::temp_directory_path() /
                                 ("yb-spring-slider-" + std::to_string(::getpid()) + ".yb");
};

TEST_F(SpringSliderRunTest, DraggedSliderSetsTheSpringConstantOfTheRun) {
  auto document = Open(kSpringAndPinFile);
  TWorldDoc& world = document->World();
  auto* spring = dynamic_cast<TLSpring*>(world.FindObject(kSpringId));
  ASSERT_NE(spring, nullptr);
  ASSERT_EQ(spring->Quantity().GetValue(), 100.0);

  auto made = std::make_unique<TInput>();
  made->Initialize();
  made->SetIdentifier(kSliderId);
  made->SetName("%");
  TInput& slider = *made;
  world.AdoptObject(std::move(made));
  slider.MoveBy(MacPoint(40, 30));
  slider.ResizeFromCorner(kCornerBottomRight, MacPoint(128, 20));
  ASSERT_TRUE(slider.IsHorizontal());

  ASSERT_TRUE(FinishInputControls(TSpringBase::kCommandConstantInput, slider, nullptr, spring));
  Str255 text;
  spring->Quantity().GetText(text);
  EXPECT_STREQ(text.AsCString(), "Input[90]");
  double minimum = 0.0;
  double maximum = 0.0;
  slider.GetMinMax(minimum, maximum);
  EXPECT_EQ(minimum, 1.0);
  EXPECT_EQ(maximum, 100.0);
  EXPECT_EQ(slider.GetValue(), 100.0);
  EXPECT_EQ(std::string(slider.GetName().AsCString()).rfind(spring->GetName().AsCString(), 0), 0u);
  ExpectSwing(world, 100.0);

  // The release queues one undoable change; performed, it throws the recorded run away.
  Drag(slider, 25);
  const double k = slider.GetValue();
  EXPECT_NEAR(k, 1.0 + 25.0 * 99.0 / 102.0, 1e-12);
  ASSERT_TRUE(app_.Commands().PerformNextQueued());
  EXPECT_FALSE(app_.Commands().PerformNextQueued());
  ExpectSwing(world, k);

  app_.Commands().UndoOrRedoLast();
  EXPECT_EQ(slider.GetValue(), 100.0);
  ExpectSwing(world, 100.0);
  app_.Commands().UndoOrRedoLast();
  EXPECT_EQ(slider.GetValue(), k);
  ExpectSwing(world, k);

  document->WriteDocument(saved_.string());
  auto reopened = std::make_unique<TQVDoc>();
  reopened->ReadDocument(saved_.string());
  TWorldDoc& again = reopened->World();
  auto* kept = dynamic_cast<TInput*>(again.FindObject(kSliderId));
  ASSERT_NE(kept, nullptr);
  EXPECT_EQ(kept->GetValue(), k);
  EXPECT_EQ(kept->GetPosition(), MacPoint(40, 30));
  auto* keptSpring = dynamic_cast<TLSpring*>(again.FindObject(kSpringId));
  ASSERT_NE(keptSpring, nullptr);
  keptSpring->Quantity().GetText(text);
  EXPECT_STREQ(text.AsCString(), "Input[90]");
  ExpectSwing(again, k);
}

// A picture whose visibility reads the run: hidden at the frames whose recorded value is not
// positive, shown at the others; a saved document keeps the formula.
TEST_F(SpringSliderRunTest, PictureShowsWhileItsRecordedValueIsPositive) {
  auto document = Open(kSpringAndPinFile);
  TWorldDoc& world = document->World();
  constexpr int16_t kPictureId = 91;
  auto made = std::make_unique<TPictGadget>();
  made->Initialize();
  made->SetIdentifier(kPictureId);
  TPictGadget& picture = *made;
  world.AdoptObject(std::move(made));
  TFormula formula;
  formula.SetFromPieces("time - 1");
  picture.SetFormulaProperty(kTagPictureVisibility, formula);
  ASSERT_TRUE(picture.IsFormulaInUse());
  EXPECT_EQ(picture.QuantityCode(picture.GetFormulaProperty(kTagPictureVisibility, nullptr,
                                                            nullptr, nullptr, nullptr)),
            kPictureVisibilityCode);

  const double step = world.GetEngine()->TimeStep();
  int shown = 0;
  int hidden = 0;
  RunAndShow(world, 2.0, [&](int16_t frame, double t) {
    if (std::abs(t - 1.0) < step / 2) return;
    EXPECT_EQ(picture.IsVisible(), t > 1.0) << frame;
    ++(picture.IsVisible() ? shown : hidden);
  });
  EXPECT_GT(shown, 0);
  EXPECT_GT(hidden, 0);

  document->WriteDocument(saved_.string());
  auto reopened = std::make_unique<TQVDoc>();
  reopened->ReadDocument(saved_.string());
  auto* kept = dynamic_cast<TPictGadget*>(reopened->World().FindObject(kPictureId));
  ASSERT_NE(kept, nullptr);
  EXPECT_EQ(kept->GetAttachedBody(), nullptr);  // not the background, numbered 0
  EXPECT_TRUE(kept->IsFormulaInUse());
  Str255 text;
  kept->GetVisibilityFormula().GetText(text);
  EXPECT_STREQ(text.AsCString(), "time - 1");
  // The frames kept with the document show it as the run did.
  TWorldDoc& again = reopened->World();
  ASSERT_NE(again.GetStore(), nullptr);
  for (int16_t frame = 0; frame < again.GetStore()->FrameCount(); ++frame) {
    const double t = frame * step;
    if (std::abs(t - 1.0) < step / 2) continue;
    again.ShowFrame(frame, 1);
    EXPECT_EQ(kept->IsVisible(), t > 1.0) << frame;
  }
}

// A picture attached to the box through the command: the box carries it in place of its shape,
// centred on the box as it swings in the run and its replay; undo lets it go, redo takes it
// again, and the document keeps the link.
TEST_F(SpringSliderRunTest, AttachedPictureRidesTheBox) {
  auto document = Open(kSpringAndPinFile);
  TWorldDoc& world = document->World();
  auto* box = dynamic_cast<TMass*>(world.FindObject(kBoxId));
  ASSERT_NE(box, nullptr);
  constexpr int16_t kPictureId = 92;
  TPictGadget& picture = AdoptBlackPicture(world, kPictureId);
  EXPECT_EQ(picture.CommandNumber(), kCmdAttachPictureToBody);

  world.Select(&picture);
  EXPECT_FALSE(PictureCommandApplies(kCmdAttachPictureToBody, world));  // no body chosen
  world.Select(box);
  EXPECT_TRUE(PictureCommandApplies(kCmdAttachPictureToBody, world));
  EXPECT_FALSE(PictureCommandApplies(kCmdDetachPictureFromBody, world));
  app_.Commands().PostCommand(MakePictureCommand(kCmdAttachPictureToBody, world).release());
  ASSERT_TRUE(app_.Commands().PerformNextQueued());
  ASSERT_EQ(picture.GetAttachedBody(), box);
  ASSERT_EQ(box->GetPicture(), &picture);
  EXPECT_EQ(picture.CommandNumber(), kCmdDetachPictureFromBody);
  EXPECT_TRUE(PictureCommandApplies(kCmdDetachPictureFromBody, world));

  // 50 pixels a metre, y down.
  const Transform2D view(50.0, 0.0, 100.0, -200.0, 0.0, 50.0);
  MemoryCanvas canvas(400, 400);
  const auto expectCarried = [&](int16_t frame) -> int16_t {
    box->ValidateScreenTransform(view);
    const MacPoint centre = box->GetScreenPoint();
    EXPECT_EQ(picture.GetPosition(), MacPoint(static_cast<int16_t>(centre.h - 10),
                                              static_cast<int16_t>(centre.v - 8)))
        << frame;
    // The box's drawing is the picture's, where the box is.
    const bool inside = centre.h > 0 && centre.h < 400 && centre.v > 0 && centre.v < 400;
    EXPECT_TRUE(inside) << frame;
    if (!inside) return centre.h;
    SetPortDC(canvas.dc());
    box->DrawShape(MacRect(0, 0, 400, 400), 0);
    SetPortDC(nullptr);
    EXPECT_EQ(canvas.At(centre.h, centre.v), RGB(0, 0, 0)) << frame;
    return centre.h;
  };
  int16_t left = 32767;
  int16_t right = -32768;
  RunAndShow(world, 1.0, [&](int16_t frame, double) {
    const int16_t h = expectCarried(frame);
    left = std::min(left, h);
    right = std::max(right, h);
  });
  EXPECT_GE(right - left, 40);  // the box swings 1 m from side to side
  world.ShowFrame(7, 1);  // replayed
  expectCarried(7);

  app_.Commands().UndoOrRedoLast();
  EXPECT_EQ(picture.GetAttachedBody(), nullptr);
  EXPECT_EQ(box->GetPicture(), nullptr);
  app_.Commands().UndoOrRedoLast();
  ASSERT_EQ(box->GetPicture(), &picture);

  document->WriteDocument(saved_.string());
  auto reopened = std::make_unique<TQVDoc>();
  reopened->ReadDocument(saved_.string());
  TWorldDoc& again = reopened->World();
  auto* keptBox = dynamic_cast<TMass*>(again.FindObject(kBoxId));
  auto* kept = dynamic_cast<TPictGadget*>(again.FindObject(kPictureId));
  ASSERT_NE(kept, nullptr);
  ASSERT_NE(keptBox, nullptr);
  EXPECT_EQ(kept->GetAttachedBody(), keptBox);
  EXPECT_EQ(keptBox->GetPicture(), kept);
  // Written again, the picture's blocks are the same bytes.
  const auto bytesOf = [](TPictGadget& gadget) {
    TObjectWriterKind2 writer;
    writer.Init(nullptr);
    gadget.WriteBlockContents(kBlockPictAttachment, writer);
    Handle handle = writer.TakeHandle();
    const auto* data = reinterpret_cast<const uint8_t*>(HandleData(handle));
    std::vector<uint8_t> bytes(data, data + GetHandleByteSize(handle));
    FreeHandle(handle);
    return bytes;
  };
  EXPECT_EQ(bytesOf(*kept), bytesOf(picture));
}

}  // namespace
