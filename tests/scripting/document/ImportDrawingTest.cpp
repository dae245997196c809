// A drawing read into a document from a script: through the document's drawing import, scaled
// from the document's length unit to metres, with the import mode set only while it reads; no
// importer, or a drawing it cannot read, fails the call with 900.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/Failure.h"
#include "model/world/QVDoc.h"
#include "simulation/UnitHandler.h"
#include "tests/scripting/ScriptedProgram.h"

namespace {

struct ImportSeen {
  std::string path;
  double scale = 0.0;
  int16_t modeDuring = -1;
  bool fails = false;
};
ImportSeen g_seen;
TQVDoc* g_importing = nullptr;

// An empty world text.
void ImportNothing(const std::string& path, double scale, std::vector<uint8_t>& text,
                   std::string&) {
  g_seen.path = path;
  g_seen.scale = scale;
  g_seen.modeDuring = g_importing->GetImportMode();
  if (g_seen.fails) ThrowFailure(-25001, 0);
  const std::string world =
      "ZAZU YB3X \"Version 2.5\" IE64 MSWindows 0 0 0 0\n10000 \"    \"\n-1\n-1\n";
  text.assign(world.begin(), world.end());
}

class ImportDrawing : public ScriptedProgram {
 protected:
  void SetUp() override {
    ScriptedProgram::SetUp();
    application_.NewDocument();
    g_importing = application_.front;
    auto units = std::make_unique<TWorldUnitHandler>();
    units->Initialize();
    units->SetIdentifier(1);
    application_.front->World().AdoptObject(std::move(units));
    g_seen = ImportSeen();
  }
  void TearDown() override {
    TQVDoc::SetDrawingImporter(nullptr);
    g_importing = nullptr;
    ScriptedProgram::TearDown();
  }
  std::string With(const std::string& body) {
    return Run("Dim d As YBDocument\nSet d = YB.ActiveDocument\nOn Error Resume Next\n" + body);
  }
};

TEST_F(ImportDrawing, WithoutAnImporterTheCallFailsAndTheWorldStaysAsItWas) {
  const size_t before = application_.front->World().Objects().size();
  EXPECT_EQ(With("d.ImportDXF \"/tmp/drawing.dxf\"\nPrint Err.Number"), "900\n");
  EXPECT_EQ(application_.front->World().Objects().size(), before);
  EXPECT_EQ(application_.front->GetImportMode(), 0);
}

TEST_F(ImportDrawing, TheImporterReadsInTheLengthUnitWhileTheImportModeIsSet) {
  TQVDoc::SetDrawingImporter(&ImportNothing);
  EXPECT_EQ(With("d.DistanceUnit = \"centimeters\"\nd.ImportDXF \"/tmp/drawing.dxf\"\n"
                 "Print Err.Number"),
            "0\n");
  EXPECT_EQ(g_seen.path, "/tmp/drawing.dxf");
  EXPECT_DOUBLE_EQ(g_seen.scale, 0.01);
  EXPECT_EQ(g_seen.modeDuring, 3);
  EXPECT_EQ(application_.front->GetImportMode(), 0);

  g_seen.fails = true;
  EXPECT_EQ(With("d.ImportDXF \"/tmp/other.dxf\"\nPrint Err.Number"), "900\n");
  EXPECT_EQ(application_.front->GetImportMode(), 0);
}

}  // namespace
