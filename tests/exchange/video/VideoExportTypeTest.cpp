// The movie export's settings: what dialogs may set, what the document keeps, and the options
// handed between the type and the video writer.

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "core/ClassRegistry.h"
#include "core/Handle.h"
#include "core/Resources.h"
#include "exchange/export/ExportHandler.h"
#include "exchange/video/VideoExportType.h"
#include "model/filing/ObjectReader.h"
#include "model/filing/ObjectWriter.h"
#include "resources/ResourceLibraries.h"

namespace {

class VideoExportTypeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitHandlePool();
    RegisterExportHandlerClass();
    InitVideoExport();
    FreezeClassRegistry();
    RegisterResourceLibraries();
    SetResourceModule1(LoadResourceLibrary(kMainResourceLibrary));
    handler.Initialize();
    auto made = std::make_unique<TVideoExportType>();
    made->Init(TVideoExportType::kTag, &handler);
    type = made.get();
    handler.AddExportType(std::move(made));
    handler.SetCurrentCommand(kCmdExportVideo);
  }
  void TearDown() override {
    UnloadVideoLibrary();
    SetResourceModule1(nullptr);
    FreeClassRegistry();
    FreeHandlePool();
  }
  int32_t Int(const char (&tag)[5]) {
    int32_t value = -1;
    EXPECT_EQ(handler.GetIntProperty(MakeTag(tag), value, nullptr), 1);
    return value;
  }

  TExportHandler handler;
  TVideoExportType* type = nullptr;
};

TEST_F(VideoExportTypeTest, RateRepeatAndDepthKeepSensibleValues) {
  EXPECT_EQ(Int("rate"), 10);
  EXPECT_EQ(Int("mlpt"), 1);
  handler.SetIntProperty(MakeTag("rate"), 25);
  handler.SetIntProperty(MakeTag("mlpt"), 3);
  handler.SetIntProperty(MakeTag("rate"), 1);  // not taken
  handler.SetIntProperty(MakeTag("mlpt"), 0);  // not taken
  EXPECT_EQ(Int("rate"), 25);
  EXPECT_EQ(Int("mlpt"), 3);
  uint16_t depth = 0;
  ASSERT_EQ(handler.GetShortProperty(MakeTag("bmpd"), depth, nullptr), 1);
  EXPECT_EQ(depth, 8);
  handler.SetShortProperty(MakeTag("bmpd"), 24);
  handler.SetShortProperty(MakeTag("bmpd"), 16);  // no such frames
  handler.GetShortProperty(MakeTag("bmpd"), depth, nullptr);
  EXPECT_EQ(depth, 24);
  // The settings dialog's whole-number field: the same rule, and no wrap-around to 24.
  handler.SetIntProperty(MakeTag("bmpd"), 65536 + 24);
  handler.SetIntProperty(MakeTag("bmpd"), 12);
  EXPECT_EQ(Int("bmpd"), 24);
  handler.SetIntProperty(MakeTag("bmpd"), 32);
  EXPECT_EQ(Int("bmpd"), 32);
  EXPECT_EQ(handler.HasAction(MakeTag("opts")), 1);
}

TEST_F(VideoExportTypeTest, TheDocumentKeepsTheSettingsButNotTheOptions) {
  handler.SetIntProperty(MakeTag("rate"), 30);
  handler.SetIntProperty(MakeTag("mlpt"), 2);
  handler.SetShortProperty(MakeTag("bmpd"), 32);
  VideoOptions options;
  options.quality = 5000;
  type->TakeOptions(&options, sizeof options);
  ASSERT_TRUE(type->HasOptions());

  const std::vector<TLink*> list{&handler};
  auto writer = WriteObjectsDefault(&list, 1, nullptr, 2, nullptr);
  Handle handle = writer->TakeHandle();
  const std::vector<uint8_t> bytes(reinterpret_cast<uint8_t*>(HandleData(handle)),
                                   reinterpret_cast<uint8_t*>(HandleData(handle)) +
                                       GetHandleByteSize(handle));
  FreeHandle(handle);
  auto reader = ReadObjects(bytes, 2, 2, nullptr, nullptr, nullptr, nullptr);
  reader->Complete(0);
  auto objects = reader->TakeObjects();
  ASSERT_EQ(objects.size(), 1u);
  auto* read = dynamic_cast<TExportHandler*>(objects[0].get());
  ASSERT_NE(read, nullptr);
  auto* back = dynamic_cast<TVideoExportType*>(read->FindExportType(kCmdExportVideo));
  ASSERT_NE(back, nullptr);
  int16_t rate = 0, depth = 0, repeat = 0;
  back->GetSettings(rate, depth, repeat);
  EXPECT_EQ(rate, 30);
  EXPECT_EQ(depth, 32);
  EXPECT_EQ(repeat, 2);
  EXPECT_FALSE(back->HasOptions());
}

TEST_F(VideoExportTypeTest, TheOptionsActionNeedsAnInitialisedWriterAndKeepsItsOptions) {
  ASSERT_TRUE(VideoAvailable());
  handler.DoAction(MakeTag("opts"));  // the writer is not initialised yet: nothing happens
  EXPECT_FALSE(type->HasOptions());

  BoundVideoLibrary()->InitVideoLibrary();
  VideoOptions chosen;
  chosen.keyFrameInterval = 12;
  type->TakeOptions(&chosen, sizeof chosen);
  handler.DoAction(MakeTag("opts"));
  // The writer was handed the type's options and handed them back.
  int32_t size = 0;
  const auto* current = static_cast<const VideoOptions*>(BoundVideoLibrary()->GetArrays(&size));
  EXPECT_EQ(current->keyFrameInterval, 12u);
  ASSERT_TRUE(type->HasOptions());
  VideoOptions kept;
  std::memcpy(&kept, type->Options().data(), sizeof kept);
  EXPECT_EQ(kept.keyFrameInterval, 12u);

  // More than 40 bytes offered: only 40 are kept.
  std::vector<uint8_t> big(64, 0xAB);
  type->TakeOptions(big.data(), static_cast<int32_t>(big.size()));
  EXPECT_EQ(type->Options().back(), 0xAB);

  UnloadVideoLibrary();
  EXPECT_FALSE(VideoAvailable());
}

}  // namespace
