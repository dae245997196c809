// The body base class and its vector-display bases, through the class registry, the program's
// resource library and the document filing.

#include "bodies/Body.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "bodies/BodyClasses.h"
#include "core/port/Port.h"
#include "core/ClassRegistry.h"
#include "core/Failure.h"
#include "core/Handle.h"
#include "core/Resources.h"
#include "model/filing/ClassSource.h"
#include "model/filing/ObjectReader.h"
#include "model/filing/ObjectWriter.h"
#include "resources/ResourceLibraries.h"
#include "simulation/Engine.h"
#include "simulation/HistoryStore.h"
#include "simulation/StopWhen.h"
#include "simulation/UnitHandler.h"
#include "tests/bodies/ShapeTestSupport.h"

namespace {

std::string Text(const Str255& text) {
  return {text.Chars(), static_cast<size_t>(text.Length())};
}

std::string TextOf(const TFormula& formula) {
  Str255 text;
  formula.GetText(text);
  return Text(text);
}

// A shape of fixed area whose moment modes give m (w^2 + h^2) / 12 for a 2 x 1 rectangle,
// m w^2 / 3 and 0.
class TTestShape : public TMass {
 public:
  void ComputeArea() override { SetArea(area); }
  double MomentForMode2() override { return GetMass() * 5.0 / 12.0; }
  double MomentForMode3() override { return GetMass() * 4.0 / 3.0; }
  double area = 2.0;
};

class TTestPoint : public TVectorPointBase {};

class TTestWorld : public TVectorWorld {
 public:
  TGlobalVectorHandler* GetVectorHandler() override { return &handler; }
  bool ShowsRecordedFrames() override { return results; }
  TGlobalVectorHandler handler;
  bool results = false;
};

// A world whose gravity acts between pairs of bodies.
class TPairGravityHandler : public TGlobalVectorHandler {
 public:
  TLink* GetGravityField() override { return &gravity; }
  bool IsUniformField(TLink*) override { return false; }
  TLink gravity;
};

class TPairGravityWorld : public TTestWorld {
 public:
  TPairGravityWorld() { pairHandler.gravity.SetIdentifier(4); }
  TGlobalVectorHandler* GetVectorHandler() override { return &pairHandler; }
  TPairGravityHandler pairHandler;
};

// Arrows that count how often they are drawn.
template <class Arrow>
class TCountingArrow : public Arrow {
 public:
  TCountingArrow(int16_t index, TVectorThing& owner, TGlobalVectorHandler& handler, int& draws)
      : Arrow(index, owner, handler), draws_(draws) {}
  void Draw(const MacPoint&, const TVector&) override { ++draws_; }

 private:
  int& draws_;
};

class TDrawnBody : public TMass {
 public:
  std::unique_ptr<TVectorArrow> NewFormulaArrow(int16_t index) override {
    return std::make_unique<TCountingArrow<TVectorArrow692>>(index, *this, *GetVectorHandler(),
                                                             draws);
  }
  std::unique_ptr<TVectorArrow> NewVelocityArrow(int16_t index) override {
    return std::make_unique<TCountingArrow<TVectorArrow>>(index, *this, *GetVectorHandler(),
                                                          draws);
  }
  int draws = 0;
};

class BodyTest : public shape_test::BodyProgramTest {
 protected:

  static std::vector<uint8_t> Document(TLink& object) {
    const std::vector<TLink*> objects{&object};
    auto writer = WriteObjectsDefault(&objects, 1, nullptr, 2, nullptr);
    Handle handle = writer->TakeHandle();
    const auto* data = reinterpret_cast<const uint8_t*>(HandleData(handle));
    std::vector<uint8_t> bytes(data, data + GetHandleByteSize(handle));
    FreeHandle(handle);
    return bytes;
  }

  static std::unique_ptr<TMass> ReadBody(const std::vector<uint8_t>& bytes) {
    auto reader = ReadObjects(bytes, 2, 1, nullptr, nullptr, nullptr, nullptr);
    reader->Complete(0);
    auto read = reader->TakeObjects();
    if (read.size() != 1 || !read[0]->IsMemberClass(TMass::kClassID)) return nullptr;
    return std::unique_ptr<TMass>(static_cast<TMass*>(read[0].release()));
  }

  TTestWorld world;
};

}  // namespace

TEST_F(BodyTest, ABodyMadeThroughTheRegistryStartsWithUnitMassAndSharedPatterns) {
  EXPECT_EQ(ClassIdFromTag(kMassTag), 523);
  std::unique_ptr<TObject> made(CreateObjectByTag(kMassTag));
  ASSERT_NE(made, nullptr);
  ASSERT_TRUE(made->IsMemberClass(TMass::kClassID));
  EXPECT_TRUE(made->IsMemberClass(TVectorMassBase::kClassID));
  EXPECT_TRUE(made->IsMemberClass(TVectorThing::kClassID));
  EXPECT_EQ(made->GetClassIDAt(1), 690);
  auto& body = static_cast<TMass&>(*made);
  body.Initialize();
  EXPECT_EQ(body.GetArea(), 1.0);
  EXPECT_EQ(body.GetDensity(), 1.0);
  EXPECT_FALSE(body.IsMassValid());
  EXPECT_EQ(body.GetMass(), 1.0);
  EXPECT_TRUE(body.IsMassValid());
  EXPECT_EQ(Text(body.GetKindName()), "Body");
  EXPECT_TRUE(body.HasProperty(kMassTag));
  EXPECT_EQ(body.GetPatternNumber(), 11);
  ASSERT_NE(TMass::PatternTable(), nullptr);
  EXPECT_EQ(TMass::PatternTable()[23], 34);
  // Labels come from the resource library.
  EXPECT_EQ(Text(TMass::BodyLabel(3443)), "x");
  EXPECT_EQ(Text(TMass::BodyLabel(3444)), "y");
  EXPECT_EQ(Text(TMass::BodyLabel(3450)), "r");
  EXPECT_EQ(Text(TMass::BodyLabel(3453)), "w");
  EXPECT_TRUE(TMass::BodyLabel(3454).IsEmpty());
}

TEST_F(BodyTest, TheClassTableMakesEveryStoredClassFromItsFirstBlock) {
  const auto table = LoadFactTable();
  ASSERT_TRUE(table.has_value());
  const struct {
    int16_t code;
    int16_t classId;
  } expected[] = {{5005, TMass::kClassID},
                  {kBlockBodyVectorFlags, TMass::kClassID},
                  {kBlockPauseControls, TStopWhen::kClassID},
                  {kBlockRunSettings, TEngine::kClassID},
                  {kBlockUnitSettings, TWorldUnitHandler::kClassID}};
  for (const auto& entry : expected) {
    const auto tag = LookupFactTable(*table, entry.code);
    ASSERT_TRUE(tag.has_value()) << entry.code;
    std::unique_ptr<TLink> made(MapOldClassTag(*tag));
    ASSERT_NE(made, nullptr) << entry.code;
    EXPECT_TRUE(made->IsMemberClass(entry.classId)) << entry.code;
  }
}

TEST_F(BodyTest, MassPropertiesAreComputedFromWhatIsGiven) {
  TTestShape shape;
  shape.Initialize();
  shape.SetDensity(3.0);
  EXPECT_EQ(shape.GetMass(), 6.0);
  EXPECT_DOUBLE_EQ(shape.GetMoment(), 2.5);
  shape.SetMomentModeValue(3);
  shape.InvalidateMassProperties();
  EXPECT_DOUBLE_EQ(shape.GetMoment(), 8.0);

  // A given constant mass: a change of shape gives a new density, an area of 0 keeps the old.
  shape.SetMassGiven(1);
  shape.SetMass(4.0);
  shape.area = 8.0;
  shape.InvalidateMassProperties();
  EXPECT_EQ(shape.GetDensity(), 0.5);
  EXPECT_EQ(shape.GetMass(), 4.0);
  shape.area = 0.0;
  shape.InvalidateMassProperties();
  EXPECT_EQ(shape.GetDensity(), 0.5);

  // A moment mode outside 2 to 4 counts as a given moment.
  shape.SetMomentModeValue(7);
  shape.InvalidateMassProperties();
  const double before = shape.GetMoment();
  EXPECT_TRUE(shape.IsMomentGiven());
  EXPECT_EQ(shape.GetMomentModeValue(), kMomentGiven);
  EXPECT_EQ(shape.GetMoment(), before);

  // A mass given by a formula text forces a given moment and computes nothing.
  TTestShape byFormula;
  byFormula.Initialize();
  byFormula.SetMassText("2 * 3");
  byFormula.GetMoment();
  EXPECT_EQ(byFormula.GetMomentModeValue(), kMomentGiven);
  EXPECT_EQ(byFormula.GetMomentFormula()->GetValue(), 0.0);

  shape.SetLocalBounds(TDoubleRect(-1, 2, 3, -4));
  shape.ComputeExtent();
  EXPECT_EQ(shape.ExtentSquared(), 16.0);
}

TEST_F(BodyTest, ShownFramesReplaceValuesAndKeepFormulaTexts) {
  TMass body;
  body.Initialize();
  body.PositionX()->SetFromPieces("1 + 1");
  body.ShowFrameState({3.0, 4.0, 0.5}, {1.0, 2.0, 0.25}, 0.8, 0.6);
  EXPECT_TRUE(body.PositionX()->IsFormula());
  EXPECT_EQ(TextOf(*body.PositionX()), "1 + 1");
  EXPECT_EQ(body.PositionX()->GetValue(), 3.0);
  EXPECT_EQ(body.PositionY()->GetValue(), 4.0);
  EXPECT_EQ(body.VelocityRotation()->GetValue(), 0.25);
  EXPECT_TRUE(body.IsShownValid());
  EXPECT_EQ(body.ShownTransform().cosine, 0.8);
  EXPECT_EQ(body.ShownTransform().tx, 3.0);
  EXPECT_EQ(body.ShownTransform().angle, 0.5);
}

TEST_F(BodyTest, VectorCommandsMakeAndDeleteArrows) {
  TMass body;
  body.Initialize();
  body.SetDescription("body[3]");
  // Outside a world there is no vector handler to make arrows with.
  EXPECT_THROW(body.SetVectorShown(1, 1, 0, 0), QVException);
  body.AdoptWorld(&world, 0);
  EXPECT_EQ(body.GetVectorHandler(), &world.handler);

  uint16_t enabled = 0;
  uint16_t mark = 1;
  ASSERT_TRUE(body.GetCommandState(kCmdShowAcceleration, enabled, mark));
  EXPECT_EQ(mark, 0);
  body.DoCommandValue(kCmdShowVelocity, 1);
  body.DoCommandValue(kCmdShowAcceleration, 1);
  body.DoCommandValue(kCmdShowForce, 1);
  body.DoCommandValue(kCmdShowGravity, 1);
  body.DoCommandValue(kCmdShowContact, 1);
  EXPECT_EQ(body.ArrowCount(), 5);
  ASSERT_TRUE(body.GetCommandState(kCmdShowGravity, enabled, mark));
  EXPECT_EQ(mark, 1);
  EXPECT_TRUE(body.HasArrow(3));  // no gravity field: the uniform form
  EXPECT_FALSE(body.GetCommandState(1031, enabled, mark));

  auto* force = dynamic_cast<TVectorArrow692*>(body.GetArrow(2));
  ASSERT_NE(force, nullptr);
  EXPECT_EQ(force->FormulaCount(), 2);
  EXPECT_EQ(TextOf(force->Component(0)), "body[3].mass * body[3].a.x");
  EXPECT_EQ(TextOf(force->Component(1)), "body[3].mass * body[3].a.y");
  // Without an active gravity field the gravity vector has no formula to record; the contact
  // vector records its count, five forces and five places.
  EXPECT_EQ(body.GetArrow(3)->FormulaCount(), 0);
  EXPECT_EQ(body.CountElements(), 4 + 21);

  // The velocity arrow shows and sets the initial velocity.
  body.DragVector(0, {3.0, -4.0});
  TVector velocity{0, 0};
  ASSERT_TRUE(body.GetVectorValue(0, velocity));
  EXPECT_EQ(velocity, TVector(3.0, -4.0));
  EXPECT_EQ(body.VelocityY()->GetValue(), -4.0);
  EXPECT_FALSE(body.GetVectorValue(11, velocity));

  // The option keeps the velocity arrow when the menu hides it; remove-all spares it too.
  body.SetVectorOption(0, 1);
  body.DoCommandValue(kCmdShowVelocity, 0);
  EXPECT_TRUE(body.HasArrow(0));
  body.DoCommandValue(kCmdRemoveVectors, 1);
  EXPECT_EQ(body.ArrowCount(), 1);
  EXPECT_TRUE(body.HasArrow(0));
  EXPECT_EQ(body.AreVectorsSuppressed(), 1);
  EXPECT_EQ(body.IsVectorShown(1), 0);
  // Showing a vector from the menu lifts the suppression.
  body.DoCommandValue(kCmdShowAcceleration, 1);
  EXPECT_EQ(body.AreVectorsSuppressed(), 0);
  EXPECT_EQ(body.ArrowCount(), 2);
  body.SetArrow(1, body.NewArrow(1));
  EXPECT_EQ(body.ArrowCount(), 2);

  TTestPoint point;
  point.Initialize();
  point.SetDescription("P");
  point.AdoptWorld(&world, 1);  // points ignore the velocity option
  EXPECT_FALSE(point.HasArrow(0));
  point.DoCommandValue(kCmdShowForce, 1);
  point.DoCommandValue(kCmdShowGravity, 1);  // not a point's command
  EXPECT_EQ(point.ArrowCount(), 1);
  uint16_t resolved = 1;
  uint16_t field = 1;
  EXPECT_EQ(Text(point.BuildVectorFormula(2, 1, resolved, field)), "constraintforce(P).y");
  EXPECT_EQ(Text(point.BuildVectorFormula(0, 0, resolved, field)), "P.v.x");
  EXPECT_EQ(resolved + field, 0);
}

TEST_F(BodyTest, VectorFlagsAndRecordedFormulasRoundTrip) {
  TMass body;
  body.Initialize();
  body.SetDescription("body[1]");
  body.AdoptWorld(&world, 0);
  body.DoCommandValue(kCmdShowAcceleration, 1);
  body.DoCommandValue(kCmdShowForce, 1);
  body.DoCommandValue(kCmdShowElectrostatic, 1);
  body.DoCommandValue(kCmdShowFriction, 1);
  body.DoCommandValue(kCmdShowCustomField, 1);
  const std::vector<uint8_t> bytes = Document(body);
  // Acceleration and force two each, friction 21, the fields none without a field in the world.
  EXPECT_EQ(body.RecordedFormulaCount(), 25);

  const auto read = ReadBody(bytes);
  ASSERT_NE(read, nullptr);
  for (const int16_t index : {1, 2, 7, 10})
    EXPECT_EQ(read->IsVectorShown(index), 1) << index;
  EXPECT_EQ(read->IsVectorShown(0), 0);
  EXPECT_EQ(read->ShowsCustomVector(), 1);
  EXPECT_EQ(read->RecordedFormulaCount(), 25);
  // Read outside a world: the arrows wait for the world's vector handler.
  EXPECT_EQ(read->ArrowCount(), 0);
  EXPECT_EQ(read->AreArrowsPending(), 1);
  read->SetDescription("body[1]");
  read->AdoptWorld(&world, 0);
  EXPECT_EQ(read->ArrowCount(), 5);
  EXPECT_TRUE(read->HasArrow(5));
  EXPECT_EQ(read->CountElements(), 25);
  EXPECT_EQ(Document(*read), bytes);

  // A damaged count of recorded formulas must not make the element list read past its block.
  std::vector<uint8_t> damaged = bytes;
  const uint8_t count[] = {0x00, 0x00, 0x00, 0x19, 0x00, 0x00, 0x00, 0x00};
  auto at = std::search(damaged.begin(), damaged.end(), std::begin(count), std::end(count));
  ASSERT_NE(at, damaged.end());
  at[0] = at[1] = at[2] = 0xFF;
  at[3] = 0xFB;  // -5
  const auto repaired = ReadBody(damaged);
  ASSERT_NE(repaired, nullptr);
  EXPECT_EQ(repaired->RecordedFormulaCount(), 0);
  EXPECT_EQ(repaired->IsVectorShown(2), 1);
}

TEST_F(BodyTest, BeforeResultsOnlyTheVelocityArrowIsDrawn) {
  InitDrawingPort();
  TDrawnBody body;
  body.Initialize();
  body.AdoptWorld(&world, 0);
  body.DoCommandValue(kCmdShowVelocity, 1);
  body.DoCommandValue(kCmdShowAcceleration, 1);
  body.SetVectorOption(1, 0);
  const MacRect area(0, 0, 100, 100);
  body.DrawVectors(area, 0);
  EXPECT_EQ(body.draws, 1);
  world.results = true;
  body.DrawVectors(area, 0);
  EXPECT_EQ(body.draws, 3);
  body.DrawVectors(area, 2);  // bits 0 and 1 of the mode leave the arrows out
  EXPECT_EQ(body.draws, 3);
  // An optioned arrow that the menu hides records values but is not drawn.
  body.SetVectorOption(0, 1);
  body.DoCommandValue(kCmdShowVelocity, 0);
  ASSERT_TRUE(body.HasArrow(0));
  body.DrawVectors(area, 0);
  EXPECT_EQ(body.draws, 4);
  body.DoCommandValue(kCmdRemoveVectors, 1);
  body.DrawVectors(area, 0);
  EXPECT_EQ(body.draws, 4);

  // The optioned velocity of a selected body, at rest, is grabbed in the square around its
  // anchor (the origin, at the screen origin without a view).
  int16_t part = 0;
  EXPECT_FALSE(body.HitTestVectors(MacPoint(2, 2), part));
  body.SetDisplayFlags(1);
  EXPECT_TRUE(body.HitTestVectors(MacPoint(3, -3), part));
  EXPECT_EQ(part, 1);
  EXPECT_FALSE(body.HitTestVectors(MacPoint(4, 0), part));
  FreeDrawingPort();
}

TEST_F(BodyTest, ArrowsTakeTheirRecordedValuesInIndexOrder) {
  TMass body;
  body.Initialize();
  body.SetDescription("body[2]");
  body.AdoptWorld(&world, 0);
  body.DoCommandValue(kCmdShowForce, 1);
  body.DoCommandValue(kCmdShowAcceleration, 1);
  THistoryStore store;
  store.SetValuesPerFrame(4);
  store.SetFrameCount(1);
  for (int32_t v = 0; v < 4; ++v)
    ASSERT_TRUE(store.SetValue(0, v, v + 1.0));
  THistoryCursor& cursor = store.PositionAtFrame(0);
  body.LoadRecordedValues(0, cursor);
  TVector acceleration{0, 0};
  TVector force{0, 0};
  ASSERT_TRUE(body.GetVectorValue(1, acceleration));
  ASSERT_TRUE(body.GetVectorValue(2, force));
  EXPECT_EQ(acceleration, TVector(1.0, 2.0));
  EXPECT_EQ(force, TVector(3.0, 4.0));
  EXPECT_EQ(cursor.Offset(), 4);
  // The formulas keep their texts for the next run.
  EXPECT_EQ(TextOf(static_cast<TVectorArrow692*>(body.GetArrow(1))->Component(1)), "body[2].a.y");
}

TEST_F(BodyTest, AGravityVectorMovesToThePairwiseFormWhenTheWorldsFieldIsPairwise) {
  TMass body;
  body.Initialize();
  body.AdoptWorld(&world, 0);
  body.DoCommandValue(kCmdShowGravity, 1);
  ASSERT_TRUE(body.HasArrow(3));
  const auto read = ReadBody(Document(body));
  ASSERT_NE(read, nullptr);
  EXPECT_EQ(read->IsVectorShown(3), 1);
  EXPECT_EQ(read->ArrowCount(), 0);

  TPairGravityWorld pairWorld;
  read->AdoptWorld(&pairWorld, 0);
  EXPECT_EQ(read->IsGravityUniform(), 0);
  EXPECT_FALSE(read->HasArrow(3));
  EXPECT_TRUE(read->HasArrow(6));
  EXPECT_EQ(read->IsVectorShown(6), 1);
  EXPECT_EQ(read->IsVectorShown(3), 0);
  uint16_t enabled = 0;
  uint16_t mark = 0;
  ASSERT_TRUE(read->GetCommandState(kCmdShowGravity, enabled, mark));
  EXPECT_EQ(mark, 1);
  read->DoCommandValue(kCmdShowGravity, 0);
  EXPECT_EQ(read->ArrowCount(), 0);
}

TEST_F(BodyTest, PairAndContactArrowsFillTheirFormulaTemplates) {
  TPairGravityWorld pairWorld;
  TMass body;
  body.Initialize();
  body.SetIdentifier(3);
  body.SetDescription("Ball");
  body.AdoptWorld(&pairWorld, 0);
  body.DoCommandValue(kCmdShowGravity, 1);
  body.DoCommandValue(kCmdShowContact, 1);
  body.DoCommandValue(kCmdShowFriction, 1);

  auto* pairs = dynamic_cast<TVectorArrow693*>(body.GetArrow(6));
  ASSERT_NE(pairs, nullptr);
  ASSERT_EQ(pairs->FormulaCount(), 11);
  EXPECT_EQ(TextOf(*pairs->FormulaAt(1)), "constraintpairs(4,3)");
  EXPECT_EQ(TextOf(*pairs->FormulaAt(4)), "constraintforcepair(4,3,2).x");
  EXPECT_EQ(TextOf(*pairs->FormulaAt(11)), "constraintforcepair(4,3,5).y");
  EXPECT_EQ(pairs->FormulaAt(4)->GetValue(), TFormula::kNoValue);
  // Rebuilt with the same number of formulas, the pair arrow keeps its formula objects.
  const TFormula* before = pairs->FormulaAt(4);
  pairs->Recompute();
  EXPECT_EQ(pairs->FormulaCount(), 11);
  EXPECT_EQ(pairs->FormulaAt(4), before);

  auto* contact = dynamic_cast<TVectorArrow694*>(body.GetArrow(9));
  ASSERT_NE(contact, nullptr);
  ASSERT_EQ(contact->FormulaCount(), 21);
  EXPECT_EQ(TextOf(*contact->FormulaAt(1)), "max(contactpairs(Ball),collisionpairs(Ball))");
  EXPECT_EQ(TextOf(*contact->FormulaAt(5)),
            "contactforcepair(Ball,2).y+collisionimpulsepair(Ball,2).y/extdt()");
  EXPECT_EQ(TextOf(*contact->FormulaAt(12)),
            "if(contactpair(Ball,1).x<>0,contactpair(Ball,1).x,collisionpair(Ball,1).x)");
  auto* friction = dynamic_cast<TVectorArrow694*>(body.GetArrow(10));
  ASSERT_NE(friction, nullptr);
  ASSERT_EQ(friction->FormulaCount(), 21);
  EXPECT_EQ(TextOf(*friction->FormulaAt(1)), "contactpairs(Ball)");
  EXPECT_EQ(TextOf(*friction->FormulaAt(3)), "frictionforcepair(Ball,1).y");
  EXPECT_EQ(TextOf(*friction->FormulaAt(21)), "contactpair(Ball,5).y");
  EXPECT_EQ(body.CountArrowFormulas(), 11 + 21 + 21);

  // The recorded values come in list order; the count is rounded and an undefined one is none.
  double next = 6.6;
  ASSERT_TRUE(body.LoadArrowValues(53, [&next] { return next++; }));
  EXPECT_EQ(pairs->PairCount(), 7);
  EXPECT_EQ(pairs->FormulaAt(2)->GetValue(), 7.6);
  EXPECT_EQ(contact->PairCount(), 18);
  TVector tip{0, 0};
  ASSERT_TRUE(contact->ComputePairTip(1, tip, {1.0, 1.0}));
  EXPECT_DOUBLE_EQ(tip.x, 1.0 + 0.13 * 18.6);
  ASSERT_TRUE(body.LoadArrowValues(53, [] { return TFormula::kNoValue; }));
  EXPECT_EQ(pairs->PairCount(), 0);
  EXPECT_FALSE(contact->ComputePairTip(1, tip, {1.0, 1.0}));
}
