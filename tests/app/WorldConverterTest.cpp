// Every world of the running program has a keeper for its sketch lines and the line and shape
// converter among its default objects: lines drawn into a new world become a curved slot through
// the world's own converter, and a saved world opens with one of each again.

#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/TApp.h"
#include "bodies/lines/Line.h"
#include "constraints/CurvedSlot.h"
#include "constraints/ObjectConverter.h"
#include "core/ClassRegistry.h"
#include "model/command/CommandCore.h"
#include "model/world/QVDoc.h"

namespace {

template <class T>
std::vector<T*> All(const TWorldDoc& world) {
  std::vector<T*> found;
  for (TLink* object : world.Objects())
    if (auto* match = dynamic_cast<T*>(object)) found.push_back(match);
  return found;
}

class WorldConverterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    app_.LoadResourceDlls();
    app_.InitUnits();
  }
  void TearDown() override {
    std::filesystem::remove(path_);
    app_.TermUnits();
    app_.FreeResourceDlls();
  }

  // A selected sketch line of the world, kept by its line handler.
  static TLine& Sketch(TWorldDoc& world, int16_t identifier, TVector from, TVector to) {
    std::unique_ptr<TLine> line(static_cast<TLine*>(CreateObjectByTag(kLineTag)));
    line->Initialize();
    line->SetIdentifier(identifier);
    line->SetEndPoint1(from, 0);
    line->SetEndPoint2(to, 1);
    TLine& added = *line;
    world.AdoptObject(std::move(line));
    All<TLineHandler>(world).front()->AdoptChild(added);
    added.SetSelected(1, 0);
    return added;
  }

  TApp app_;
  std::filesystem::path path_ = std::filesystem::temp_directory_path() /
                                ("yb-world-converter-" + std::to_string(::getpid()) + ".yb");
};

TEST_F(WorldConverterTest, LinesOfANewWorldBecomeACurvedSlotThroughItsConverter) {
  TQVDoc document;
  TWorldDoc& world = document.World();
  ASSERT_EQ(All<TLineHandler>(world).size(), 1u);
  ASSERT_EQ(All<TObjectConverter>(world).size(), 1u);
  TObjectConverter& converter = *All<TObjectConverter>(world).front();
  EXPECT_EQ(converter.GetLineHandler(), All<TLineHandler>(world).front());

  Sketch(world, 20, {0.0, 0.0}, {3.0, 0.0});
  Sketch(world, 21, {3.0, 0.0}, {3.0, 2.0});
  bool handled = false;
  std::unique_ptr<TCommandCore> command(
      converter.DoObjectMenuCommand(TObjectConverter::kCmdLinesToCurve, handled));
  ASSERT_TRUE(handled);
  ASSERT_NE(command, nullptr);
  command->Perform();
  EXPECT_TRUE(All<TLine>(world).empty());
  ASSERT_EQ(All<TCurvedSlot>(world).size(), 1u);
  const TCurvedSlot& curve = *All<TCurvedSlot>(world).front();
  ASSERT_EQ(curve.ControlPointCount(), 3);
  EXPECT_EQ(curve.ControlPoint(1), TVector(0.0, 0.0));
  EXPECT_EQ(curve.ControlPoint(2), TVector(3.0, 0.0));
  EXPECT_EQ(curve.ControlPoint(3), TVector(3.0, 2.0));

  command->Undo();
  EXPECT_TRUE(All<TCurvedSlot>(world).empty());
  EXPECT_EQ(All<TLine>(world).size(), 2u);
}

TEST_F(WorldConverterTest, ASavedWorldOpensWithOneLineHandlerAndOneConverter) {
  {
    TQVDoc written;
    Sketch(written.World(), 20, {0.0, 0.0}, {1.0, 1.0});
    written.WriteDocument(path_.string());
  }
  TQVDoc read;
  read.ReadDocument(path_.string());
  TWorldDoc& world = read.World();
  ASSERT_EQ(All<TLineHandler>(world).size(), 1u);
  ASSERT_EQ(All<TObjectConverter>(world).size(), 1u);
  ASSERT_EQ(All<TLine>(world).size(), 1u);
  EXPECT_EQ(All<TLine>(world).front()->GetEndPoint2(), TVector(1.0, 1.0));
  // The converter finds the handler the world read, not one of its own.
  EXPECT_EQ(All<TObjectConverter>(world).front()->GetLineHandler(),
            All<TLineHandler>(world).front());
}

}  // namespace
