// A document's simulation set by its script object over the program's own default world: the
// run settings, units, gravity and a pause control act on the run, are filed with the document
// and read back when it is opened again; new constraints are named by their kind words.

#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "app/TApp.h"
#include "constraints/CurvedSlot.h"
#include "constraints/Field.h"
#include "constraints/Gear.h"
#include "constraints/Slot.h"
#include "model/world/QVDoc.h"
#include "scripting/document/APIDocument.h"
#include "scripting/host/Application.h"
#include "scripting/objects/APIConstraint.h"
#include "simulation/Engine.h"
#include "tools/samples/SampleBuilder.h"

namespace {

class DocumentSimulationScript : public ::testing::Test {
 protected:
  void SetUp() override {
    app_.LoadResourceDlls();
    app_.InitUnits();
    root_ = new TAPIApplication(&log_, nullptr);
    SetLiveObjectRoot(root_);
    InstallDocumentScriptObjects();
    document_ = std::make_unique<TQVDoc>();
    object_ = Object(*document_);
  }
  void TearDown() override {
    reopened_.reset();
    document_.reset();
    delete root_;
    std::filesystem::remove(path_);
    app_.TermUnits();
    app_.FreeResourceDlls();
  }
  TAPIDocument* Object(TQVDoc& document) {
    return static_cast<TAPIDocument*>(document.GetAPIDocument(root_));
  }
  static std::string Word(APIResult (TAPIDocument::*get)(Str63*), TAPIDocument& object) {
    Str63 word;
    EXPECT_EQ((object.*get)(&word).code, 0);
    return word.Chars();
  }
  static std::string Unit(TAPIDocument& object, int16_t quantity) {
    Str63 word;
    EXPECT_EQ(object.GetUnit(quantity, &word).code, 0);
    return word.Chars();
  }
  static std::string Gravity(TAPIDocument& object) {
    Str255 word;
    EXPECT_EQ(object.GetFieldChoice(TFieldKind::kGravity, &word).code, 0);
    return word.Chars();
  }
  // Runs to the end; answers the frame the run stopped at.
  static int16_t RunToEnd(TAPIDocument& object) {
    int16_t failed = -1;
    EXPECT_EQ(object.Run(false, 0, &failed).code, 0);
    EXPECT_EQ(failed, 0);
    int16_t frame = 0;
    object.GetCurrentFrame(&frame);
    return frame;
  }

  TApp app_;
  TAPICallLog log_;
  TAPIApplication* root_ = nullptr;
  std::unique_ptr<TQVDoc> document_;
  std::unique_ptr<TQVDoc> reopened_;
  TAPIDocument* object_ = nullptr;
  std::filesystem::path path_ = std::filesystem::temp_directory_path() /
                                ("yb-simulation-script-" + std::to_string(::getpid()) + ".yb");
};

TEST_F(DocumentSimulationScript, SettingsActOnTheRunAndComeBackWithTheDocument) {
  TAPIDispatcher* body = nullptr;
  ASSERT_EQ(object_->NewBody(Str31("circle"), &body).code, 0);
  // A gravity field that is off until the script chooses its kind.
  TGravCnstr& gravity = sample_worlds::AddGravity(document_->World(), 900, 901, 9.81);
  gravity.SelectChoice(kTagGravNone);
  ASSERT_EQ(Gravity(*object_), "none");
  ASSERT_EQ(object_->SetSimulationMode(Str63("accurate")).code, 0);
  object_->SetUnit(1, Str63("centimeters"));
  object_->SetUnit(3, Str63("milliseconds"));
  object_->SetFieldChoice(TFieldKind::kGravity, Str63("linear"));
  object_->NewPauseControl();
  object_->SetPauseControlType(1, Str31("stop"));
  ASSERT_EQ(Gravity(*object_), "linear");
  int32_t count = 0;
  object_->GetPauseControlCount(&count);
  ASSERT_EQ(count, 1);

  // The run stops at the first frame whose time passes 1 s.
  const int16_t stopped = RunToEnd(*object_);
  const double step = document_->World().GetEngine()->TimeStep();
  EXPECT_GT(stopped * step, 1.0);
  EXPECT_LE((stopped - 1) * step, 1.0);
  double animationStep = 0.0;
  object_->GetRunNumber(MakeTag("dt_/"), 0x100000, &animationStep);
  EXPECT_NEAR(animationStep, step * 1000.0, 1e-9);  // read in milliseconds

  ASSERT_EQ(object_->SaveAs(Str255(path_.c_str()), 0).code, 0);
  reopened_ = std::make_unique<TQVDoc>();
  reopened_->ReadDocument(path_.string());
  TAPIDocument& again = *Object(*reopened_);
  EXPECT_EQ(Word(&TAPIDocument::GetSimulationMode, again), "accurate");
  EXPECT_EQ(Word(&TAPIDocument::GetIntegrator, again), "kutta_merson");
  EXPECT_EQ(Unit(again, 1), "centimeters");
  EXPECT_EQ(Unit(again, 3), "milliseconds");
  EXPECT_EQ(Word(&TAPIDocument::GetUnitSystem, again), "custom");
  EXPECT_EQ(Gravity(again), "linear");
  again.GetPauseControlCount(&count);
  EXPECT_EQ(count, 1);
  Str63 type;
  again.GetPauseControlType(1, &type);
  EXPECT_EQ(std::string(type.Chars()), "stop");
  EXPECT_EQ(RunToEnd(again), stopped);
}

TEST_F(DocumentSimulationScript, ConstraintKindWordsMustMatchWhole) {
  TAPIDispatcher* made = nullptr;
  for (const char* word :
       {"spring ", "springs", "spr", "rotary", "springspringspringspringspringspring"}) {
    const APIResult result = object_->NewConstraint(Str31(word), &made);
    EXPECT_EQ(result.code, kAPIBadParameter) << word;
    EXPECT_EQ(result.subcode, kAPIUnknownWord) << word;
    EXPECT_EQ(made, nullptr);
  }
}

}  // namespace

namespace {

TEST_F(DocumentSimulationScript, EachKindWordMakesItsConstraintWithItsPoints) {
  struct Kind {
    const char* word;
    const char* type;
    int32_t points;
    // A gear's contact constraint and contact points.
    int32_t companions = 0;
  };
  const Kind kinds[] = {{"pin", "pin", 2},
                        {"SquarePin", "squarepin", 2},
                        {"spring", "spring", 2},
                        {"RSpring", "rotationalspring", 2},
                        {"rotationalspring", "rotationalspring", 2},
                        {"ROTSPRING", "rotationalspring", 2},
                        {"damper", "damper", 2},
                        {"rdamper", "rotationaldamper", 2},
                        {"rotdamper", "rotationaldamper", 2},
                        {"rotationaldamper", "rotationaldamper", 2},
                        {"springdamper", "springdamper", 2},
                        {"rod", "rod", 2},
                        {"rope", "rope", 2},
                        {"sep", "separator", 2},
                        {"separator", "separator", 2},
                        {"force", "force", 2},
                        {"torque", "torque", 2},
                        {"actuator", "actuator", 2},
                        {"motor", "motor", 2},
                        {"pulley", "pulley", 3},
                        {"gear", "gear", 2, 3}};
  for (const Kind& kind : kinds) {
    document_->SetChangeCount(0);
    const size_t before = document_->World().Objects().size();
    TAPIDispatcher* made = nullptr;
    ASSERT_EQ(object_->NewConstraint(Str31(kind.word), &made).code, 0) << kind.word;
    ASSERT_NE(made, nullptr) << kind.word;
    Str63 type;
    static_cast<TAPIConstraint*>(made)->GetTypeName(type);
    EXPECT_EQ(std::string(type.Chars()), kind.type) << kind.word;
    auto* constraint = static_cast<TCnstr*>(made->target());
    EXPECT_EQ(constraint->AttachedCount(), kind.points) << kind.word;
    EXPECT_EQ(document_->World().Objects().size(), before + 1 + kind.points + kind.companions)
        << kind.word;
    if (auto* gear = dynamic_cast<TGear*>(constraint)) {
      EXPECT_NE(gear->GetContact(), nullptr);
      ASSERT_NE(gear->GetSecondContactPoint(), nullptr);
      EXPECT_EQ(gear->GetSecondContactPoint()->GetAttachedPoint(), gear->Attached()[1]);
    }
    EXPECT_EQ(document_->GetChangeCount(), 1) << kind.word;
  }
}

TEST_F(DocumentSimulationScript, ANewCurvedSlotRunsThroughThreePointsOnTheDiagonal) {
  TAPIDispatcher* made = nullptr;
  ASSERT_EQ(object_->NewConstraint(Str31("CurvedSlot"), &made).code, 0);
  ASSERT_NE(made, nullptr);
  auto* slot = dynamic_cast<TCurvedSlot*>(static_cast<TLink*>(made->target()));
  ASSERT_NE(slot, nullptr);
  const double s = TAPIDocument::DefaultObjectSize(document_->World());
  ASSERT_EQ(slot->ControlPointCount(), 3);
  for (int32_t i = 1; i <= 3; ++i) {
    EXPECT_NEAR(slot->ControlPoint(i).x, (i - 1) * s, 1e-12) << i;
    EXPECT_NEAR(slot->ControlPoint(i).y, (i - 1) * s, 1e-12) << i;
  }
}

TEST_F(DocumentSimulationScript, SlotWordsMakeHorizontalOrVerticalSlotsKeyedOrNot) {
  const struct {
    const char* word;
    bool keyed;
    double angle;
  } slots[] = {{"slot", false, 0.0},
               {"hslot", false, 0.0},
               {"horizontalslot", false, 0.0},
               {"vslot", false, M_PI / 2},
               {"verticalslot", false, M_PI / 2},
               {"keyedslot", true, 0.0},
               {"keyedhslot", true, 0.0},
               {"KeyedVSlot", true, M_PI / 2}};
  for (const auto& slot : slots) {
    TAPIDispatcher* made = nullptr;
    ASSERT_EQ(object_->NewConstraint(Str31(slot.word), &made).code, 0) << slot.word;
    auto* made_slot = dynamic_cast<TSlot*>(static_cast<TLink*>(made->target()));
    ASSERT_NE(made_slot, nullptr) << slot.word;
    EXPECT_EQ(made_slot->IsLocked() != 0, slot.keyed) << slot.word;
    EXPECT_NEAR(made_slot->SlotAngle(), slot.angle, 1e-12) << slot.word;
  }
}

}  // namespace
