// Bodies opened from drawings, saved and opened again: a round body whose moment is computed from
// its shape keeps that mode and is written alike every time, whatever moment its text carried;
// a polygon stays where its outline is.

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "bodies/Background.h"
#include "bodies/BodyClasses.h"
#include "bodies/Polygon.h"
#include "bodies/Shapes.h"
#include "bodies/Table.h"
#include "bodies/lines/Line.h"
#include "bodies/points/Point.h"
#include "exchange/dxf/DXFImport.h"
#include "model/world/Group.h"
#include "simulation/Engine.h"
#include "tests/support/WorldRun.h"

namespace {

std::string FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// The drawing import's text with the circle's mass 1 and moment d^2/8 (1.125 for a diameter of
// 3) replaced by a mass of 2 and a moment of 7, which is no disc's.
void ImportWithAStaleMoment(const std::string& path, double scale, std::vector<uint8_t>& text,
                            std::string& note) {
  ImportDrawingFile(path, scale, text, note);
  std::string world(text.begin(), text.end());
  const std::string drawn = "\n1 1.125\n";
  const size_t at = world.find(drawn);
  if (at == std::string::npos) return;
  world.replace(at, drawn.size(), "\n2 7\n");
  text.assign(world.begin(), world.end());
}

class DrawnBodiesFilingTest : public world_run::WorldRunTest {
 protected:
  DrawnBodiesFilingTest()
      : WorldRunTest("drawn-bodies-test.dll", {{kBlockCircleSize, TOval::kTag},
                                               {TTable::kBlockContents, kTableTag},
                                               {TPolygon::kBlockVertexTable, kPolygonTag},
                                               {TPoint::kBlockSolverRecord, kPointTag},
                                               {TLine::kBlockLine, kLineTag},
                                               {kBlockBackground, TZeroMass::kTag},
                                               {kBlockGroup, TGroup::kTag},
                                               {kBlockRunSettings, kEngineTag}}) {}
  void RegisterClasses() override { RegisterBodyClasses(); }
  void FreeClasses() override { FreeBodyClasses(); }
  void TearDown() override {
    RemoveDrawingImport();
    std::filesystem::remove(Drawing());
    WorldRunTest::TearDown();
  }

  std::string Drawing() const { return path.string() + ".dxf"; }
  void Draw(const std::string& entities) const {
    std::ofstream(Drawing(), std::ios::binary)
        << "0\r\nSECTION\r\n2\r\nENTITIES\r\n" << entities << "0\r\nENDSEC\r\n0\r\nEOF\r\n";
  }
  void Open(TQVDoc& document, const std::string& file) {
    Add<TEngine>(document.World(), 30000);
    Add<TZeroMass>(document.World(), 0);
    document.ReadDocument(file);
  }
  template <class Kind>
  static Kind* Only(TQVDoc& document) {
    Kind* found = nullptr;
    for (TLink* object : document.World().Linked())
      if (auto* body = dynamic_cast<Kind*>(object)) {
        EXPECT_EQ(found, nullptr) << "more than one";
        found = body;
      }
    return found;
  }
};

TEST_F(DrawnBodiesFilingTest, AComputedMomentKeepsItsModeAndEverySaveIsAlike) {
  Draw("0\r\nCIRCLE\r\n10\r\n5\r\n20\r\n6\r\n40\r\n1.5\r\n");
  TQVDoc::SetDrawingImporter(&ImportWithAStaleMoment);
  const std::string first = path.string() + "-first.yb";
  const std::string second = path.string() + "-second.yb";
  const std::string third = path.string() + "-third.yb";

  TQVDoc drawn;
  Open(drawn, Drawing());
  TOval* circle = Only<TOval>(drawn);
  ASSERT_NE(circle, nullptr);
  EXPECT_FALSE(circle->GetMassFormula()->IsFormula());
  EXPECT_EQ(circle->GetMass(), 2.0);
  EXPECT_EQ(circle->GetMomentMode(), 2);
  drawn.WriteDocument(first);

  TQVDoc reopened;
  Open(reopened, first);
  ASSERT_NE(Only<TOval>(reopened), nullptr);
  EXPECT_EQ(Only<TOval>(reopened)->GetMomentMode(), 2);
  reopened.WriteDocument(second);
  TQVDoc again;
  Open(again, second);
  again.WriteDocument(third);
  EXPECT_EQ(FileBytes(second), FileBytes(first));
  EXPECT_EQ(FileBytes(third), FileBytes(first));
  for (const std::string& file : {first, second, third})
    std::filesystem::remove(file);
}

TEST_F(DrawnBodiesFilingTest, APolygonStandsAtTheCentroidOfItsOutline) {
  // A square of side 2 whose centre is (11, 21).
  Draw("0\r\nPOLYLINE\r\n70\r\n1\r\n"
       "0\r\nVERTEX\r\n10\r\n10\r\n20\r\n20\r\n0\r\nVERTEX\r\n10\r\n12\r\n20\r\n20\r\n"
       "0\r\nVERTEX\r\n10\r\n12\r\n20\r\n22\r\n0\r\nVERTEX\r\n10\r\n10\r\n20\r\n22\r\n"
       "0\r\nSEQEND\r\n");
  InstallDrawingImport();
  const std::string saved = path.string() + "-polygon.yb";
  TQVDoc drawn;
  Open(drawn, Drawing());
  ASSERT_NE(Only<TPolygon>(drawn), nullptr);
  drawn.WriteDocument(saved);

  TQVDoc reopened;
  Open(reopened, saved);
  std::filesystem::remove(saved);
  TPolygon* polygon = Only<TPolygon>(reopened);
  ASSERT_NE(polygon, nullptr);
  const TVector3 at = polygon->GetPositionValues();
  EXPECT_NEAR(at.x, 11.0, 1e-12);
  EXPECT_NEAR(at.y, 21.0, 1e-12);
  // Its corners lie around that place, one away on each side.
  ASSERT_NE(polygon->GetVertices(), nullptr);
  ASSERT_EQ(polygon->GetVertices()->GetCount(), 4);
  for (int32_t i = 1; i <= 4; ++i) {
    TVector corner(0.0, 0.0);
    ASSERT_TRUE(polygon->GetVertex(i, corner));
    EXPECT_NEAR(std::fabs(corner.x), 1.0, 1e-12) << i;
    EXPECT_NEAR(std::fabs(corner.y), 1.0, 1e-12) << i;
  }
}

}  // namespace
