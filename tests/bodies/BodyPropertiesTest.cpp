// Body properties by tag, materials, inputs driving properties, join and attach chains, the
// recorded charge and the blocks that name a property.

#include <cmath>
#include <limits>
#include <numbers>
#include <vector>

#include "bodies/BodyMaterial.h"
#include "bodies/assembly/AssemblyEntry.h"
#include "platform/mfc/CWnd.h"
#include "tests/bodies/ShapeTestSupport.h"

namespace shape_test {
namespace {

std::string TextOf(const TFormula& formula) {
  Str255 text;
  formula.GetText(text);
  return {text.Chars(), static_cast<size_t>(text.Length())};
}

uint16_t ShortOf(TMass& body, uint32_t tag) {
  uint16_t value = 0xFFFF;
  EXPECT_TRUE(body.GetShortProperty(tag, value, nullptr));
  return value;
}

// One number of a material record: five little-endian words whose low bytes count.
std::array<uint8_t, kMaterialNumberBytes> Number(uint8_t sign, uint8_t exponent, uint8_t high,
                                                 uint8_t middle, uint8_t low) {
  return {sign, 0xAA, exponent, 0x55, high, 0x01, middle, 0xFF, low, 0x80};
}

using BodyPropertiesTest = ShapeFixture;

TEST_F(BodyPropertiesTest, EveryFormulaTagGetsAndSetsItsQuantity) {
  auto body = Rectangle(2.0, 1.0);
  const struct {
    uint32_t tag;
    int32_t dimension;
    bool nonNegative;
  } tags[] = {{kTagMass, kDimMass, true},      {kTagMoment, kDimMoment, true},
              {kTagElasticity, 0, true},       {kTagStaticFriction, 0, true},
              {kTagKineticFriction, 0, true},  {kTagCharge, kDimCharge, false},
              {kTagPosX, kDimLength, false},   {kTagPosY, kDimLength, false},
              {kTagPosRot, kDimAngle, false},  {kTagVelX, kDimVelocity, false},
              {kTagVelY, kDimVelocity, false}, {kTagVelRot, kDimAngularVelocity, false},
              {kTagCOMX, kDimLength, false},   {kTagCOMY, kDimLength, false}};
  double value = 0.5;
  for (const auto& entry : tags) {
    value += 1.0;
    body->SetFormulaProperty(entry.tag, TFormula(value));
    double lowest = -7.0;
    int32_t dimension = -1;
    const TFormula* formula =
        body->GetFormulaProperty(entry.tag, &lowest, nullptr, &dimension, nullptr);
    ASSERT_NE(formula, nullptr) << entry.tag;
    EXPECT_EQ(formula->GetValue(), value) << entry.tag;
    EXPECT_EQ(dimension, entry.dimension) << entry.tag;
    EXPECT_EQ(lowest, entry.nonNegative ? 0.0 : -7.0) << entry.tag;
  }
  EXPECT_EQ(body->GetFormulaProperty(MakeTag("none"), nullptr, nullptr, nullptr, nullptr), nullptr);

  // "fri_" reads the kinetic friction and sets both.
  body->SetFormulaProperty(kTagKineticFriction, TFormula(0.2));
  EXPECT_EQ(body->GetFormulaProperty(kTagFriction, nullptr, nullptr, nullptr, nullptr)->GetValue(),
            0.2);
  body->SetFormulaProperty(kTagFriction, TFormula(0.7));
  EXPECT_EQ(body->StaticFriction()->GetValue(), 0.7);
  EXPECT_EQ(body->KineticFriction()->GetValue(), 0.7);

  // A moment set by tag is given: mode 1, and it stays through a change of shape.
  body->SetFormulaProperty(kTagMoment, TFormula(9.0));
  EXPECT_EQ(ShortOf(*body, kTagMomentMode), 1);
  body->SetNumberProperty(kTagWidth, 4.0);
  EXPECT_EQ(body->GetMoment(), 9.0);

  // Numbered properties 17 and 18 are the position.
  TPositionField field;
  ASSERT_TRUE(body->GetPropertyById(17, field));
  EXPECT_EQ(field.formula, body->PositionX());
  EXPECT_EQ(field.label, Str255("x"));
  EXPECT_EQ(body->TagForPropertyId(18), kTagPosY);
  EXPECT_FALSE(TMass().GetPropertyById(16, field));
  EXPECT_EQ(field.present, 0);
}

TEST_F(BodyPropertiesTest, DisplayPropertiesAndTheBlocksThatHoldThem) {
  auto body = Rectangle(1.0, 1.0);
  body->SetShortProperty(kTagFillPattern, 24);
  EXPECT_EQ(ShortOf(*body, kTagFillPattern), 24);
  body->SetShortProperty(kTagFillPattern, 0);
  EXPECT_EQ(ShortOf(*body, kTagFillPattern), 0);
  body->SetShortProperty(kTagFillPattern, 99);  // kept inside the table
  EXPECT_EQ(ShortOf(*body, kTagFillPattern), 24);
  body->SetShortProperty(kTagPenSize, 3);
  EXPECT_EQ(ShortOf(*body, kTagPenSize), 3);
  for (const uint32_t tag : {kTagTrackOutline, kTagShowCentre, kTagShowCharge}) {
    uint16_t flag = 7;
    body->SetFlagProperty(tag, 1);
    ASSERT_TRUE(body->GetFlagProperty(tag, flag, nullptr));
    EXPECT_EQ(flag, 1);
  }
  const RGB16Color colour{1, 2, 3};
  body->SetColourProperty(kTagFillColour, colour);
  RGB16Color read{0, 0, 0};
  ASSERT_TRUE(body->GetColourProperty(kTagFillColour, read, nullptr));
  EXPECT_EQ(read, colour);

  struct Named {
    std::vector<int16_t> blocks;
    int objects = 0;
  } named;
  const auto name = [&](uint32_t tag) {
    named = Named();
    uint16_t found = 0;
    body->ReportPropertyBlocks(
        tag, found, [](int16_t code, void* n) { static_cast<Named*>(n)->blocks.push_back(code); },
        [](void* n) { ++static_cast<Named*>(n)->objects; }, &named, &named);
    return named.blocks;
  };
  EXPECT_EQ(name(kTagPosX), (std::vector<int16_t>{5023, 5041}));
  EXPECT_EQ(named.objects, 1);
  EXPECT_EQ(name(kTagWidth), (std::vector<int16_t>{5023, 5041}));
  EXPECT_EQ(name(kTagFillColour), (std::vector<int16_t>{5005}));
  EXPECT_EQ(named.objects, 0);

  // Block 5023 carries a formula position's current value beside its text, a constant's alone.
  TFormula x;
  x.SetFromPieces("2 + 2");
  body->SetFormulaProperty(kTagPosX, x);
  body->SetPlacement({7.0, 1.0, 0.0});
  TNativeObjectWriter writer;
  writer.Init(nullptr);
  body->WriteBlockContents(TMass::kBlockPositionValues, writer);
  Handle handle = writer.TakeHandle();
  const auto* data = reinterpret_cast<const uint8_t*>(HandleData(handle));
  const std::vector<uint8_t> bytes(data, data + GetHandleByteSize(handle));
  FreeHandle(handle);
  // Text item (code, length, five characters and a pad), its value, then two constant items.
  ASSERT_EQ(bytes.size(), 2u + 2u + 6u + 8u + 2u * 10u);
  double current = 0.0;
  std::memcpy(&current, bytes.data() + 10, 8);
  EXPECT_EQ(current, 7.0);
  EXPECT_EQ(TextOf(*body->PositionX()), "2 + 2");
}

TEST_F(BodyPropertiesTest, CentreOfMassOffsetsAndTheirMomentMode) {
  auto body = Rectangle(2.0, 1.0);
  body->SetFormulaProperty(kTagCOMX, TFormula(0.0));
  EXPECT_EQ(body->GetMomentModeValue(), 2);
  body->SetFormulaProperty(kTagCOMX, TFormula(0.5));
  EXPECT_EQ(body->GetMomentModeValue(), kMomentGiven);

  double value = 1.0;
  body->SetCOMConstants({1e-19, 1e-17});
  ASSERT_TRUE(body->GetNumberProperty(kTagCOMX, value, nullptr));
  EXPECT_EQ(value, 0.0);
  ASSERT_TRUE(body->GetNumberProperty(kTagCOMY, value, nullptr));
  EXPECT_EQ(value, 1e-17);

  body->SetNumberProperty(kTagCOMY, 0.25);
  EXPECT_EQ(body->IsCOMAutomatic(), 0);
  EXPECT_EQ(body->GetCOMVector(), TVector(1e-19, 0.25));
  int16_t choice = 0;
  ASSERT_TRUE(body->GetChoiceProperty(kTagCOMByUser, choice, nullptr));
  EXPECT_EQ(choice, 1);
  body->SelectChoice(kTagCOMAutomatic);
  EXPECT_EQ(body->GetCOMVector(), TVector(0.0, 0.0));
  ASSERT_TRUE(body->GetChoiceProperty(kTagCOMAutomatic, choice, nullptr));
  EXPECT_EQ(choice, 1);

  double lowest = 0.0;
  int32_t dimension = 0;
  uint16_t editable = 9;
  TFormula mass;
  mass.SetFromPieces("3 * 2");
  body->SetFormulaProperty(kTagMass, mass);
  ASSERT_TRUE(body->GetRealProperty(kTagDensity, value, lowest, dimension, editable));
  EXPECT_EQ(editable, 0);  // a mass given as a formula decides the density
  EXPECT_EQ(dimension, kDimDensity);
}

TEST_F(BodyPropertiesTest, MaterialNumbersDecodeInTheirOwnLayout) {
  EXPECT_EQ(DecodeMaterialNumber(Number(0, 127, 0, 0, 0).data()), 1.0);
  EXPECT_EQ(DecodeMaterialNumber(Number(1, 128, 0x40, 0, 0).data()), -3.0);
  EXPECT_EQ(DecodeMaterialNumber(Number(0, 125, 0x99, 0x99, 0x9A).data()), 0.30000001192092896);
  EXPECT_EQ(DecodeMaterialNumber(Number(0, 0, 0, 0, 0).data()), 0.0);
  EXPECT_EQ(DecodeMaterialNumber(Number(0, 85, 0, 0, 0).data()),
            std::numeric_limits<double>::max());
  EXPECT_EQ(DecodeMaterialNumber(Number(0, 85, 1, 2, 3).data()), 0.0);
  // One mantissa byte zero: the general rule.
  EXPECT_EQ(DecodeMaterialNumber(Number(0, 85, 0x40, 0, 1).data()),
            std::ldexp(1.0 + (0x400001 / 8388608.0), 85 - 127));
  EXPECT_EQ(DecodeMaterialNumber(Number(0, 0, 0x40, 0, 0).data()), std::ldexp(1.5, -127));
}

TEST_F(BodyPropertiesTest, AMaterialAppliesUntilAValueOfItsOwnIsSet) {
  auto body = Rectangle(2.0, 1.0);
  body->SetShortProperty(kTagMaterial, 3);  // steel in the program's materials
  EXPECT_EQ(ShortOf(*body, kTagMaterial), 3);
  EXPECT_EQ(body->GetDensity(), static_cast<double>(7.8f));
  EXPECT_EQ(body->GetMass(), 2.0 * static_cast<double>(7.8f));
  EXPECT_EQ(body->StaticFriction()->GetValue(), static_cast<double>(0.74f));
  EXPECT_EQ(body->Elasticity()->GetValue(), static_cast<double>(0.6f));
  EXPECT_FALSE(body->IsMassGiven());

  body->StaticFriction()->SetConstant(0.1);
  EXPECT_EQ(ShortOf(*body, kTagMaterial), 0);
  body->StaticFriction()->SetConstant(static_cast<double>(0.74f));
  EXPECT_EQ(ShortOf(*body, kTagMaterial), 0);  // custom now, and stays so
  EXPECT_EQ(body->GetMass(), 2.0 * static_cast<double>(7.8f));

  auto other = Rectangle(1.0, 1.0);
  other->SetShortProperty(kTagMaterial, 99);  // no such material
  EXPECT_EQ(ShortOf(*other, kTagMaterial), 0);
  EXPECT_TRUE(other->IsMassGiven());
  EXPECT_EQ(other->GetMass(), 1.0);  // a custom body keeps the mass it had
}

TEST_F(BodyPropertiesTest, ADensityTypedGivesTheMassOfTheAreaAndEndsTheMaterial) {
  auto body = Rectangle(2.0, 1.5);
  body->SetShortProperty(kTagMaterial, 3);
  body->SetNumberProperty(kTagDensity, 4.0);
  EXPECT_EQ(body->GetDensity(), 4.0);
  EXPECT_EQ(body->GetMass(), 3.0 * 4.0);
  EXPECT_EQ(ShortOf(*body, kTagMaterial), 0);
  // The density is the body's own: a new size keeps it and changes the mass.
  EXPECT_FALSE(body->IsMassGiven());
  body->SetFormulaProperty(kTagWidth, TFormula(4.0));
  EXPECT_EQ(body->GetDensity(), 4.0);
  EXPECT_EQ(body->GetMass(), 6.0 * 4.0);

  // A mass written as a formula keeps deciding; a negative density is refused.
  body->SetNumberProperty(kTagDensity, -1.0);
  EXPECT_EQ(body->GetDensity(), 4.0);
  TFormula mass;
  mass.SetFromPieces("3 * 2");
  body->SetFormulaProperty(kTagMass, mass);
  body->SetNumberProperty(kTagDensity, 9.0);
  EXPECT_EQ(body->GetMass(), 6.0);
  EXPECT_EQ(TextOf(*body->GetFormulaProperty(kTagMass, nullptr, nullptr, nullptr, nullptr)),
            "3 * 2");
}

TEST_F(BodyPropertiesTest, InputsBindPropertiesAndReportTheirRanges) {
  auto body = Rectangle(2.0, 1.0);
  double value = 0, value2 = 0, low = -1, high = -1, low2 = -1, high2 = -1;
  const auto attach = [&](int16_t code, const char* first, const char* second = "") {
    return body->AttachInput(code, Str255(first), Str255(second), value, value2, low, high, low2,
                             high2);
  };
  body->SetFormulaProperty(kTagVelX, TFormula(25.0));
  ASSERT_EQ(attach(5206, "input[1]"), 1);
  EXPECT_EQ(value, 25.0);
  EXPECT_EQ(low, -10.0);
  EXPECT_EQ(high, 25.0);
  EXPECT_EQ(TextOf(*body->VelocityX()), "input[1]");

  // Speed and direction report the velocity, also one given by formula texts, never the place.
  body->SetPlacement({100.0, 100.0, 0.0});
  TFormula vx;
  vx.SetFromPieces("1 + 2");
  body->SetFormulaProperty(kTagVelX, vx);
  body->SetFormulaProperty(kTagVelY, TFormula(4.0));
  ASSERT_EQ(attach(5205, "input[2]", "input[3]"), 1);
  EXPECT_DOUBLE_EQ(value, 5.0);
  EXPECT_DOUBLE_EQ(value2, std::atan2(4.0, 3.0));
  EXPECT_EQ(high, 10.0);
  EXPECT_EQ(high2, std::numbers::pi / 2);
  EXPECT_EQ(TextOf(*body->VelocityX()), "input[2] * cos(input[3])");
  EXPECT_EQ(TextOf(*body->VelocityY()), "input[2] * sin(input[3])");

  ASSERT_EQ(attach(5201, "input[4]"), 1);
  EXPECT_EQ(low, -6.0);
  EXPECT_EQ(high, 101.0);  // the body's own extent reaches past the default range

  body->SetShortProperty(kTagMaterial, 1);
  ASSERT_EQ(attach(5211, "input[5]"), 1);
  EXPECT_EQ(ShortOf(*body, kTagMaterial), 0);
  EXPECT_EQ(body->GetMomentModeValue(), kMomentGiven);
  EXPECT_EQ(high, 2.0 * static_cast<double>(1.0f));
  EXPECT_EQ(low, high / 100.0);

  value = -3.0;
  EXPECT_EQ(attach(5208, "input[6]"), 0);
  EXPECT_EQ(value, -3.0);

  auto circle = Circle(0.5);
  ASSERT_EQ(circle->AttachInput(5228, Str255("input[7]"), Str255(), value, value2, low, high, low2,
                                high2),
            1);
  EXPECT_EQ(value, 0.5);
  EXPECT_EQ(TextOf(*circle->RadiusFormula()), "input[7]");
}

TEST_F(BodyPropertiesTest, EachInputDrivesItsOwnPropertyFromItsCurrentValue) {
  auto body = Rectangle(2.0, 1.0);
  body->SetPlacement({3.0, -4.0, 0.0});
  double value = 0, value2 = 0, low = 0, high = 0, low2 = 0, high2 = 0;
  const auto attach = [&](int16_t code, const char* text) {
    value = -99.0;
    return body->AttachInput(code, Str255(text), Str255(), value, value2, low, high, low2, high2);
  };
  ASSERT_EQ(attach(5201, "input[1]"), 1);
  EXPECT_EQ(value, 3.0);
  ASSERT_EQ(attach(5202, "input[2]"), 1);
  EXPECT_EQ(value, -4.0);
  EXPECT_EQ(TextOf(*body->PositionX()), "input[1]");
  EXPECT_EQ(TextOf(*body->PositionY()), "input[2]");

  // The coefficients start the input where they stand.
  body->StaticFriction()->SetConstant(0.35);
  body->KineticFriction()->SetConstant(0.25);
  body->Elasticity()->SetConstant(0.65);
  ASSERT_EQ(attach(5213, "input[3]"), 1);
  EXPECT_EQ(value, 0.35);
  ASSERT_EQ(attach(5214, "input[4]"), 1);
  EXPECT_EQ(value, 0.25);
  ASSERT_EQ(attach(5215, "input[5]"), 1);
  EXPECT_EQ(value, 0.65);
  EXPECT_EQ(TextOf(*body->Elasticity()), "input[5]");
}

TEST_F(BodyPropertiesTest, JoinAndAttachChainsNeverCloseARing) {
  auto a = Rectangle(1.0, 1.0);
  auto b = Rectangle(1.0, 1.0);
  auto c = Rectangle(1.0, 1.0);
  EXPECT_TRUE(a->IsJoinedWith(a.get()));
  a->JoinTo(b.get());
  b->JoinTo(c.get());
  c->JoinTo(a.get());  // a ring: refused
  EXPECT_EQ(c->GetJoinedTo(), nullptr);
  EXPECT_TRUE(a->IsJoinedWith(c.get()));
  EXPECT_EQ(a->GetRootBody(), c.get());
  a->JoinTo(a.get());
  EXPECT_EQ(a->GetJoinedTo(), nullptr);

  // An anchored body joins nothing; a ring through a body anchored later is refused as well.
  b->SetAnchored(2);
  EXPECT_EQ(b->GetAnchorCode(), 3);
  c->JoinTo(b.get());
  EXPECT_EQ(c->GetJoinedTo(), nullptr);  // b's chain leads to c
  b->SetAnchored(5);
  EXPECT_EQ(b->GetAnchorCode(), 1);
  b->SetAnchored(0);
  EXPECT_FALSE(b->IsJoinedWith(a.get()));

  a->SetAttachedBody(b.get());
  b->SetAttachedBody(c.get());
  c->SetAttachedBody(a.get());  // would make a ring
  EXPECT_EQ(c->GetAttachedBody(), nullptr);
  EXPECT_TRUE(c->IsInAttachChain(a.get()));
  EXPECT_FALSE(a->IsInAttachChain(c.get()));

  // A body that leaves forgets its links.
  a->ObjectRemoved(b.get());
  EXPECT_EQ(a->GetAttachedBody(), nullptr);
}

TEST_F(BodyPropertiesTest, AChargeGivenByAFormulaIsRecordedAndShownFrameByFrame) {
  auto body = Rectangle(1.0, 1.0);
  body->SetDescription("body[4]");
  body->SetFormulaProperty(kTagCharge, TFormula(-2.0));
  EXPECT_EQ(body->GetChargeSign(), 0);
  EXPECT_EQ(body->CountElements(), 0);
  TFormula charge;
  charge.SetFromPieces("2 * 3");
  body->SetFormulaProperty(kTagCharge, charge);
  EXPECT_EQ(body->GetChargeSign(), 1);
  EXPECT_EQ(body->CountElements(), 1);
  const std::vector<uint8_t> bytes = Native(*body);
  const std::vector<Block> blocks = Blocks(bytes, kBlockRectangleSize, false);
  ASSERT_EQ(Codes(blocks), (std::vector<int32_t>{1203, 1200, 1600}));
  const std::string list(bytes.begin() + static_cast<long>(blocks[2].begin),
                         bytes.begin() + static_cast<long>(blocks[2].end));
  EXPECT_NE(list.find("body[4].charge"), std::string::npos);
  const auto read = ReadOne<TRectangle>(Document(*body));
  ASSERT_NE(read, nullptr);
  EXPECT_EQ(read->CountElements(), 1);
}

TEST_F(BodyPropertiesTest, APositionMadeConstantByACommandIsLockedInTheAssembly) {
  TAssemblySolver* solver = nullptr;
  ASSERT_EQ(AssemblyCreate(0, solver), 0);
  auto body = Rectangle(1.0, 1.0);
  body->SetPlacement({3.0, 2.0, 0.25});
  const TFormula five(5.0);
  body->ChangeProperty(kTagPosX, &five, solver);
  EXPECT_EQ(body->PositionX()->GetValue(), 5.0);
  // A position given as a formula text is the formula's business: no lock.
  auto other = Rectangle(1.0, 1.0);
  TFormula text;
  text.SetFromPieces("1 + 1");
  other->ChangeProperty(kTagPosY, &text, solver);
  TFrameRecord* records = nullptr;
  int32_t count = 0;
  uint32_t pushed = 0;
  double error = 0.0;
  ASSERT_EQ(AssemblySolve(solver, nullptr, nullptr, 1e-10, records, count, pushed, error), 0);
  ASSERT_EQ(count, 1);
  EXPECT_EQ(records[0].owner, static_cast<const void*>(body.get()));
  EXPECT_NEAR(records[0].world.x, 5.0, 1e-10);
  EXPECT_NEAR(records[0].world.y, 2.0, 1e-10);
  EXPECT_NEAR(records[0].world.angle, 0.25, 1e-10);
  AssemblyFree(solver);
}

TEST_F(BodyPropertiesTest, ScriptObjectsComeFromTheInstalledMakerOnceAndAreReleasedWithTheBody) {
  static int made = 0;
  static std::vector<CCmdTarget*> released;
  static TMass* lastBody = nullptr;
  made = 0;
  released.clear();
  auto rectangle = Rectangle(1.0, 1.0);
  CCmdTarget parent;
  EXPECT_EQ(rectangle->GetAPIObject(&parent), nullptr);  // no scripting layer yet
  TLink::SetScriptObjectMaker({[](TLink& link, CCmdTarget*) -> CCmdTarget* {
                                 ++made;
                                 lastBody = static_cast<TMass*>(&link);
                                 return new CCmdTarget;
                               },
                               [](CCmdTarget* object) {
                                 released.push_back(object);
                                 delete object;
                               }});
  EXPECT_EQ(rectangle->GetAPIObject(nullptr), nullptr);  // no parent asks
  CCmdTarget* object = rectangle->GetAPIObject(&parent);
  ASSERT_NE(object, nullptr);
  EXPECT_EQ(rectangle->GetAPIObject(nullptr), object);
  EXPECT_EQ(made, 1);
  EXPECT_EQ(lastBody, rectangle.get());
  rectangle.reset();
  EXPECT_EQ(released, std::vector<CCmdTarget*>{object});
  auto circle = Circle(1.0);
  CCmdTarget* kept = circle->GetAPIObject(&parent);
  circle->ForgetAPIObject();  // the script object went first: nothing to release
  delete kept;
  circle.reset();
  EXPECT_EQ(released.size(), 1u);
  TLink::SetScriptObjectMaker({});
}

}  // namespace
}  // namespace shape_test
