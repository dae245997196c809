// A document's force fields and collisions as scripts change them: a world that lacks the field
// a setter names refuses the setting, and Collide goes through the world's Edit menu, which only
// a world with a collision group and a window answers.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "bodies/Shapes.h"
#include "constraints/CollisionGroup.h"
#include "constraints/Field.h"
#include "model/world/QVDoc.h"
#include "model/world/WorldDisplay.h"
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

// A window whose menu answers a command as the world's menu does for the numbers it leaves to
// the objects: the first object that takes the number makes the command.
class TObjectMenuDisplay : public TWorldDisplay {
 public:
  explicit TObjectMenuDisplay(TWorldDoc& world) : world_(world) {}
  bool GetShowGrid() const override { return false; }
  void SetShowGrid(bool) override {}
  void ZoomToExtents() override {}
  void UpdateView() override {}
  TWindowPlacement GetPlacement() const override { return {}; }
  void SetPlacement(const TWindowPlacement&) override {}
  void ApplyWindowSettings() override {}
  void SetShown(bool) override {}
  void FocusView() override {}
  MacPoint WorldToPixel(const TVector&) override { return {}; }
  MacRect ExtentInPort() const override { return {}; }
  void ScrollToOrigin(double, double) override {}
  TCommandCore* DoWorldMenuCommand(int16_t command) override {
    commands.push_back(command);
    for (TLink* object : world_.Objects()) {
      auto* handler = dynamic_cast<THandlerLink*>(object);
      if (handler == nullptr) continue;
      bool taken = false;
      std::unique_ptr<TCommandCore> made = handler->DoObjectMenuCommand(command, taken);
      if (taken) return made.release();
    }
    return nullptr;
  }

  std::vector<int16_t> commands;

 private:
  TWorldDoc& world_;
};

class FieldsAndCollisions : public ScriptedProgram {
 protected:
  void SetUp() override {
    ScriptedProgram::SetUp();
    application_.NewDocument();
  }
  void TearDown() override {
    World().SetDisplay(nullptr);
    ScriptedProgram::TearDown();
  }
  TWorldDoc& World() { return application_.front->World(); }
  std::string With(const std::string& body) {
    return Run("Dim d As YBDocument\nSet d = YB.ActiveDocument\nOn Error Resume Next\n" + body);
  }
  // The error number each statement raises, one a line.
  std::string ErrorsOf(const std::vector<std::string>& statements) {
    std::string body;
    for (const std::string& statement : statements)
      body += "Err.Clear\n" + statement + "\nPrint Err.Number\n";
    return With(body);
  }
};

// ---- Force fields ------------------------------------------------------------------------------

TEST_F(FieldsAndCollisions, EverySetterOfAFieldTheWorldLacksIsRefusedWhileGettersAnswerEmpty) {
  EXPECT_EQ(ErrorsOf({"d.Gravity = \"linear\"", "d.LinearGravityConst = 3",
                      "d.PlanetaryGravityConst = 3", "d.AirResistanceType = \"high\"",
                      "d.AirResistanceVCoeff = 3", "d.AirResistanceV2Coeff = 3",
                      "d.ForceFieldType = \"field\"", "d.ElectrostaticsOn = True",
                      "d.ElectrostaticConst = 3"}),
            "902\n902\n902\n902\n902\n902\n902\n902\n902\n");
  // A refused word is refused even when it names no choice: the field is what is missing.
  EXPECT_EQ(ErrorsOf({"d.Gravity = \"planet\""}), "902\n");
  EXPECT_EQ(With("Print \"[\"; d.Gravity; d.AirResistanceType; d.ForceFieldType; \"]\"; "
                 "d.LinearGravityConst; d.ElectrostaticConst; d.ForceFieldFX Is Nothing; "
                 "Err.Number"),
            "[]00True0\n");
}

TEST_F(FieldsAndCollisions, EachSetterLooksForItsOwnFieldOnly) {
  TGravCnstr& gravity = Add<TGravCnstr>(World(), 1);
  EXPECT_EQ(ErrorsOf({"d.Gravity = \"Linear\"", "d.LinearGravityConst = 4.5",
                      "d.AirResistanceType = \"standard\"", "d.ElectrostaticsOn = True"}),
            "0\n0\n902\n902\n");
  EXPECT_EQ(With("Print d.Gravity; \" \"; d.LinearGravityConst"), "linear 4.5\n");
  EXPECT_DOUBLE_EQ(gravity.GetLineGravity(), 4.5);
  // An unknown word on a field that is there stays no error and no change.
  EXPECT_EQ(ErrorsOf({"d.Gravity = \"sideways\""}), "0\n");
  EXPECT_EQ(With("Print d.Gravity"), "linear\n");
}

// ---- Collide -----------------------------------------------------------------------------------

class Collisions : public FieldsAndCollisions {
 protected:
  void SetUp() override {
    FieldsAndCollisions::SetUp();
    a_ = &Add<TOval>(World(), 1);
    b_ = &Add<TOval>(World(), 2);
    World().Select(a_);
    World().Select(b_);
  }
  TCollisionGroup& AddGroup() {
    TCollisionGroup& group = Add<TCollisionGroup>(World(), 3);
    group.SetMode(2, 1);
    return group;
  }

  TOval* a_ = nullptr;
  TOval* b_ = nullptr;
};

TEST_F(Collisions, TheMenusCommandsPutTheSelectedPairInAndOut) {
  TObjectMenuDisplay display(World());
  World().SetDisplay(&display);
  TCollisionGroup& group = AddGroup();
  EXPECT_EQ(ErrorsOf({"d.Collide"}), "0\n");
  EXPECT_EQ(group.Applies(a_, b_), 1);
  EXPECT_EQ(ErrorsOf({"d.Collide False"}), "0\n");
  EXPECT_EQ(group.Applies(a_, b_), 0);
  EXPECT_EQ(ErrorsOf({"d.Collide True"}), "0\n");
  EXPECT_EQ(group.Applies(a_, b_), 1);
  EXPECT_EQ(display.commands, (std::vector<int16_t>{1107, 1108, 1107}));
}

TEST_F(Collisions, AWorldThatMakesNoCommandFailsTheCall) {
  // No window to ask.
  AddGroup();
  EXPECT_EQ(ErrorsOf({"d.Collide", "d.Collide False"}), "900\n900\n");
}

TEST_F(Collisions, AWorldWithoutACollisionGroupFailsTheCall) {
  TObjectMenuDisplay display(World());
  World().SetDisplay(&display);
  EXPECT_EQ(ErrorsOf({"d.Collide"}), "900\n");
  EXPECT_EQ(display.commands, std::vector<int16_t>{1107});
}

}  // namespace
