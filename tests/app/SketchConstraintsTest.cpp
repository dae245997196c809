// Constraints sketched end to end in a world's window: each tool chosen from the Tools menu,
// the mouse only synthetic messages through the program's event loop, the result checked in the
// world, in the window's pixels, in the saved and reopened document and in a run.

#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/OpenDocument.h"
#include "app/TApp.h"
#include "app/frames/DocumentWindows.h"
#include "app/frames/MainFrame.h"
#include "bodies/BodyTags.h"
#include "bodies/Shapes.h"
#include "bodies/points/Point.h"
#include "constraints/CurvedSlot.h"
#include "constraints/Forces.h"
#include "constraints/Gear.h"
#include "constraints/Pin.h"
#include "constraints/Pistons.h"
#include "constraints/Springs.h"
#include "core/port/Port.h"
#include "core/port/WindowBinding.h"
#include "model/command/CommandHandler.h"
#include "model/world/QVDoc.h"
#include "model/world/RunBridge.h"
#include "platform/win32/Clock.h"
#include "platform/win32/Input.h"
#include "platform/win32/Message.h"
#include "platform/win32/Window.h"
#include "platform/win32/WindowMessages.h"
#include "platform/win32/WindowPresenter.h"
#include "tests/app/SketchFixture.h"
#include "tools/samples/SampleWorlds.h"
#include "ui/views/OwlSubview.h"
#include "ui/views/ViewServices.h"
#include "views/world/MainWorldView.h"
#include "views/world/WorldWindow.h"

namespace {

constexpr int16_t kRectangleTool = 2503;
constexpr int16_t kCircleTool = 2500;
constexpr int16_t kPinTool = 2524;
constexpr int16_t kSpringTool = 2509;
constexpr int16_t kGearTool = 2552;
constexpr int16_t kCurvedSlotTool = 2546;
constexpr int16_t kForceTool = 2506;
constexpr int16_t kMotorTool = 2513;
constexpr int16_t kVertexEditing = 2012;

class SketchConstraintsTest : public SketchFixture {
 protected:
  // Constraint points are added by whole clicks while the gesture holds the mouse.
  // A click at the first world point, then a click at each other one, then a click on the last
  // again, which ends the gesture.
  void ClickByClick(const std::vector<TVector>& points) {
    std::vector<std::function<void()>> desktop;
    const POINT first = Screen(On(points.front().x, points.front().y));
    desktop.push_back([first] { InjectMouseButton(MouseButton::kLeft, false, first); });
    std::vector<TVector> clicks(points.begin() + 1, points.end());
    clicks.push_back(points.back());
    for (const TVector& p : clicks) {
      const POINT at = Screen(On(p.x, p.y));
      desktop.push_back([at] { InjectMouseMove(at); });
      desktop.push_back([at] { InjectMouseButton(MouseButton::kLeft, true, at); });
      desktop.push_back([at] { InjectMouseButton(MouseButton::kLeft, false, at); });
    }
    Gesture(On(points.front().x, points.front().y), desktop);
  }
  // A big circle dragged out, and a small one right of it.
  std::pair<TOval*, TOval*> TwoCircles() {
    Command(kCircleTool);
    Drag({{0.6, -1.6}, {1.5, -2.0}, {2.4, -2.4}});
    auto* big = Newest<TOval>();
    Command(kCircleTool);
    Drag({{2.6, -1.6}, {3.0, -1.8}, {3.4, -2.0}});
    return {big, Newest<TOval>()};
  }
};

// The centre and half size of a body's box.
struct Box {
  TVector centre;
  TVector half;
};

Box BoxOf(TBasicMass& body) {
  TVector centre(0.0, 0.0);
  body.GetPosition(centre);
  const TVector size = body.GetSize();
  return {centre, TVector(size.x / 2.0, size.y / 2.0)};
}

TMass* BodyOf(TLink* object) {
  auto* point = dynamic_cast<TPoint*>(object);
  return point != nullptr ? point->GetBody() : nullptr;
}

template <class T>
T* FirstOf(TWorldDoc& world) {
  for (TLink* object : world.Objects())
    if (object->IsMemberClass(T::kClassID)) return static_cast<T*>(object);
  return nullptr;
}

TEST_F(SketchConstraintsTest, APinAndAForceSketchedOnABodyMakeItSwingAboutThePin) {
  // The trackers' own grid off (its step below a pixel), so that ends go where they are
  // dropped and snap only to hot points.
  world_->SetAngleSnap(0);
  Command(kRectangleTool);
  Drag({{-3.4, -1.6}, {-2.0, -2.0}, {-0.6, -2.4}});
  auto* bar = Newest<TRectangle>();
  ASSERT_NE(bar, nullptr);
  bar->SetMass(1.0);
  const Box box = BoxOf(*bar);
  ASSERT_GT(box.half.x, 0.5);
  const TVector left(box.centre.x - box.half.x + 0.2, box.centre.y);
  const TVector right(box.centre.x + box.half.x - 0.2, box.centre.y);
  const TVector tail(right.x, right.y - 1.2);

  // The pin: a press on the bar's left end and a release there.
  Command(kPinTool);
  EXPECT_EQ(world_->GetCurrentTool(), kPinTool);
  Drag({left, {left.x + 0.05, left.y}, left});
  auto* pin = Newest<TPin>();
  ASSERT_NE(pin, nullptr);
  ASSERT_EQ(pin->AttachedCount(), 2);
  EXPECT_EQ(BodyOf(pin->Attached()[0]), bar);
  ASSERT_NE(BodyOf(pin->Attached()[1]), nullptr);
  EXPECT_EQ(BodyOf(pin->Attached()[1])->GetIdentifier(), 0);

  // The force: pressed on the bar's right end, its tail dragged out below.
  const MacPoint tailPixel = On(tail.x, tail.y);
  const MacPoint midPixel = On(tail.x, (tail.y + right.y) / 2.0);
  EXPECT_FALSE(InkNear(tailPixel));
  Command(kForceTool);
  Drag({right, {right.x, right.y - 0.6}, tail});
  auto* force = Newest<TForce>();
  ASSERT_NE(force, nullptr);
  ASSERT_EQ(force->AttachedCount(), 1);
  EXPECT_EQ(BodyOf(force->Attached()[0]), bar);
  EXPECT_NEAR(force->Fx().GetValue(), 0.0, 0.05);
  EXPECT_NEAR(force->Fy().GetValue(), 1.2 / force->GetArrowScale(), 0.05);
  // The arrow is drawn from its tail up to the bar: the tail's cross line, and the shaft's two
  // sides half the head's width apart about the line from the tail to the application point.
  const auto half = static_cast<int16_t>(force->GetSize() / 2.0);
  EXPECT_TRUE(InkNear(tailPixel));
  EXPECT_TRUE(InkNear(MacPoint(static_cast<int16_t>(midPixel.h - half), midPixel.v)));
  EXPECT_TRUE(InkNear(MacPoint(static_cast<int16_t>(midPixel.h + half), midPixel.v)));
  MacPoint tip, tailOnScreen;
  ASSERT_TRUE(force->GetScreenArrow(tip, tailOnScreen));
  EXPECT_NEAR(tailOnScreen.h, tailPixel.h, 1);
  EXPECT_NEAR(tailOnScreen.v, tailPixel.v, 1);
  // The pin is drawn where it holds the bar.
  EXPECT_TRUE(InkNear(On(left.x, left.y)));

  // Saved and reopened, the pin and the force hold the same bodies.
  const int16_t barId = static_cast<int16_t>(bar->GetIdentifier());
  documents_->Documents().front()->Document().WriteDocument(path_.string());
  TQVDoc reopened;
  reopened.ReadDocument(path_.string());
  TWorldDoc& again = reopened.World();
  auto* pinAgain = dynamic_cast<TPin*>(again.FindObject(pin->GetIdentifier()));
  ASSERT_NE(pinAgain, nullptr);
  ASSERT_EQ(pinAgain->AttachedCount(), 2);
  EXPECT_EQ(BodyOf(pinAgain->Attached()[0])->GetIdentifier(), barId);
  EXPECT_EQ(BodyOf(pinAgain->Attached()[1])->GetIdentifier(), 0);
  auto* forceAgain = dynamic_cast<TForce*>(again.FindObject(force->GetIdentifier()));
  ASSERT_NE(forceAgain, nullptr);
  ASSERT_EQ(forceAgain->AttachedCount(), 1);
  EXPECT_EQ(BodyOf(forceAgain->Attached()[0])->GetIdentifier(), barId);
  EXPECT_DOUBLE_EQ(forceAgain->Fy().GetValue(), force->Fy().GetValue());

  // Run, the force turns the bar about the pin: the pinned end stays, the bar's centre moves.
  auto* pinned = dynamic_cast<TPoint*>(pin->Attached()[0]);
  ASSERT_NE(pinned, nullptr);
  for (int step = 0; step < 20; ++step)
    Command(kCmdStepForward);
  ASSERT_EQ(world_->CurrentFrame(), 20);
  EXPECT_GT(bar->GetRotationValue(), 0.01);
  EXPECT_NEAR(pinned->GetWorldXY().x, left.x, 0.01);
  EXPECT_NEAR(pinned->GetWorldXY().y, left.y, 0.01);
  TVector centre(0.0, 0.0);
  bar->GetPosition(centre);
  const double arm = std::hypot(box.centre.x - left.x, box.centre.y - left.y);
  EXPECT_NEAR(std::hypot(centre.x - left.x, centre.y - left.y), arm, 0.01);
  EXPECT_GT(centre.y, box.centre.y + 0.01);
}

// A pin clicked once on a bar, its gesture ended by a press above the view (on the tool bar):
// both of its points stand at the click, none at the view's edge where the pointer left it.
TEST_F(SketchConstraintsTest, APinClickedOnceAndEndedOffTheViewStandsAtTheClick) {
  world_->SetAngleSnap(0);
  Command(kRectangleTool);
  Drag({{-3.4, -1.6}, {-2.0, -2.0}, {-0.6, -2.4}});
  auto* bar = Newest<TRectangle>();
  ASSERT_NE(bar, nullptr);
  const TVector click = BoxOf(*bar).centre;
  const POINT at = Screen(On(click.x, click.y));
  const POINT off = Screen(MacPoint(40, -15));
  Command(kPinTool);
  Gesture(On(click.x, click.y), {[at] { InjectMouseButton(MouseButton::kLeft, false, at); },
                                 [off] { InjectMouseMove(off); },
                                 [off] { InjectMouseButton(MouseButton::kLeft, true, off); }});
  InjectMouseButton(MouseButton::kLeft, false, off);
  Pump();
  auto* pin = Newest<TPin>();
  ASSERT_NE(pin, nullptr);
  ASSERT_EQ(pin->AttachedCount(), 2);
  for (TLink* end : pin->Attached()) {
    const TVector spot = static_cast<TPoint*>(end)->GetWorldXY();
    EXPECT_NEAR(spot.x, click.x, 0.05);
    EXPECT_NEAR(spot.y, click.y, 0.05);
  }
}

// A motor sketched on a bar's end joins the bar to the background, and the run turns the bar at
// the motor's speed.
TEST_F(SketchConstraintsTest, AMotorSketchedOnABarsEndTurnsTheBarAboutIt) {
  world_->SetAngleSnap(0);
  Command(kRectangleTool);
  Drag({{-3.4, -1.6}, {-2.0, -2.0}, {-0.6, -2.4}});
  auto* bar = Newest<TRectangle>();
  ASSERT_NE(bar, nullptr);
  bar->SetMass(1.0);
  const Box box = BoxOf(*bar);
  const TVector left(box.centre.x - box.half.x + 0.2, box.centre.y);
  Command(kMotorTool);
  EXPECT_EQ(world_->GetCurrentTool(), kMotorTool);
  Drag({left, {left.x + 0.05, left.y}, left});
  auto* motor = Newest<TRPiston>();
  ASSERT_NE(motor, nullptr);
  ASSERT_EQ(motor->AttachedCount(), 2);
  EXPECT_EQ(BodyOf(motor->Attached()[0]), bar);
  ASSERT_NE(BodyOf(motor->Attached()[1]), nullptr);
  EXPECT_EQ(BodyOf(motor->Attached()[1])->GetIdentifier(), 0);
  EXPECT_TRUE(InkNear(On(left.x, left.y)));
  // Driven at 2 rad/s against the background, the bar turns at that rate.
  motor->SetShortProperty(kTagDriveKind, TPiston::kVelocity);
  motor->Quantity().SetConstant(2.0);
  for (int step = 0; step < 20; ++step)
    Command(kCmdStepForward);
  ASSERT_EQ(world_->CurrentFrame(), 20);
  ASSERT_GT(world_->CurrentTime(), 0.0);
  EXPECT_NEAR(std::abs(bar->GetRotationValue()), 2.0 * world_->CurrentTime(), 1e-6);
}

// A spring being dragged out is drawn to the pointer at every step, below the sample's bodies.
TEST_F(SketchConstraintsTest, ASpringBeingDraggedOutIsDrawnToThePointerAtEveryStep) {
  world_->SetAngleSnap(0);
  Command(kSpringTool);
  ASSERT_FALSE(InkNear(On(-1.5, -2.5)));
  ASSERT_FALSE(InkNear(On(-0.5, -2.5)));
  bool firstStepDrawn = false;
  bool secondStepDrawn = false;
  Gesture(On(-2.0, -2.5),
          {[&] { InjectMouseMove(Screen(On(-1.0, -2.5))); },
           [&] { firstStepDrawn = InkNear(On(-1.5, -2.5)) && InkNear(On(-1.0, -2.5)); },
           [&] { InjectMouseMove(Screen(On(0.0, -2.5))); },
           [&] { secondStepDrawn = InkNear(On(-0.5, -2.5)) && InkNear(On(0.0, -2.5)); },
           [&] { InjectMouseButton(MouseButton::kLeft, false, Screen(On(0.0, -2.5))); }});
  EXPECT_TRUE(firstStepDrawn) << "the spring was not drawn to the pointer's first place";
  EXPECT_TRUE(secondStepDrawn) << "the spring did not follow the pointer";
  auto* spring = Newest<TLSpring>();
  ASSERT_NE(spring, nullptr);
  EXPECT_TRUE(InkNear(On(-0.5, -2.5)));
}

TEST_F(SketchConstraintsTest, ASpringAndAGearJoinTwoCirclesAndACurvedSlotIsDrawn) {
  // The trackers' own grid off (its step below a pixel), so that ends go where they are
  // dropped and snap only to hot points.
  world_->SetAngleSnap(0);
  const auto [big, small] = TwoCircles();
  ASSERT_NE(big, nullptr);
  ASSERT_NE(small, nullptr);
  ASSERT_NE(big, small);
  // Wheels of the sizes the gear is to take its ratio from.
  big->SetRadius(0.6);
  big->SetPlacement(TVector3(1.2, -2.0, 0.0));
  big->ShapeChanged(1);
  small->SetRadius(0.3);
  small->SetPlacement(TVector3(2.6, -2.0, 0.0));
  small->ShapeChanged(1);
  Pump();
  const Box first = BoxOf(*big);
  const Box second = BoxOf(*small);
  ASSERT_GT(first.half.x, 0.0);
  ASSERT_GT(second.half.x, 0.0);

  Command(kSpringTool);
  Drag({first.centre, {2.5, -2.0}, second.centre});
  auto* spring = Newest<TLSpring>();
  ASSERT_NE(spring, nullptr);
  ASSERT_EQ(spring->AttachedCount(), 2);
  EXPECT_EQ(BodyOf(spring->Attached()[0]), big);
  EXPECT_EQ(BodyOf(spring->Attached()[1]), small);

  Command(kGearTool);
  Drag({{first.centre.x + 0.1, first.centre.y},
        {2.5, -2.0},
        {second.centre.x, second.centre.y + 0.05}});
  auto* gear = Newest<TGear>();
  ASSERT_NE(gear, nullptr);
  ASSERT_EQ(gear->AttachedCount(), 2);
  EXPECT_EQ(BodyOf(gear->Attached()[0]), big);
  EXPECT_EQ(BodyOf(gear->Attached()[1]), small);
  const double ratio = big->GetShapeRadius() / small->GetShapeRadius();
  EXPECT_DOUBLE_EQ(gear->Ratio().GetValue(), ratio);
  EXPECT_DOUBLE_EQ(gear->Quantity().GetValue(), ratio);

  // A curved slot drawn on the background: open, its two control points the press and the
  // release, the curve in the pixels between them.
  const TVector from(-3.0, 2.0);
  const TVector to(-1.0, 2.0);
  EXPECT_FALSE(InkNear(On(-2.0, 2.0)));
  Command(kCurvedSlotTool);
  Drag({from, {-2.0, 2.2}, to});
  auto* slot = Newest<TCurvedSlot>();
  ASSERT_NE(slot, nullptr);
  EXPECT_FALSE(slot->IsClosed());
  EXPECT_EQ(slot->ControlPointCount(), 2);
  EXPECT_TRUE(InkNear(On(-2.0, 2.0)));

  // A third control point, then in vertex editing that one is dragged onto the first: the
  // curve closes.
  const TVector third(-2.0, 1.0);
  TVector onCurve = third;
  slot->WorldToLocal(onCurve);
  slot->AppendVertex(onCurve);
  slot->InvalidateCurve(1);
  Pump();
  Command(kVertexEditing);
  Drag({third, {-2.5, 1.5}, from});
  EXPECT_EQ(slot->GetSelectedVertex(), 3);
  EXPECT_TRUE(slot->IsClosed());

  // Saved and reopened with its attachments and its ratio.
  documents_->Documents().front()->Document().WriteDocument(path_.string());
  TQVDoc reopened;
  reopened.ReadDocument(path_.string());
  auto* gearAgain = dynamic_cast<TGear*>(reopened.World().FindObject(gear->GetIdentifier()));
  ASSERT_NE(gearAgain, nullptr);
  ASSERT_EQ(gearAgain->AttachedCount(), 2);
  EXPECT_EQ(BodyOf(gearAgain->Attached()[0])->GetIdentifier(), big->GetIdentifier());
  EXPECT_EQ(BodyOf(gearAgain->Attached()[1])->GetIdentifier(), small->GetIdentifier());
  EXPECT_DOUBLE_EQ(gearAgain->Ratio().GetValue(), ratio);
  auto* springAgain = dynamic_cast<TLSpring*>(reopened.World().FindObject(spring->GetIdentifier()));
  ASSERT_NE(springAgain, nullptr);
  EXPECT_EQ(springAgain->AttachedCount(), 2);
  auto* slotAgain = dynamic_cast<TCurvedSlot*>(reopened.World().FindObject(slot->GetIdentifier()));
  ASSERT_NE(slotAgain, nullptr);
  EXPECT_EQ(slotAgain->ControlPointCount(), slot->ControlPointCount());
  EXPECT_TRUE(slotAgain->IsClosed());
}

// Two circles pinned at their centres and meshed by the gear tool: the first one spun, the second
// turns the other way at the ratio.
TEST_F(SketchConstraintsTest, AGearPairSketchedBetweenPinnedCirclesTurnsTheSecond) {
  world_->SetAngleSnap(0);
  const auto [big, small] = TwoCircles();
  ASSERT_NE(big, small);
  for (TOval* circle : {big, small}) {
    circle->SetMass(1.0);
    const TVector centre = BoxOf(*circle).centre;
    Command(kPinTool);
    Drag({centre, {centre.x + 0.05, centre.y}, centre});
  }
  Command(kGearTool);
  Drag({BoxOf(*big).centre, {2.5, -2.0}, BoxOf(*small).centre});
  auto* gear = Newest<TGear>();
  ASSERT_NE(gear, nullptr);
  const double ratio = gear->Ratio().GetValue();
  ASSERT_GT(ratio, 1.0);
  big->SetFormulaProperty(body_tags::kTagVelRot, TFormula(5.0));
  for (int step = 0; step < 20; ++step)
    Command(kCmdStepForward);
  ASSERT_EQ(world_->CurrentFrame(), 20);
  const double turned = big->GetRotationValue();
  ASSERT_GT(std::abs(turned), 0.1);
  EXPECT_NEAR(small->GetRotationValue(), -ratio * turned, 0.02 * ratio * std::abs(turned));
}

}  // namespace
