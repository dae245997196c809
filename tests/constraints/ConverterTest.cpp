// The line and shape converter: a polygon cut into its edges and sketch lines chained into a
// polygon, through the commands the converter makes, undone and redone; how ends within the
// join distance, closing chains and lines of no length are treated; and commands that are made
// but never performed leave the world alone.

#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "bodies/BodyClasses.h"
#include "bodies/CurvedPolygon.h"
#include "bodies/Polygon.h"
#include "bodies/Table.h"
#include "bodies/lines/Line.h"
#include "bodies/points/Point.h"
#include "constraints/ConstraintClasses.h"
#include "constraints/CurvedSlot.h"
#include "constraints/ObjectConverter.h"
#include "core/ClassRegistry.h"
#include "core/Handle.h"
#include "core/MenuCommands.h"
#include "core/Resources.h"
#include "model/filing/ObjectReader.h"
#include "model/filing/ObjectWriter.h"
#include "model/world/WorldDoc.h"
#include "resources/ResourceLibraries.h"
#include "simulation/Engine.h"
#include "simulation/UnitHandler.h"

namespace {

using Points = std::vector<TVector>;

class ConverterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitHandlePool();
    RegisterResourceLibraries();
    SetResourceModule1(LoadResourceLibrary(kMainResourceLibrary));
    RegisterThingClasses();
    LoadEngineLibrary();
    RegisterUnitHandler();
    RegisterBodyClasses();
    RegisterCustomConstraintClasses();
    RegisterSlotClasses();
    RegisterCurvedSlotClasses();
    RegisterConverterClasses();
    SettleDefaultConstraintSize();
    FreezeClassRegistry();
    world = std::make_unique<TWorldDoc>();
    handler = Add<TLineHandler>(kLineHandlerTag, 2);
    converter = Add<TObjectConverter>(kObjectConverterTag, 3);
  }
  void TearDown() override {
    world.reset();
    FreeCustomConstraintGlobals();
    FreeBodyClasses();
    FreeClassRegistry();
    FreeUnitHandler();
    FreeEngineLibrary();
    SetResourceModule1(nullptr);
    FreeHandlePool();
  }

  template <class T>
  T* Add(uint32_t tag, int16_t identifier) {
    std::unique_ptr<TLink> object(static_cast<TLink*>(CreateObjectByTag(tag)));
    object->Initialize();
    object->SetIdentifier(identifier);
    T* added = static_cast<T*>(object.get());
    world->AdoptObject(std::move(object));
    return added;
  }
  // A selected sketch line of the world.
  TLine* Line(int16_t identifier, TVector from, TVector to) {
    TLine* line = Add<TLine>(kLineTag, identifier);
    line->SetEndPoint1(from, 0);
    line->SetEndPoint2(to, 1);
    handler->AdoptChild(*line);
    line->SetSelected(1, 0);
    return line;
  }
  // A selected polygon body through the points, with its vertex table.
  TPolygon* Polygon(int16_t identifier, const Points& vertices) {
    auto* table = Add<TTable>(kTableTag, static_cast<int16_t>(identifier + 1));
    for (const TVector& v : vertices)
      table->AppendPoint(v);
    auto* polygon = Add<TPolygon>(kPolygonTag, identifier);
    polygon->SetCentroidValid(1);
    polygon->LinkVertexTable(table);
    world->Select(polygon);
    return polygon;
  }
  std::vector<TLine*> Lines() const {
    std::vector<TLine*> lines;
    handler->ForEachLine([&lines](TLine& line) { lines.push_back(&line); });
    return lines;
  }
  std::vector<TPolygon*> Polygons() const {
    std::vector<TPolygon*> found;
    for (TLink* object : world->Objects())
      if (auto* polygon = dynamic_cast<TPolygon*>(object)) found.push_back(polygon);
    return found;
  }
  std::vector<TCurvedSlot*> Curves() const {
    std::vector<TCurvedSlot*> found;
    for (TLink* object : world->Objects())
      if (auto* curve = dynamic_cast<TCurvedSlot*>(object)) found.push_back(curve);
    return found;
  }
  static Points ControlPoints(const TCurvedSlot& curve) {
    Points points;
    for (int32_t i = 1; i <= curve.ControlPointCount(); ++i)
      points.push_back(curve.ControlPoint(i));
    return points;
  }
  static Points WorldVertices(TPolygon& polygon) {
    Points points;
    for (int16_t i = 1; i <= polygon.GetHotPointCount(); ++i) {
      TVector p;
      polygon.GetHotPointInWorld(i, p);
      points.push_back(p);
    }
    return points;
  }
  // The command of the menu command, performed.
  std::unique_ptr<TCommandCore> Run(int16_t command) {
    bool handled = false;
    auto made = converter->DoObjectMenuCommand(command, handled);
    EXPECT_TRUE(handled);
    if (made) made->Perform();
    return made;
  }
  static void ExpectPoints(const Points& actual, const Points& expected) {
    ASSERT_EQ(actual.size(), expected.size());
    for (size_t i = 0; i < actual.size(); ++i) {
      EXPECT_NEAR(actual[i].x, expected[i].x, 1e-9) << i;
      EXPECT_NEAR(actual[i].y, expected[i].y, 1e-9) << i;
    }
  }

  std::unique_ptr<TWorldDoc> world;
  TLineHandler* handler = nullptr;
  TObjectConverter* converter = nullptr;
};

// The join distance of a world without a view is 1, so the figures here are tens of units wide.
const Points kRectangle{{0, 0}, {40, 0}, {40, 20}, {0, 20}};

TEST_F(ConverterTest, APolygonBecomesItsEdgesAndComesBackOnUndo) {
  TPolygon* polygon = Polygon(10, kRectangle);
  auto* point = Add<TPoint>(kPointTag, 12);
  point->AttachToBody(polygon);
  point->SetLocalPosition({5.0, 4.0, 0.0});
  auto command = Run(TObjectConverter::kCmdShapesToLines);
  ASSERT_NE(command, nullptr);
  EXPECT_TRUE(Polygons().empty());
  EXPECT_EQ(world->FindObject(11), nullptr);  // the vertex table went with it
  const std::vector<TLine*> lines = Lines();
  ASSERT_EQ(lines.size(), 4u);
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(lines[i]->GetEndPoint1(), kRectangle[i]) << i;
    EXPECT_EQ(lines[i]->GetEndPoint2(), kRectangle[(i + 1) % 4]) << i;
  }

  command->Undo();
  EXPECT_TRUE(Lines().empty());
  ASSERT_EQ(Polygons().size(), 1u);
  TPolygon& back = *Polygons()[0];
  EXPECT_EQ(back.GetIdentifier(), 10);
  ExpectPoints(WorldVertices(back), kRectangle);
  EXPECT_EQ(world->Selection().size(), 1u);
  // The point that sat on the polygon sits on it again.
  EXPECT_EQ(point->GetBody(), &back);
  EXPECT_NEAR(point->GetWorldXY().x, 5.0, 1e-12);
  EXPECT_NEAR(point->GetWorldXY().y, 4.0, 1e-12);

  command->Redo();
  command->Redo();  // once done, doing it again changes nothing
  EXPECT_TRUE(Polygons().empty());
  EXPECT_EQ(Lines().size(), 4u);

  // The edges chain back into a polygon with the same corners.
  for (TLine* line : Lines())
    line->SetSelected(1, 0);
  auto back2 = Run(TObjectConverter::kCmdLinesToPolygon);
  ASSERT_NE(back2, nullptr);
  EXPECT_TRUE(Lines().empty());
  ASSERT_EQ(Polygons().size(), 1u);
  ExpectPoints(WorldVertices(*Polygons()[0]), kRectangle);
  // Both undone, last first, and redone.
  back2->Undo();
  EXPECT_EQ(Lines().size(), 4u);
  EXPECT_TRUE(Polygons().empty());
  command->Undo();
  EXPECT_TRUE(Lines().empty());
  ASSERT_EQ(Polygons().size(), 1u);
  ExpectPoints(WorldVertices(*Polygons()[0]), kRectangle);
  command->Redo();
  back2->Redo();
  EXPECT_TRUE(Lines().empty());
  ASSERT_EQ(Polygons().size(), 1u);
  ExpectPoints(WorldVertices(*Polygons()[0]), kRectangle);
}

// Lines drawn in any order and direction chain into one polygon with each corner once.
TEST_F(ConverterTest, LinesChainIntoAPolygonAndComeBackOnUndo) {
  Line(20, {40, 20}, {40, 0});
  Line(21, {0, 0}, {40, 0});
  Line(22, {0, 20}, {0, 0});
  Line(23, {40, 20}, {0, 20});
  auto command = Run(TObjectConverter::kCmdLinesToPolygon);
  ASSERT_NE(command, nullptr);
  EXPECT_TRUE(Lines().empty());
  ASSERT_EQ(Polygons().size(), 1u);
  ExpectPoints(WorldVertices(*Polygons()[0]), {{40, 20}, {40, 0}, {0, 0}, {0, 20}});

  command->Undo();
  EXPECT_TRUE(Polygons().empty());
  ASSERT_EQ(Lines().size(), 4u);
  EXPECT_EQ(handler->CountSelectedLines(), 4);
  const TLine* restored = static_cast<TLine*>(world->FindObject(21));
  ASSERT_NE(restored, nullptr);
  EXPECT_EQ(restored->GetEndPoint2(), TVector(40, 0));
  EXPECT_EQ(restored->IsJoined(), 0);

  command->Redo();
  EXPECT_TRUE(Lines().empty());
  ASSERT_EQ(Polygons().size(), 1u);
  ExpectPoints(WorldVertices(*Polygons()[0]), {{40, 20}, {40, 0}, {0, 0}, {0, 20}});
}

TEST_F(ConverterTest, EndsWithinTheJoinDistanceMeetInOneVertex) {
  auto* polygon = Add<TPolygon>(kPolygonTag, 30);
  auto* table = Add<TTable>(kTableTag, 31);
  polygon->LinkVertexTable(table);
  TLine* a = Line(20, {0, 0}, {30, 0});
  TLine* b = Line(21, {30.5, 0.2}, {30, 30});
  converter->ChainLines({a, b}, *polygon);
  ExpectPoints(WorldVertices(*polygon), {{0, 0}, {30.5, 0.2}, {30, 30}});
  EXPECT_EQ(a->IsJoined(), 1);
  EXPECT_EQ(b->IsEnd1Joined(), 1);

  // A chain whose free end comes back near its start closes without a second first vertex; a
  // line of no length adds nothing.
  TLine* c = Line(22, {0, 0}, {30, 0});
  TLine* d = Line(23, {30, 0}, {30, 30});
  TLine* point = Line(24, {15, 15}, {15, 15});
  TLine* e = Line(25, {30, 30}, {0.4, 0.3});
  converter->ChainLines({c, d, point, e}, *polygon);
  ExpectPoints(WorldVertices(*polygon), {{0, 0}, {30, 0}, {30, 30}});
  EXPECT_EQ(point->IsJoined(), 1);
  EXPECT_EQ(e->IsJoined(), 1);

  // Ends farther apart than the join distance are vertices of their own.
  TLine* f = Line(26, {0, 0}, {30, 0});
  TLine* g = Line(27, {32, 0}, {30, 30});
  converter->ChainLines({f, g}, *polygon);
  ExpectPoints(WorldVertices(*polygon), {{0, 0}, {30, 0}, {32, 0}, {30, 30}});
}

TEST_F(ConverterTest, MenusCommandsAndPrototypes) {
  EXPECT_EQ(converter->GetLineHandler(), handler);
  EXPECT_EQ(converter->GetJoinTolerance(), 1.0);

  // Nothing selected: no command; another command is not the converter's.
  bool handled = true;
  EXPECT_EQ(converter->DoObjectMenuCommand(TObjectConverter::kCmdShapesToLines, handled), nullptr);
  EXPECT_FALSE(handled);
  EXPECT_EQ(converter->DoObjectMenuCommand(1711, handled), nullptr);
  EXPECT_FALSE(handled);

  // The line commands are offered by the number of selected lines.
  const auto enabled = [](int16_t command) {
    for (const PendingMenuEnable& entry : PendingMenuEnables())
      if (entry.command == command) return entry.enabled != 0;
    return false;
  };
  ClearPendingMenuEnables();
  Line(20, {0, 0}, {30, 0});
  converter->DoSetupMenus();
  EXPECT_TRUE(enabled(TObjectConverter::kCmdLinesToCurve));
  EXPECT_TRUE(enabled(TObjectConverter::kCmdConvertMenu));
  EXPECT_FALSE(enabled(TObjectConverter::kCmdLinesToPolygon));
  ClearPendingMenuEnables();

  // Three lines into the curved prototype: a curved slot through their ends.
  Line(21, {30, 0}, {15, 25});
  converter->DoSetupMenus();
  EXPECT_TRUE(enabled(TObjectConverter::kCmdLinesToPolygon));
  ClearPendingMenuEnables();
  Line(22, {15, 25}, {0, 0});
  auto command = Run(TObjectConverter::kCmdLinesToCurve);
  ASSERT_NE(command, nullptr);
  EXPECT_TRUE(Polygons().empty());
  EXPECT_TRUE(Lines().empty());
  ASSERT_EQ(Curves().size(), 1u);
  ASSERT_NE(Curves()[0]->GetPointTable(), nullptr);
  ExpectPoints(ControlPoints(*Curves()[0]), {{0, 0}, {30, 0}, {15, 25}});
}

// One line makes a curve of its two ends; the curve, selected, goes back to lines, one per span,
// and each command undoes to the world before it.
TEST_F(ConverterTest, ALineBecomesACurvedSlotAndTheCurveBecomesItsSpans) {
  Line(20, {0, 0}, {30, 10});
  auto toCurve = Run(TObjectConverter::kCmdLinesToCurve);
  ASSERT_NE(toCurve, nullptr);
  EXPECT_TRUE(Lines().empty());
  ASSERT_EQ(Curves().size(), 1u);
  ExpectPoints(ControlPoints(*Curves()[0]), {{0, 0}, {30, 10}});
  toCurve->Undo();
  EXPECT_TRUE(Curves().empty());
  ASSERT_EQ(Lines().size(), 1u);
  EXPECT_EQ(Lines()[0]->GetEndPoint2(), TVector(30, 10));
  toCurve->Redo();
  ASSERT_EQ(Curves().size(), 1u);
  EXPECT_TRUE(Lines().empty());

  // Two more control points, and the open curve of four becomes three lines.
  TCurvedSlot& curve = *Curves()[0];
  curve.AppendVertex({60, 0});
  curve.AppendVertex({90, 10});
  const int16_t curveId = curve.GetIdentifier();
  world->Select(&curve);
  auto toLines = Run(TObjectConverter::kCmdShapesToLines);
  ASSERT_NE(toLines, nullptr);
  EXPECT_TRUE(Curves().empty());
  const std::vector<TLine*> lines = Lines();
  const Points ends{{0, 0}, {30, 10}, {60, 0}, {90, 10}};
  ASSERT_EQ(lines.size(), 3u);
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(lines[i]->GetEndPoint1(), ends[i]) << i;
    EXPECT_EQ(lines[i]->GetEndPoint2(), ends[i + 1]) << i;
  }
  toLines->Undo();
  EXPECT_TRUE(Lines().empty());
  ASSERT_EQ(Curves().size(), 1u);
  EXPECT_EQ(Curves()[0]->GetIdentifier(), curveId);
  ExpectPoints(ControlPoints(*Curves()[0]), ends);
}

// The converter files its empty block and is made again from it by the program's class table.
TEST_F(ConverterTest, TheConverterReadsBackFromADocument) {
  const std::vector<TLink*> objects{converter};
  auto writer = WriteObjectsDefault(&objects, 1, nullptr, 2, nullptr);
  Handle handle = writer->TakeHandle();
  const auto* data = reinterpret_cast<const uint8_t*>(HandleData(handle));
  const std::vector<uint8_t> bytes(data, data + GetHandleByteSize(handle));
  FreeHandle(handle);
  auto reader = ReadObjects(bytes, 2, 1, nullptr, nullptr, nullptr, nullptr);
  reader->Complete(0);
  const auto read = reader->TakeObjects();
  ASSERT_EQ(read.size(), 1u);
  EXPECT_TRUE(read[0]->IsMemberClass(TObjectConverter::kClassID));
  EXPECT_EQ(read[0]->GetIdentifier(), 3);
}

// Commands that are made and dropped, or that find nothing to chain, delete nothing.
TEST_F(ConverterTest, DroppedCommandsLeaveTheWorldAlone) {
  TPolygon* polygon = Polygon(10, kRectangle);
  {
    bool handled = false;
    auto dropped = converter->DoObjectMenuCommand(TObjectConverter::kCmdShapesToLines, handled);
    ASSERT_NE(dropped, nullptr);
  }
  ASSERT_EQ(Polygons().size(), 1u);
  ExpectPoints(WorldVertices(*polygon), kRectangle);

  Line(20, {0, 0}, {30, 0});
  Line(21, {30, 0}, {30, 30});
  {
    bool handled = false;
    auto dropped = converter->DoObjectMenuCommand(TObjectConverter::kCmdLinesToPolygon, handled);
    ASSERT_NE(dropped, nullptr);
  }
  EXPECT_EQ(Lines().size(), 2u);
  EXPECT_EQ(Polygons().size(), 1u);

  // One line is too few for a polygon: the world stays as it is.
  static_cast<TLine*>(world->FindObject(21))->SetSelected(0, 0);
  auto command = Run(TObjectConverter::kCmdLinesToPolygon);
  ASSERT_NE(command, nullptr);
  EXPECT_EQ(Lines().size(), 2u);
  EXPECT_EQ(Polygons().size(), 1u);
  EXPECT_EQ(command->CanUndo(), 0);
  command->Undo();
  EXPECT_EQ(Lines().size(), 2u);
  EXPECT_EQ(Polygons().size(), 1u);
}

// What the user selects in the world decides the items: a polygon offers Shapes to Lines, and
// lines picked in the world (not only those the line handler marks) are the ones joined.
TEST_F(ConverterTest, TheWorldsSelectionOffersTheConversions) {
  const auto enabled = [](int16_t command) {
    for (const PendingMenuEnable& entry : PendingMenuEnables())
      if (entry.command == command) return entry.enabled != 0;
    return false;
  };
  ClearPendingMenuEnables();
  TPolygon* polygon = Polygon(10, {{0, 0}, {30, 0}, {30, 30}});
  converter->DoSetupMenus();
  EXPECT_TRUE(enabled(TObjectConverter::kCmdShapesToLines));
  EXPECT_TRUE(enabled(TObjectConverter::kCmdConvertMenu));
  EXPECT_FALSE(enabled(TObjectConverter::kCmdLinesToCurve));
  ClearPendingMenuEnables();
  world->Deselect(polygon);

  TLine* a = Line(20, {0, 0}, {30, 0});
  TLine* b = Line(21, {30, 0}, {30, 30});
  a->SetSelected(0, 0);
  b->SetSelected(0, 0);
  world->Select(a);
  world->Select(b);
  EXPECT_EQ(converter->GetSelectedLines(), (std::vector<TLine*>{a, b}));
  converter->DoSetupMenus();
  EXPECT_TRUE(enabled(TObjectConverter::kCmdLinesToPolygon));
  EXPECT_FALSE(enabled(TObjectConverter::kCmdShapesToLines));
  ClearPendingMenuEnables();
}

}  // namespace
