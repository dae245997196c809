// The meters' memory switch set by a script: the menus are set up again when it changes (their
// items that erase the meters' values depend on it), and left alone when it is set to what it is.

#include <gtest/gtest.h>

#include <string>

#include "core/MenuSetup.h"
#include "model/world/QVDoc.h"
#include "tests/scripting/ScriptedProgram.h"

namespace {

class MeterMemoryMenus : public ScriptedProgram {
 protected:
  void SetUp() override {
    ScriptedProgram::SetUp();
    application_.NewDocument();
  }
  // Runs the statement with the menus freshly set up; answers whether they must be set up again.
  bool MenusRefreshedBy(const std::string& statement) {
    MarkMenusSetUp();
    Run("Dim d As YBDocument\nSet d = YB.ActiveDocument\n" + statement);
    return MenusNeedSetup();
  }
};

TEST_F(MeterMemoryMenus, ChangingTheSwitchRefreshesTheMenusAndSettingItAgainDoesNot) {
  TWorldDoc& world = application_.front->World();
  world.SetColumnList(0);
  EXPECT_TRUE(MenusRefreshedBy("d.RetainMeterValues = True"));
  EXPECT_NE(world.GetColumnList(), 0);
  EXPECT_FALSE(MenusRefreshedBy("d.RetainMeterValues = True"));
  EXPECT_TRUE(MenusRefreshedBy("d.RetainMeterValues = False"));
  EXPECT_EQ(world.GetColumnList(), 0);
}

}  // namespace
