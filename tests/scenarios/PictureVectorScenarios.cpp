// A picture on the world window given to a body and taken from it again, and the vector arrows
// of a selected body, on a private copy of the spring-and-pin sample. Edit > Attach Picture to
// Body makes the box carry a red picture in place of its shape through a run, Edit > Detach
// Picture gives the box its shape back; World > Vectors shows the box's acceleration and force
// arrows (asking first to go back to the start when chosen part of the way through a run), and
// the Vector Lengths and Vector Display dialogs change how they are drawn; Reset and steps back
// leave nothing of the arrows of the frame left, also of the pull between two charges. Each is
// seen in the window's pixels, and the attachment and the arrows' length also in the saved world
// read back.

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "bodies/Body.h"
#include "bodies/vectors/VectorArrows.h"
#include "core/Failure.h"
#include "inout/gadgets/PictGadget.h"
#include "model/world/QVDoc.h"
#include "platform/win32/Gdi.h"
#include "platform/win32/Metafile.h"
#include "tests/scenarios/BodiesSeen.h"
#include "tests/scenarios/Harness.h"
#include "tests/scenarios/WorldWindowSeen.h"

namespace scenario {
namespace {

using window_seen::DocumentWindow;

constexpr char kSample[] = "spring-and-pin.yb";
constexpr char kPictureSample[] = "picture-and-box.yb";
constexpr char kVectorSample[] = "vectors-and-box.yb";

// The red picture added to the sample: its identifier, its size and its place on the window,
// below the spring, clear of every object of the sample.
constexpr int16_t kPictureId = 90;
constexpr int kPictureWidth = 40, kPictureHeight = 30;
constexpr int16_t kPictureLeft = 520, kPictureTop = 150;

bool Near(int value, int wanted) { return std::abs(value - wanted) <= 24; }
bool IsRed(uint32_t pixel) {
  return Near((pixel >> 16) & 0xFF, 255) && Near((pixel >> 8) & 0xFF, 0) && Near(pixel & 0xFF, 0);
}

int MiddleX(const Box& box) { return box.x + box.width / 2; }
int MiddleY(const Box& box) { return box.y + box.height / 2; }

// The sample with a red picture on its window, not carried by any body.
void WriteSampleWithPicture(const std::string& from, const std::string& to) {
  const ProgramUnits units;
  TQVDoc document;
  document.ReadDocument(from);
  HDC recorder = CreateMetaFile(nullptr);
  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
  const RECT all{0, 0, kPictureWidth, kPictureHeight};
  FillRect(recorder, &all, red);
  DeleteObject(red);
  HMETAFILE metafile = CloseMetaFile(recorder);
  auto picture = std::make_unique<TPictGadget>();
  picture->Initialize();
  picture->SetIdentifier(kPictureId);
  picture->SetPicture(PictureFromMetafile(MM_ANISOTROPIC, kPictureWidth, kPictureHeight, metafile));
  DeleteMetaFile(metafile);
  TPictGadget& adopted = *picture;
  document.World().AdoptObject(std::move(picture));
  adopted.SetSize(MacPoint(kPictureWidth, kPictureHeight));
  adopted.MoveBy(MacPoint(kPictureLeft, kPictureTop));
  document.WriteDocument(to);
}

// The identifier of the body that carries the picture in the saved world: 0 for none, -1 when
// the picture or the world is missing.
int SavedCarrier(const std::string& path) {
  const ProgramUnits units;
  try {
    TQVDoc document;
    document.ReadDocument(path);
    auto* picture = dynamic_cast<TPictGadget*>(document.World().FindObject(kPictureId));
    if (picture == nullptr) return -1;
    const TLink* body = picture->GetAttachedBody();
    return body != nullptr ? body->GetIdentifier() : 0;
  } catch (const QVException&) {
    return -1;
  }
}

// The acceleration arrows' length per unit in the saved world; negative when it cannot be read.
double SavedAccelerationScale(const std::string& path) {
  const ProgramUnits units;
  try {
    TQVDoc document;
    document.ReadDocument(path);
    double scale = -1.0;
    for (TLink* object : document.World().Objects())
      if (auto* handler = dynamic_cast<TGlobalVectorHandler*>(object))
        handler->GetNumberProperty(kTagAccelerationScale, scale, nullptr);
    return scale;
  } catch (const QVException&) {
    return -1.0;
  }
}

// The new ink of `after` that `before` lacks, as the box that holds it and the count of it.
struct NewInk {
  Box around;
  int count = 0;
};

NewInk InkAdded(const Picture& before, const Picture& after) {
  NewInk ink;
  int left = before.box.width, top = before.box.height, right = -1, bottom = -1;
  for (int y = 0; y < after.box.height; ++y)
    for (int x = 0; x < after.box.width; ++x) {
      if (after.At(x, y) == before.At(x, y) || !IsInk(after.At(x, y))) continue;
      ++ink.count;
      left = std::min(left, x);
      top = std::min(top, y);
      right = std::max(right, x);
      bottom = std::max(bottom, y);
    }
  if (ink.count > 0)
    ink.around = {before.box.x + left, before.box.y + top, right - left + 1, bottom - top + 1};
  return ink;
}

class PicturesAndVectors : public window_seen::WorldWindowScenario {
 protected:
  // How many pixels of the world, as `shown`, World > Redraw the World changes: none when the
  // window drew no more and no less than the frame it shows.
  int LeftForARedraw(const Picture& shown) {
    EXPECT_TRUE(Choose({"World", "Redraw the World"}));
    EXPECT_TRUE(Settle());
    return shown.Differences(Me().Grab(world_));
  }
  // A fresh program on a private copy of the sample (with the red picture when asked), the box
  // found where the program shows it.
  void Open(const std::string& name, bool withPicture) {
    path_ = Home().Sample(name);
    if (withPicture)
      WriteSampleWithPicture(Home().Sample(kSample), path_);
    else
      std::filesystem::copy_file(Home().Sample(kSample), path_,
                                 std::filesystem::copy_options::overwrite_existing);
    ASSERT_TRUE(StartOnSample(name));
    Me().Control("s");
    ASSERT_TRUE(Settle());
    const SavedWorld opened = ReadSavedWorld(path_);
    ASSERT_TRUE(opened.failure.empty()) << opened.failure;
    ASSERT_EQ(opened.BodiesOfKind("TRectangle").size(), 1u) << opened.Description();
    boxBody_ = opened.BodiesOfKind("TRectangle")[0];
    scale_ = opened.scale;
    box_ = FindBox();
    ASSERT_FALSE(box_.Empty()) << "the box is not shown";
    const DocumentWindow document = Document();
    ASSERT_TRUE(document.Found()) << "no document window";
    world_ = window_seen::WholeWorld(document);
  }

  // The box's outline where the window shows it; empty while something covers it.
  Box FindBox() const {
    return FindOutline(Me().Grab(world_.Empty() ? Frame() : world_),
                       static_cast<int>(boxBody_.width * scale_ + 0.5),
                       static_cast<int>(boxBody_.height * scale_ + 0.5));
  }

  Box Red() const { return Me().Grab(world_).BoundsOf(IsRed); }
  // A point inside the box, above the spring's end at its centre.
  int BoxX() const { return MiddleX(box_); }
  int BoxY() const { return box_.y + box_.height / 4; }

  // An item of the Edit menu, which must be one that can be chosen.
  ::testing::AssertionResult Edit(const std::string& item) {
    if (::testing::AssertionResult chosen = Choose({"Edit", item}); !chosen) return chosen;
    if (Me().ShownWindows() != 1)
      return ::testing::AssertionFailure() << "the menu stayed open: its item is greyed";
    return Settle();
  }

  // The world's window at the first frame after the start: the first time it is worked out,
  // later it is shown again by a step back and a step forward, which load its recorded values
  // into the arrows.
  Picture FirstStep() {
    if (stepped_) WorldByKeys("b");
    WorldByKeys("f");
    stepped_ = true;
    return Me().Grab(world_);
  }

  // An item of the World menu by its keys: Alt+W, then its letter (F for Step Forward, B for
  // Step Back).
  static void WorldByKeys(const std::string& letter) {
    Me().Key("w", {"Alt_L"});
    Me().Key(letter);
    EXPECT_TRUE(Settle());
  }

  // Back at the start, the box selected, then an arrow of World > Vectors chosen for it.
  ::testing::AssertionResult ShowForTheBox(const std::string& arrow) {
    Me().Control("t");
    if (::testing::AssertionResult settled = Settle(); !settled) return settled;
    Me().Click(BoxX(), BoxY());
    if (::testing::AssertionResult settled = Settle(); !settled) return settled;
    if (::testing::AssertionResult chosen = Choose({"World", "Vectors", arrow}); !chosen)
      return chosen;
    return Settle();
  }

  // Back at the start, a dialog of the Vectors submenu, once it shows with the keyboard in it.
  ::testing::AssertionResult OpenDialog(const std::string& item, const std::string& title) {
    Me().Control("t");
    if (::testing::AssertionResult settled = Settle(); !settled) return settled;
    if (::testing::AssertionResult chosen = Choose({"World", "Vectors", item}); !chosen)
      return chosen;
    if (!Me().WaitUntil([&] { return Me().FocusedTitle() == title; }))
      return ::testing::AssertionFailure() << "no " << title << " dialog";
    return Me().Idle();
  }

  // The dialog closed with its OK button, by the Return key.
  ::testing::AssertionResult Accept(const std::string& title) {
    Me().Key("Return");
    if (!Me().WaitUntil([&] { return Me().WindowTitled(title) == 0; }))
      return ::testing::AssertionFailure() << "the " << title << " dialog stayed";
    return Settle();
  }

  std::string path_;
  SavedBody boxBody_;
  double scale_ = 0.0;
  Box box_;
  Box world_;
  bool stepped_ = false;
};

TEST_F(PicturesAndVectors, AnAttachedPictureRidesWithTheBoxUntilItIsDetached) {
  ASSERT_NO_FATAL_FAILURE(Open(kPictureSample, true));
  const Box standing = Red();
  ASSERT_EQ(standing.width, kPictureWidth) << "the picture is not shown whole";
  ASSERT_EQ(standing.height, kPictureHeight) << "the picture is not shown whole";

  // The picture and the box selected together, the box carries the picture at its centre.
  Me().Click(MiddleX(standing), MiddleY(standing));
  ASSERT_TRUE(Me().Idle());
  Me().ShiftClick(BoxX(), BoxY());
  ASSERT_TRUE(Settle());
  ASSERT_TRUE(Edit("Attach Picture to Body"));
  const Box carried = Red();
  ASSERT_FALSE(carried.Empty()) << "the attached picture is not shown";
  EXPECT_NEAR(MiddleX(carried), MiddleX(box_), 1) << "the picture is not on the box";
  EXPECT_NEAR(MiddleY(carried), MiddleY(box_), 1) << "the picture is not on the box";
  EXPECT_TRUE(FindBox().Empty()) << "the box still shows its own outline";
  // Undone, the picture is back in its own place; the undo undone, on the box again.
  Me().Control("z");
  ASSERT_TRUE(Settle());
  EXPECT_EQ(Red(), standing) << "the undone attachment left the picture on the box";
  Me().Control("z");
  ASSERT_TRUE(Settle());
  EXPECT_EQ(Red(), carried) << "the attachment done again left the picture in its place";
  Me().Control("s");
  ASSERT_TRUE(Settle());
  EXPECT_EQ(SavedCarrier(path_), boxBody_.id) << "the saved picture is not carried by the box";

  // The spring pulls the box left, and the picture goes with it; a reset brings both back.
  // The picture is measured on its way, where it is seen: where the run stands when the stop
  // key is taken depends on the machine's speed, and the box may have swung out of view by then.
  Me().Control("r");
  Box onItsWay;
  ASSERT_TRUE(Me().WaitUntil([&] {
    onItsWay = Red();
    return !onItsWay.Empty() && MiddleX(onItsWay) < MiddleX(carried) - 20;
  })) << "the picture stayed behind while the box ran";
  Me().Control("period");
  ASSERT_TRUE(Settle());
  EXPECT_EQ(onItsWay.height, carried.height) << "the picture changed on its way";
  Me().Control("t");
  ASSERT_TRUE(Settle());
  EXPECT_EQ(Red(), carried) << "a reset did not bring the picture back with the box";

  // Detached, the picture stays where the box left it (over the box's outline), and the box
  // runs alone with its own shape. A click on the picture clear of the spring's point at the
  // box's centre selects the box.
  Me().Click(carried.x + 4, carried.Bottom() - 4);
  ASSERT_TRUE(Edit("Detach Picture"));
  Me().Click(world_.x + 4, world_.y + 4);
  ASSERT_TRUE(Settle());
  EXPECT_EQ(Red(), carried) << "the detached picture moved";
  Me().Control("s");
  ASSERT_TRUE(Settle());
  EXPECT_EQ(SavedCarrier(path_), 0) << "the saved picture is still carried";
  Me().Control("r");
  ASSERT_TRUE(Me().WaitUntil([&] {
    const Box now = FindBox();
    return !now.Empty() && now.x < box_.x - 20;
  })) << "the box did not run off with its outline";
  Me().Control("period");
  ASSERT_TRUE(Settle());
  EXPECT_EQ(Red(), carried) << "the detached picture ran with the box";
}

// An arrow shows the values of the frame on the screen: each picture of the arrows is taken one
// step after the start, with the box unselected, and set against the same frame without them.
TEST_F(PicturesAndVectors, AccelerationAndForceArrowsAppearBesideTheSelectedBox) {
  ASSERT_NO_FATAL_FAILURE(Open(kVectorSample, false));
  const Picture plain = FirstStep();
  box_ = FindBox();
  ASSERT_FALSE(box_.Empty()) << "the box is not shown after a step";

  ASSERT_TRUE(ShowForTheBox("Acceleration"));
  const NewInk acceleration = InkAdded(plain, FirstStep());
  ASSERT_GE(acceleration.count, 30) << "no acceleration arrow appeared";
  // The spring pulls the box towards its anchor on the left: the arrow leaves the box that way.
  EXPECT_LT(acceleration.around.x, box_.x) << "the arrow does not point left of the box";
  EXPECT_LE(acceleration.around.Right(), box_.Right() + 120) << "the new ink is not by the box";
  EXPECT_LE(std::abs(MiddleY(acceleration.around) - MiddleY(box_)), 40)
      << "the new ink is not by the box";

  // Acceleration chosen again takes its arrow away; the total force's arrow, drawn alone, lies
  // along the spring as the acceleration's did.
  ASSERT_TRUE(ShowForTheBox("Acceleration"));
  EXPECT_EQ(FirstStep().Differences(plain), 0) << "the acceleration arrow stayed";
  ASSERT_TRUE(ShowForTheBox("Total Force"));
  const NewInk force = InkAdded(plain, FirstStep());
  ASSERT_GE(force.count, 30) << "no force arrow appeared";
  EXPECT_LT(force.around.x, box_.x) << "the force arrow does not point left of the box";
  EXPECT_LE(std::abs(MiddleY(force.around) - MiddleY(box_)), 40) << "the new ink is not by the box";
}

// Arrows chosen part of the way through a run: the recorded frames hold no values for them, so
// the world asks to go back to its start first, as before any edit, and its start stays where it
// was.
TEST_F(PicturesAndVectors, ArrowsChosenAfterAStepAskToGoBackToTheStart) {
  ASSERT_NO_FATAL_FAILURE(Open(kVectorSample, false));
  const Box start = box_;
  const Picture plain = FirstStep();
  box_ = FindBox();
  ASSERT_FALSE(box_.Empty()) << "the box is not shown after a step";
  ASSERT_NE(box_, start) << "the step did not move the box";
  Me().Click(BoxX(), BoxY());
  ASSERT_TRUE(Settle());
  ASSERT_TRUE(Choose({"World", "Vectors", "Acceleration"}));
  ASSERT_TRUE(Me().WaitUntil([] { return Me().WindowTitled("Yarrowby") != 0; }))
      << "the arrow was shown over the recorded frames without a question";
  Me().Key("Return");
  ASSERT_TRUE(Me().WaitUntil([] { return Me().WindowTitled("Yarrowby") == 0; }))
      << "Return did not answer the question";
  Me().Click(world_.x + 4, world_.y + 4);
  ASSERT_TRUE(Settle());
  EXPECT_EQ(FindBox(), start) << "the yes did not take the world back to its start";

  // Chosen again at the start, the arrow shows beside the box at the first frame, which is the
  // one worked out before.
  box_ = start;
  ASSERT_TRUE(ShowForTheBox("Acceleration"));
  const NewInk acceleration = InkAdded(plain, FirstStep());
  EXPECT_GE(acceleration.count, 30) << "no acceleration arrow appeared";
  EXPECT_LE(std::abs(MiddleY(acceleration.around) - MiddleY(start)), 40)
      << "the new ink is not by the box";
}

// The box's velocity arrow through a run: after Reset the window shows what World > Redraw the
// World draws, the box back at its start and no arrow left where the run ended.
TEST_F(PicturesAndVectors, AfterResetTheVelocityArrowIsShownAsARedrawShowsIt) {
  ASSERT_NO_FATAL_FAILURE(Open(kVectorSample, false));
  ASSERT_TRUE(ShowForTheBox("Velocity"));
  Me().Control("r");
  ASSERT_TRUE(Me().WaitUntil([&] {
    const Box now = FindBox();
    return !now.Empty() && now.x < box_.x - 40;
  })) << "the box did not run";
  Me().Control("period");
  ASSERT_TRUE(Settle());
  Me().Control("t");
  ASSERT_TRUE(Settle());
  EXPECT_EQ(LeftForARedraw(Me().Grab(world_)), 0) << "Reset left pixels a redraw takes away";
}

// The electric pull between the two charges of their sample, shown for both: a step back leaves
// the window as a redraw draws it, with nothing of the arrows of the frame before.
TEST_F(PicturesAndVectors, ElectricArrowsSteppedBackLeaveNothingOfTheFrameBefore) {
  ASSERT_TRUE(StartOnSample("charges-in-orbit.yb"));
  const DocumentWindow document = Document();
  ASSERT_TRUE(document.Found()) << "no document window";
  world_ = window_seen::WholeWorld(document);
  Me().Control("a");
  ASSERT_TRUE(Settle());
  ASSERT_TRUE(Choose({"World", "Vectors", "Electrostatic Force"}));
  ASSERT_TRUE(Settle());
  for (int step = 0; step < 8; ++step) WorldByKeys("f");
  const Picture ahead = Me().Grab(world_);
  WorldByKeys("b");
  WorldByKeys("b");
  const Picture stepped = Me().Grab(world_);
  ASSERT_GT(stepped.Differences(ahead), 0) << "the steps back changed nothing";
  EXPECT_EQ(LeftForARedraw(stepped), 0) << "a step back left pixels a redraw takes away";
  // Back at the start, where the pull has no recorded value, no arrow is left.
  Me().Control("t");
  ASSERT_TRUE(Settle());
  EXPECT_EQ(LeftForARedraw(Me().Grab(world_)), 0) << "Reset left pixels a redraw takes away";
}

TEST_F(PicturesAndVectors, TheVectorDialogsChangeHowTheArrowsAreDrawn) {
  ASSERT_NO_FATAL_FAILURE(Open(kVectorSample, false));
  const Picture plain = FirstStep();
  ASSERT_TRUE(ShowForTheBox("Acceleration"));
  const NewInk shown = InkAdded(plain, FirstStep());
  ASSERT_GE(shown.count, 30) << "no acceleration arrow appeared";

  // Vector Lengths: the acceleration's length per unit (its second field) made small, the
  // arrow, which reached past the window's edge, ends short of it, and the world keeps the
  // length.
  ASSERT_TRUE(OpenDialog("Vector Lengths...", "Vector Lengths"));
  Me().Key("Tab");
  Me().Key("Home");
  Me().Key("End", {"Shift_L"});
  Me().Type("0.01");
  ASSERT_TRUE(Accept("Vector Lengths"));
  const NewInk shorter = InkAdded(plain, FirstStep());
  ASSERT_GE(shorter.count, 30) << "the acceleration arrow went";
  EXPECT_GT(shorter.around.x, shown.around.x + 20) << "the arrow is no shorter";
  Me().Control("s");
  ASSERT_TRUE(Settle());
  EXPECT_DOUBLE_EQ(SavedAccelerationScale(path_), 0.01) << "the typed length was not kept";

  // Vector Display: its fourth control, Names beside the arrows, switched off, the name goes and
  // the arrow stays as it was.
  ASSERT_TRUE(OpenDialog("Vector Display...", "Vector Display"));
  for (int tab = 0; tab < 3; ++tab) Me().Key("Tab");
  Me().Key("space");
  ASSERT_TRUE(Accept("Vector Display"));
  const NewInk unnamed = InkAdded(plain, FirstStep());
  ASSERT_GT(unnamed.count, 0) << "the arrow went with its name";
  EXPECT_LT(unnamed.count, shorter.count) << "the name stayed";
  EXPECT_NEAR(unnamed.around.x, shorter.around.x, 2) << "the arrow changed with its name";
}

}  // namespace
}  // namespace scenario
