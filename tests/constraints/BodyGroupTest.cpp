// Groups of bodies connected through the constraints on their points: the searches over a
// group, the hits of a body's constraints and what a change of its position formulas concerns.

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <vector>

#include "bodies/Body.h"
#include "bodies/BodyClasses.h"
#include "bodies/BodyTags.h"
#include "bodies/points/Point.h"
#include "constraints/ConstraintClasses.h"
#include "constraints/Pin.h"
#include "constraints/Springs.h"
#include "core/ClassRegistry.h"
#include "core/Handle.h"
#include "core/Resources.h"
#include "model/world/WorldDoc.h"
#include "resources/ResourceLibraries.h"
#include "simulation/Engine.h"
#include "simulation/UnitHandler.h"

namespace {

class BodyGroupTest : public ::testing::Test {
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
    for (int16_t i = 0; i < 4; ++i) {
      bodies.push_back(Add<TMass>(kMassTag, static_cast<int16_t>(5 + i)));
      bodies.back()->SetLocalBounds(TDoubleRect(-1.0, 1.0, 1.0, -1.0));
    }
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

  TPoint* AddPoint(TMass* on, const TVector3& local = {0.0, 0.0, 0.0}) {
    auto* point = Add<TPoint>(kPointTag, nextId_++);
    point->AttachToBody(on);
    point->SetLocalPosition(local);
    return point;
  }

  // A constraint of the tag between new points on the two bodies.
  template <class T>
  T* Connect(uint32_t tag, TMass* first, TMass* second) {
    TPoint* a = AddPoint(first);
    TPoint* b = AddPoint(second);
    auto* constraint = Add<T>(tag, nextId_++);
    constraint->AttachObject(a);
    constraint->AttachObject(b);
    return constraint;
  }

  // How often each body of the group of the start was visited.
  static std::map<const TMass*, int> Visits(TMass& start) {
    std::map<const TMass*, int> visits;
    start.ForEachInGroup([&visits](TMass& body) { ++visits[&body]; });
    return visits;
  }

  std::unique_ptr<TWorldDoc> world;
  TMass* background = nullptr;
  std::vector<TMass*> bodies;

 private:
  int16_t nextId_ = 20;
};

TEST_F(BodyGroupTest, ARingOfBodiesIsVisitedOnceEachAndNothingOutsideIt) {
  TMass* a = bodies[0];
  TMass* b = bodies[1];
  TMass* c = bodies[2];
  Connect<TPin>(kPinTag, a, b);
  Connect<TLSpring>(kLSpringTag, b, c);
  Connect<TPin>(kPinTag, c, a);

  const std::map<const TMass*, int> visits = Visits(*b);
  EXPECT_EQ(visits, (std::map<const TMass*, int>{{a, 1}, {b, 1}, {c, 1}}));

  // The lone body is a group of its own.
  EXPECT_EQ(Visits(*bodies[3]), (std::map<const TMass*, int>{{bodies[3], 1}}));
}

TEST_F(BodyGroupTest, SearchesEndAtTheFirstMatchAndDoNotPassABodyThatStopsTheDescent) {
  TMass* a = bodies[0];
  TMass* b = bodies[1];
  TMass* c = bodies[2];
  Connect<TPin>(kPinTag, a, b);
  Connect<TPin>(kPinTag, b, c);

  int tested = 0;
  TMass* found = a->FindInGroup([&](TMass& body, uint16_t&) {
    ++tested;
    return &body == b;
  });
  EXPECT_EQ(found, b);
  EXPECT_EQ(tested, 2);

  // The search from a reaches c only through b: b clearing the flag hides c.
  const auto isC = [&](TMass& body, uint16_t& descend) {
    if (&body == b) descend = 0;
    return &body == c;
  };
  EXPECT_EQ(a->FindInGroup(isC), nullptr);
  EXPECT_EQ(b->FindInGroup([&](TMass& body, uint16_t&) { return &body == c; }), c);

  // Each search starts afresh: the bodies of the last one are visited again.
  EXPECT_EQ(a->FindInGroup([&](TMass& body, uint16_t&) { return &body == c; }), c);
}

TEST_F(BodyGroupTest, AConstraintSwitchedOutOfTheMechanismConnectsNothing) {
  TMass* a = bodies[0];
  TMass* b = bodies[1];
  auto* pin = Connect<TPin>(kPinTag, a, b);
  pin->Activate(0);
  ASSERT_TRUE(pin->IsActive());
  EXPECT_EQ(Visits(*a).size(), 1u);

  pin->Deactivate(0);
  EXPECT_EQ(Visits(*a).size(), 2u);

  // A caller's element step can refuse the constraint too.
  int reached = 0;
  a->ForEachAttachedBody(
      [&](TMass&, TLink*) {
        ++reached;
        return false;
      },
      [&](TLink* element) { return element != pin; });
  EXPECT_EQ(reached, 0);
}

TEST_F(BodyGroupTest, TheWalkOverAttachedBodiesNamesThePointAndStopsAtTheFirstTrueAnswer) {
  TMass* a = bodies[0];
  auto* first = Connect<TPin>(kPinTag, a, bodies[1]);
  Connect<TPin>(kPinTag, a, bodies[2]);

  std::vector<TMass*> seen;
  std::vector<TLink*> through;
  const bool ended = a->ForEachAttachedBody(
      [&](TMass& body, TLink* point) {
        seen.push_back(&body);
        through.push_back(point);
        return false;
      },
      [](TLink*) { return true; });
  EXPECT_FALSE(ended);
  EXPECT_EQ(seen, (std::vector<TMass*>{bodies[1], bodies[2]}));
  ASSERT_EQ(through.size(), 2u);
  EXPECT_EQ(through[0], first->Attached()[0]);

  seen.clear();
  EXPECT_TRUE(a->ForEachAttachedBody(
      [&](TMass& body, TLink*) {
        seen.push_back(&body);
        return true;
      },
      [](TLink*) { return true; }));
  EXPECT_EQ(seen, (std::vector<TMass*>{bodies[1]}));
}

TEST_F(BodyGroupTest, ABodyWhosePositionFollowsAFormulaIsConnectedToTheGround) {
  TMass* a = bodies[0];
  std::vector<TMass*> seen;
  const auto note = [&](TMass& body) {
    seen.push_back(&body);
    return false;
  };
  EXPECT_FALSE(a->ForEachConnected(note));
  EXPECT_TRUE(seen.empty());

  a->PositionX()->SetFromPieces("2*t");
  ASSERT_TRUE(a->PositionX()->IsFormula());
  EXPECT_FALSE(a->ForEachConnected(note));
  EXPECT_EQ(seen, std::vector<TMass*>{background});

  // A walk ended by its visit does not go on to the ground.
  Connect<TPin>(kPinTag, a, bodies[1]);
  seen.clear();
  EXPECT_TRUE(a->ForEachConnected([&](TMass& body) {
    seen.push_back(&body);
    return true;
  }));
  EXPECT_EQ(seen, std::vector<TMass*>{bodies[1]});
}

TEST_F(BodyGroupTest, ABodyIsHitWhereAConstraintOnItsPointsStands) {
  TMass* a = bodies[0];
  TPoint* onA = AddPoint(a, {20.0, -20.0, 0.0});
  TPoint* partner = AddPoint(bodies[1]);
  a->ValidateScreenTransform(Transform2D(1.0, 0.0, 0.0, 0.0, 0.0, 1.0, 0));
  EXPECT_FALSE(a->HitAttachments(20, 20));

  auto* pin = Add<TPin>(kPinTag, 40);
  pin->AttachObject(onA);
  pin->AttachObject(partner);
  ASSERT_EQ(onA->GetScreenPoint(), MacPoint(20, 20));
  EXPECT_TRUE(a->HitAttachments(22, 18));
  EXPECT_FALSE(a->HitAttachments(24, 20));
  // The pin stands on its primary point, which is not on the partner's body.
  EXPECT_FALSE(bodies[1]->HitAttachments(0, 0));
}

TEST_F(BodyGroupTest, APositionFormulaChangeConcernsTheConstraintsOnTheBodysPointsAndTheirPoints) {
  TMass* a = bodies[0];
  auto* pin = Connect<TPin>(kPinTag, a, bodies[1]);
  auto* spring = Connect<TLSpring>(kLSpringTag, bodies[2], a);
  AddPoint(a);  // a point without constraints concerns nothing

  std::vector<TLink*> concerned;
  a->GetDependants(body_tags::kTagTwx, concerned);
  const std::vector<TLink*> expected{pin, pin->Attached()[0], pin->Attached()[1], spring,
                                     spring->Attached()[0], spring->Attached()[1]};
  EXPECT_EQ(concerned, expected);

  // Asked again with what it already holds, nothing is added twice.
  a->GetDependants(body_tags::kTagTwx, concerned);
  EXPECT_EQ(concerned, expected);

  std::vector<TLink*> other;
  a->GetDependants(body_tags::kTagWidth, other);
  EXPECT_TRUE(other.empty());
  // The other body's change concerns the pin but not the spring.
  bodies[1]->GetDependants(body_tags::kTagTwx, other);
  EXPECT_EQ(other, (std::vector<TLink*>{pin, pin->Attached()[0], pin->Attached()[1]}));
}

}  // namespace
