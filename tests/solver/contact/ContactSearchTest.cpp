// The short cuts a search takes through a crowd answer as the long way does: keys looked up by a
// cursor as by a binary search, two circles met without placing their pieces as when placed,
// and an evaluation kept across a frame's collisions as one made anew; and the points of two
// nearly parallel faces keep their names whichever face they are measured from.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "solver/contact/ContactShape.h"
#include "solver/contact/KeyCursor.h"
#include "solver/contact/NarrowPhase.h"
#include "solver/dynamics/LargeBuffer.h"
#include "solver/dynamics/Simulation.h"

namespace yb::contact {
namespace {

using Key = std::pair<uint64_t, uint64_t>;

// Sorted keys with repeats of the first half, as contact keys of one pair of bodies share it.
std::vector<Key> SortedKeys(std::mt19937& random, int count) {
  std::uniform_int_distribution<uint64_t> body(0, 40), feature(0, 5);
  std::vector<Key> keys;
  for (int k = 0; k < count; ++k)
    keys.emplace_back(body(random), feature(random));
  std::sort(keys.begin(), keys.end());
  keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
  return keys;
}

// Look-ups in ascending order (a pass over contacts), in any order, and descending, over lists
// empty, short and long: each finds what a binary search finds, and the same place.
TEST(KeyCursor, AnswersAsABinarySearchInAnyOrderOfLookUps) {
  std::mt19937 random(11);
  for (const int count : {0, 1, 7, 300}) {
    const std::vector<Key> list = SortedKeys(random, count);
    std::vector<Key> asked = SortedKeys(random, 200);
    asked.push_back({0, 0});
    asked.push_back({1000, 0});
    std::vector<std::vector<Key>> orders{asked, asked, asked};
    std::shuffle(orders[1].begin(), orders[1].end(), random);
    std::reverse(orders[2].begin(), orders[2].end());
    for (const std::vector<Key>& order : orders) {
      KeyCursor cursor(list);
      for (const Key& key : order) {
        const auto expected = std::lower_bound(list.begin(), list.end(), key) - list.begin();
        EXPECT_EQ(cursor.LowerBound(key), static_cast<size_t>(expected));
        EXPECT_EQ(cursor.Contains(key), std::binary_search(list.begin(), list.end(), key));
      }
    }
  }
}

// A pile's lists live in the solver's large arrays, of another allocator: one as long as a
// pile's is put in order and looked up as an ordinary list is.
TEST(KeyCursor, ListsFromAnyAllocatorAreSortedAndSearchedAlike) {
  std::mt19937 random(3);
  const int count = 70000;
  std::vector<Key> plain;
  for (int k = 0; k < count; ++k)
    plain.emplace_back(static_cast<uint64_t>(k / 3), static_cast<uint64_t>(2 * (k % 3)));
  dynamics::LargeVector<Key> large(plain.begin(), plain.end());
  std::shuffle(large.begin(), large.end(), random);
  SortKept(large);
  ASSERT_TRUE(std::equal(large.begin(), large.end(), plain.begin(), plain.end()));
  KeyCursor cursor(large);
  std::uniform_int_distribution<uint64_t> first(0, count / 3 + 2), second(0, 5);
  for (int k = 0; k < 2000; ++k) {
    const Key key{first(random), second(random)};
    const auto expected = std::lower_bound(plain.begin(), plain.end(), key) - plain.begin();
    EXPECT_EQ(cursor.LowerBound(key), static_cast<size_t>(expected));
    EXPECT_EQ(cursor.Contains(key), std::binary_search(plain.begin(), plain.end(), key));
  }
}

TEST(KeyCursor, ReadsTheValueKeptForAKeyOrZero) {
  const std::vector<std::pair<Key, double>> kept{{{1, 2}, 0.5}, {{1, 3}, -2.0}, {{4, 0}, 7.0}};
  KeyCursor cursor(kept, FirstOf{});
  EXPECT_EQ(ValueOr0(cursor, Key{1, 2}), 0.5);
  EXPECT_EQ(ValueOr0(cursor, Key{2, 0}), 0.0);
  EXPECT_EQ(ValueOr0(cursor, Key{4, 0}), 7.0);
  EXPECT_EQ(ValueOr0(cursor, Key{1, 3}), -2.0);  // back again
  EXPECT_EQ(ValueOr0(cursor, Key{9, 9}), 0.0);
}

// Circles placed on turned bodies, apart, touching, overlapping and right at the margin (where
// the test that passes far pairs over without a square root must keep what the exact one keeps).
TEST(CollideCircles, MeetsAsTheirPlacedPiecesDo) {
  std::mt19937 random(5);
  std::uniform_real_distribution<double> place(-2, 2), angle(-3, 3), radius(0.05, 0.5);
  const double margin = 0.01;
  int kept = 0;
  for (int trial = 0; trial < 4000; ++trial) {
    ConvexPiece pa, pb;
    pa.circle = pb.circle = true;
    pa.radius = radius(random);
    pb.radius = radius(random);
    pa.centre = Eigen::Vector2d(place(random), place(random)) * 0.1;
    pb.centre = Eigen::Vector2d(place(random), place(random)) * 0.1;
    const double ta = angle(random), tb = angle(random);
    const PlacedPiece a{&pa, Eigen::Vector2d(place(random), place(random)), std::cos(ta),
                        std::sin(ta)};
    PlacedPiece b{&pb, Eigen::Vector2d(place(random), place(random)), std::cos(tb), std::sin(tb)};
    const Eigen::Vector2d ca = a.World(pa.centre);
    // Every fourth pair is moved to just at the margin apart, by a ulp or two either way.
    if (trial % 4 == 0) {
      Eigen::Vector2d cb = b.World(pb.centre);
      const Eigen::Vector2d d = (cb - ca).normalized();
      const double apart = pa.radius + pb.radius + margin;
      const double ulps = std::nextafter(apart, 10.0) - apart;
      b.position += ca + d * (apart + (trial % 3 - 1) * ulps) - cb;
    }
    const Eigen::Vector2d cb = b.World(pb.centre);
    Manifold placed, straight;
    CollideScratch scratch;
    const bool found = Collide(a, b, margin, placed, scratch);
    ASSERT_EQ(CollideCircles(ca, pa.radius, cb, pb.radius, margin, straight), found) << trial;
    if (!found) continue;
    ++kept;
    EXPECT_EQ(straight.count, placed.count);
    EXPECT_EQ(straight.normal, placed.normal);
    EXPECT_EQ(straight.points[0].point, placed.points[0].point);
    EXPECT_EQ(straight.points[0].separation, placed.points[0].separation);
  }
  // Both ways are tried: pairs kept and pairs passed over.
  EXPECT_GT(kept, 300);
  EXPECT_LT(kept, 3700);
}

// A box resting across the edge of an equal box below, turned a little either way: which of the
// two nearly parallel faces the points are measured from changes with the sign of the turn, yet
// the same corners make the points, and they keep their names (a contact renamed between one
// search and the next would be taken for a new one, not yet touching).
TEST(CollidePolygons, NearlyParallelFacesKeepTheirPointsNamesEitherWayTurned) {
  dynamics::Shape square;
  square.kind = dynamics::Shape::Kind::Rectangle;
  square.w = square.h = 0.5;
  const BodyOutline outline = MakeOutline(square, 0, 0);
  ASSERT_EQ(outline.pieces.size(), 1u);
  const ConvexPiece& piece = outline.pieces[0];
  const PlacedPiece below{&piece, Eigen::Vector2d(0, 0.25), 1, 0};
  auto names = [&](double turn, double shift) {
    const PlacedPiece above{&piece, Eigen::Vector2d(shift, 0.75 - 1e-6), std::cos(turn),
                            std::sin(turn)};
    Manifold m;
    CollideScratch scratch;
    EXPECT_TRUE(Collide(below, above, 0.01, m, scratch));
    std::vector<int> features;
    for (int k = 0; k < m.count; ++k)
      features.push_back(m.points[k].feature);
    std::sort(features.begin(), features.end());
    return features;
  };
  for (const double shift : {0.1, -0.1, 0.2}) {
    const std::vector<int> one = names(1e-5, shift), other = names(-1e-5, shift);
    EXPECT_EQ(one.size(), 2u) << shift;
    EXPECT_EQ(one, other) << shift;
  }
}

// A convex polygon's outline with its corners listed from corner `first` on.
ConvexPiece ListedFrom(const std::vector<Eigen::Vector2d>& corners, size_t first) {
  dynamics::Shape shape;
  shape.kind = dynamics::Shape::Kind::Polygon;
  for (size_t k = 0; k < corners.size(); ++k) {
    const Eigen::Vector2d& v = corners[(first + k) % corners.size()];
    shape.xs.push_back(v.x());
    shape.ys.push_back(v.y());
  }
  const BodyOutline outline = MakeOutline(shape, 0, 0);
  EXPECT_EQ(outline.pieces.size(), 1u);
  return outline.pieces[0];
}

// Triangles, boxes and pentagons, each against each, placed at random near one another: two
// polygons meet as the same outlines listed from other corners do, with the same normal, the
// same points to the bit and each point named by the same corner (boxes against boxes take a
// way of their own through the faces).
TEST(CollidePolygons, MeetAsTheSameOutlinesListedFromOtherCorners) {
  const std::vector<std::vector<Eigen::Vector2d>> shapes{
      {{-0.3, -0.2}, {0.3, -0.2}, {0.05, 0.25}},
      {{-0.25, -0.15}, {0.25, -0.15}, {0.25, 0.15}, {-0.25, 0.15}},
      {{-0.2, -0.2}, {0.2, -0.2}, {0.3, 0.1}, {0, 0.3}, {-0.3, 0.1}}};
  std::mt19937 random(17);
  std::uniform_real_distribution<double> offset(-0.7, 0.7), angle(-3.2, 3.2);
  int met = 0;
  for (const auto& cornersA : shapes)
    for (const auto& cornersB : shapes)
      for (int trial = 0; trial < 60; ++trial) {
        const double ta = angle(random), tb = angle(random);
        const Eigen::Vector2d at(offset(random), offset(random));
        const size_t shiftA = trial % cornersA.size(), shiftB = (trial / 3) % cornersB.size();
        const ConvexPiece a0 = ListedFrom(cornersA, 0), b0 = ListedFrom(cornersB, 0);
        const ConvexPiece a1 = ListedFrom(cornersA, shiftA), b1 = ListedFrom(cornersB, shiftB);
        auto collide = [&](const ConvexPiece& a, const ConvexPiece& b, Manifold& m) {
          CollideScratch scratch;
          return Collide(PlacedPiece{&a, Eigen::Vector2d(0, 0), std::cos(ta), std::sin(ta)},
                         PlacedPiece{&b, at, std::cos(tb), std::sin(tb)}, 0.05, m, scratch);
        };
        Manifold m0, m1;
        const bool found = collide(a0, b0, m0);
        ASSERT_EQ(collide(a1, b1, m1), found) << trial;
        if (!found) continue;
        ++met;
        ASSERT_EQ(m1.count, m0.count) << trial;
        EXPECT_EQ(m1.normal, m0.normal) << trial;
        // A corner's name is its place in the list (and which polygon it is on).
        auto corner = [&](int feature, size_t shiftA, size_t shiftB) {
          const bool onA = (feature & (1 << 20)) == 0;
          const size_t n = onA ? cornersA.size() : cornersB.size();
          return std::pair(onA, ((feature & ~(1 << 20)) + (onA ? shiftA : shiftB)) % n);
        };
        for (int k = 0; k < m0.count; ++k) {
          EXPECT_EQ(m1.points[k].point, m0.points[k].point) << trial;
          EXPECT_EQ(m1.points[k].separation, m0.points[k].separation) << trial;
          EXPECT_EQ(corner(m1.points[k].feature, shiftA, shiftB),
                    corner(m0.points[k].feature, 0, 0))
              << trial;
        }
      }
  EXPECT_GT(met, 150);  // most placements meet
}

}  // namespace
}  // namespace yb::contact

namespace yb::dynamics {
namespace {

RunSettings SixtiethFrames(RunMode mode) {
  RunSettings settings;
  settings.SetRunMode(mode);
  settings.animationStep = 1.0 / 60;
  return settings;
}

// A ball dropped onto a floor bounces; a force on it reads (or not) how many collisions it had
// in the frame. A run that keeps the evaluation ending each frame must move as one that makes
// every frame's first evaluation anew: where the force reads the collisions, the evaluation is
// made anew once they are forgotten, else a struck ball would be pushed on into the next frame.
struct BouncingBall {
  double push = 0;         // newtons per collision of the frame, up
  int collisionsSeen = 0;  // evaluations that read a collision
  std::vector<double> heights;

  void Run(RunMode mode, bool forgetEachFrame) {
    Model model;
    Body floor;
    floor.y = -0.5;
    floor.anchored = 1;
    floor.elasticity = 0.6;
    floor.shape.kind = Shape::Kind::Rectangle;
    floor.shape.w = 4;
    floor.shape.h = 1;
    model.AddBody(floor);
    Body ball;
    ball.y = 0.5;
    ball.mass = 1;
    ball.moment = 0.5 * 0.1 * 0.1;
    ball.elasticity = 0.6;
    ball.staticFriction = ball.kineticFriction = 0.3;
    ball.shape.kind = Shape::Kind::Circle;
    ball.shape.w = ball.shape.h = 0.2;
    const int body = model.AddBody(ball);
    const int centre = model.AddPoint(body, 0, 0);
    model.AddField(MakeLineGravity({body}, 9.81));
    model.collisionGroups.push_back(CollisionGroup{1, false, kNone, {}});
    const double perCollision = push;
    int* seen = &collisionsSeen;
    const Value up = Value::Formula([body, perCollision, seen](const Context& context) {
      if (perCollision == 0) return context.Time() * 0.0;
      const int count = context.GetMechanics().CollisionPairCount(body);
      *seen += count > 0 ? 1 : 0;
      return perCollision * count;
    });
    model.AddConstraint(MakeForce(centre, 0.0, up));
    Simulation sim(std::move(model), SixtiethFrames(mode));
    std::vector<BodyFrame> frame;
    for (int f = 0; f < 90; ++f) {
      if (forgetEachFrame) sim.ForgetEvaluation();
      sim.NextFrame(frame);
      heights.push_back(frame[body].y);
    }
  }
};

TEST(KeptEvaluation, AnswersAsOneMadeAnewAcrossTheFramesCollisions) {
  for (const RunMode mode : {RunMode::Fast, RunMode::Accurate}) {
    for (const double push : {0.0, 40.0}) {
      BouncingBall kept, fresh;
      kept.push = fresh.push = push;
      kept.Run(mode, false);
      fresh.Run(mode, true);
      ASSERT_EQ(kept.heights.size(), fresh.heights.size());
      // The ball bounced: it came down onto the floor and went up again.
      const auto landed =
          std::find_if(kept.heights.begin(), kept.heights.end(), [](double y) { return y < 0.11; });
      ASSERT_NE(landed, kept.heights.end());
      EXPECT_GT(*std::max_element(landed, kept.heights.end()), 0.15);
      if (push != 0) {
        EXPECT_GT(kept.collisionsSeen, 0);
      }
      for (size_t f = 0; f < kept.heights.size(); ++f)
        ASSERT_NEAR(kept.heights[f], fresh.heights[f], 1e-9)
            << "frame " << f << " push " << push << " mode " << static_cast<int>(mode);
    }
  }
}

// A world of a fixed floor, its top at y = 0, where everything collides.
Model OnAFloor() {
  Model model;
  Body floor;
  floor.y = -0.5;
  floor.anchored = 1;
  floor.shape.kind = Shape::Kind::Rectangle;
  floor.shape.w = 20;
  floor.shape.h = 1;
  model.AddBody(floor);
  model.collisionGroups.push_back(CollisionGroup{1, false, kNone, {}});
  return model;
}

// Bodies of one shape in a row share their outline; one after them that differs only in its
// height, or only in where its centre of mass lies, rests on the floor by its own. A body with
// no outline among them meets nothing and falls through the floor, and the box after it, of the
// first boxes' shape, rests by its own again.
TEST(SharedOutlines, EachBodyRestsOnItsOwnShape) {
  Model model = OnAFloor();
  // (height, centre of mass above the middle): each box starts and stays with its bottom on
  // the floor, its middle (the body's place) half its height above it. A height of 0 is the
  // body without an outline.
  const std::vector<std::pair<double, double>> boxes{{0.4, 0}, {0.4, 0}, {0.2, 0},
                                                     {0.2, 0.05}, {0, 0}, {0.4, 0}};
  std::vector<int> members;
  const double start = 0.3;  // where the body without an outline starts
  for (size_t k = 0; k < boxes.size(); ++k) {
    Body box;
    if (boxes[k].first == 0) {
      box.x = static_cast<double>(k);
      box.y = start;
      box.moment = 0.01;
      members.push_back(model.AddBody(box));
      continue;
    }
    box.x = static_cast<double>(k);
    box.y = boxes[k].first / 2;
    box.comY = boxes[k].second;
    box.moment = 0.01;
    box.staticFriction = box.kineticFriction = 0.5;
    box.shape.kind = Shape::Kind::Rectangle;
    box.shape.w = 0.4;
    box.shape.h = boxes[k].first;
    members.push_back(model.AddBody(box));
  }
  model.AddField(MakeLineGravity(members, 9.81));
  for (const RunMode mode : {RunMode::Fast, RunMode::Accurate}) {
    Simulation sim(Model(model), SixtiethFrames(mode));
    sim.AdvanceTo(0.5);
    for (size_t k = 0; k < boxes.size(); ++k) {
      const double y = sim.GetMechanics().Body(members[k]).y;
      if (boxes[k].first == 0) {
        EXPECT_NEAR(y, start - 9.81 * 0.5 * 0.5 / 2, 0.05) << "mode " << static_cast<int>(mode);
        continue;
      }
      EXPECT_NEAR(y, boxes[k].first / 2, 2e-3) << "box " << k << " mode " << static_cast<int>(mode);
    }
  }
}

// A step limit passes over the pairs that cannot limit the step below it: below the step asked
// for it answers as the limit found over every pair does, and above it no shorter than the step.
TEST(ContactStepLimit, AnswersBelowTheStepAsOverEveryPair) {
  Model model = OnAFloor();
  std::vector<int> members;
  // A ball falling fast onto the floor, one at rest on it, a box sliding on it.
  for (int k = 0; k < 3; ++k) {
    Body body;
    body.x = 2.0 * k;
    body.y = k == 0 ? 1.0 : 0.1;
    body.vx = k == 2 ? 3.0 : 0.0;
    body.vy = k == 0 ? -30.0 : 0.0;
    body.moment = 0.005;
    body.staticFriction = body.kineticFriction = 0.2;
    body.shape.kind = k == 2 ? Shape::Kind::Rectangle : Shape::Kind::Circle;
    body.shape.w = body.shape.h = 0.2;
    members.push_back(model.AddBody(body));
  }
  model.AddField(MakeLineGravity(members, 9.81));
  for (const RunMode mode : {RunMode::Fast, RunMode::Accurate}) {
    Simulation sim(Model(model), SixtiethFrames(mode));
    int limited = 0, passed = 0;
    for (int f = 1; f <= 12; ++f) {
      sim.AdvanceTo(f / 60.0);
      Mechanics& mechanics = sim.GetMechanics();
      // Steps close together, so that some are only a little longer than their limit.
      for (double h = 1e-5; h < 0.2; h *= 1.25) {
        const double everyPair = mechanics.ContactStepLimit(h, HUGE_VAL);
        const double limit = mechanics.ContactStepLimit(h);
        if (everyPair < h) {
          ++limited;
          EXPECT_EQ(limit, everyPair) << "frame " << f << " step " << h;
        } else {
          ++passed;
          EXPECT_GE(limit, h) << "frame " << f << " step " << h;
        }
      }
    }
    // Both kinds of answer were asked for.
    EXPECT_GT(limited, 0);
    EXPECT_GT(passed, 0);
  }
}

}  // namespace
}  // namespace yb::dynamics
