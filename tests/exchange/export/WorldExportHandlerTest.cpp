// A world's export handler is made once, and a handler kept by a document gets the kinds of
// export it lacks without losing the settings it has.

#include "exchange/export/WorldExportHandler.h"

#include <gtest/gtest.h>

#include <memory>

#include "exchange/dxf/DXFExportType.h"
#include "exchange/export/ExportHandler.h"
#include "tests/model/world/WorldTestSupport.h"

namespace {

TEST(WorldExportHandler, AKeptHandlerGetsTheMissingKindsAndKeepsItsOwn) {
  world_test::WorldScope scope;
  TWorldDoc world;
  world.InitWorld(0);
  auto kept = std::make_unique<TExportHandler>();
  kept->Initialize();
  auto dxf = std::make_unique<TDXFExportType>();
  dxf->Init(kTagDxfExportType, kept.get());
  dxf->SetIntProperty(MakeTag("xpSF"), 3);
  TExportType* keptDxf = dxf.get();
  kept->AddExportType(std::move(dxf));
  TExportHandler* keptHandler = kept.get();
  world.AdoptObject(std::move(kept));

  TExportHandler& handler = ExportHandlerFor(world);
  EXPECT_EQ(&handler, keptHandler);
  EXPECT_EQ(&ExportHandlerFor(world), keptHandler);
  EXPECT_EQ(handler.FindExportType(kCmdExportDxfFrame), keptDxf);
  ASSERT_NE(handler.FindExportType(kCmdExportMeterData), nullptr);
  ASSERT_NE(handler.FindExportType(kCmdExportVideo), nullptr);
  // The catch-all type, the kept drawing type and the two added: nothing twice.
  EXPECT_EQ(handler.ExportTypes().size(), 4u);
  EXPECT_EQ(handler.GetWorld(), &world);
}

// A handler made for a world numbers itself as a new object does: a taken number would be
// renumbered when the saved world is read, and the world would not save back alike.
TEST(WorldExportHandler, AMadeHandlerTakesANumberNoObjectHolds) {
  world_test::WorldScope scope;
  TWorldDoc world;
  world.InitWorld(0);
  auto first = std::make_unique<TLink>();
  first->Initialize();
  first->SetIdentifier(1);
  world.AdoptObject(std::move(first));
  const TExportHandler& handler = ExportHandlerFor(world);
  EXPECT_EQ(world.FindObject(handler.GetIdentifier()), &handler);
}

}  // namespace
