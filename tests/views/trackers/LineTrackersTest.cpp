// Lines drawn from their tool and reshaped by an end.

#include "bodies/lines/Line.h"
#include "tests/views/trackers/ObjectTrackerWorld.h"
#include "views/trackers/LineTrackers.h"
#include "views/trackers/ToolTrackers.h"

namespace object_tracker_test {
namespace {

constexpr int16_t kLineTool = 2549;

class LineTrackersTest : public ObjectTrackerTest {};

TEST_F(LineTrackersTest, ALineIsDrawnFromThePressToTheRelease) {
  made_ = MakeToolTracker(kLineTool, &view, context.get());
  auto& tracker = dynamic_cast<TLineSketchTracker&>(*made_);
  Drag(tracker, At(1, 1), {At(2, 2), At(4, 3)});
  tracker.Perform();
  const std::vector<TLink*> objects = world->Objects();
  TLine* line = nullptr;
  for (TLink* object : objects)
    if (auto* found = dynamic_cast<TLine*>(object)) line = found;
  ASSERT_NE(line, nullptr);
  EXPECT_EQ(line->GetEndPoint1(), TVector(1, 1));
  EXPECT_EQ(line->GetEndPoint2(), TVector(4, 3));
  // The world had no line handler: the new line made one, which lists it.
  TLineHandler* handler = line->GetHandler();
  ASSERT_NE(handler, nullptr);
  EXPECT_EQ(world->FindObject(handler->GetIdentifier()), handler);
  EXPECT_EQ(handler->GetLines()->GetCount(), 1);
}

TEST_F(LineTrackersTest, AClickMakesNoLine) {
  const size_t before = world->Objects().size();
  made_ = MakeToolTracker(kLineTool, &view, context.get());
  Drag(static_cast<TCommandBase&>(*made_), At(1, 1), {});
  EXPECT_THROW(made_->Perform(), QVException);
  EXPECT_EQ(world->Objects().size(), before);
}

TEST_F(LineTrackersTest, AnEndFollowsTheMouseAndTheOtherStays) {
  auto* line = Add<TLine>(kLineTag, 30);
  line->SetEndPoint1(TVector(0, 0), 1);
  line->SetEndPoint2(TVector(2, 0), 1);
  TLineEndTracker tracker;
  tracker.InitLineEnd(&view, context.get(), line, 1);
  EXPECT_EQ(tracker.StartPoint(), TVector(2, 0));
  Drag(tracker, At(2, 0), {At(3, 1), At(3, 2)});
  tracker.Perform();
  EXPECT_EQ(line->GetEndPoint1(), TVector(0, 0));
  EXPECT_EQ(line->GetEndPoint2(), TVector(3, 2));
  tracker.Undo();
  EXPECT_EQ(line->GetEndPoint2(), TVector(2, 0));

  TLineEndTracker empty;
  EXPECT_THROW(empty.InitLineEnd(&view, context.get(), nullptr, 0), QVException);
}

}  // namespace
}  // namespace object_tracker_test
