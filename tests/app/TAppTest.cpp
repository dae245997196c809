#include "app/TApp.h"

#include <cstdio>
#include <string>

#include <gtest/gtest.h>

#include "core/Alert.h"
#include "core/ClassHierarchy.h"
#include "core/Failure.h"
#include "core/ClassRegistry.h"
#include "core/Tag.h"
#include "core/Handle.h"
#include "core/Resources.h"
#include "core/TObject.h"
#include "core/port/Port.h"

namespace {

// What the application wrote to its error stream.
class TAppTest : public ::testing::Test {
 protected:
  void SetUp() override {
    stream_ = std::tmpfile();
    ASSERT_NE(stream_, nullptr);
  }
  void TearDown() override { std::fclose(stream_); }

  std::string Reported() {
    std::rewind(stream_);
    std::string text;
    for (int c; (c = std::fgetc(stream_)) != EOF;)
      text += static_cast<char>(c);
    return text;
  }

  std::FILE* stream_ = nullptr;
};

TEST_F(TAppTest, UnitsBuildTheRegistryAndReleaseItInOrder) {
  TApp app(stream_);
  app.LoadResourceDlls();
  EXPECT_NE(GetResourceModule1(), nullptr);
  EXPECT_NE(GetResourceModule3(), nullptr);
  app.InitUnits();
  Handle handle = AllocHandle(10);
  EXPECT_EQ(GetHandleByteSize(handle), 10u);
  EXPECT_TRUE(IsClassRegistryFrozen());
  EXPECT_TRUE(IsClassHierarchyLoaded());
  EXPECT_TRUE(IsDescendantClassID(323, 320));
  EXPECT_NE(GetGlobalPort(), nullptr) << "the drawing port exists once the units are up";
  EXPECT_EQ(GetCurrentPort(), GetGlobalPort());
  // A registered class is made from its tag, and the hierarchy table agrees with every
  // identifier of its compiled chain.
  ASSERT_GT(ClassRegistryCount(), 0);
  for (int32_t i = 0; i < ClassRegistryCount(); ++i) {
    const TClassInfo& info = ClassInfoAt(i);
    TObject* object = CreateObjectByTag(info.tag);
    ASSERT_NE(object, nullptr) << info.name;
    // The picture gadget is registered under the number of its base.
    const int16_t registered =
        info.tag == MakeTag("picg") ? object->GetClassIDAt(1) : object->GetClassID();
    EXPECT_EQ(registered, info.classId) << info.name;
    for (int16_t depth = 0, id; (id = object->GetClassIDAt(depth)) != 0; ++depth) {
      EXPECT_TRUE(object->IsKindOfClassID(id)) << info.name << " is not a kind of " << id;
    }
    object->Free();
  }
  app.TermUnits();
  EXPECT_FALSE(IsClassRegistryFrozen());
  EXPECT_FALSE(IsClassHierarchyLoaded());
  app.FreeResourceDlls();
  EXPECT_EQ(GetResourceModule1(), nullptr);
  EXPECT_EQ(Reported(), "");
}

TEST_F(TAppTest, MissingHierarchyFailsStartUpAndReleasesWhatWasBuilt) {
  TApp app(stream_);
  app.FreeResourceDlls();
  try {
    app.InitUnits();
    FAIL() << "start-up went on without the class hierarchy";
  } catch (const QVException& failure) {
    EXPECT_EQ(failure.error(), kErrOutOfMemory);
  }
  EXPECT_FALSE(IsClassRegistryFrozen());
  EXPECT_FALSE(IsClassHierarchyLoaded());
  // The handle pool is gone again: no record is left to hand out.
  EXPECT_THROW(AllocHandle(1), QVException);
}

TEST_F(TAppTest, OutermostFailureIsReportedOnce) {
  TApp app(stream_);
  app.PerformQueuedCommand([&] { app.PerformQueuedCommand([] { ThrowFailure(-43, 0); }); });
  EXPECT_EQ(Reported(), "Yarrowby: The program met an error it has no text for. (error -43)\n");
  EXPECT_EQ(app.CommandNestingDepth(), 0);
}

TEST_F(TAppTest, SilentAbortReportsNothing) {
  TApp app(stream_);
  app.PerformQueuedCommand([] { ThrowFailure(0, 0); });
  app.ShowError(0, 12);
  EXPECT_EQ(Reported(), "");
}

TEST_F(TAppTest, OutOfMemoryWithADetailSaysHowToFreeMemory) {
  TApp app(stream_);
  InitHandlePool();
  app.LoadResourceDlls();
  FailureDetailText() = Str255("Drawing the world.");
  app.ShowError(kErrOutOfMemory, 0);
  EXPECT_NE(Reported().find("Save your work, then close other programs to free memory. (error -108)"),
            std::string::npos) << Reported();
  EXPECT_EQ(Reported().find("Drawing the world."), std::string::npos);
  // Without a detail, none is added.
  app.ShowError(kErrOutOfMemory, 0);
  EXPECT_EQ(Reported().find("free memory.", Reported().find('\n')), std::string::npos);
  app.FreeResourceDlls();
  FreeHandlePool();
}

}  // namespace
