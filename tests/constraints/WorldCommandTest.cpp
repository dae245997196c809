// Commands on a document's own world: a new document gets a pendulum (a body on a pin to the
// background) and two free bodies; property and formula commands act on the world's objects and
// undo and redo byte for byte; formulas name the world's objects and follow them; the geometry
// functions of formulas have values outside a run.

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "bodies/Background.h"
#include "bodies/BodyClasses.h"
#include "bodies/BodyTags.h"
#include "bodies/Polygon.h"
#include "bodies/Shapes.h"
#include "bodies/Table.h"
#include "bodies/points/Point.h"
#include "core/List.h"
#include "constraints/Field.h"
#include "constraints/ConstraintClasses.h"
#include "constraints/ObjectConverter.h"
#include "constraints/Pin.h"
#include "constraints/Springs.h"
#include "core/ClassHierarchy.h"
#include "core/ClassRegistry.h"
#include "core/Failure.h"
#include "core/Handle.h"
#include "core/Resources.h"
#include "model/Thing.h"
#include "model/command/FormulaPropertyOp.h"
#include "model/command/PropertyOps.h"
#include "model/filing/LinkClasses.h"
#include "model/filing/ObjectReader.h"
#include "model/filing/ObjectWriter.h"
#include "model/world/Group.h"
#include "model/world/QVDoc.h"
#include "model/world/RunBridge.h"
#include "resources/ResourceLibraries.h"
#include "simulation/StopWhen.h"
#include "simulation/Engine.h"
#include "simulation/GeometryManager.h"
#include "simulation/UnitHandler.h"
#include "simulation/WorldBridge.h"

namespace {

using namespace body_tags;

constexpr uint32_t kTagColour = MakeTag("colr");
constexpr int16_t kCommand = 1900;

std::string TextOf(const TFormula& formula) {
  Str255 text;
  formula.GetText(text);
  return {text.Chars(), static_cast<size_t>(text.Length())};
}

TFormula FormulaOf(const char* text) {
  TFormula formula;
  formula.SetFromPieces(Str255(text));
  return formula;
}

// A new world's defaults hold the hot-point snapper, a class of the views above this layer: a
// link that takes the snapper's block (its two options and end code) stands in for it here.
class TSnapperStandIn : public THandlerLink {
 public:
  static constexpr int16_t kBlock = 5038;
  static TObject* Create() { return new TSnapperStandIn; }
  uint16_t CanReadBlock(int16_t code) override {
    return code == kBlock ? 1 : THandlerLink::CanReadBlock(code);
  }
  uint16_t ReadBlockContents(int16_t code, TObjectReader& reader) override {
    if (code != kBlock) return THandlerLink::ReadBlockContents(code, reader);
    for (int i = 0; i < 3; ++i) reader.ReadInt();
    return 1;
  }
};

// The program's units as start-up brings them up, up to the constraints.
class WorldCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitHandlePool();
    RegisterResourceLibraries();
    SetResourceModule1(LoadResourceLibrary(kMainResourceLibrary));
    LoadEngineLibrary();
    RegisterThingClasses();
    RegisterLinkClasses();
    RegisterUnitHandler();
    RegisterBodyClasses();
    InstallWorldBridge();
    RegisterCustomConstraintClasses();
    RegisterSpringClasses();
    RegisterPinRopeRodClasses();
    LoadClassHierarchy();
    RegisterConverterClasses();
    RegisterClassInfo("THotPointSnapper", MakeTag("hpSn"), 702, TSnapperStandIn::Create,
                      sizeof(TSnapperStandIn));
    RegisterGeometryManager();
    RegisterGroupClasses();
    RegisterFieldClasses();
    RegisterStopWhen();
    SettleDefaultConstraintSize();
    FreezeClassRegistry();
    document = std::make_unique<TQVDoc>();
    document->World().DropDefaultWorldObjects();
  }
  void TearDown() override {
    document.reset();
    FreeGeometryManager();
    SetRunBridgeHooks({});
    FreeCustomConstraintGlobals();
    FreeBodyClasses();
    FreeUnitHandler();
    FreeClassHierarchy();
    FreeClassRegistry();
    FreeEngineLibrary();
    SetResourceModule1(nullptr);
    FreeHandlePool();
  }

  TWorldDoc& World() { return document->World(); }

  template <class T>
  T* Add(uint32_t tag, int16_t identifier) {
    std::unique_ptr<TLink> made(static_cast<TLink*>(CreateObjectByTag(tag)));
    made->Initialize();
    made->SetIdentifier(identifier);
    T* object = static_cast<T*>(made.get());
    World().AdoptObject(std::move(made));
    return object;
  }

  TRectangle* AddBox(int16_t identifier, const TVector3& at, const TVector& size) {
    auto* box = Add<TRectangle>(TRectangle::kTag, identifier);
    box->SetSize(size);
    box->StorePosition(at);
    return box;
  }

  // The pendulum: a box hung from the background at the origin by a pin, its point a metre
  // to the box's left.
  void MakePendulum() {
    background = Add<TMass>(TZeroMass::kTag, 0);
    bob = AddBox(2, {1.0, 0.0, 0.0}, {0.2, 0.1});
    auto* pivot = Add<TPoint>(kPointTag, 3);
    pivot->AttachToBody(background);
    pivot->SetLocalPosition({0.0, 0.0, 0.0});
    auto* hook = Add<TPoint>(kPointTag, 4);
    hook->AttachToBody(bob);
    hook->SetLocalPosition({-1.0, 0.0, 0.0});
    pin = Add<TPin>(kPinTag, 5);
    pin->AttachObject(pivot);
    pin->AttachObject(hook);
  }

  // The document bytes of every object of the world.
  std::vector<uint8_t> Bytes() {
    const std::vector<TLink*> objects = World().Objects();
    auto writer = WriteObjectsDefault(&objects, 1, nullptr, 2, nullptr);
    Handle handle = writer->TakeHandle();
    const auto* data = reinterpret_cast<const uint8_t*>(HandleData(handle));
    std::vector<uint8_t> bytes(data, data + GetHandleByteSize(handle));
    FreeHandle(handle);
    return bytes;
  }

  std::unique_ptr<TFormulaPropertyOp> FormulaCommand(uint32_t tag, const TFormula& formula,
                                                     std::initializer_list<TLink*> targets) {
    auto command = std::make_unique<TFormulaPropertyOp>();
    command->InitValue(kCommand, &World(), 1, tag, &formula);
    for (TLink* target : targets)
      command->AddTarget(target);
    return command;
  }

  // Performs the command, then undoes and redoes it twice, the world's bytes each time the same
  // as before and after it.
  void PerformUndoRedo(TActionBase& command) {
    const std::vector<uint8_t> before = Bytes();
    command.Perform();
    const std::vector<uint8_t> after = Bytes();
    ASSERT_NE(after, before);
    for (int i = 0; i < 2; ++i) {
      command.Undo();
      ASSERT_EQ(Bytes(), before);
      command.Redo();
      ASSERT_EQ(Bytes(), after);
    }
  }

  std::unique_ptr<TQVDoc> document;
  TMass* background = nullptr;
  TRectangle* bob = nullptr;
  TPin* pin = nullptr;
};

TEST_F(WorldCommandTest, APropertyCommandActsOnTheDocumentsWorldAndUndoesByteForByte) {
  MakePendulum();
  ASSERT_EQ(static_cast<TActionContext&>(World()).GetDocument(), document.get());

  TColourPropertyOp command;
  const RGB16Color red{0xFFFF, 0, 0};
  command.InitValue(kCommand, &World(), 1, kTagColour, red);
  command.AddTarget(bob);
  PerformUndoRedo(command);
  RGB16Color colour;
  ASSERT_EQ(bob->GetColourProperty(kTagColour, colour, nullptr), 1);
  EXPECT_EQ(colour, red);
  command.Undo();
  bob->GetColourProperty(kTagColour, colour, nullptr);
  EXPECT_NE(colour, red);
  // The pendulum is whole after the undo: the pin still joins its two points.
  EXPECT_EQ(pin->AttachedCount(), 2);
  EXPECT_EQ(static_cast<TPoint*>(World().FindObject(4))->GetBody(), bob);
}

TEST_F(WorldCommandTest, AFormulaNamingAnotherObjectIsCheckedSetAndFollowedThroughCommands) {
  MakePendulum();
  TRectangle* follower = AddBox(6, {5.0, 0.0, 0.0}, {0.2, 0.2});
  TRectangle* second = AddBox(7, {0.0, 3.0, 0.0}, {0.2, 0.2});

  // A formula naming an object the world does not hold is refused as such.
  try {
    FormulaCommand(kTagPosX, FormulaOf("body[42].p.x"), {follower});
    FAIL() << "a formula naming a missing body was accepted";
  } catch (const QVException& failure) {
    EXPECT_EQ(failure.error(), FormulaErrorNumber(kFormulaUnknownObject));
  }

  // The follower's x is the pendulum bob's x plus 2.
  auto follow = FormulaCommand(kTagPosX, FormulaOf("body[2].p.x + 2"), {follower});
  PerformUndoRedo(*follow);
  EXPECT_EQ(TextOf(*follower->GetFormulaProperty(kTagPosX, nullptr, nullptr, nullptr, nullptr)),
            "body[2].p.x + 2");
  EXPECT_DOUBLE_EQ(follower->GetPositionValues().x, 3.0);

  // The second body's y reads the follower; a new x of the follower moves it along.
  auto chain = FormulaCommand(kTagPosY, FormulaOf("body[6].p.x * 2"), {second});
  chain->Perform();
  EXPECT_DOUBLE_EQ(second->GetPositionValues().y, 6.0);
  auto move = FormulaCommand(kTagPosX, TFormula(4.0), {follower});
  PerformUndoRedo(*move);
  EXPECT_DOUBLE_EQ(follower->GetPositionValues().x, 4.0);
  EXPECT_DOUBLE_EQ(second->GetPositionValues().y, 8.0);
  move->Undo();
  EXPECT_EQ(TextOf(*follower->GetFormulaProperty(kTagPosX, nullptr, nullptr, nullptr, nullptr)),
            "body[2].p.x + 2");
  EXPECT_DOUBLE_EQ(follower->GetPositionValues().x, 3.0);
  EXPECT_DOUBLE_EQ(second->GetPositionValues().y, 6.0);
}

TEST_F(WorldCommandTest, TheGeometryManagerBindsAFormulaToTheObjectsItNamesWhenRelinking) {
  MakePendulum();
  TRectangle* follower = AddBox(6, {5.0, 0.0, 0.0}, {0.2, 0.2});
  follower->SetFormulaProperty(kTagPosY, FormulaOf("body[2].p.x - point[4].p.x"));
  TGeometryManagerHook* manager = GeometryManagerOf(World().FindItem(kGeometryManagerTag));
  ASSERT_NE(manager, nullptr);
  TList targets;
  targets.IList();
  targets.InsertLast(follower);
  TList geometry;
  geometry.IList();
  manager->Relink(targets, 1, 1, 1, nullptr, geometry);
  EXPECT_DOUBLE_EQ(follower->GetPositionValues().y, 1.0);
  EXPECT_TRUE(geometry.Contains(follower));
  targets.DeleteAll();
  geometry.DeleteAll();
}

TEST_F(WorldCommandTest, AnObjectThatLeavesTheWorldLeavesItsGeometryManagerToo) {
  MakePendulum();
  TRectangle* dragged = AddBox(6, {5.0, 0.0, 0.0}, {0.2, 0.2});
  TGeometryManagerHook* manager = GeometryManagerOf(World().FindItem(kGeometryManagerTag));
  ASSERT_NE(manager, nullptr);
  TList objects;
  objects.IList();
  objects.InsertLast(dragged);
  objects.InsertLast(bob);
  const auto record = manager->AddObjects(objects);
  objects.DeleteAll();
  World().RemoveObject(dragged);
  // The manager brings what it still moves to its place: the bob alone, nothing freed.
  manager->UpdateObject(0);
  manager->RemoveObjects();
  EXPECT_EQ(World().FindObject(6), nullptr);
  EXPECT_NEAR(bob->GetPositionValues().x, 1.0, 1e-9);
  EXPECT_NEAR(bob->GetPositionValues().y, 0.0, 1e-9);
}

TEST_F(WorldCommandTest, FormulasReadingEachOtherInACircleAreRefusedAndTheWorldIsLeftAsItWas) {
  MakePendulum();
  TRectangle* first = AddBox(6, {5.0, 0.0, 0.0}, {0.2, 0.2});
  TRectangle* second = AddBox(7, {0.0, 3.0, 0.0}, {0.2, 0.2});
  FormulaCommand(kTagPosY, FormulaOf("body[6].p.x + 1"), {second})->Perform();
  const std::vector<uint8_t> before = Bytes();
  auto circle = FormulaCommand(kTagPosX, FormulaOf("body[7].p.y + 1"), {first});
  EXPECT_THROW(circle->Perform(), QVException);
  EXPECT_EQ(Bytes(), before);
}

TEST_F(WorldCommandTest, GeometryFunctionsOfFormulasHaveValuesOutsideARun) {
  background = Add<TMass>(TZeroMass::kTag, 0);
  AddBox(2, {-1.0, 0.0, 0.0}, {0.5, 0.5});
  TRectangle* wide = AddBox(3, {3.0, 2.0, 0.0}, {2.0, 0.5});
  // A body of the same mass: the same size.
  wide->SetSize({0.5, 0.5});
  auto* ball = Add<TOval>(TOval::kTag, 4);
  ball->SetRadius(0.25);
  ball->StorePosition({1.0, 1.0, 0.0});
  ball->SetMass(0.0);
  TRectangle* marker = AddBox(5, {0.0, 0.0, 0.0}, {0.1, 0.1});
  marker->SetMass(0.0);

  // Through a command: the marker goes to the centre of mass of the world.
  FormulaCommand(kTagPosX, FormulaOf("GroupCofM(0).x"), {marker})->Perform();
  EXPECT_NEAR(marker->GetPositionValues().x, 1.0, 1e-12);

  TGeometryManagerHook* manager = GeometryManagerOf(World().FindItem(kGeometryManagerTag));
  ASSERT_NE(manager, nullptr);
  TFormula y = FormulaOf("GroupCofM(0).y");
  EXPECT_NEAR(y.Evaluate(manager->FormulaWorld()), 1.0, 1e-12);
  // The width of a box across its motion (along body 2's position, the x axis), turned or not,
  // and of a ball.
  TFormula across = FormulaOf("section(body[3], body[2].p)");
  wide->SetSize({2.0, 0.5});
  EXPECT_NEAR(across.Evaluate(manager->FormulaWorld()), 0.5, 1e-12);
  wide->StorePosition({3.0, 2.0, std::acos(-1.0) / 2.0});
  EXPECT_NEAR(across.Evaluate(manager->FormulaWorld()), 2.0, 1e-12);
  TFormula ballAcross = FormulaOf("section(body[4], body[3].p)");
  EXPECT_NEAR(ballAcross.Evaluate(manager->FormulaWorld()), 0.5, 1e-12);
  // A polygon's width is the spread of its vertices across the direction.
  auto* table = Add<TTable>(kTableTag, 7);
  for (const TVector& vertex : {TVector(0.0, 0.0), TVector(2.0, 0.0), TVector(0.0, 1.0)})
    table->AppendPoint(vertex);
  auto* triangle = Add<TPolygon>(kPolygonTag, 6);
  triangle->SetCentroidValid(1);
  triangle->LinkVertexTable(table);
  TFormula triangleAcross = FormulaOf("section(body[6], body[2].p)");
  EXPECT_NEAR(triangleAcross.Evaluate(manager->FormulaWorld()), 1.0, 1e-12);
  // Groups other than the whole world are known only to a run.
  TFormula other = FormulaOf("GroupCofM(3).x");
  EXPECT_THROW(other.Evaluate(manager->FormulaWorld()), QVException);
}

TEST_F(WorldCommandTest, FormulasSeeTheExtentOfConstraintsButNothingARunAloneKnows) {
  MakePendulum();
  auto* from = Add<TPoint>(kPointTag, 8);
  from->AttachToBody(background);
  from->SetLocalPosition({1.0, 1.0, 0.0});
  auto* to = Add<TPoint>(kPointTag, 9);
  to->AttachToBody(background);
  to->SetLocalPosition({4.0, 5.0, 0.0});
  auto* spring = Add<TLSpring>(kLSpringTag, 10);
  spring->AttachObject(from);
  spring->AttachObject(to);
  TGeometryManagerHook* manager = GeometryManagerOf(World().FindItem(kGeometryManagerTag));
  ASSERT_NE(manager, nullptr);

  TFormula length = FormulaOf("Constraint[10].dp.x");
  EXPECT_NEAR(length.Evaluate(manager->FormulaWorld()), 5.0, 1e-12);
  TFormula pinLength = FormulaOf("Constraint[5].dp.x + point[4].p.x");
  EXPECT_NEAR(pinLength.Evaluate(manager->FormulaWorld()), 0.0, 1e-12);
  for (const char* text : {"Constraint[10].dv.x", "body[2].a.x", "point[9].a.y", "body[2].dp.x"}) {
    TFormula unknown = FormulaOf(text);
    try {
      unknown.Evaluate(manager->FormulaWorld());
      ADD_FAILURE() << text << " has a value outside a run";
    } catch (const QVException& failure) {
      EXPECT_EQ(failure.error(), FormulaErrorNumber(kFormulaNoValue)) << text;
    }
  }
  // A formula naming the spring is accepted by a command, and follows its length.
  TRectangle* marker = AddBox(11, {0.0, 0.0, 0.0}, {0.1, 0.1});
  FormulaCommand(kTagPosX, FormulaOf("Constraint[10].dp.x * 2"), {marker})->Perform();
  EXPECT_NEAR(marker->GetPositionValues().x, 10.0, 1e-12);
}

}  // namespace
