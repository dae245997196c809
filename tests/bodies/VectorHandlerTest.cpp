// The world's vector settings: properties, scales, and the settings block in documents.
#include <gtest/gtest.h>

#include <bit>
#include <cstring>
#include <memory>
#include <vector>

#include "bodies/vectors/VectorArrows.h"
#include "core/ClassRegistry.h"
#include "core/Handle.h"
#include "core/Resources.h"
#include "model/filing/ClassSource.h"
#include "model/filing/ObjectReader.h"
#include "model/filing/ObjectWriter.h"

namespace {

TEST(VectorHandler, ScalesClampAndOffsetsBecomeValues) {
  TGlobalVectorHandler handler;
  handler.Initialize();
  EXPECT_EQ(handler.GetGroupStyle(kVectorGroupVelocity).scale, 0.2);
  EXPECT_EQ(handler.GetGroupStyle(kVectorGroupAcceleration).scale, 0.13);
  EXPECT_EQ(handler.GetGroupStyle(7).scale, 0.13);
  handler.SetScales(-1.0, 5.0, 0.5);
  EXPECT_EQ(handler.GetGroupStyle(kVectorGroupVelocity).scale, 0.0);
  EXPECT_EQ(handler.GetGroupStyle(kVectorGroupAcceleration).scale, 1.0);
  EXPECT_EQ(handler.GetGroupStyle(kVectorGroupForce).scale, 0.5);

  const TVector same = handler.OffsetToValue(kVectorGroupVelocity, TVector{3.0, -4.0});
  EXPECT_EQ(same.x, 3.0);
  EXPECT_EQ(same.y, -4.0);
  const TVector force = handler.OffsetToValue(kVectorGroupForce, TVector{3.0, -4.0});
  EXPECT_EQ(force.x, 6.0);
  EXPECT_EQ(force.y, -8.0);

  // Scales set as properties are kept as given.
  handler.SetNumberProperty(kTagVelocityScale, 2.5);
  double scale = 0.0;
  ASSERT_TRUE(handler.GetNumberProperty(kTagVelocityScale, scale, nullptr));
  EXPECT_EQ(scale, 2.5);
}

TEST(VectorHandler, TheLastVisiblePartCannotBeSwitchedOff) {
  TGlobalVectorHandler handler;
  handler.Initialize();
  uint16_t value = 0;
  uint16_t enabled = 9;
  ASSERT_TRUE(handler.GetFlagProperty(kTagShowWholeVector, value, &enabled));
  EXPECT_EQ(value, 1);
  EXPECT_EQ(enabled, 0);
  ASSERT_TRUE(handler.GetFlagProperty(kTagShowXComponent, value, &enabled));
  EXPECT_EQ(enabled, 1);  // off: it may be switched on
  handler.SetFlagProperty(kTagShowXComponent, 1);
  handler.GetFlagProperty(kTagShowWholeVector, value, &enabled);
  EXPECT_EQ(enabled, 1);

  int16_t choice = 0;
  handler.SelectChoice(kTagSeparateContacts);
  handler.GetChoiceProperty(kTagCombineContacts, choice, nullptr);
  EXPECT_EQ(choice, 0);
  handler.GetChoiceProperty(kTagSeparateContacts, choice, nullptr);
  EXPECT_EQ(choice, 1);
  uint16_t combine = 9;
  uint16_t starts = 9;
  handler.GetKindPlacement(9, combine, starts);
  EXPECT_EQ(combine, 0);
  handler.SelectChoice(kTagEndAtPoint);
  handler.GetKindPlacement(1, combine, starts);
  EXPECT_EQ(combine, 1);
  EXPECT_EQ(starts, 1);
  handler.GetKindPlacement(5, combine, starts);
  EXPECT_EQ(combine, 1);
  EXPECT_EQ(starts, 0);
}

class VectorHandlerFilingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitHandlePool();
    RegisterVectorHandlerClass();
    FreezeClassRegistry();
    constexpr int16_t kCount = 1;
    table_.resize(8);
    std::memcpy(table_.data(), &kCount, 2);
    std::memcpy(table_.data() + 2, &kBlockVectorSettings, 2);
    std::memcpy(table_.data() + 4, &kVectorHandlerTag, 4);
    entries_[0] = {"FACT", 0, nullptr, static_cast<uint16_t>(kFactTableId), table_.data(),
                   static_cast<uint32_t>(table_.size())};
    module_ = {"vectors-test.dll", entries_, 1};
    RegisterResourceModule(module_);
    SetResourceModule1(LoadResourceLibrary("vectors-test.dll"));
  }
  void TearDown() override {
    SetResourceModule1(nullptr);
    UnregisterResourceModule("vectors-test.dll");
    FreeClassRegistry();
    FreeHandlePool();
  }
  static std::vector<uint8_t> Bytes(Handle handle) {
    const auto* data = reinterpret_cast<const uint8_t*>(HandleData(handle));
    std::vector<uint8_t> bytes(data, data + GetHandleByteSize(handle));
    FreeHandle(handle);
    return bytes;
  }

  std::vector<uint8_t> table_;
  ResourceEntry entries_[1];
  ResourceModuleTable module_{};
};

void PutBig(std::vector<uint8_t>& out, uint64_t value, int bytes) {
  for (int i = bytes - 1; i >= 0; --i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

TEST_F(VectorHandlerFilingTest, SettingsBlockIsLaidOutAndAZeroPenReadsAsTwo) {
  TGlobalVectorHandler handler;
  handler.Initialize();
  handler.SetFlagProperty(kTagShowYComponent, 1);
  handler.SetColourProperty(kTagForceColour, RGB16Color{0x1111, 0x3333, 0x2222});
  handler.SetShortProperty(kTagVectorPenWidth, 0);
  TObjectWriterKind2 writer;
  writer.Init(nullptr);
  handler.WriteBlockContents(kBlockVectorSettings, writer);
  std::vector<uint8_t> expected;
  for (const int flag : {0, 1, 1, 1, 1, 1}) PutBig(expected, static_cast<uint64_t>(flag), 4);
  for (int i = 0; i < 2; ++i) PutBig(expected, 0, 6);
  PutBig(expected, 0x1111, 2);  // red, green, blue
  PutBig(expected, 0x2222, 2);
  PutBig(expected, 0x3333, 2);
  for (const double scale : {0.2, 0.13, 0.13}) PutBig(expected, std::bit_cast<uint64_t>(scale), 8);
  PutBig(expected, 0, 4);
  EXPECT_EQ(Bytes(writer.TakeHandle()), expected);

  const std::vector<TLink*> objects{&handler};
  const std::vector<uint8_t> document =
      Bytes(WriteObjectsDefault(&objects, 1, nullptr, 2, nullptr)->TakeHandle());
  auto reader = ReadObjects(document, 2, 1, nullptr, nullptr, nullptr, nullptr);
  reader->Complete(0);
  auto read = reader->TakeObjects();
  ASSERT_EQ(read.size(), 1u);
  ASSERT_TRUE(read[0]->IsMemberClass(TGlobalVectorHandler::kClassID));
  auto& back = static_cast<TGlobalVectorHandler&>(*read[0]);
  EXPECT_EQ(back.GetPenWidth(), 2);
  EXPECT_EQ(back.GetComponentFlags().y, 1);
  RGB16Color colour;
  back.GetColourProperty(kTagForceColour, colour, nullptr);
  EXPECT_EQ(colour, (RGB16Color{0x1111, 0x3333, 0x2222}));
}

}  // namespace
