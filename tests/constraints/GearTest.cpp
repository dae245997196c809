// Gears: the automatic ratio, the contact texts and what refuses them, the settings by tag, the
// records the gear and its companions hand the solver, a document read back byte for byte, and
// a motor-driven gear train with a rack run by the solver against the closed form.

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <numbers>
#include <string>
#include <vector>

#include "bodies/Background.h"
#include "bodies/BodyClasses.h"
#include "bodies/BodyTags.h"
#include "bodies/Shapes.h"
#include "bodies/points/Point.h"
#include "constraints/ConstraintClasses.h"
#include "constraints/Gear.h"
#include "constraints/Pin.h"
#include "constraints/Pistons.h"
#include "core/Failure.h"
#include "core/Handle.h"
#include "model/filing/ObjectWriter.h"
#include "model/world/WorldHost.h"
#include "simulation/Engine.h"
#include "tests/support/WorldRun.h"

namespace {

using namespace body_tags;

std::vector<uint8_t> Bytes(TLink& object, int16_t code) {
  TNativeObjectWriter writer;
  writer.Init(nullptr);
  object.WriteBlockContents(code, writer);
  Handle handle = writer.TakeHandle();
  const auto* data = reinterpret_cast<const uint8_t*>(HandleData(handle));
  std::vector<uint8_t> bytes(data, data + GetHandleByteSize(handle));
  FreeHandle(handle);
  return bytes;
}

int16_t Get16(const std::vector<uint8_t>& bytes, size_t at) {
  int16_t v;
  std::memcpy(&v, bytes.data() + at, 2);
  return v;
}

std::string TextOf(const TFormula& formula) {
  Str255 text;
  formula.GetText(text);
  return std::string(text.Chars(), static_cast<size_t>(text.Length()));
}

int16_t ErrorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const QVException& failure) {
    return failure.error();
  }
  return 0;
}

std::vector<char> FileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class GearTest : public world_run::WorldRunTest {
 protected:
  GearTest()
      : WorldRunTest("gear-test.dll", {{kBlockCustomRecord, kCustomConstraintTag},
                                       {kBlockRectangleFormulas, TRectangle::kTag},
                                       {5007, TOval::kTag},
                                       {kBlockBackground, TZeroMass::kTag},
                                       {kBlockGroup, TGroup::kTag},
                                       {kBlockRunSettings, kEngineTag},
                                       {TPoint::kBlockSolverRecord, kPointTag},
                                       {TPin::kBlockKind, kPinTag},
                                       {5258, kRPistonTag},
                                       {TGear::kBlockGear, kGearTag},
                                       {TGearCnstr::kBlockMarker, kGearContactTag},
                                       {TGearCnstrPoint::kBlockMarker, kGearContactPointTag}}) {}
  // The custom constraint files its solver record first; it comes before the test field's entry.
  static constexpr int16_t kBlockCustomRecord = 1310;

  void RegisterClasses() override {
    RegisterBodyClasses();
    RegisterCustomConstraintClasses();
    RegisterPinRopeRodClasses();
    RegisterPistonClasses();
    RegisterGearClasses();
    SettleDefaultConstraintSize();
  }
  void FreeClasses() override {
    FreeCustomConstraintGlobals();
    FreeBodyClasses();
  }

  static TOval& AddWheel(TWorldDoc& world, int16_t id, double radius, double x, double y) {
    TOval& wheel = Add<TOval>(world, id);
    wheel.SetNumberProperty(kTagRadius, radius);
    wheel.SetMass(1.0);
    wheel.SetFormulaProperty(kTagPosX, TFormula(x));
    wheel.SetFormulaProperty(kTagPosY, TFormula(y));
    return wheel;
  }
  static TRectangle& AddBar(TWorldDoc& world, int16_t id, double width, double height, double x,
                            double y) {
    TRectangle& bar = Add<TRectangle>(world, id);
    bar.SetNumberProperty(kTagWidth, width);
    bar.SetNumberProperty(kTagHeight, height);
    bar.SetMass(1.0);
    bar.SetFormulaProperty(kTagPosX, TFormula(x));
    bar.SetFormulaProperty(kTagPosY, TFormula(y));
    return bar;
  }
  static TPoint& AddPoint(TWorldDoc& world, int16_t id, TMass& body, double x, double y) {
    TPoint& point = Add<TPoint>(world, id);
    point.AttachToBody(&body);
    point.SetLocalPosition({x, y, 0.0});
    return point;
  }
  // A gear of the identifier between the points, with its three companions at the identifiers
  // after it, made as the editing tools make one.
  static TGear& AddGear(TWorldDoc& world, int16_t id, TPoint& first, TPoint& second) {
    TGear& gear = Add<TGear>(world, id);
    gear.SetShortProperty(kTagAlwaysActive, 1);
    gear.AttachObject(&first);
    gear.AttachObject(&second);
    gear.CompanionAdded(&Add<TGearCnstr>(world, static_cast<int16_t>(id + 1)));
    gear.CompanionAdded(&Add<TGearCnstrPoint>(world, static_cast<int16_t>(id + 2)));
    gear.CompanionAdded(&Add<TGearCnstrPoint>(world, static_cast<int16_t>(id + 3)));
    return gear;
  }
  // Companions made before the points are attached take them as they come.
  static TGear& AddGearCompanionsFirst(TWorldDoc& world, int16_t id, TPoint& first,
                                       TPoint& second) {
    TGear& gear = Add<TGear>(world, id);
    gear.SetShortProperty(kTagAlwaysActive, 1);
    gear.CompanionAdded(&Add<TGearCnstr>(world, static_cast<int16_t>(id + 1)));
    gear.CompanionAdded(&Add<TGearCnstrPoint>(world, static_cast<int16_t>(id + 2)));
    gear.CompanionAdded(&Add<TGearCnstrPoint>(world, static_cast<int16_t>(id + 3)));
    gear.AttachObject(&first);
    gear.AttachObject(&second);
    return gear;
  }
  // Two wheels of the radii on points at their centres, geared; the second wheel at (distance, 0).
  TGear& WheelPair(TWorldDoc& world, double r1, double r2, double distance) {
    TOval& a = AddWheel(world, 3, r1, 0.0, 0.0);
    TOval& b = AddWheel(world, 5, r2, distance, 0.0);
    return AddGear(world, 20, AddPoint(world, 4, a, 0.0, 0.0), AddPoint(world, 6, b, 0.0, 0.0));
  }
};

TEST_F(GearTest, TheAutomaticRatioIsTheRatioOfTheCircles) {
  TQVDoc document;
  TWorldDoc& world = document.World();
  TGear& gear = WheelPair(world, 2.0, 1.0, 3.0);
  EXPECT_EQ(gear.GetFormulaProperty(kTagGearRatio, nullptr, nullptr, nullptr, nullptr)->GetValue(),
            2.0);
  // A circle with a rectangle leaves the ratio at 1.
  TRectangle& bar = AddBar(world, 7, 1.0, 0.2, 0.0, -2.0);
  TGear& rack = AddGear(world, 30, *static_cast<TPoint*>(world.FindObject(4)),
                        AddPoint(world, 8, bar, 0.0, 0.0));
  rack.Ratio().SetConstant(5.0);
  rack.ApplyAutomaticRatio();
  EXPECT_EQ(rack.Ratio().GetValue(), 1.0);
  // A circle without a size gives no ratio rather than a division by zero.
  static_cast<TOval*>(world.FindObject(5))->SetNumberProperty(kTagRadius, 0.0);
  gear.ApplyAutomaticRatio();
  EXPECT_EQ(gear.Ratio().GetValue(), 1.0);
  static_cast<TOval*>(world.FindObject(5))->SetNumberProperty(kTagRadius, 1.0);
  // A change of the gear concerns its companions.
  std::vector<TLink*> dependants;
  gear.GetDependants(kTagGearRatio, dependants);
  EXPECT_NE(std::find(dependants.begin(), dependants.end(), gear.GetContact()), dependants.end());
  EXPECT_NE(std::find(dependants.begin(), dependants.end(), gear.GetSecondContactPoint()),
            dependants.end());
  // Choosing the automatic ratio makes it a constant again.
  gear.SetShortProperty(kTagGearRatioAuto, 0);
  gear.SetFormulaProperty(kTagGearRatio, TFormula(3.0));
  gear.SetShortProperty(kTagGearRatioAuto, 1);
  EXPECT_EQ(gear.Ratio().GetValue(), 2.0);
  EXPECT_FALSE(gear.Ratio().IsFormula());
}

TEST_F(GearTest, ContactTextsFollowTheRatioAndTheBodies) {
  const GearContactTexts texts = TGear::ContactFormula(3, 5, "1.0+1.0/(2)", "1.0+(2)");
  EXPECT_EQ(texts.x1,
            "cos(body[3].p.r)*(body[5].p.x-body[3].p.x)/(1.0+1.0/(2))"
            "+sin(body[3].p.r)*(body[5].p.y-body[3].p.y)/(1.0+1.0/(2))");
  EXPECT_EQ(texts.y1,
            "-sin(body[3].p.r)*(body[5].p.x-body[3].p.x)/(1.0+1.0/(2))"
            "+cos(body[3].p.r)*(body[5].p.y-body[3].p.y)/(1.0+1.0/(2))");
  EXPECT_EQ(texts.x2,
            "cos(body[5].p.r)*(body[3].p.x-body[5].p.x)/(1.0+(2))"
            "+sin(body[5].p.r)*(body[3].p.y-body[5].p.y)/(1.0+(2))");

  TQVDoc document;
  TGear& gear = WheelPair(document.World(), 2.0, 1.0, 3.0);
  gear.SetShortProperty(kTagGearRatioAuto, 0);
  gear.SetFormulaProperty(kTagGearRatio, TFormula(2.0));
  TGearCnstrPoint& first = *gear.GetFirstContactPoint();
  TGearCnstrPoint& second = *gear.GetSecondContactPoint();
  EXPECT_EQ(TextOf(first.X()), texts.x1);
  EXPECT_EQ(TextOf(first.Y()), texts.y1);
  EXPECT_EQ(TextOf(second.X()), texts.x2);
  EXPECT_EQ(TextOf(second.Y()), texts.y2);
  EXPECT_EQ(TextOf(first.R()), "0");
  EXPECT_EQ(TextOf(second.R()), "0");
  // A ratio is written so that it reads back as the same number, however small.
  EXPECT_EQ(TGear::RatioText(TFormula(1e-7)), "9.9999999999999995e-08");
  EXPECT_EQ(std::stod(TGear::RatioText(TFormula(1.0 / 3.0))), 1.0 / 3.0);
  EXPECT_EQ(TGear::RatioText(TFormula(2e20)), "2e20");
  for (double ratio : {1e-7, 2e20, 1.0 / 3.0}) {
    TFormula text;
    text.SetFromPieces(Str255(TGear::RatioText(TFormula(ratio)).c_str()));
    EXPECT_EQ(text.CompileError(), 0) << ratio;
  }
  TFormula malformed;
  malformed.SetFromPieces("1e");
  EXPECT_NE(malformed.CompileError(), 0);
  // An internal pair divides by the difference.
  gear.SetShortProperty(kTagGearInternal, 1);
  gear.PrepareGoals();
  EXPECT_NE(TextOf(first.X()).find("/(1.0-1.0/(2))"), std::string::npos);
  EXPECT_NE(TextOf(second.X()).find("/(1.0-(2))"), std::string::npos);
}

// A ratio formula too long for the contact texts is refused before any text changes.
TEST_F(GearTest, ATooLongContactTextIsRefusedAndNothingChanges) {
  TQVDoc document;
  TGear& gear = WheelPair(document.World(), 2.0, 1.0, 3.0);
  gear.SetShortProperty(kTagGearRatioAuto, 0);
  gear.SetFormulaProperty(kTagGearRatio, TFormula(2.0));
  const std::string before = TextOf(gear.GetSecondContactPoint()->Y());
  TFormula longRatio;
  longRatio.SetFromPieces("2+0*(body[3].p.x+body[3].p.y+body[5].p.x+body[5].p.y+body[3].p.r)");
  EXPECT_EQ(ErrorOf([&] { gear.SetFormulaProperty(kTagGearRatio, longRatio); }),
            TGear::kErrContactFormula);
  EXPECT_EQ(TextOf(gear.GetSecondContactPoint()->Y()), before);
  EXPECT_EQ(gear.Ratio().GetValue(), 2.0);
  EXPECT_FALSE(gear.Ratio().IsFormula());
}

TEST_F(GearTest, RatiosWithoutAContactPointAreRefused) {
  TQVDoc document;
  TGear& gear = WheelPair(document.World(), 2.0, 1.0, 3.0);
  gear.SetShortProperty(kTagGearRatioAuto, 0);
  // Zero divisors: a ratio of 0, and -1 for outside gears.
  for (double bad : {0.0, -1.0}) {
    EXPECT_EQ(ErrorOf([&] { gear.SetFormulaProperty(kTagGearRatio, TFormula(bad)); }),
              TGear::kErrGearRatio)
        << bad;
    EXPECT_EQ(gear.Ratio().GetValue(), 1.0) << bad;
  }
  // Nearly 1 on an internal pair whose centres are apart: no finite contact point.
  gear.SetFormulaProperty(kTagGearRatio, TFormula(1.0005));
  EXPECT_EQ(ErrorOf([&] { gear.SetShortProperty(kTagGearInternal, 1); }), TGear::kErrGearRatio);
  EXPECT_FALSE(gear.IsInternal());
  // A ratio given as a formula is not checked.
  TFormula formula;
  formula.SetFromPieces("1+0*time");
  gear.SetFormulaProperty(kTagGearRatio, formula);
  EXPECT_EQ(ErrorOf([&] { gear.SetShortProperty(kTagGearInternal, 1); }), 0);
  EXPECT_TRUE(gear.IsInternal());
}

TEST_F(GearTest, AConcentricInternalPairMayTurnAtNearlyOne) {
  TQVDoc document;
  TGear& gear = WheelPair(document.World(), 2.0, 1.0, 0.0);
  gear.SetShortProperty(kTagGearRatioAuto, 0);
  gear.SetFormulaProperty(kTagGearRatio, TFormula(1.0005));
  EXPECT_TRUE(gear.CheckInternalRatio());
  gear.SetShortProperty(kTagGearInternal, 1);
  EXPECT_TRUE(gear.IsInternal());
  // Moving the ratio to 1 exactly is refused and the previous one stays.
  EXPECT_EQ(ErrorOf([&] { gear.SetFormulaProperty(kTagGearRatio, TFormula(1.0)); }),
            TGear::kErrGearRatio);
  EXPECT_EQ(gear.Ratio().GetValue(), 1.0005);
  // Concentric, -1 meshes inside; outside, -1 divides by zero.
  EXPECT_EQ(ErrorOf([&] { gear.SetFormulaProperty(kTagGearRatio, TFormula(-1.0)); }), 0);
  EXPECT_EQ(ErrorOf([&] { gear.SetShortProperty(kTagGearInternal, 0); }), TGear::kErrGearRatio);
  EXPECT_TRUE(gear.IsInternal());
}

TEST_F(GearTest, SettingsCommandsAndTexts) {
  TQVDoc document;
  TWorldDoc& world = document.World();
  TGear& lone = Add<TGear>(world, 40);
  Str255 text;
  ASSERT_EQ(lone.GetStringProperty(kTagGearFirstBody, text, nullptr), 1);
  EXPECT_EQ(std::string(text.AsCString()), "Body[0]");

  TGear& gear = WheelPair(world, 2.0, 1.0, 3.0);
  ASSERT_EQ(gear.GetStringProperty(kTagGearSecondBody, text, nullptr), 1);
  EXPECT_EQ(std::string(text.AsCString()), "Body[5]");
  ASSERT_EQ(gear.GetStringProperty(kTagGearContactName, text, nullptr), 1);
  EXPECT_EQ(std::string(text.AsCString()), "Constraint[21]");

  // Editing the ratio by command ends the automatic ratio; the rod command the always-on rod.
  int32_t unit = -1;
  EXPECT_EQ(gear.QuantityForCommand(TGear::kCmdEditRatio, unit), &gear.Ratio());
  EXPECT_FALSE(gear.IsRatioAutomatic());
  gear.SetShortProperty(kTagGearRodAlways, 1);
  EXPECT_EQ(gear.RodQuantity().GetValue(), 1.0);
  uint16_t editable = 1;
  gear.GetFormulaProperty(kTagGearRod, nullptr, nullptr, nullptr, &editable);
  EXPECT_EQ(editable, 0);
  EXPECT_EQ(gear.QuantityForCommand(TGear::kCmdEditRod, unit), &gear.RodQuantity());
  EXPECT_FALSE(gear.IsRodAlwaysActive());
  EXPECT_EQ(gear.QuantityForCommand(TGear::kCmdEditActivation, unit), &gear.Activation());
  EXPECT_EQ(gear.QuantityForCommand(5413, unit), nullptr);

  // The ring-gear choices are enabled by the internal flag.
  int16_t chosen = 0;
  uint16_t enabled = 7;
  gear.SelectChoice(kTagGearSecondInternal);
  gear.GetChoiceProperty(kTagGearSecondInternal, chosen, &enabled);
  EXPECT_EQ(chosen, 0);
  EXPECT_EQ(enabled, 0);
  gear.SetShortProperty(kTagGearInternal, 1);
  gear.GetChoiceProperty(kTagGearSecondInternal, chosen, &enabled);
  EXPECT_EQ(chosen, 1);
  EXPECT_EQ(enabled, 1);

  // Complete for the solver: a constant "a___" and an activation that can be above 0.
  EXPECT_TRUE(gear.IsCompleteForSolver());
  TFormula formula;
  formula.SetFromPieces("time");
  gear.Quantity().Assign(formula);
  EXPECT_FALSE(gear.IsCompleteForSolver());
  EXPECT_FALSE(gear.IsPropertyAvailable(kTagGearRatio));
  EXPECT_TRUE(gear.IsPropertyAvailable(kTagGearShowRod));
  gear.ResetQuantity();
  EXPECT_EQ(gear.Quantity().GetValue(), 1.0);
  gear.SetShortProperty(kTagAlwaysActive, 0);
  EXPECT_FALSE(gear.IsCompleteForSolver());
}

// The gear's record carries the rod in place of its activation and one position goal; the
// contact constraint's record joins the contact points with the gear's activation.
TEST_F(GearTest, SolverRecordsOfTheGearAndItsContactConstraint) {
  TQVDoc document;
  TGear& gear = WheelPair(document.World(), 2.0, 1.0, 3.0);
  gear.Quantity().SetConstant(3.0);
  gear.PrepareGoals();
  ASSERT_EQ(gear.Goals().size(), 1u);
  EXPECT_EQ(gear.Goal(1).type, 1);
  EXPECT_EQ(gear.Goal(1).limit, 0);
  EXPECT_EQ(gear.Goal(1).GetValue(), 3.0);
  const std::vector<uint8_t> record = Bytes(gear, TCnstr::kBlockRecord);
  // Related -1, the primary point's rotation, then the rod: the constant 0.
  EXPECT_EQ(Get16(record, 0), -1);
  EXPECT_EQ(Get16(record, 12), 1);
  double rod = 1.0;
  std::memcpy(&rod, record.data() + 14, 8);
  EXPECT_EQ(rod, 0.0);

  TGearCnstr& contact = *gear.GetContact();
  std::vector<uint8_t> bytes = Bytes(contact, TCnstr::kBlockRecord);
  // Related, primary quantity (a constant), activation 1, mode, related, second quantity.
  size_t at = 2 + 10;
  EXPECT_EQ(Get16(bytes, at), 1);
  double activation = 0.0;
  std::memcpy(&activation, bytes.data() + at + 2, 8);
  EXPECT_EQ(activation, 1.0);
  at += 10 + 2 + 2 + 10;
  EXPECT_EQ(Get16(bytes, at), 2);
  EXPECT_EQ(Get16(bytes, at + 2), 22);
  EXPECT_EQ(Get16(bytes, at + 4), 23);
  EXPECT_EQ(Get16(bytes, at + 6), 1);
  EXPECT_EQ(Get16(bytes, at + 8), 1);  // position
  EXPECT_EQ(Get16(bytes, at + 10), 0);
  EXPECT_EQ(Get16(bytes, at + 12), 1);  // on y
  // An active gear withholds the contact goal.
  gear.Activate(0);
  bytes = Bytes(contact, TCnstr::kBlockRecord);
  EXPECT_EQ(Get16(bytes, at + 6), 0);
  EXPECT_EQ(bytes.size(), at + 8);

  // Without a gear: no contact points, defined quantities and the goal.
  TGearCnstr lone;
  lone.Initialize();
  bytes = Bytes(lone, TCnstr::kBlockRecord);
  ASSERT_EQ(bytes.size(), 2 + 10 + 10 + 2 + 2 + 10 + 6 + 2 + 6 + 10u);
  EXPECT_EQ(Get16(bytes, 2), 1);
  EXPECT_EQ(Get16(bytes, 12), 1);
  EXPECT_EQ(Get16(bytes, 26), 1);
  EXPECT_EQ(Get16(bytes, 36), 2);
  EXPECT_EQ(Get16(bytes, 38), -1);
  EXPECT_EQ(Get16(bytes, 40), -1);
  EXPECT_EQ(Get16(bytes, 42), 1);

  // A contact point without its point files no body and its quantities as they are.
  TGearCnstrPoint point;
  point.Initialize();
  point.X().SetConstant(0.25);
  bytes = Bytes(point, TGearCnstrPoint::kBlockPoint);
  ASSERT_EQ(bytes.size(), 2 + 30u);
  EXPECT_EQ(Get16(bytes, 0), -1);
  double x = 0.0;
  std::memcpy(&x, bytes.data() + 4, 8);
  EXPECT_EQ(x, 0.25);
  EXPECT_EQ(Get16(Bytes(*gear.GetFirstContactPoint(), TGearCnstrPoint::kBlockPoint), 0), 3);
}

// Deleting a companion leaves the gear without it; deleting the gear leaves the companions
// without their gear.
TEST_F(GearTest, CompanionsAndTheGearForgetEachOther) {
  TQVDoc document;
  TWorldDoc& world = document.World();
  TGear& gear = WheelPair(world, 2.0, 1.0, 3.0);
  auto* contact = gear.GetContact();
  auto* second = gear.GetSecondContactPoint();
  world.RemoveObject(gear.GetFirstContactPoint());
  EXPECT_EQ(gear.GetFirstContactPoint(), nullptr);
  EXPECT_EQ(gear.GetSecondContactPoint(), second);
  world.RemoveObject(world.FindObject(6));
  EXPECT_EQ(second->GetAttachedPoint(), nullptr);
  world.RemoveObject(&gear);
  EXPECT_EQ(contact->GetOwner(), nullptr);
  EXPECT_EQ(second->GetOwner(), nullptr);
  // Still filed: a record without a gear.
  EXPECT_EQ(Get16(Bytes(*contact, TCnstr::kBlockRecord), 38), -1);
}

// A document with gears, an internal pair among them, reads back into the same gears and is
// written again byte for byte.
TEST_F(GearTest, ADocumentOfGearsReadsBackByteForByte) {
  const auto build = [this](TWorldDoc& world) {
    Add<TEngine>(world, 1);
    Add<TZeroMass>(world, 0);
    TGear& gear = WheelPair(world, 2.0, 1.0, 3.0);
    gear.SetShortProperty(kTagGearShowRod, 0);
    TOval& ring = AddWheel(world, 7, 4.0, 1.0, 0.0);
    TGear& internal = AddGear(world, 30, AddPoint(world, 8, ring, 0.0, 0.0),
                              *static_cast<TPoint*>(world.FindObject(6)));
    internal.SetShortProperty(kTagGearInternal, 1);
    internal.SelectChoice(kTagGearFirstInternal);
    internal.SetShortProperty(kTagGearRatioAuto, 0);
    TFormula ratio;
    ratio.SetFromPieces("4+0*time");
    internal.SetFormulaProperty(kTagGearRatio, ratio);
    internal.SetShortProperty(kTagGearRodAlways, 1);
  };
  auto read = SaveAndReopen(build);
  const std::vector<char> first = FileBytes(path);
  TWorldDoc& world = read->World();
  auto* gear = dynamic_cast<TGear*>(world.FindObject(20));
  auto* internal = dynamic_cast<TGear*>(world.FindObject(30));
  ASSERT_NE(gear, nullptr);
  ASSERT_NE(internal, nullptr);
  EXPECT_FALSE(gear->ShowsRod());
  EXPECT_TRUE(gear->IsRatioAutomatic());
  EXPECT_EQ(gear->Ratio().GetValue(), 2.0);
  ASSERT_NE(gear->GetContact(), nullptr);
  EXPECT_EQ(gear->GetContact()->GetOwner(), gear);
  ASSERT_NE(gear->GetSecondContactPoint(), nullptr);
  EXPECT_EQ(gear->GetFirstContactPoint()->GetAttachedPoint(), world.FindObject(4));
  EXPECT_EQ(gear->GetSecondContactPoint()->GetAttachedPoint(), world.FindObject(6));
  EXPECT_TRUE(internal->IsInternal());
  EXPECT_EQ(internal->GetInternalGearIndex(), 1);
  EXPECT_TRUE(internal->IsRodAlwaysActive());
  EXPECT_EQ(internal->RodQuantity().GetValue(), 1.0);
  EXPECT_EQ(TextOf(internal->Ratio()), "4+0*time");
  EXPECT_TRUE(internal->Activation().IsNonZeroConstant());
  read->WriteDocument(path.string());
  EXPECT_EQ(FileBytes(path), first);
}

// The update keeps the points at the centres; an internal pair that no longer meshes keeps its
// ratio, tells the user and refuses to be made inactive.
TEST_F(GearTest, UpdateCentresThePointsAndGuardsAnInternalPair) {
  struct RecordingHost : TWorldHost {
    std::vector<std::pair<int16_t, int32_t>> shown;
    void ShowError(int16_t error, int32_t message) override { shown.emplace_back(error, message); }
  } host;
  TQVDoc document;
  TWorldDoc& world = document.World();
  world.SetHost(&host);
  TGear& gear = WheelPair(world, 2.0, 1.0, 0.0);
  auto* point = static_cast<TPoint*>(world.FindObject(6));
  point->SetLocalPosition({0.5, 0.25, 0.0});
  gear.Update();
  EXPECT_NEAR(point->GetWorldXY().x, 0.0, 1e-12);
  EXPECT_NEAR(point->GetWorldXY().y, 0.0, 1e-12);
  EXPECT_EQ(gear.Ratio().GetValue(), 2.0);
  EXPECT_TRUE(host.shown.empty());

  gear.SetShortProperty(kTagGearRatioAuto, 0);
  gear.SetFormulaProperty(kTagGearRatio, TFormula(1.0005));
  gear.SetShortProperty(kTagGearInternal, 1);
  gear.Activate(0);
  // The second wheel moves away from the first.
  static_cast<TOval*>(world.FindObject(5))->SetFormulaProperty(kTagPosX, TFormula(1.0));
  EXPECT_EQ(ErrorOf([&] { gear.Deactivate(0); }), TGear::kErrGearRatio);
  EXPECT_TRUE(gear.IsActive());
  gear.Update();
  EXPECT_EQ(gear.Ratio().GetValue(), 1.0005);
  ASSERT_EQ(host.shown.size(), 1u);
  EXPECT_EQ(host.shown[0].second, 32578 << 16 | 53);
  world.SetHost(nullptr);
}

// A motor turns wheel 1 (r = 0.2 m) at one turn a second; it drives wheel 2 (r = 0.1 m), which
// drives a rack held level in a slot. Wheel 2 turns twice as fast the other way, and the rack
// moves by wheel 2's radius times its angle.
TEST_F(GearTest, AGearTrainWithARackKeepsItsRatios) {
  constexpr double r1 = 0.2, r2 = 0.1, kSpin = 2.0 * std::numbers::pi;
  auto document = SaveAndReopen([&](TWorldDoc& world) {
    Add<TEngine>(world, 1);
    TZeroMass& background = Add<TZeroMass>(world, 0);
    TGear& gear = WheelPair(world, r1, r2, r1 + r2);
    TPin& pin1 = Add<TPin>(world, 10);
    pin1.SetShortProperty(kTagAlwaysActive, 1);
    TPoint& ground1 = AddPoint(world, 11, background, 0.0, 0.0);
    pin1.AttachObject(&ground1);
    pin1.AttachObject(world.FindObject(4));
    TPin& pin2 = Add<TPin>(world, 12);
    pin2.SetShortProperty(kTagAlwaysActive, 1);
    pin2.AttachObject(&AddPoint(world, 13, background, r1 + r2, 0.0));
    pin2.AttachObject(world.FindObject(6));
    TRPiston& motor = Add<TRPiston>(world, 14);
    motor.SetShortProperty(kTagAlwaysActive, 1);
    motor.SetShortProperty(kTagLimitKind, static_cast<uint16_t>(-1));
    motor.SetShortProperty(kTagDriveKind, TPiston::kVelocity);
    motor.Quantity().SetConstant(kSpin);
    motor.AttachObject(&ground1);
    motor.AttachObject(world.FindObject(4));
    ASSERT_EQ(
        gear.GetFormulaProperty(kTagGearRatio, nullptr, nullptr, nullptr, nullptr)->GetValue(),
        2.0);
    // The rack: its centre 0.15 m below wheel 2, so that a ratio of 2 puts the contact on the
    // wheel's rim.
    TRectangle& rack = AddBar(world, 40, 1.0, 0.1, r1 + r2, -0.15);
    TPoint& rackPoint = AddPoint(world, 41, rack, 0.0, 0.0);
    TGear& rackGear =
        AddGearCompanionsFirst(world, 50, *static_cast<TPoint*>(world.FindObject(6)), rackPoint);
    rackGear.SetShortProperty(kTagGearRatioAuto, 0);
    rackGear.SetFormulaProperty(kTagGearRatio, TFormula(2.0));
    TCustomConstraint& slot = Add<TCustomConstraint>(world, 60);
    slot.SetShortProperty(kTagAlwaysActive, 1);
    slot.AttachObject(&AddPoint(world, 61, background, r1 + r2, -0.15));
    slot.AttachObject(&rackPoint);
    slot.ResizeGoals(2);
    slot.Goal(1).type = slot.Goal(2).type = 1;
    slot.Goal(1).component = 1;
    slot.Goal(2).component = 2;
  });
  TWorldDoc& world = document->World();
  auto* wheel1 = dynamic_cast<TOval*>(world.FindObject(3));
  auto* wheel2 = dynamic_cast<TOval*>(world.FindObject(5));
  auto* rack = dynamic_cast<TRectangle*>(world.FindObject(40));
  ASSERT_NE(wheel1, nullptr);
  ASSERT_NE(wheel2, nullptr);
  ASSERT_NE(rack, nullptr);
  constexpr int16_t kFrames = 15;
  world.RunToFrame(kFrames, nullptr);
  ASSERT_NE(world.GetStore(), nullptr);
  ASSERT_EQ(world.GetStore()->FrameCount(), kFrames + 1);
  const double step = world.GetEngine()->TimeStep();
  for (int16_t frame = 1; frame <= kFrames; ++frame) {
    world.ShowFrame(frame, 1);
    const double angle = kSpin * frame * step;
    EXPECT_NEAR(wheel1->GetRotationValue(), angle, 1e-9) << frame;
    EXPECT_NEAR(wheel2->GetRotationValue(), -angle * r1 / r2, 1e-9) << frame;
    EXPECT_NEAR(rack->PositionX()->GetValue(), r1 + r2 + wheel2->GetRotationValue() * r2, 1e-9)
        << frame;
    EXPECT_NEAR(rack->PositionY()->GetValue(), -0.15, 1e-9) << frame;
    // The speed ratios hold to the solver's accuracy.
    const auto speed = [](TMass& body, uint32_t tag) {
      return body.GetFormulaProperty(tag, nullptr, nullptr, nullptr, nullptr)->GetValue();
    };
    const double w1 = speed(*wheel1, kTagVelRot), w2 = speed(*wheel2, kTagVelRot);
    EXPECT_NEAR(w1, kSpin, 1e-12) << frame;
    EXPECT_NEAR(w2 / w1, -r1 / r2, 1e-12) << frame;
    EXPECT_NEAR(speed(*rack, kTagVelX) / (w2 * r2), 1.0, 1e-12) << frame;
  }
}

// A ring of radius 0.4 about the origin and a wheel of radius 0.1 inside it, both pinned, the
// wheel turned by a motor: the ring turns the same way at a quarter of the wheel's speed.
TEST_F(GearTest, ARingGearTurnsWithTheWheelInsideIt) {
  constexpr double kRing = 0.4, kWheel = 0.1, kSpin = 2.0 * std::numbers::pi;
  auto document = SaveAndReopen([&](TWorldDoc& world) {
    Add<TEngine>(world, 1);
    TZeroMass& background = Add<TZeroMass>(world, 0);
    TGear& gear = WheelPair(world, kRing, kWheel, kRing - kWheel);
    gear.SetShortProperty(kTagGearInternal, 1);
    gear.SelectChoice(kTagGearFirstInternal);
    for (int16_t end = 0; end < 2; ++end) {
      TPin& pin = Add<TPin>(world, static_cast<int16_t>(10 + 2 * end));
      pin.SetShortProperty(kTagAlwaysActive, 1);
      pin.AttachObject(&AddPoint(world, static_cast<int16_t>(11 + 2 * end), background,
                                 end == 0 ? 0.0 : kRing - kWheel, 0.0));
      pin.AttachObject(world.FindObject(end == 0 ? 4 : 6));
    }
    TRPiston& motor = Add<TRPiston>(world, 14);
    motor.SetShortProperty(kTagAlwaysActive, 1);
    motor.SetShortProperty(kTagLimitKind, static_cast<uint16_t>(-1));
    motor.SetShortProperty(kTagDriveKind, TPiston::kVelocity);
    motor.Quantity().SetConstant(kSpin);
    motor.AttachObject(world.FindObject(13));
    motor.AttachObject(world.FindObject(6));
  });
  TWorldDoc& world = document->World();
  auto* ring = dynamic_cast<TOval*>(world.FindObject(3));
  auto* wheel = dynamic_cast<TOval*>(world.FindObject(5));
  ASSERT_NE(ring, nullptr);
  ASSERT_NE(wheel, nullptr);
  constexpr int16_t kFrames = 10;
  world.RunToFrame(kFrames, nullptr);
  ASSERT_EQ(world.GetStore()->FrameCount(), kFrames + 1);
  for (int16_t frame = 1; frame <= kFrames; ++frame) {
    world.ShowFrame(frame, 1);
    const double w1 =
        ring->GetFormulaProperty(kTagVelRot, nullptr, nullptr, nullptr, nullptr)->GetValue();
    const double w2 =
        wheel->GetFormulaProperty(kTagVelRot, nullptr, nullptr, nullptr, nullptr)->GetValue();
    EXPECT_NEAR(w2, kSpin, 1e-12) << frame;
    EXPECT_NEAR(w1 / w2, kWheel / kRing, 1e-12) << frame;
  }
}

}  // namespace

namespace {

// A rod quantity and a ratio given as formulas go to the solver with every frame; showing a
// frame gives each its recorded value and leaves its text.
TEST_F(GearTest, FormulaQuantitiesOfAGearAreRecordedWithEveryFrame) {
  constexpr double kBig = 0.2, kSmall = 0.1, kSpin = 3.0;
  auto document = SaveAndReopen([&](TWorldDoc& world) {
    Add<TEngine>(world, 1);
    TZeroMass& background = Add<TZeroMass>(world, 0);
    TGear& gear = WheelPair(world, kBig, kSmall, kBig + kSmall);
    gear.SetShortProperty(kTagGearRatioAuto, 0);
    TFormula ratio;
    ratio.SetFromPieces("0.2/0.1");
    gear.SetFormulaProperty(kTagGearRatio, ratio);
    TFormula rod;
    rod.SetFromPieces("0 - time");  // never holds: the pins hold the centres
    gear.SetFormulaProperty(kTagGearRod, rod);
    for (int16_t end = 0; end < 2; ++end) {
      TPin& pin = Add<TPin>(world, static_cast<int16_t>(10 + 2 * end));
      pin.SetShortProperty(kTagAlwaysActive, 1);
      pin.AttachObject(&AddPoint(world, static_cast<int16_t>(11 + 2 * end), background,
                                 end == 0 ? 0.0 : kBig + kSmall, 0.0));
      pin.AttachObject(world.FindObject(end == 0 ? 4 : 6));
    }
    TRPiston& motor = Add<TRPiston>(world, 14);
    motor.SetShortProperty(kTagAlwaysActive, 1);
    motor.SetShortProperty(kTagLimitKind, static_cast<uint16_t>(-1));
    motor.SetShortProperty(kTagDriveKind, TPiston::kVelocity);
    motor.Quantity().SetConstant(kSpin);
    motor.AttachObject(world.FindObject(11));
    motor.AttachObject(world.FindObject(4));
  });
  TWorldDoc& world = document->World();
  auto* gear = dynamic_cast<TGear*>(world.FindObject(20));
  auto* big = dynamic_cast<TOval*>(world.FindObject(3));
  auto* small = dynamic_cast<TOval*>(world.FindObject(5));
  ASSERT_NE(gear, nullptr);
  ASSERT_NE(big, nullptr);
  ASSERT_NE(small, nullptr);
  ASSERT_TRUE(gear->Ratio().IsFormula());
  ASSERT_TRUE(gear->RodQuantity().IsFormula());
  EXPECT_EQ(gear->CountElements(), 2);

  constexpr int16_t kFrames = 8;
  world.RunToFrame(kFrames, nullptr);
  TFrameStore& store = *world.GetStore();
  ASSERT_EQ(store.FrameCount(), kFrames + 1);
  // Two wheels of 8 values, then the gear's rod and ratio.
  ASSERT_EQ(store.ValuesPerFrame(), 2 * 8 + 2);
  ASSERT_EQ(world.RecordedValueOffset(gear), 16);
  const double step = world.GetEngine()->TimeStep();
  ASSERT_GT(step, 0.0);
  for (int16_t frame = 0; frame <= kFrames; ++frame) {
    EXPECT_NEAR(store.Value(frame, 16), -frame * step, 1e-12) << frame;
    EXPECT_DOUBLE_EQ(store.Value(frame, 17), 2.0) << frame;
  }
  for (int16_t frame = 1; frame <= kFrames; ++frame) {
    world.ShowFrame(frame, 1);
    EXPECT_NEAR(gear->RodQuantity().GetValue(), -frame * step, 1e-12) << frame;
    EXPECT_DOUBLE_EQ(gear->Ratio().GetValue(), 2.0) << frame;
    // The pair turns as the recorded ratio says.
    const double w1 =
        big->GetFormulaProperty(kTagVelRot, nullptr, nullptr, nullptr, nullptr)->GetValue();
    const double w2 =
        small->GetFormulaProperty(kTagVelRot, nullptr, nullptr, nullptr, nullptr)->GetValue();
    EXPECT_NEAR(w1, kSpin, 1e-9) << frame;
    EXPECT_NEAR(w2 / w1, -gear->Ratio().GetValue(), 1e-9) << frame;
  }
  EXPECT_EQ(TextOf(gear->Ratio()), "0.2/0.1");
  EXPECT_EQ(TextOf(gear->RodQuantity()), "0 - time");
}

TEST_F(GearTest, ConstantQuantitiesOfAGearRecordNothing) {
  TQVDoc document;
  TGear& gear = WheelPair(document.World(), 0.2, 0.1, 0.3);
  EXPECT_EQ(gear.CountElements(), 0);
  TFormula rod;
  rod.SetFromPieces("time - 1");
  gear.SetFormulaProperty(kTagGearRod, rod);
  EXPECT_EQ(gear.CountElements(), 1);
}

}  // namespace
