// A constraint left with nothing attached still files a whole solver record: no attached
// objects, and the shared default in place of a primary object's quantity, never the quantity
// of an object it was attached to before. It stands nowhere: the identity frame, and no band
// selects it.

#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "bodies/points/Point.h"
#include "constraints/Constraint.h"
#include "constraints/ConstraintClasses.h"
#include "constraints/Pin.h"
#include "core/Handle.h"
#include "core/geometry/Transform2D.h"
#include "model/filing/ObjectWriter.h"

namespace {

std::vector<uint8_t> Record(TLink& object) {
  TNativeObjectWriter writer;
  writer.Init(nullptr);
  object.WriteBlockContents(TCnstr::kBlockRecord, writer);
  Handle handle = writer.TakeHandle();
  const auto* data = reinterpret_cast<const uint8_t*>(HandleData(handle));
  std::vector<uint8_t> bytes(data, data + GetHandleByteSize(handle));
  FreeHandle(handle);
  return bytes;
}

void Put16(std::vector<uint8_t>& out, int16_t v) {
  out.insert(out.end(), reinterpret_cast<uint8_t*>(&v), reinterpret_cast<uint8_t*>(&v) + 2);
}
void PutConstant(std::vector<uint8_t>& out, double v) {
  Put16(out, 1);
  out.insert(out.end(), reinterpret_cast<uint8_t*>(&v), reinterpret_cast<uint8_t*>(&v) + 8);
}

// The record of an always-active pin attached to nothing: its x and y goals and no objects.
std::vector<uint8_t> UnattachedPinRecord() {
  std::vector<uint8_t> expected;
  Put16(expected, -1);
  PutConstant(expected, 0.0);  // the shared default quantity
  PutConstant(expected, 1.0);
  Put16(expected, 0);
  Put16(expected, -1);
  PutConstant(expected, 0.0);
  Put16(expected, 0);  // nothing attached
  Put16(expected, 2);
  for (int16_t component : {1, 0}) {
    Put16(expected, 1);
    Put16(expected, 0);
    Put16(expected, component);
    PutConstant(expected, 0.0);
  }
  return expected;
}

class UnattachedConstraintTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitHandlePool();
    RegisterCustomConstraintClasses();
    SettleDefaultConstraintSize();
    pin.Initialize();
    pin.SetShortProperty(kTagAlwaysActive, 1);
  }
  void TearDown() override {
    FreeCustomConstraintGlobals();
    FreeHandlePool();
  }
  TPin pin;
};

TEST_F(UnattachedConstraintTest, ANewConstraintFilesNoObjectsAndTheSharedQuantity) {
  EXPECT_EQ(Record(pin), UnattachedPinRecord());
  Transform2D frame(0.5, 0.5, 3.0, 4.0, 1.0, 2.0);
  pin.GetLocalToWorldTransform(frame);
  EXPECT_EQ(frame.cosine, 1.0);
  EXPECT_EQ(frame.sine, 0.0);
  EXPECT_EQ(frame.tx, 0.0);
  EXPECT_EQ(frame.ty, 0.0);
  EXPECT_FALSE(pin.LiesInRect(MacRect(-32000, -32000, 32000, 32000)));
}

TEST_F(UnattachedConstraintTest, OnceItsObjectsAreGoneNothingOfThemIsFiled) {
  auto point = std::make_unique<TPoint>();
  point->Initialize();
  point->SetIdentifier(10);
  point->LocalRotation()->Assign(TFormula(0.75));
  pin.AttachObject(point.get());
  ASSERT_EQ(pin.GetPrimaryObject(), point.get());
  pin.DetachObject(point.get());
  EXPECT_EQ(pin.GetPrimaryObject(), nullptr);
  EXPECT_EQ(Record(pin), UnattachedPinRecord());
}

}  // namespace
