// The engine host: libraries registered in order, compiling once, runs of Main, breaks on the
// virtual clock, script libraries loaded once and unloaded cleanly.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "basic/Engine.h"
#include "core/Failure.h"
#include "core/TickCount.h"
#include "platform/win32/Clock.h"
#include "platform/win32/Input.h"
#include "tests/scripting/ScriptedProgram.h"

namespace {

int16_t ErrorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const QVException& failure) {
    return failure.error();
  }
  return 1;  // no failure
}

std::unique_ptr<TScriptText> ScriptOf(const std::string& text) {
  auto script = std::make_unique<TScriptText>();
  script->Reset();
  script->SetText(text.c_str());
  return script;
}

using ScriptHost = ScriptedProgram;

TEST_F(ScriptHost, LibrariesThatExistAreRegisteredInOrder) {
  const ScriptEngine* engine = menu_->Host()->GetEngine();
  const std::vector<std::string> registered = {"de22ybapp", "de22ybdoc", "de22yblnk", "de22ybbdy",
                                               "de22ybpnt", "de22ybcns", "de22ybinp", "de22ybout",
                                               "de22ybcel"};
  ASSERT_EQ(engine->libraries.size(), registered.size());
  for (size_t i = 0; i < registered.size(); ++i)
    EXPECT_EQ(engine->libraries[i].key, registered[i]);
  EXPECT_EQ(CurrentScriptEngine(), engine);
}

TEST_F(ScriptHost, ScriptWithoutMainIsNotRun) {
  auto script = ScriptOf("Sub Other()\n  Print \"ran\"\nEnd Sub\n");
  ::testing::internal::CaptureStdout();
  EXPECT_EQ(menu_->Host()->CompileAndRun(script.get()), -1);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
}

TEST_F(ScriptHost, CodeAlreadyHeldIsNotCompiledAgainAndNoModuleStaysAfterARun) {
  auto script = ScriptOf("Sub Main()\n  Print \"compiled\"\nEnd Sub\n");
  TScriptHost& host = *menu_->Host();
  host.Compile(script.get());
  ScriptCode* code = script->LibraryCode();
  script->SetText("this is not BASIC");
  script->SetCode(code, kScriptCodeVersion, false);
  ::testing::internal::CaptureStdout();
  EXPECT_EQ(host.CompileAndRun(script.get()), 0);
  EXPECT_EQ(host.RunMain(script.get()), 0);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "compiled\ncompiled\n");
  EXPECT_EQ(script->Module(), nullptr);
}

TEST_F(ScriptHost, ScriptThatDoesNotCompileKeepsNoCode) {
  auto script = ScriptOf("Sub Main()\n  Print (\nEnd Sub\n");
  EXPECT_EQ(ErrorOf([&] { menu_->Host()->CompileAndRun(script.get()); }), kErrScriptFailed);
  EXPECT_EQ(script->GetCode(kScriptCodeVersion), nullptr);
  ASSERT_EQ(application_.messages.size(), 1u);
  EXPECT_EQ(application_.messages[0].substr(0, 2), "3:");
}

TEST_F(ScriptHost, RunEndingInAnErrorRaisesAfterTheRun) {
  auto script = ScriptOf("Sub Main()\n  Print \"before\"\n  Err.Raise 11\nEnd Sub\n");
  ::testing::internal::CaptureStdout();
  EXPECT_EQ(ErrorOf([&] { menu_->Host()->CompileAndRun(script.get()); }), kErrScriptFailed);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "before\n");
  EXPECT_EQ(script->Module(), nullptr);
}

TEST_F(ScriptHost, LibraryLoadedTwiceIsKeptOnceAndUnloadingWhatIsNotLoadedChangesNothing) {
  const Str255 path(WriteScript("tools.ybs", "Function Twice(x As Integer) As Integer\n"
                                             "  Twice = 2 * x\nEnd Function\n").c_str());
  ScriptResult result;
  menu_->LoadLibraryScript(result, path);
  EXPECT_EQ(result, (ScriptResult{0, 0}));
  menu_->LoadLibraryScript(result, path);
  EXPECT_EQ(result, (ScriptResult{0, 0}));
  ASSERT_EQ(menu_->Host()->Scripts().size(), 1u);
  EXPECT_NE(menu_->Host()->Scripts()[0]->Module(), nullptr);
  menu_->UnloadLibraryScript(result, Str255(WriteScript("other.ybs", "").c_str()));
  EXPECT_EQ(result, (ScriptResult{8, 5}));
  EXPECT_EQ(menu_->Host()->Scripts().size(), 1u);
  menu_->UnloadLibraryScript(result, path);
  EXPECT_EQ(result, (ScriptResult{0, 0}));
  EXPECT_TRUE(menu_->Host()->Scripts().empty());
}

class BreakChecks : public ScriptedProgram {
 protected:
  void SetUp() override {
    ScriptedProgram::SetUp();
    UseVirtualClock(1000);
  }
  void TearDown() override {
    InjectKey(0x11, false);
    InjectKey(0x43, false);
    UseProcessClock();
    ScriptedProgram::TearDown();
  }
  // A run context of an empty Main, to hand to the yield callback.
  ScriptRunContext* Context() {
    script_ = ScriptOf("Sub Main()\nEnd Sub\n");
    menu_->Host()->Compile(script_.get());
    uint16_t error = 0;
    module_ = ScriptLoadModule(menu_->Host()->GetEngine(), script_->LibraryCode(), &error);
    uint32_t contextError = 0;
    return ScriptNewRunContext(module_, ScriptEntrySpec{}, 4, &contextError);
  }
  void AdvanceTicks(int ticks) {
    const int32_t target = GetTickCount60() + ticks;
    while (GetTickCount60() < target) AdvanceVirtualClock(1);
  }
  std::unique_ptr<TScriptText> script_;
  ScriptModule* module_ = nullptr;
};

TEST_F(BreakChecks, FirstCheckComesTwentyTicksAfterTheStartThenEveryTen) {
  ScriptRunContext* context = Context();
  TScriptHost::StartBreakChecks();
  InjectKey(0x11, true);
  InjectKey(0x43, true);
  AdvanceTicks(19);
  TScriptHost::Yield(context);
  EXPECT_FALSE(context->stopRequested);
  AdvanceTicks(1);
  TScriptHost::Yield(context);
  EXPECT_TRUE(context->stopRequested);
  // A check without the keys: the next one comes 10 ticks later.
  context->stopRequested = false;
  InjectKey(0x43, false);
  AdvanceTicks(10);
  TScriptHost::Yield(context);
  InjectKey(0x43, true);
  AdvanceTicks(9);
  TScriptHost::Yield(context);
  EXPECT_FALSE(context->stopRequested);
  AdvanceTicks(1);
  TScriptHost::Yield(context);
  EXPECT_TRUE(context->stopRequested);
  ScriptFreeRunContext(context);
  ScriptUnloadModule(module_);
}

// On the process clock: the run goes on until its first check finds the break asked for.
TEST_F(ScriptHost, BreakKeysOrTheQuitFlagStopAScriptThatWouldRunForever) {
  auto forever = ScriptOf("Sub Main()\n  Dim n As Long\n  Do\n    n = n + 1\n  Loop\nEnd Sub\n");
  application_.quit = true;
  EXPECT_EQ(menu_->Host()->CompileAndRun(forever.get()), 1) << "broken off";
  application_.quit = false;
  InjectKey(0x11, true);
  InjectKey(0x43, true);
  EXPECT_EQ(menu_->Host()->RunMain(forever.get()), 1);
  InjectKey(0x11, false);
  InjectKey(0x43, false);
  auto ends = ScriptOf("Sub Main()\n  End\nEnd Sub\n");
  EXPECT_EQ(menu_->Host()->CompileAndRun(ends.get()), 0) << "a script's own End is no break";
}

}  // namespace
