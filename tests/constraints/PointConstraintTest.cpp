// Points with real constraints on them: a pin and a spring made through the class registry and
// hung on points of a world, and what the points then do: hold, the lock on their world
// coordinates, placement, the searches over their constraints and the drawing on the point.

#include <gtest/gtest.h>

#include <memory>
#include <optional>

#include "bodies/Body.h"
#include "bodies/BodyClasses.h"
#include "bodies/points/Point.h"
#include "constraints/ConstraintClasses.h"
#include "constraints/Pin.h"
#include "constraints/Springs.h"
#include "core/ClassRegistry.h"
#include "core/Handle.h"
#include "core/Resources.h"
#include "core/port/Picture.h"
#include "core/port/Port.h"
#include "model/world/WorldDoc.h"
#include "resources/ResourceLibraries.h"
#include "simulation/Engine.h"
#include "simulation/UnitHandler.h"
#include "tests/support/MemoryCanvas.h"

namespace {

class PointConstraintTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitHandlePool();
    RegisterResourceLibraries();
    SetResourceModule1(LoadResourceLibrary(kMainResourceLibrary));
    RegisterThingClasses();
    LoadEngineLibrary();
    RegisterUnitHandler();
    RegisterBodyClasses();
    RegisterCustomConstraintClasses();
    RegisterSpringClasses();
    RegisterPinRopeRodClasses();
    SettleDefaultConstraintSize();
    FreezeClassRegistry();
    world = std::make_unique<TWorldDoc>();
    background = Add<TMass>(kMassTag, 0);
    body = Add<TMass>(kMassTag, 5);
    body->SetLocalBounds(TDoubleRect(-1.0, 1.0, 1.0, -1.0));
    other = Add<TMass>(kMassTag, 6);
    other->SetLocalBounds(TDoubleRect(-1.0, 1.0, 1.0, -1.0));
  }
  void TearDown() override {
    world.reset();
    FreeCustomConstraintGlobals();
    FreeBodyClasses();
    FreeClassRegistry();
    FreeUnitHandler();
    FreeEngineLibrary();
    SetResourceModule1(nullptr);
    FreeHandlePool();
  }

  template <class T>
  T* Add(uint32_t tag, int16_t identifier) {
    std::unique_ptr<TLink> made(static_cast<TLink*>(CreateObjectByTag(tag)));
    made->Initialize();
    made->SetIdentifier(identifier);
    T* object = static_cast<T*>(made.get());
    world->AdoptObject(std::move(made));
    return object;
  }

  TPoint* AddPoint(int16_t identifier, TMass* on, const TVector3& local) {
    auto* point = Add<TPoint>(kPointTag, identifier);
    point->AttachToBody(on);
    point->SetLocalPosition(local);
    return point;
  }

  // A constraint of the tag on the points, in order.
  template <class T>
  T* Join(uint32_t tag, int16_t identifier, std::initializer_list<TPoint*> points) {
    auto* constraint = Add<T>(tag, identifier);
    for (TPoint* point : points)
      constraint->AttachObject(point);
    return constraint;
  }

  std::unique_ptr<TWorldDoc> world;
  TMass* background = nullptr;
  TMass* body = nullptr;
  TMass* other = nullptr;
};

TEST_F(PointConstraintTest, HoldReachesEveryPointOfAPinButNotThoseOfOtherConstraints) {
  TPoint* first = AddPoint(7, body, {0.1, 0.2, 0.0});
  TPoint* second = AddPoint(8, other, {0.3, 0.4, 0.0});
  TPoint* loose = AddPoint(9, other, {0.5, 0.5, 0.0});
  Join<TPin>(kPinTag, 20, {first, second});

  first->BeginHold(1);
  EXPECT_TRUE(first->IsHeld());
  EXPECT_TRUE(second->IsHeld());
  EXPECT_FALSE(loose->IsHeld());
  second->SetWorldPosition({5.0, 5.0, 1.0});
  second->SetLocalPosition({6.0, 6.0, 1.0});
  second->SetRotation(2.0);
  EXPECT_EQ(second->GetLocalPosition(), TVector3(0.3, 0.4, 0.0));
  first->EndHold(1);
  EXPECT_FALSE(second->IsHeld());
  second->SetLocalPosition({0.6, 0.6, 0.0});
  EXPECT_EQ(second->GetLocalPosition(), TVector3(0.6, 0.6, 0.0));

  // Without propagation only the point itself is held.
  first->BeginHold(0);
  EXPECT_FALSE(second->IsHeld());
  first->EndHold(0);
}

TEST_F(PointConstraintTest, APinLocksTheWorldCoordinatesOfItsPointsWhileItActsASpringDoesNot) {
  TPoint* pinned = AddPoint(7, body, {0.25, 0.5, 0.0});
  TPoint* partner = AddPoint(8, other, {0.0, 0.0, 0.0});
  TPoint* sprung = AddPoint(9, body, {-0.5, 0.0, 0.0});
  TPoint* end = AddPoint(10, other, {0.5, 0.0, 0.0});
  auto* pin = Join<TPin>(kPinTag, 20, {pinned, partner});
  Join<TLSpring>(kLSpringTag, 21, {sprung, end});

  double value = 0.0;
  int32_t dimension = 0;
  uint16_t editable = 9;
  ASSERT_EQ(pinned->GetValueProperty(kTagWorldX, value, dimension, editable), 1);
  EXPECT_EQ(value, 0.25);
  EXPECT_EQ(editable, 0);
  EXPECT_TRUE(pinned->HasFixingConstraint());
  pinned->SetValueProperty(kTagWorldX, 3.0);
  EXPECT_EQ(pinned->GetLocalXY(), TVector(0.25, 0.5));

  ASSERT_EQ(sprung->GetValueProperty(kTagWorldX, value, dimension, editable), 1);
  EXPECT_EQ(editable, 1);
  EXPECT_FALSE(sprung->HasFixingConstraint());
  sprung->SetValueProperty(kTagWorldX, 0.75);
  EXPECT_EQ(sprung->GetWorldXY().x, 0.75);

  // A pin made active no longer acts on its points: they can be placed again.
  pin->Activate(0);
  ASSERT_TRUE(pin->IsActive());
  ASSERT_EQ(pinned->GetValueProperty(kTagWorldY, value, dimension, editable), 1);
  EXPECT_EQ(editable, 1);
  pinned->SetValueProperty(kTagWorldY, -0.5);
  EXPECT_EQ(pinned->GetWorldXY().y, -0.5);
}

TEST_F(PointConstraintTest, ConstraintsKeepTheirPointsOnTheirBodiesAndAreFoundFromThem) {
  other->StorePosition({5.0, 0.0, 0.0});
  TPoint* first = AddPoint(7, body, {0.0, 0.0, 0.0});
  TPoint* second = AddPoint(8, other, {0.0, 0.0, 0.0});
  TPoint* sprung = AddPoint(9, body, {0.5, 0.0, 0.0});
  TPoint* ground = AddPoint(10, background, {-3.0, 0.0, 0.0});
  TPoint* free = AddPoint(11, body, {0.5, 0.5, 0.0});
  auto* pin = Join<TPin>(kPinTag, 20, {first, second});
  Join<TLSpring>(kLSpringTag, 21, {sprung, ground});

  EXPECT_TRUE(first->AnyConstraintClaims());
  EXPECT_TRUE(sprung->AnyConstraintClaims());
  EXPECT_FALSE(free->AnyConstraintClaims());
  EXPECT_TRUE(first->AllConstraintsAgree());
  EXPECT_FALSE(free->AllConstraintsAgree());

  // The search runs over the point, its body, then its constraints.
  const auto isPin = [](TLink* object, void*) { return object->IsMemberClass(TPin::kClassID); };
  EXPECT_EQ(first->FindThat(isPin, nullptr), pin);
  EXPECT_EQ(sprung->FindThat(isPin, nullptr), nullptr);

  // A point its spring claims stays on its body when it is moved over another, marked outside;
  // a free one is placed on the body under it.
  sprung->SetWorldPosition({5.25, 0.25, 0.0});
  PointChangedInWorld(*world, *sprung, 0);
  EXPECT_EQ(sprung->GetBody(), body);
  EXPECT_EQ(sprung->GetOutsideFlag(), 1);
  free->SetWorldPosition({5.25, 0.25, 0.0});
  PointChangedInWorld(*world, *free, 0);
  EXPECT_EQ(free->GetBody(), other);
  EXPECT_EQ(free->GetWorldXY(), TVector(5.25, 0.25));

  // A point dropped where its pin partner's body lies does not land on that body.
  first->MoveToWorldPosition({5.5, 0.5, 0.0});
  EXPECT_EQ(first->GetBody(), background);
  EXPECT_EQ(first->GetWorldXY(), TVector(5.5, 0.5));
}

TEST_F(PointConstraintTest, APointThatMovesToABodyBecomesItsConstraintsReference) {
  TPoint* ground = AddPoint(7, background, {0.0, 0.0, 0.0});
  TPoint* onBody = AddPoint(8, background, {1.0, 0.0, 0.0});
  auto* spring = Join<TLSpring>(kLSpringTag, 21, {ground, onBody});
  ASSERT_EQ(spring->GetReferenceObject(), ground);
  onBody->AttachToBody(body);
  EXPECT_EQ(spring->GetReferenceObject(), onBody);
}

TEST_F(PointConstraintTest, APinIsHitOnItsPointOnlyWhileItActs) {
  TPoint* first = AddPoint(7, body, {20.0, -20.0, 0.0});
  TPoint* second = AddPoint(8, other, {0.0, 0.0, 0.0});
  body->ValidateScreenTransform(Transform2D(1.0, 0.0, 0.0, 0.0, 0.0, 1.0, 0));
  auto* pin = Join<TPin>(kPinTag, 20, {first, second});
  ASSERT_EQ(first->GetScreenPoint(), MacPoint(20, 20));
  EXPECT_TRUE(first->HitConstraint(22, 18));
  EXPECT_FALSE(first->HitConstraint(24, 20));
  // The pin stands on its primary point only.
  EXPECT_FALSE(second->HitConstraint(0, 0));
  pin->Activate(0);
  ASSERT_TRUE(pin->IsActive());
  EXPECT_FALSE(first->HitConstraint(20, 20));
}

// The same world with a drawing port bound to a white memory bitmap and the tool icons loaded.
class PointConstraintDrawTest : public PointConstraintTest {
 protected:
  void SetUp() override {
    PointConstraintTest::SetUp();
    InitDrawingPort();
    canvas.emplace(64, 48);
    SetPortDC(canvas->dc());
    LoadToolIcons();
    body->ValidateScreenTransform(Transform2D(1.0, 0.0, 0.0, 0.0, 0.0, 1.0, 0));
  }
  void TearDown() override {
    SetPortDC(nullptr);
    canvas.reset();
    FreeDrawingPort();
    PointConstraintTest::TearDown();
  }

  // The pixels of the icon drawn on its own at (h, v).
  std::vector<COLORREF> IconAlone(const char* name, int16_t h = 20, int16_t v = 20) {
    MemoryCanvas alone(64, 48);
    SetPortDC(alone.dc());
    DrawIconMasked(GetToolIcon(name), h, v);
    SetPortDC(canvas->dc());
    return Pixels(alone);
  }
  static std::vector<COLORREF> Pixels(MemoryCanvas& of) {
    std::vector<COLORREF> pixels;
    for (int v = 0; v < 48; ++v)
      for (int h = 0; h < 64; ++h)
        pixels.push_back(of.At(h, v));
    return pixels;
  }
  std::optional<MemoryCanvas> canvas;
};

TEST_F(PointConstraintDrawTest, APinDrawsItsIconOnItsPointInPlaceOfThePointIcon) {
  TPoint* first = AddPoint(7, body, {20.0, -20.0, 0.0});
  TPoint* second = AddPoint(8, body, {40.0, -20.0, 0.0});
  auto* pin = Join<TPin>(kPinTag, 20, {first});
  const std::vector<COLORREF> pinIcon = IconAlone("PinIcon");
  ASSERT_NE(pinIcon, IconAlone("PointIcon"));

  first->Draw(MacRect(0, 0, 64, 48), 0);
  EXPECT_EQ(Pixels(*canvas), pinIcon);

  // A welded pin shows its own icon; a point without the pin shows its own icon, the square one
  // while it keeps the weld flag the pin gave it.
  pin->SetWeld(1);
  canvas.emplace(64, 48);
  SetPortDC(canvas->dc());
  first->Draw(MacRect(0, 0, 64, 48), 0);
  EXPECT_EQ(Pixels(*canvas), IconAlone("PinLockIcon"));
  pin->DetachObject(first);
  canvas.emplace(64, 48);
  SetPortDC(canvas->dc());
  first->Draw(MacRect(0, 0, 64, 48), 0);
  EXPECT_EQ(Pixels(*canvas), IconAlone("LockedPointIcon"));
  first->SetLocked(0);
  canvas.emplace(64, 48);
  SetPortDC(canvas->dc());
  first->Draw(MacRect(0, 0, 64, 48), 0);
  EXPECT_EQ(Pixels(*canvas), IconAlone("PointIcon"));
  (void)second;
}

TEST_F(PointConstraintDrawTest, APointOutsideItsBodyIsJoinedToItByADashedLineUnderItsPin) {
  TPoint* point = AddPoint(7, body, {30.0, -20.0, 0.0});
  Join<TPin>(kPinTag, 20, {point});
  const MacRect area(0, 0, 64, 48);
  const COLORREF black = RGB(0, 0, 0);
  point->Draw(area, 0);
  ASSERT_EQ(Pixels(*canvas), IconAlone("PinIcon", 30, 20));
  const int32_t iconOnly = canvas->Count(black);
  point->SetOutsideFlag(1);
  canvas.emplace(64, 48);
  SetPortDC(canvas->dc());
  point->Draw(area, 0);
  EXPECT_GT(canvas->Count(black), iconOnly + 10);
}

TEST_F(PointConstraintDrawTest, ASpringLeavesThePointIconAndTheHighlightAsTheyAre) {
  TPoint* first = AddPoint(7, body, {20.0, -20.0, 0.0});
  TPoint* second = AddPoint(8, body, {40.0, -20.0, 0.0});
  Join<TLSpring>(kLSpringTag, 21, {first, second});
  first->Draw(MacRect(0, 0, 64, 48), 0);
  EXPECT_EQ(Pixels(*canvas), IconAlone("PointIcon"));
  // Highlighting inverts around the point; a pin on it would leave it alone.
  const COLORREF before = canvas->At(21, 21);
  first->Highlight(0, 1);
  EXPECT_NE(canvas->At(21, 21), before);
}

// A welded pin makes its bodies one: the other body is enclosed by the first point's, or by the
// background when a point is on it; without the weld flag nothing is joined.
TEST_F(PointConstraintTest, AWeldedPinJoinsTheTopBodiesOfItsPoints) {
  auto* third = Add<TMass>(kMassTag, 12);
  third->JoinTo(other);  // enclosed already: its top body is the other body
  TPin* plain = Join<TPin>(kPinTag, 20, {AddPoint(7, body, {}), AddPoint(8, third, {})});
  plain->Weld();
  EXPECT_EQ(body->GetJoinedTo(), nullptr);
  EXPECT_EQ(other->GetJoinedTo(), nullptr);

  plain->SetWeld(1);
  plain->Weld();
  EXPECT_EQ(other->GetJoinedTo(), body) << "the second point's top body joins the first's";
  EXPECT_EQ(third->GetJoinedTo(), other) << "bodies below a top body stay where they are";
  EXPECT_EQ(body->GetJoinedTo(), nullptr);

  auto* fourth = Add<TMass>(kMassTag, 13);
  TPin* toGround = Join<TPin>(kPinTag, 21, {AddPoint(9, fourth, {}), AddPoint(10, background, {})});
  toGround->SetWeld(1);
  toGround->Weld();
  EXPECT_EQ(fourth->GetJoinedTo(), background) << "the background holds what is welded to it";
}

// The weld flag is shared by a pin and its points: the pin learns it from its primary point and
// from the point that completes a pair, and hands it to every further point.
TEST_F(PointConstraintTest, APinAndItsPointsShareTheWeldFlag) {
  TPoint* square = AddPoint(7, body, {});
  square->SetLocked(1);
  TPoint* plain = AddPoint(8, other, {});
  TPoint* third = AddPoint(9, other, {});
  third->SetLocked(1);

  auto* pin = Join<TPin>(kPinTag, 20, {square});
  EXPECT_EQ(pin->GetWeld(), 1) << "the primary point's flag";
  EXPECT_EQ(pin->GetKindNumber(), 2523);
  pin->AttachObject(plain);
  EXPECT_EQ(pin->GetWeld(), 0) << "the second point's flag";
  pin->AttachObject(third);
  EXPECT_EQ(pin->GetWeld(), 0);
  EXPECT_EQ(third->IsLocked(), 0) << "a further point takes the pin's flag";

  pin->SetWeld(1);
  for (TPoint* point : {square, plain, third}) EXPECT_EQ(point->IsLocked(), 1);
  EXPECT_EQ(plain->GetKindResourceID(), 2540) << "a welded pin's points are square points";

  // Two square points make a welding pin whichever comes first.
  TPoint* a = AddPoint(10, body, {});
  TPoint* b = AddPoint(11, other, {});
  b->SetLocked(1);
  EXPECT_EQ(Join<TPin>(kPinTag, 21, {a, b})->GetWeld(), 1);
}

// Moving the primary point of a pin that acts (joined into a compound) welds its bodies when the
// pin welds; a pin shown apart, or one that does not weld, joins nothing. Once welded, the pin
// leaves its bodies to the compound: it holds nothing in the editing assembly.
TEST_F(PointConstraintTest, MovingThePrimaryPointOfAnActingWeldingPinWeldsItsBodies) {
  TPoint* primary = AddPoint(7, body, {0.5, 0.0, 0.0});
  TPoint* partner = AddPoint(8, other, {-0.5, 0.0, 0.0});
  auto* pin = Join<TPin>(kPinTag, 20, {primary, partner});

  pin->Activate(0);
  primary->SetLocalPosition({0.5, 0.1, 0.0});
  EXPECT_EQ(other->GetJoinedTo(), nullptr) << "a pin that does not weld";
  EXPECT_TRUE(pin->HasAssemblyConditions());

  pin->SetWeld(1);
  pin->Deactivate(0);
  primary->SetLocalPosition({0.5, 0.2, 0.0});
  EXPECT_EQ(other->GetJoinedTo(), nullptr) << "a pin shown apart";

  pin->Activate(0);
  partner->SetLocalPosition({-0.5, 0.2, 0.0});
  EXPECT_EQ(other->GetJoinedTo(), nullptr) << "the other point moved";
  primary->SetLocalPosition({0.5, 0.3, 0.0});
  EXPECT_EQ(other->GetJoinedTo(), body);
  EXPECT_EQ(body->GetJoinedTo(), nullptr);
  EXPECT_FALSE(pin->HasAssemblyConditions());
}

}  // namespace
