// How scripts set a world's simulation: the run settings on its engine, the view's scale, pause
// controls and force fields, each read back through the script and through the world.

#include <gtest/gtest.h>

#include "constraints/Field.h"
#include "model/world/QVDoc.h"
#include "scripting/document/APIDocument.h"
#include "scripting/objects/APICell.h"
#include "simulation/Engine.h"
#include "simulation/StopWhen.h"
#include "simulation/UnitHandler.h"
#include "tests/scripting/ScriptedProgram.h"

namespace {

template <class T>
T& Add(TWorldDoc& world, int16_t identifier) {
  auto object = std::make_unique<T>();
  object->Initialize();
  object->SetIdentifier(identifier);
  T& added = *object;
  world.AdoptObject(std::move(object));
  return added;
}

// A document whose world has an engine, a unit handler, a pause-control holder and one object
// of each field.
class SimulationSettings : public ScriptedProgram {
 protected:
  void SetUp() override {
    ScriptedProgram::SetUp();
    application_.NewDocument();
    TWorldDoc& world = application_.front->World();
    engine_ = &Add<TEngine>(world, 1);
    units_ = &Add<TWorldUnitHandler>(world, 2);
    pauses_ = &Add<TStopWhen>(world, 3);
    gravity_ = &Add<TGravCnstr>(world, 4);
    air_ = &Add<TAirCnstr>(world, 5);
    custom_ = &Add<TCustomCnstr>(world, 6);
    electric_ = &Add<TElectCnstr>(world, 7);
  }
  // Runs the body with d, the front document.
  std::string With(const std::string& body) {
    return Run("Dim d As YBDocument\nSet d = YB.ActiveDocument\nOn Error Resume Next\n" + body);
  }

  TEngine* engine_ = nullptr;
  TWorldUnitHandler* units_ = nullptr;
  TStopWhen* pauses_ = nullptr;
  TGravCnstr* gravity_ = nullptr;
  TAirCnstr* air_ = nullptr;
  TCustomCnstr* custom_ = nullptr;
  TElectCnstr* electric_ = nullptr;
};

TEST_F(SimulationSettings, IntegratorAndModeWordsAreLoweredAndUnknownOnesChangeNothing) {
  EXPECT_EQ(With("d.Integrator = \"Euler\"\nPrint d.Integrator; \" \"; d.VariableIntegrationStep\n"
                 "d.Integrator = \"runge_kutta_4\"\nPrint d.Integrator\n"
                 "d.Integrator = \"KUTTA_MERSON\"\nPrint d.Integrator\n"
                 "d.SimulationMode = \"Custom\"\nPrint d.SimulationMode\n"
                 "d.SimulationMode = \"quick\"\nPrint d.SimulationMode; \" \"; Err.Number"),
            "euler False\neuler\nkutta_merson\ncustom\ncustom 0\n");
}

TEST_F(SimulationSettings, FastAndAccurateResetTheSettingsThatDependOnThem) {
  const std::string readAll =
      "Print d.Integrator; d.VariableIntegrationStep; d.AutoAnimationStep; "
      "d.AutoIntegratorError; d.AutoOverlapError; d.AutoAssemblyError; d.AutoSignificantDigits; "
      "d.WarnInaccurate; d.WarnOverlap; d.WarnInconsistent; d.WarnRedundant\n";
  EXPECT_EQ(With("d.SimulationMode = \"fast\"\n" + readAll + "d.SimulationMode = \"accurate\"\n" +
                 readAll + "Print d.SimulationMode"),
            "eulerFalseTrueTrueTrueTrueTrueTrueTrueFalseFalse\n"
            "kutta_mersonTrueTrueTrueTrueTrueTrueFalseTrueTrueFalse\naccurate\n");
}

TEST_F(SimulationSettings, SwitchesWarningsAndIntegersReachTheEngine) {
  EXPECT_EQ(With("d.SimulationMode = \"accurate\"\nd.AutoOverlapError = False\n"
                 "Print d.AutoOverlapError; \" \"; d.SimulationMode\n"
                 "d.WarnRedundant = True\nPrint d.WarnRedundant\n"
                 "d.SignificantDigits = 17\nd.SignificantDigits = 0\nd.SignificantDigits = 18\n"
                 "Print d.SignificantDigits\nd.StepsPerFrame = 0\nPrint d.StepsPerFrame"),
            "False custom\nTrue\n17\n1\n");
  EXPECT_FALSE(engine_->Settings().autoOverlapError);
  EXPECT_EQ(engine_->Settings().significantDigits, 17);
}

TEST_F(SimulationSettings, NumbersCrossInTheDocumentsUnitsAndNonPositiveOnesAreRefused) {
  engine_->SelectChoice(MakeTag("dtM/"));
  engine_->SetNumberProperty(MakeTag("dt_/"), 0.02);
  EXPECT_EQ(With("Print d.AnimationStep\nd.TimeUnit = \"milliseconds\"\nPrint d.AnimationStep\n"
                 "d.AnimationStep = 50\nd.AnimationStep = 0\nd.AnimationStep = -5\n"
                 "Print d.AnimationStep\nd.DistanceUnit = \"centimeters\"\n"
                 "d.SimulationMode = \"custom\"\nd.AutoAssemblyError = False\n"
                 "d.AssemblyError = 0.5\nPrint d.AssemblyError"),
            "0.02\n20\n50\n0.5\n");
  EXPECT_DOUBLE_EQ(engine_->Settings().animationStep, 0.05);
  double assembly = 0.0;
  engine_->GetNumberProperty(MakeTag("asfx"), assembly, nullptr);
  EXPECT_DOUBLE_EQ(assembly, 0.005);
}

TEST_F(SimulationSettings, ScaleFactorAndViewWidthIgnoreZeroAndBelow) {
  EXPECT_EQ(With("d.ScaleFactor = 2\nd.ScaleFactor = 0\nd.ScaleFactor = -1\nPrint d.ScaleFactor"),
            "2\n");
}

TEST_F(SimulationSettings, WorldWithoutEngineHandlerOrFieldsAnswersTheStartValues) {
  application_.NewDocument();
  EXPECT_EQ(With("d.Integrator = \"euler\"\nd.Gravity = \"linear\"\nd.DistanceUnit = \"feet\"\n"
                 "Print \"[\"; d.Integrator; d.SimulationMode; d.Gravity; d.UnitSystem; "
                 "d.DistanceUnit; d.DecimalFormat; \"]\"\n"
                 "Print d.VariableIntegrationStep; d.WarnRedundant; d.ElectrostaticsOn; "
                 "d.AnimationStep; d.SignificantDigits; d.PauseControlCount; d.DecimalDigits\n"
                 "Print d.ForceFieldFX Is Nothing; d.PauseControl(1) Is Nothing; Err.Number"),
            // The gravity setting is refused: this world has no gravity field to set.
            "[]\nTrueTrueFalse0000\nTrueTrue902\n");
}

TEST_F(SimulationSettings, SixPauseControlsAreCountedButOnlyFiveAddressed) {
  EXPECT_EQ(
      With("For i = 1 To 6\nd.NewPauseControl\nNext\n"
           "Print d.PauseControlCount; d.PauseControl(5).Formula; \" \"; "
           "d.PauseControl(6) Is Nothing\n"
           "Print d.GetPauseControlType(5); \" \"; d.GetPauseControlType(6); \"[\"; "
           "d.GetPauseControlType(7); d.GetPauseControlType(0); \"]\"\n"
           "d.SetPauseControlType 6, \"stop\"\nd.DeletePauseControl 6\nPrint d.PauseControlCount"),
      "6time > 1.0 True\npause undefined[]\n6\n");
  EXPECT_EQ(pauses_->GetCondition(6)->action, kPauseActionPause);
}

TEST_F(SimulationSettings, PauseTypesAreExactWordsAndDeletingMovesTheRestDown) {
  EXPECT_EQ(
      With("d.NewPauseControl\nd.NewPauseControl\nDim t As String\nt = \"Stop\"\n"
           "d.SetPauseControlType 1, t\nPrint d.GetPauseControlType(1)\n"
           "t = \"stop\"\nd.SetPauseControlType 2, t\nd.PauseControl(2).Formula = \"time > 2\"\n"
           "t = \"rrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrrr\"\nd.SetPauseControlType 1, t\nPrint "
           "Len(t)\n"
           "d.DeletePauseControl 1\n"
           "Print d.PauseControlCount; d.GetPauseControlType(1); \" \"; d.PauseControl(1).Formula"),
      "pause\n31\n1stop time > 2\n");
}

TEST_F(SimulationSettings, FieldWordsSelectTheirKindsAndOthersChangeNothing) {
  EXPECT_EQ(
      With("d.Gravity = \"PLANETARY\"\nPrint d.Gravity\nd.Gravity = \"planet\"\n"
           "d.Gravity = \" linear\"\nPrint d.Gravity\n"
           "d.AirResistanceType = \"none\"\nPrint d.AirResistanceType\n"
           "d.AirResistanceType = \"High\"\nPrint d.AirResistanceType\n"
           "d.ForceFieldType = \"pairwise\"\nd.ForceFieldType = \"none\"\nPrint d.ForceFieldType\n"
           "d.ElectrostaticsOn = True\nPrint d.ElectrostaticsOn\n"
           "d.ElectrostaticsOn = False\nPrint d.ElectrostaticsOn; Err.Number"),
      "planetary\nplanetary\nnone\nhigh\npairwise\nTrue\nFalse0\n");
  EXPECT_EQ(gravity_->GetKind(), TGravCnstr::kPlanetary);
}

TEST_F(SimulationSettings, FieldConstantsCrossInTheDocumentsUnits) {
  gravity_->SetNumberProperty(kTagLineGravity, 9.81);
  EXPECT_EQ(
      With("d.DistanceUnit = \"centimeters\"\nPrint d.LinearGravityConst\n"
           "d.LinearGravityConst = 100\nd.AirResistanceVCoeff = 3\nPrint d.AirResistanceVCoeff"),
      "981\n3\n");
  EXPECT_DOUBLE_EQ(gravity_->GetLineGravity(), 1.0);
  double drag = 0.0;
  air_->GetNumberProperty(kTagAirLinearCoefficient, drag, nullptr);
  EXPECT_DOUBLE_EQ(drag, 300.0);  // kg/(cm s) shown: 3 of them are 300 kg/(m s)
}

TEST_F(SimulationSettings, CustomFieldCellsAreBoundToTheirFormulas) {
  EXPECT_EQ(With("d.ForceFieldFX.Formula = \"2*3\"\nPrint d.ForceFieldFX.Formula; \" \"; "
                 "d.ForceFieldT Is d.ForceFieldT"),
            "2*3 True\n");
  auto* custom = static_cast<TAPIDispatcher*>(custom_->KeptAPIObject());
  ASSERT_NE(custom, nullptr);
  TFormula* torque =
      custom_->GetFormulaProperty(kTagCustomTorque, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(torque, nullptr);
  auto* cell = static_cast<TAPICell*>(torque->GetAPICell(custom));
  ASSERT_NE(cell, nullptr);
  EXPECT_EQ(cell->Dimension(), kUnitFieldTorque);
}

TEST_F(SimulationSettings, AGoneDocumentRefusesCellsAsPropertiesAndTheRestAsGone) {
  TAPIDocument gone(&callLog_, nullptr, yb_);
  TAPIDispatcher* cell = nullptr;
  EXPECT_EQ(gone.GetForceFieldCell(kTagCustomForceX, &cell).code, kAPICannotGet);
  EXPECT_EQ(cell, nullptr);
  Str255 word;
  EXPECT_EQ(gone.GetFieldChoice(TFieldKind::kGravity, &word).code, kAPINoTarget);
  int32_t count = 7;
  EXPECT_EQ(gone.GetPauseControlCount(&count).code, kAPINoTarget);
  EXPECT_EQ(count, 0);
}

}  // namespace
