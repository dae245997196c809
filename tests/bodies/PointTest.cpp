// Points, centre-of-mass points, anchors and lines through the program's classes: bodies and a
// world made through the class registry, the document and solver filing, hits on screen.

#include "bodies/points/Point.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <optional>
#include <string>
#include <vector>

#include "bodies/Body.h"
#include "bodies/BodyClasses.h"
#include "bodies/BodyTags.h"
#include "bodies/DXFOutput.h"
#include "bodies/lines/Line.h"
#include "core/ClassRegistry.h"
#include "core/Handle.h"
#include "core/Resources.h"
#include "core/port/Picture.h"
#include "core/port/Port.h"
#include "model/command/CommandCore.h"
#include "model/filing/ObjectReader.h"
#include "model/filing/ObjectWriter.h"
#include "model/world/WorldDoc.h"
#include "resources/ResourceLibraries.h"
#include "simulation/Engine.h"
#include "simulation/UnitHandler.h"
#include "tests/support/MemoryCanvas.h"

namespace {

constexpr double kPi = std::numbers::pi;

std::string TextOf(const TFormula& formula) {
  Str255 text;
  formula.GetText(text);
  return {text.Chars(), static_cast<size_t>(text.Length())};
}

void ToggleCentreOfMass(TCOMPoint& com) {
  bool handled = false;
  EXPECT_EQ(com.DoObjectMenuCommand(kCmdToggleCOM, handled), nullptr);
  EXPECT_TRUE(handled);
}

// A drawing export that writes its entities as text.
class TDXFRecorder : public TDXFOutput {
 public:
  std::string text;
  void BeginEntity(int16_t kind, const Str255&) override {
    text += "entity " + std::to_string(kind) + ";";
  }
  void WriteValue(int16_t group, double value, int32_t) override {
    text += std::to_string(group) + "=" + std::to_string(value) + ";";
  }
  void WriteCoords(double x, double y, double z, int32_t dimension, int16_t first) override {
    text += "at" + std::to_string(first) + " " + std::to_string(x) + " " + std::to_string(y) +
            " " + std::to_string(z) + (dimension == kDimLength ? " m;" : " ?;");
  }
};

class PointTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitHandlePool();
    RegisterResourceLibraries();
    SetResourceModule1(LoadResourceLibrary(kMainResourceLibrary));
    RegisterThingClasses();
    LoadEngineLibrary();
    RegisterUnitHandler();
    RegisterBodyClasses();
    FreezeClassRegistry();
    world = std::make_unique<TWorldDoc>();
    background = Add<TMass>(kMassTag, 0);
    body = Add<TMass>(kMassTag, 5);
    body->SetLocalBounds(TDoubleRect(-1.0, 1.0, 1.0, -1.0));
  }
  void TearDown() override {
    world.reset();
    FreeBodyClasses();
    FreeClassRegistry();
    FreeUnitHandler();
    FreeEngineLibrary();
    SetResourceModule1(nullptr);
    FreeHandlePool();
  }

  // An object of the tag made through the registry, numbered and adopted by the world.
  template <class T>
  T* Add(uint32_t tag, int16_t identifier) {
    std::unique_ptr<TLink> made(static_cast<TLink*>(CreateObjectByTag(tag)));
    made->Initialize();
    made->SetIdentifier(identifier);
    T* object = static_cast<T*>(made.get());
    world->AdoptObject(std::move(made));
    return object;
  }

  TPoint* AddPoint(uint32_t tag, int16_t identifier, TMass* on, const TVector3& local) {
    auto* point = Add<TPoint>(tag, identifier);
    point->AttachToBody(on);
    point->SetLocalPosition(local);
    return point;
  }

  static std::vector<uint8_t> Stream(const std::vector<TLink*>& objects, uint16_t document) {
    auto writer = WriteObjectsDefault(&objects, document, nullptr, 2, nullptr);
    Handle handle = writer->TakeHandle();
    const auto* data = reinterpret_cast<const uint8_t*>(HandleData(handle));
    std::vector<uint8_t> bytes(data, data + GetHandleByteSize(handle));
    FreeHandle(handle);
    return bytes;
  }

  static bool HasText(const std::vector<uint8_t>& bytes, const std::string& text) {
    return std::search(bytes.begin(), bytes.end(), text.begin(), text.end()) != bytes.end();
  }

  std::unique_ptr<TWorldDoc> world;
  TMass* background = nullptr;
  TMass* body = nullptr;
};

// A stand-in constraint holding two points together; it stands at the first, where it is hit
// at exactly one screen point.
class TTie : public TLink, public TPointConstraintHooks {
 public:
  TTie(TPoint& first, TPoint& second, MacPoint hit) : points_{&first, &second}, hit_(hit) {
    for (TPoint* point : points_) point->AddConstraint(this);
  }
  ~TTie() override {
    for (TPoint* point : points_) {
      point->RemoveConstraint(this);
      point->RemoveDependent(this);
    }
  }
  bool IsInactive() const override { return true; }
  std::vector<TPoint*> OwnPoints() override { return points_; }
  TPoint* HitPoint() override { return points_[0]; }
  bool HitsAt(int32_t h, int32_t v) override { return h == hit_.h && v == hit_.v; }

 private:
  std::vector<TPoint*> points_;
  MacPoint hit_;
};

void ExpectNear(const TVector& a, const TVector& b) {
  EXPECT_NEAR(a.x, b.x, 1e-12);
  EXPECT_NEAR(a.y, b.y, 1e-12);
}

}  // namespace

TEST_F(PointTest, BodiesTiedThroughTheirPointsFormAGroupThatHitsAndChangesReach) {
  auto* other = Add<TMass>(kMassTag, 6);
  auto* far = Add<TMass>(kMassTag, 9);
  TPoint* a = AddPoint(kPointTag, 7, body, {0.0, 0.0, 0.0});
  TPoint* b = AddPoint(kPointTag, 8, other, {0.0, 0.0, 0.0});
  TTie tie(*a, *b, MacPoint(20, 20));
  EXPECT_EQ(body->FindInGroup([&](TMass& found, uint16_t&) { return &found == other; }), other);
  EXPECT_EQ(body->FindInGroup([&](TMass& found, uint16_t&) { return &found == far; }), nullptr);
  EXPECT_TRUE(body->HitAttachments(20, 20));
  EXPECT_FALSE(body->HitAttachments(21, 20));
  EXPECT_FALSE(other->HitAttachments(20, 20));  // the tie stands on the first body's point
  std::vector<TLink*> concerned;
  body->GetDependants(body_tags::kTagTwx, concerned);
  EXPECT_EQ(concerned, (std::vector<TLink*>{&tie, a, b}));
}

TEST_F(PointTest, APointFollowsItsBodyAndConvertsThroughTheTrueInverseOfItsOwnFrame) {
  body->StorePosition({1.0, 2.0, kPi / 2});
  TPoint* point = AddPoint(kPointTag, 7, body, {1.0, 0.5, 0.3});
  ASSERT_EQ(point->GetBody(), body);
  EXPECT_TRUE(body->Attachments()->Contains(point));
  // (1, 0.5) turned a quarter and moved by (1, 2).
  ExpectNear(point->GetWorldXY(), {0.5, 3.0});
  EXPECT_NEAR(point->GetWorldRotation(), kPi / 2 + 0.3, 1e-12);

  body->StorePosition({4.0, 0.0, 0.0});
  ExpectNear(point->GetWorldXY(), {5.0, 0.5});
  EXPECT_EQ(TextOf(*point->LocalX()), TextOf(TFormula(1.0)));

  // The point's own frame: its origin is the point, and the inverse takes it back to zero even
  // though the point is turned on its body.
  Transform2D toWorld;
  Transform2D toLocal;
  point->GetLocalToWorldTransform(toWorld);
  point->GetWorldToLocalTransform(toLocal);
  ExpectNear(Transform2D::ApplyToVector(toWorld, {0.0, 0.0}), {5.0, 0.5});
  ExpectNear(Transform2D::ApplyToVector(toLocal, {5.0, 0.5}), {0.0, 0.0});
  for (const TVector& p : {TVector(3.0, -2.0), TVector(-7.5, 0.25), TVector(0.0, 9.0)})
    ExpectNear(Transform2D::ApplyToVector(toLocal, Transform2D::ApplyToVector(toWorld, p)), p);

  // The world position set is the world position read.
  point->SetWorldPosition({4.5, 1.0, 0.7});
  ExpectNear(point->GetLocalXY(), {0.5, 1.0});
  EXPECT_NEAR(point->GetWorldRotation(), 0.7, 1e-12);

  point->DetachFromBody();
  EXPECT_FALSE(body->Attachments()->Contains(point));
  ExpectNear(point->GetWorldXY(), point->GetLocalXY());
}

TEST_F(PointTest, TheScreenPointComesFromAScaledBodyFrameAndGoesBackThroughItsInverse) {
  body->StorePosition({1.0, -1.0, kPi / 6});
  TPoint* point = AddPoint(kPointTag, 7, body, {0.25, 0.5, 0.0});
  // A view of 40 pixels a metre, moved.
  Transform2D view(40.0, 0.0, 100.0, -200.0, 0.0, 40.0, 1);
  body->ValidateScreenTransform(view);
  const TVector onScreen = point->GetCachedScreenPosition();
  const TVector world = point->GetWorldXY();
  ExpectNear(onScreen, {100.0 + 40.0 * world.x, -200.0 + 40.0 * world.y});
  EXPECT_EQ(point->GetScreenPoint(), onScreen.ToPoint());
  ExpectNear(Transform2D::ApplyToVector(point->GetScreenInverse(), onScreen), point->GetLocalXY());

  // The body moves: the point's screen position follows at once.
  body->StorePosition({2.0, -1.0, kPi / 6});
  body->ValidateScreenTransform(view);
  ExpectNear(point->GetCachedScreenPosition(), {onScreen.x + 40.0, onScreen.y});
}

TEST_F(PointTest, RemovingTheBodyLeavesThePointOnTheBackgroundWithItsWorldPositionAsConstants) {
  body->StorePosition({2.0, 0.0, kPi / 2});
  TPoint* point = AddPoint(kPointTag, 7, body, {1.0, 0.0, 0.25});
  point->LocalX()->SetFromPieces("0.5 + 0.5");
  point->LocalX()->StoreConstant(1.0);
  ASSERT_TRUE(point->LocalX()->IsFormula());
  const TVector3 before = point->GetWorldPosition();

  world->RemoveObject(body);
  ASSERT_EQ(point->GetBody(), background);
  EXPECT_FALSE(point->HasAnyFormula());
  EXPECT_NEAR(point->LocalX()->GetValue(), before.x, 1e-12);
  EXPECT_NEAR(point->LocalY()->GetValue(), before.y, 1e-12);
  EXPECT_NEAR(point->LocalRotation()->GetValue(), before.r, 1e-12);
  EXPECT_EQ(point->GetOutsideFlag(), 0);

  // Removing the background itself detaches the point for good.
  world->RemoveObject(background);
  EXPECT_EQ(point->GetBody(), nullptr);
  EXPECT_NEAR(point->GetWorldXY().x, before.x, 1e-12);
}

TEST_F(PointTest, ADroppedPointLandsOnTheBodyUnderItOrOnTheBackground) {
  body->StorePosition({5.0, 5.0, 0.0});
  TPoint* point = AddPoint(kPointTag, 7, background, {0.0, 0.0, 0.0});
  point->MoveToWorldPosition({5.5, 4.5, 0.0});
  ASSERT_EQ(point->GetBody(), body);
  ExpectNear(point->GetLocalXY(), {0.5, -0.5});
  point->MoveToWorldPosition({9.0, 9.0, 0.0});
  ASSERT_EQ(point->GetBody(), background);
  ExpectNear(point->GetWorldXY(), {9.0, 9.0});

  // A centre-of-mass point never goes onto a body.
  auto* com = static_cast<TCOMPoint*>(AddPoint(kCOMPointTag, 8, background, {0, 0, 0}));
  com->MoveToWorldPosition({5.0, 5.0, 0.0});
  EXPECT_EQ(com->GetBody(), background);

  // A formula moving the point off its body's outline marks it outside.
  point->MoveToWorldPosition({5.0, 5.0, 0.0});
  ASSERT_EQ(point->GetBody(), body);
  TFormula far;
  far.SetFromPieces("3 + 0");
  far.StoreConstant(3.0);
  point->SetFormulaProperty(kTagLocalX, far);
  EXPECT_EQ(point->GetBody(), body);
  EXPECT_EQ(point->GetOutsideFlag(), 1);
}

TEST_F(PointTest, WorldCoordinatesAreWithheldWhileTheFormulasHoldTexts) {
  TPoint* point = AddPoint(kPointTag, 7, background, {1.0, 2.0, 0.5});
  double value = 0.0;
  int32_t dimension = 0;
  uint16_t editable = 0;
  ASSERT_EQ(point->GetValueProperty(kTagWorldX, value, dimension, editable), 1);
  EXPECT_EQ(value, 1.0);
  EXPECT_EQ(dimension, kDimLength);
  EXPECT_EQ(editable, 1);

  point->LocalY()->SetFromPieces("1 + 1");
  EXPECT_EQ(point->GetValueProperty(kTagWorldX, value, dimension, editable), 0);
  point->LocalRotation()->SetFromPieces("0.25 * 2");
  ASSERT_EQ(point->GetValueProperty(kTagWorldR, value, dimension, editable), 1);
  EXPECT_EQ(editable, 0);
  EXPECT_EQ(dimension, kDimAngle);
  point->LocalRotation()->SetConstant(0.5);
  point->SetValueProperty(kTagWorldR, 3.0);
  EXPECT_EQ(point->LocalRotation()->GetValue(), 3.0);

  TPositionField field;
  uint16_t paired = 0;
  ASSERT_EQ(point->GetPropertyRow(kRowLocalY, field, paired), 1);
  EXPECT_EQ(field.formula, point->LocalY());
  EXPECT_EQ(paired, 1);
  EXPECT_EQ(point->GetRowTag(kRowWorldY), kTagWorldY);

  // An input takes over a coordinate with its formula text and hears the value it had.
  double value1 = -1.0;
  double value2 = -1.0;
  ASSERT_EQ(point->AttachInput(kInputPointR, "0.5 * 3", "", value1, value2), 1);
  EXPECT_EQ(value1, 3.0);
  EXPECT_TRUE(point->LocalRotation()->IsFormula());
  EXPECT_EQ(TextOf(*point->LocalRotation()), "0.5 * 3");
  EXPECT_EQ(point->AttachInput(5201, "1", "", value1, value2), 0);
}

TEST_F(PointTest, PointsCentreOfMassPointsAnchorsAndLinesReadBackByteForByte) {
  body->StorePosition({3.0, 1.0, 0.5});
  TPoint* point = AddPoint(kPointTag, 7, body, {0.5, -0.5, 0.25});
  point->SetLocked(1);
  point->SetFlagProperty(MakeTag("trkL"), 1);
  point->LocalY()->SetFromPieces("2 * 0.25");
  point->LocalY()->StoreConstant(0.5);
  auto* com = static_cast<TCOMPoint*>(AddPoint(kCOMPointTag, 8, background, {0, 0, 0}));
  ToggleCentreOfMass(*com);
  auto* anchor = static_cast<TAnchor*>(AddPoint(kAnchorTag, 9, body, {0, 0, 0}));
  anchor->SetKind(2);
  EXPECT_EQ(body->GetAnchored(), 2);
  auto* handler = Add<TLineHandler>(kLineHandlerTag, 10);
  auto* line = Add<TLine>(kLineTag, 11);
  line->SetEndPoint1({1.0, 2.0}, 1);
  line->SetEndPoint2({-3.0, 4.5}, 1);
  handler->AdoptChild(*line);

  const std::vector<TLink*> objects{background, body, point, com, anchor, handler, line};
  const std::vector<uint8_t> first = Stream(objects, 1);
  auto reader = ReadObjects(first, 2, 1, nullptr, nullptr, nullptr, nullptr);
  reader->Complete(0);
  auto read = reader->TakeObjects();
  ASSERT_EQ(read.size(), objects.size());
  std::vector<TLink*> again;
  for (auto& object : read)
    again.push_back(object.get());
  EXPECT_EQ(Stream(again, 1), first);

  ASSERT_TRUE(again[2]->IsMemberClass(TPoint::kClassID));
  auto* readPoint = static_cast<TPoint*>(again[2]);
  EXPECT_EQ(readPoint->GetBody(), again[1]);
  EXPECT_EQ(readPoint->IsLocked(), 1);
  EXPECT_EQ(TextOf(*readPoint->LocalY()), "2 * 0.25");
  EXPECT_EQ(readPoint->LocalY()->GetValue(), 0.5);
  ASSERT_TRUE(again[4]->IsMemberClass(TAnchor::kClassID));
  EXPECT_EQ(static_cast<TAnchor*>(again[4])->GetKind(), 2);
  EXPECT_EQ(static_cast<TMass*>(again[1])->GetAnchored(), 2);
  ASSERT_TRUE(again[6]->IsMemberClass(TLine::kClassID));
  EXPECT_EQ(static_cast<TLine*>(again[6])->GetEndPoint2(), TVector(-3.0, 4.5));
  // Lists of lines are not filed: they come from the adoption notices.
  EXPECT_EQ(static_cast<TLineHandler*>(again[5])->GetLines()->GetCount(), 0);
}

TEST_F(PointTest, TheSolverStreamCarriesTheCentreOfMassFormulasOnlyWhileShown) {
  auto* com = static_cast<TCOMPoint*>(AddPoint(kCOMPointTag, 8, background, {0, 0, 0}));
  uint16_t enabled = 0;
  uint16_t mark = 1;
  ASSERT_TRUE(com->GetCommandState(kCmdToggleCOM, enabled, mark));
  EXPECT_EQ(mark, 0);
  ASSERT_TRUE(com->GetCommandState(kCmdShowVelocity, enabled, mark));
  EXPECT_EQ(enabled, 0);

  const std::vector<uint8_t> off = Stream({com}, 0);
  EXPECT_FALSE(HasText(off, "GroupCofM"));
  ToggleCentreOfMass(*com);
  const std::vector<uint8_t> on = Stream({com}, 0);
  EXPECT_TRUE(HasText(on, "GroupCofM(0).x"));
  EXPECT_TRUE(HasText(on, "GroupCofM(0).y"));
  com->GetCommandState(kCmdToggleCOM, enabled, mark);
  EXPECT_EQ(mark, 1);
  ToggleCentreOfMass(*com);
  EXPECT_EQ(Stream({com}, 0), off);

  // Editing its coordinates changes nothing.
  com->SetFormulaProperty(kTagLocalX, TFormula(4.0));
  EXPECT_EQ(com->LocalX()->GetValue(), 0.0);
  EXPECT_EQ(com->GetFormulaProperty(kTagLocalR, nullptr, nullptr, nullptr, nullptr), nullptr);
  EXPECT_FALSE(com->CanAttach());
}

TEST_F(PointTest, APointIsHitInASevenPixelSquareAndTheCentreOfMassInANineSquare) {
  body->ValidateScreenTransform(gIdentityTransform);
  background->ValidateScreenTransform(gIdentityTransform);
  TPoint* point = AddPoint(kPointTag, 7, body, {10.0, -20.0, 0.0});
  auto* com = static_cast<TCOMPoint*>(AddPoint(kCOMPointTag, 8, background, {10.0, -20.0, 0}));
  const MacPoint at = point->GetScreenPoint();
  for (int dh = -5; dh <= 5; ++dh) {
    for (int dv = -5; dv <= 5; ++dv) {
      const MacPoint mouse(static_cast<int16_t>(at.h + dh), static_cast<int16_t>(at.v + dv));
      EXPECT_EQ(point->HitTest(mouse), std::abs(dh) <= 3 && std::abs(dv) <= 3) << dh << "," << dv;
      EXPECT_EQ(com->HitTest(mouse), std::abs(dh) <= 4 && std::abs(dv) <= 4) << dh << "," << dv;
    }
  }
  TVector world;
  TVector local;
  uint16_t found = 0;
  EXPECT_TRUE(point->SnapTest(0.1, {10.05, -20.05}, world, local, found));
  EXPECT_EQ(found, 1);
  EXPECT_FALSE(point->SnapTest(0.1, {10.2, -20.0}, world, local, found));

  // Drawing export: a POINT entity at the world position.
  TDXFRecorder dxf;
  EXPECT_TRUE(point->ExportDXF(dxf, 4));
  EXPECT_EQ(dxf.text, "entity 1;at0 10.000000 -20.000000 0.000000 m;");
}

TEST_F(PointTest, ALockedPointNamesItsOwnKind) {
  TPoint* point = AddPoint(kPointTag, 7, body, {0.0, 0.0, 0.0});
  EXPECT_EQ(point->GetKindResourceID(), 2505);
  point->SetLocked(1);
  EXPECT_EQ(point->GetKindResourceID(), 2540);
}

TEST_F(PointTest, AnAnchorOnTheBackgroundOrBesideAnotherAnchorIsTakenOut) {
  auto* kept = static_cast<TAnchor*>(AddPoint(kAnchorTag, 7, background, {0, 0, 0}));
  kept->SetKind(1);
  kept->AttachToBody(body);
  EXPECT_EQ(body->GetAnchored(), 1);
  EXPECT_EQ(kept->TrackerFeedbackCode(), TAnchor::kCursorAnchor);
  EXPECT_TRUE(kept->FinishDrop());

  auto* second = static_cast<TAnchor*>(AddPoint(kAnchorTag, 8, body, {0.5, 0, 0}));
  const size_t before = world->Objects().size();
  EXPECT_FALSE(second->FinishDrop());
  EXPECT_EQ(world->Objects().size(), before - 2);
  EXPECT_EQ(body->GetAnchored(), 0);

  auto* dropped = static_cast<TAnchor*>(AddPoint(kAnchorTag, 9, background, {0, 0, 0}));
  dropped->SetKind(2);
  EXPECT_EQ(dropped->TrackerFeedbackCode(), TAnchor::kCursorAnchorKind2);
  EXPECT_FALSE(dropped->FinishDrop());
  EXPECT_EQ(world->Objects().size(), before - 2);
  EXPECT_EQ(background->GetAnchored(), 0);
}

TEST_F(PointTest, LinesAreHitNearTheSegmentAndTheNearestFreeEndIsFound) {
  auto* handler = Add<TLineHandler>(kLineHandlerTag, 10);
  auto* flat = Add<TLine>(kLineTag, 11);
  flat->SetEndPoint1({0.0, 0.0}, 1);
  flat->SetEndPoint2({100.0, 0.0}, 1);
  auto* slanted = Add<TLine>(kLineTag, 12);
  slanted->SetEndPoint1({0.0, 0.0}, 1);
  slanted->SetEndPoint2({100.0, -100.0}, 1);
  handler->AdoptChild(*flat);
  handler->AdoptChild(*slanted);

  EXPECT_TRUE(flat->HitTest(MacPoint(50, 5)));
  EXPECT_FALSE(flat->HitTest(MacPoint(50, 6)));
  EXPECT_TRUE(slanted->HitTest(MacPoint(50, 54)));
  EXPECT_FALSE(slanted->HitTest(MacPoint(50, 55)));
  int32_t handle = -1;
  EXPECT_TRUE(slanted->HitHandle(MacPoint(102, 97), handle));
  EXPECT_EQ(handle, 1);

  int32_t index = 1;
  int16_t end = -1;
  EXPECT_EQ(handler->FindNearestFreeEnd({99.0, -1.0}, nullptr, index, end), flat);
  EXPECT_EQ(end, 0);
  flat->SetEnd2Joined(1);
  EXPECT_EQ(handler->FindNearestFreeEnd({99.0, -10.0}, nullptr, index, end), slanted);
  EXPECT_EQ(end, 0);
  flat->SetEnd1Joined(1);
  EXPECT_EQ(flat->IsJoined(), 1);
  EXPECT_EQ(handler->FindNearestFreeEnd({0.0, 0.0}, slanted, index, end), nullptr);
  EXPECT_EQ(index, 2);

  handler->DeleteJoinedLines();
  EXPECT_EQ(handler->GetLines()->GetCount(), 1);
  EXPECT_EQ(world->FindObject(11), nullptr);

  // A new line comes from the template of the resource library.
  auto made = handler->ReadLineTemplate();
  ASSERT_EQ(made.size(), 1u);
  ASSERT_TRUE(made[0]->IsMemberClass(TLine::kClassID));
  EXPECT_EQ(static_cast<TLine&>(*made[0]).GetEndPoint2(), TVector(1.0, 0.0));

  // Drawing export: one LINE entity with both ends, lengths converted.
  TDXFRecorder dxf;
  EXPECT_FALSE(slanted->ExportDXF(dxf, 3));
  EXPECT_TRUE(slanted->ExportDXF(dxf, 4));
  EXPECT_EQ(dxf.text, "entity 7;at0 0.000000 0.000000 0.000000 m;at1 100.000000 -100.000000 "
                      "0.000000 m;");

  // Moving keeps length and direction.
  slanted->MoveTo({0.0, 0.0});
  EXPECT_EQ(slanted->GetEndPoint1(), TVector(-50.0, 50.0));
  EXPECT_EQ(slanted->GetEndPoint2(), TVector(50.0, -50.0));
}

namespace {

// The same world with a drawing port bound to a white memory bitmap and the tool icons loaded.
class PointDrawTest : public PointTest {
 protected:
  void SetUp() override {
    PointTest::SetUp();
    InitDrawingPort();
    canvas.emplace(64, 48);
    SetPortDC(canvas->dc());
    LoadToolIcons();
    body->ValidateScreenTransform(Transform2D(1.0, 0.0, 0.0, 0.0, 0.0, 1.0, 0));
  }
  void TearDown() override {
    SetPortDC(nullptr);
    canvas.reset();
    FreeDrawingPort();
    PointTest::TearDown();
  }
  std::optional<MemoryCanvas> canvas;
};

}  // namespace

TEST_F(PointDrawTest, ThePointIconIsDrawnAtItsScreenPointInsideTheGrownArea) {
  ASSERT_NE(GetToolIcon("PointIcon"), nullptr);
  for (const char* name : {"LockedPointIcon", "COMIcon", "COMXIcon", "AnchorIcon"})
    EXPECT_NE(GetToolIcon(name), nullptr) << name;

  TPoint* point = AddPoint(kPointTag, 7, body, {20.0, -20.0, 0.0});
  const MacPoint at = point->GetScreenPoint();
  ASSERT_EQ(at, MacPoint(20, 20));
  const MacRect area(0, 0, 64, 48);
  point->Draw(area, 0);
  const COLORREF black = RGB(0, 0, 0);
  const COLORREF white = RGB(255, 255, 255);
  EXPECT_EQ(canvas->At(20, 20), black);
  EXPECT_EQ(canvas->At(20, 16), black);
  EXPECT_EQ(canvas->At(16, 16), white);
  EXPECT_EQ(canvas->At(27, 20), white);

  // A locked point is a square: its corner is drawn.
  point->SetLocked(1);
  point->Draw(area, 0);
  EXPECT_EQ(canvas->At(16, 16), black);

  // A point outside the grown area draws nothing.
  TPoint* far = AddPoint(kPointTag, 8, body, {60.0, -44.0, 0.0});
  const int32_t before = canvas->Count(black);
  far->Draw(MacRect(0, 0, 30, 30), 0);
  EXPECT_EQ(canvas->Count(black), before);
}

TEST_F(PointDrawTest, ALineIsDrawnBetweenItsScreenEndsAndThePenComesBack) {
  auto* line = Add<TLine>(kLineTag, 11);
  line->SetEndPoint1({4.0, -10.0}, 1);
  line->SetEndPoint2({40.0, -10.0}, 1);
  ASSERT_EQ(line->GetScreenEnd1(), MacPoint(4, 10));
  PenState before{};
  PortGetPenState(before);
  line->DrawLine(0);
  EXPECT_EQ(canvas->At(20, 10), RGB(0, 0, 0));
  EXPECT_EQ(canvas->At(20, 11), RGB(255, 255, 255));
  const int32_t thin = canvas->Count(RGB(0, 0, 0));
  EXPECT_GE(thin, 36);
  // Thick: two pixels wide.
  line->DrawLine(4);
  EXPECT_GE(canvas->Count(RGB(0, 0, 0)), 2 * thin - 2);
  line->DrawHandles();
  PenState after{};
  PortGetPenState(after);
  EXPECT_EQ(after.size, before.size);
  EXPECT_EQ(after.mode, before.mode);
}
