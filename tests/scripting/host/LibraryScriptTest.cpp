// A library a script loads answers the names the scripts run after it lack, in the order the
// libraries were loaded, until it is unloaded.

#include <gtest/gtest.h>

#include <string>

#include "core/Failure.h"
#include "scripting/host/ScriptHost.h"
#include "tests/scripting/ScriptedProgram.h"

namespace {

using Libraries = ScriptedProgram;

TEST_F(Libraries, LoadedLibrariesAnswerLaterScriptsInTheOrderTheyWereLoaded) {
  const std::string first =
      WriteScript("first.ybs", "Function Twice(x)\n  Twice = 2 * x\nEnd Function\n");
  const std::string second = WriteScript(
      "second.ybs",
      "Function Twice(x)\n  Twice = 0\nEnd Function\nFunction Half(x)\n  Half = x / 2\nEnd Function\n");
  EXPECT_EQ(Run("YB.LoadYBBLibrary \"" + first + "\""), "");
  EXPECT_EQ(Run("Print Twice(21)"), "42\n");
  EXPECT_EQ(Run("YB.LoadYBBLibrary \"" + second + "\""), "");
  EXPECT_EQ(Run("Print Twice(21); \" \"; Half(9)"), "42 4.5\n");
  // Without the first, the second answers its name.
  EXPECT_EQ(Run("YB.UnloadYBBLibrary \"" + first + "\""), "");
  EXPECT_EQ(Run("Print Twice(21)"), "0\n");
  EXPECT_EQ(Run("YB.UnloadYBBLibrary \"" + second + "\""), "");
  // Now the name is undefined again: the script does not compile.
  application_.messages.clear();
  const std::string text = "Sub Main()\nPrint Half(2)\nEnd Sub\n";
  ScriptResult result;
  try {
    menu_->RunScriptText(result, text.c_str(), static_cast<int32_t>(text.size()));
    ADD_FAILURE() << "the script without its library compiled";
  } catch (const QVException& failure) {
    EXPECT_EQ(failure.error(), kErrScriptFailed);
  }
  std::string said;
  for (const std::string& message : application_.messages) said += message + "\n";
  EXPECT_NE(said.find("Half"), std::string::npos) << said;
}

}  // namespace
