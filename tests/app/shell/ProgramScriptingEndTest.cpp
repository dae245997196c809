// The program's scripting ends with the object that holds it: the Scripts menu, its engine and
// the application's script object go, and nothing is left answering as the script application.

#include <gtest/gtest.h>

#include <memory>

#include "app/shell/ApplicationHandler.h"
#include "app/shell/ProgramScripting.h"
#include "core/CommandNesting.h"
#include "core/Failure.h"
#include "scripting/host/Application.h"
#include "scripting/shell/ScriptsMenu.h"

namespace {

class TSilentFailures : public TFailureReporter {
 public:
  void ShowError(int16_t, int32_t) override {}
};

TEST(ProgramScriptingEnd, AStartedScriptingIsFreedWholeAndNoLongerTheScriptApplication) {
  TSilentFailures failures;
  TCommandNesting nesting(failures);
  TApplicationHandler application(nesting);
  {
    auto scripting = std::make_unique<TProgramScripting>();
    EXPECT_EQ(ScriptApplication(), scripting.get());
    scripting->AfterMainFrame(application, nullptr);
    ASSERT_NE(scripting->Menu(), nullptr);
    ASSERT_NE(scripting->GetScriptApplication(), nullptr);
    // Ended without BeforeExit: the destructor ends the menu, which releases the script object
    // it was handed, before anything else goes.
    application.InstallIdleHandler(scripting->Menu(), false);
    scripting.reset();
  }
  EXPECT_EQ(ScriptApplication(), nullptr);
}

TEST(ProgramScriptingEnd, AScriptObjectNeverHandedToAHostGoesWithTheScripting) {
  {
    TProgramScripting scripting;
    ASSERT_NE(scripting.GetScriptApplication(), nullptr);
  }
  // The object's memory is checked by the leak checker at exit.
  EXPECT_EQ(ScriptApplication(), nullptr);
}

}  // namespace
