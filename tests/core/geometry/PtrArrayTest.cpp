#include "core/geometry/PtrArray.h"

#include <cmath>
#include <numbers>
#include <vector>

#include <gtest/gtest.h>

#include "core/Failure.h"
#include "core/geometry/Frame2D.h"

namespace {

// An element that records its destruction.
class Tracked : public TPlainObject {
 public:
  Tracked(int id, std::vector<int>& log) : id_(id), log_(log) {}
  ~Tracked() override { log_.push_back(id_); }

 private:
  int id_;
  std::vector<int>& log_;
};

// A derived array whose hooks see every insertion and removal, as renumbering arrays do.
class HookedArray : public TPtrArray {
 public:
  void InsertAt(int32_t i, TPlainObject* element) override {
    events.push_back(i);
    TPtrArray::InsertAt(i, element);
  }
  void RemoveAt(int32_t i) override {
    events.push_back(-1 - i);
    TPtrArray::RemoveAt(i);
  }
  std::vector<int> events;
};

class PtrArrayTest : public ::testing::Test {
 protected:
  void SetUp() override { InitHandlePool(); }
  void TearDown() override {
    SetHeapCeiling(SIZE_MAX);
    SetMemError(0);
    FreeHandlePool();
  }
  std::vector<int> deleted;
};

TEST_F(PtrArrayTest, InsertAndRemoveKeepTheOrder) {
  TPtrArray array;
  Tracked a(1, deleted), b(2, deleted), c(3, deleted);
  EXPECT_EQ(array.Count(), 0);
  array.Append(&a);
  array.InsertAt(array.Count(), &c);  // inserting at Count appends
  array.InsertAt(1, &b);
  ASSERT_EQ(array.Count(), 3);
  EXPECT_EQ(array.Item(0), &a);
  EXPECT_EQ(array.Item(1), &b);
  EXPECT_EQ(array.Item(2), &c);
  EXPECT_EQ(*array.SlotAddress(2), &c);
  array.Remove(&b);
  EXPECT_EQ(array.Item(1), &c);
  array.Remove(&b);  // not held: nothing changes
  EXPECT_EQ(array.Count(), 2);
  EXPECT_FALSE(array.Contains(&b));
  array.RemoveAt(0);
  array.RemoveAt(0);
  EXPECT_EQ(array.LastIndex(), -1);
  EXPECT_TRUE(deleted.empty()) << "removing never deletes";
}

TEST_F(PtrArrayTest, DeletingOwnsTheElements) {
  TPtrArray array;
  for (int i = 0; i < 4; ++i)
    array.Append(new Tracked(i, deleted));
  array.Append(nullptr);
  array.DeleteAt(1);
  EXPECT_EQ(deleted, std::vector<int>{1});
  EXPECT_EQ(array.Count(), 4);
  array.FreeAll();
  EXPECT_EQ(deleted, (std::vector<int>{1, 0, 2, 3}));
  EXPECT_EQ(array.Count(), 0);
  array.FreeAll();  // nothing to do, and the array stays usable
  Tracked kept(9, deleted);
  array.Append(&kept);
  EXPECT_EQ(array.Item(0), &kept);
  array.RemoveAll();
}

TEST_F(PtrArrayTest, HooksSeeEveryChange) {
  HookedArray array;
  Tracked a(1, deleted);
  array.Append(&a);
  array.Append(new Tracked(2, deleted));
  array.DeleteAt(1);
  array.Remove(&a);
  EXPECT_EQ(array.events, (std::vector<int>{0, 1, -2, -1}));
}

TEST_F(PtrArrayTest, BadIndicesAndFailedGrowthLeaveTheArrayIntact) {
  TPtrArray array;
  Tracked a(1, deleted);
  array.Append(&a);
  EXPECT_EQ(array.Item(1), nullptr);
  EXPECT_EQ(array.Item(-1), nullptr);
  EXPECT_THROW(array.InsertAt(3, &a), QVException);
  EXPECT_THROW(array.RemoveAt(1), QVException);
  EXPECT_THROW(array.DeleteAt(-1), QVException);
  SetHeapCeiling(4);
  try {
    array.Append(&a);
    FAIL() << "growing past the heap ceiling must fail";
  } catch (const QVException& failure) {
    EXPECT_EQ(failure.error(), -108);
  }
  SetHeapCeiling(SIZE_MAX);
  EXPECT_EQ(array.Count(), 1);
  EXPECT_EQ(array.Item(0), &a);
}

constexpr double kPi = std::numbers::pi;

TEST(Frame2DTest, MapsComposesAndInverts) {
  const Frame2D a(1, 2, 0.4);
  const Frame2D b(-3, 0.5, 1.2);
  const TVector p(0.7, -1.1);
  const TVector direct = a.TransformPoint(b.TransformPoint(p));
  const Frame2D ab = Frame2D::Compose(a, b);
  EXPECT_NEAR(ab.TransformPoint(p).x, direct.x, 1e-14);
  EXPECT_NEAR(ab.TransformPoint(p).y, direct.y, 1e-14);
  EXPECT_DOUBLE_EQ(ab.angle, 1.6);
  const TVector back = ab.Inverse().TransformPoint(ab.TransformPoint(p));
  EXPECT_NEAR(back.x, p.x, 1e-14);
  EXPECT_NEAR(back.y, p.y, 1e-14);
  const TVector turned = a.RotateVector(TVector(1, 0));
  EXPECT_DOUBLE_EQ(turned.x, std::cos(0.4));
  EXPECT_DOUBLE_EQ(turned.y, std::sin(0.4));
}

TEST(Frame2DTest, QuarterTurnInverseIsExact) {
  const Frame2D frame(3, 4, kPi / 2, 0, 1);
  const Frame2D inverse = frame.Inverse();
  EXPECT_EQ(inverse, TVector3(-4, 3, -kPi / 2));
  EXPECT_EQ(inverse.cosine, 0);
  EXPECT_EQ(inverse.sine, -1);
  Frame2D down(3, 4, -kPi / 2, 0, -1);
  down.Invert();
  EXPECT_EQ(down, TVector3(4, -3, kPi / 2));
  EXPECT_EQ(Frame2D(3, 4, kPi, -1, 0).Inverse(), TVector3(3, 4, -kPi));
  EXPECT_EQ(Frame2D(3, 4, 0, 1, 0).Inverse(), TVector3(-3, -4, 0));
}

TEST(Frame2DTest, MovesInItsOwnAxesAndRotatesInPlace) {
  Frame2D frame(1, 1, kPi / 2, 0, 1);
  frame.TranslateInOwnAxes(TVector(2, 0));  // own x points along world y
  EXPECT_EQ(frame, TVector3(1, 3, kPi / 2));
  frame.Rotate(kPi / 2, 0, 1);
  EXPECT_EQ(frame.cosine, -1);
  EXPECT_EQ(frame.sine, 0);
  EXPECT_EQ(frame.angle, kPi);
  EXPECT_FALSE(frame == Frame2D(1, 3, 0));
  EXPECT_TRUE(frame == Frame2D(1, 3, kPi, 0, 0)) << "only x, y and angle are compared";
}

}  // namespace
