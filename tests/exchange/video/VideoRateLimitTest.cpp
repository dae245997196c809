// The slowest movie the settings take: two frames a second is the least rate a user may set,
// and the movie's settings then carry it.

#include <gtest/gtest.h>

#include "core/ClassRegistry.h"
#include "core/Handle.h"
#include "core/Resources.h"
#include "exchange/export/ExportHandler.h"
#include "exchange/video/VideoExportType.h"
#include "resources/ResourceLibraries.h"

namespace {

class VideoRateLimitTest : public ::testing::Test {
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
  int16_t MovieRate() const {
    int16_t rate = 0, depth = 0, repeat = 0;
    type->GetSettings(rate, depth, repeat);
    return rate;
  }

  TExportHandler handler;
  TVideoExportType* type = nullptr;
};

TEST_F(VideoRateLimitTest, TwoFramesASecondIsTakenAndOneIsNot) {
  handler.SetIntProperty(MakeTag("rate"), 2);
  EXPECT_EQ(MovieRate(), 2);
  handler.SetIntProperty(MakeTag("rate"), 1);
  EXPECT_EQ(MovieRate(), 2);
  int32_t shown = -1;
  ASSERT_EQ(handler.GetIntProperty(MakeTag("rate"), shown, nullptr), 1);
  EXPECT_EQ(shown, 2);
}

}  // namespace
