// The yield callback: called while a script runs, it can stop a script that would run for ever;
// and scripts started from inside a running script are limited in depth.

#include <gtest/gtest.h>

#include <string>

#include "basic/ScriptApi.h"

namespace {

int g_yields = 0;
int g_stopAfter = 0;
void* g_user = nullptr;

void StopAfterSomeYields(ScriptRunContext* handle) {
  g_user = reinterpret_cast<void*>(ScriptControl(handle, kScriptGetUser, 0, nullptr));
  if (++g_yields >= g_stopAfter) ScriptControl(handle, kScriptStop, 1, nullptr);
}

struct Loaded {
  ScriptModule* module = nullptr;
  ScriptRunContext* context = nullptr;
};

Loaded Load(ScriptEngine* engine, const char* text) {
  ScriptCompileRequest request;
  request.text = text;
  request.engine = engine;
  EXPECT_EQ(ScriptCompile(&request), kScriptCompiled) << request.errorMessage;
  Loaded loaded;
  uint16_t error = 0;
  loaded.module = ScriptLoadModule(engine, request.code, &error);
  ScriptFreeCode(request.code);  // a loaded module keeps what it needs
  uint32_t contextError = 0;
  loaded.context = ScriptNewRunContext(loaded.module, ScriptEntrySpec{}, 4, &contextError);
  return loaded;
}

void Free(const Loaded& loaded) {
  ScriptFreeRunContext(loaded.context);
  ScriptUnloadModule(loaded.module);
}

TEST(RunControl, EndlessLoopsAreStoppedThroughTheYieldCallback) {
  const char* loops[] = {
      "Sub Main()\n  Do\n  Loop\nEnd Sub\n",
      "Sub Main()\n  Dim i As Integer\n  For i = 1 To 2 Step 0\n  Next\nEnd Sub\n",
      "Sub Main()\n  While True: Wend\nEnd Sub\n",
      "Sub Main()\nAgain:\n  GoTo Again\nEnd Sub\n",
      "Sub Main()\n  On Error Resume Next\n  Do\n    x = 1 / 0\n  Loop\nEnd Sub\n",
      "Sub Main()\n  On Error GoTo Again\n  x = 1 / 0\n  Exit Sub\nAgain:\n  Resume\nEnd Sub\n",
      "Sub R(n As Long)\n  If n > 100 Then Exit Sub\n  R n + 1\n  R n + 1\nEnd Sub\nSub Main()\n  Do: R 1: Loop\nEnd Sub\n",
  };
  uint16_t status = 0;
  ScriptEngine* engine = ScriptNewEngine(3, 0, &status, nullptr, nullptr);
  ScriptControl(engine, kScriptSetYield, 0, reinterpret_cast<void*>(&StopAfterSomeYields));
  int user = 0;
  for (const char* text : loops) {
    SCOPED_TRACE(text);
    g_yields = 0;
    g_stopAfter = 50;
    const Loaded loaded = Load(engine, text);
    ScriptControl(loaded.context, kScriptSetUser, 0, &user);
    EXPECT_EQ(ScriptRun(loaded.context), 0);
    EXPECT_EQ(g_yields, 50);
    EXPECT_EQ(g_user, &user);
    EXPECT_NE(ScriptControl(loaded.context, kScriptRunStopped, 0, nullptr), 0);
    EXPECT_EQ(ScriptControl(loaded.context, kScriptRunFailed, 0, nullptr), 0);
    Free(loaded);
  }
  ScriptEndEngine(engine);
}

// A member call may run long inside the program, so member calls reach the yield callback far
// sooner than plain loop turns do: at least once every 16 calls.
TEST(RunControl, MemberCallsReachTheYieldCallbackOften) {
  static int yields = 0;
  static int calls = 0;
  uint16_t status = 0;
  ScriptEngine* engine = ScriptNewEngine(3, 0, &status, nullptr, nullptr);
  ScriptControl(engine, kScriptSetYield, 0, reinterpret_cast<void*>(+[](ScriptRunContext*) { ++yields; }));
  ScriptBuilder* b = ScriptBeginDescription();
  ScriptDefineClass(b, "Clock", kScriptNoId, nullptr);
  ScriptDefineSub(b, 0, "Tick", 1, 0, 0, {});
  static int clock;
  ScriptDefineGlobal(b, "Timepiece", kScriptObject, "Clock", &clock);
  ScriptDescription* description = nullptr;
  ScriptFinishDescription(b, &description, nullptr);
  ScriptRegisterLibrary(engine, "Clocks", description, +[](ScriptRunContext*, uint32_t, int32_t, ScriptFrame*) { ++calls; });
  std::string script = "Sub Main()\n";
  for (int i = 0; i < 48; ++i) script += "  Timepiece.Tick\n";  // no loop: only the calls count
  const Loaded loaded = Load(engine, (script + "End Sub\n").c_str());
  EXPECT_EQ(ScriptRun(loaded.context), 0);
  EXPECT_EQ(calls, 48);
  EXPECT_GE(yields, 3);
  Free(loaded);
  ScriptFreeDescription(description);
  ScriptEndEngine(engine);
}

// A member call that frees or starts again the very context that is running: the context is
// freed once its run ends, and a second run of it while it runs is refused.
ScriptRunContext* g_self = nullptr;
int16_t g_again = 0;

TEST(RunControl, TheRunningContextIsNeitherFreedNorRunTwice) {
  uint16_t status = 0;
  ScriptEngine* engine = ScriptNewEngine(3, 0, &status, nullptr, nullptr);
  ScriptBuilder* b = ScriptBeginDescription();
  ScriptDefineClass(b, "Self", kScriptNoId, nullptr);
  ScriptDefineSub(b, 0, "Drop", 1, 0, 0, {});
  static int self;
  ScriptDefineGlobal(b, "Me2", kScriptObject, "Self", &self);
  ScriptDescription* description = nullptr;
  ScriptFinishDescription(b, &description, nullptr);
  ScriptRegisterLibrary(engine, "SelfLib", description, +[](ScriptRunContext*, uint32_t, int32_t, ScriptFrame*) {
    g_again = ScriptRun(g_self);
    ScriptFreeRunContext(g_self);
  });
  const Loaded loaded = Load(engine, "Sub Main()\n  Me2.Drop\n  Print \"still running\"\nEnd Sub\n");
  g_self = loaded.context;
  EXPECT_EQ(ScriptRun(loaded.context), 0);  // under the sanitizers: no use after free
  EXPECT_EQ(g_again, 1);
  ScriptUnloadModule(loaded.module);
  ScriptFreeDescription(description);
  ScriptEndEngine(engine);
}

TEST(RunControl, DeepRecursionEndsInAnErrorNotACrash) {
  uint16_t status = 0;
  ScriptEngine* engine = ScriptNewEngine(3, 0, &status, nullptr, nullptr);
  const Loaded loaded = Load(engine, "Sub R(n As Long)\n  R n + 1\nEnd Sub\nSub Main()\n  R 1\nEnd Sub\n");
  EXPECT_EQ(ScriptRun(loaded.context), 1);
  EXPECT_EQ(ScriptControl(loaded.context, kScriptRunErrorNumber, 0, nullptr), 28);
  EXPECT_EQ(ScriptControl(loaded.context, kScriptRunErrorLine, 0, nullptr), 2);
  Free(loaded);
  ScriptEndEngine(engine);
}

// A member call that starts the same script again, as a script running another would.
ScriptEngine* g_engine = nullptr;
int g_depth = 0;
int g_refused = 0;

void RunAgain(ScriptRunContext* call, uint32_t, int32_t, ScriptFrame*) {
  ++g_depth;
  const Loaded loaded = Load(g_engine, "Sub Main()\n  Host.Again\nEnd Sub\n");
  if (ScriptRun(loaded.context) != 0 && ScriptControl(loaded.context, kScriptRunErrorNumber, 0, nullptr) == 28 &&
      std::string(ScriptRunErrorText(loaded.context)).find("Too many") != std::string::npos)
    ++g_refused;
  Free(loaded);
  if (g_refused > 0) ScriptRaiseError(call, 0, 907, "Could not run the specified script.");
}

TEST(RunControl, ScriptsStartedFromScriptsAreLimitedInDepth) {
  uint16_t status = 0;
  g_engine = ScriptNewEngine(3, 0, &status, nullptr, nullptr);
  ScriptBuilder* b = ScriptBeginDescription();
  ScriptDefineClass(b, "HostApp", kScriptNoId, nullptr);
  ScriptDefineSub(b, 0, "Again", 1, 0, 0, {});
  ScriptDefineGlobal(b, "Host", kScriptObject, "HostApp", &g_depth);
  ScriptDescription* description = nullptr;
  ScriptFinishDescription(b, &description, nullptr);
  ScriptRegisterLibrary(g_engine, "HostLib", description, &RunAgain);
  const Loaded loaded = Load(g_engine, "Sub Main()\n  Host.Again\nEnd Sub\n");
  EXPECT_EQ(ScriptRun(loaded.context), 1);
  EXPECT_EQ(g_depth, 8);
  EXPECT_EQ(g_refused, 1);
  EXPECT_EQ(ScriptControl(loaded.context, kScriptRunErrorNumber, 0, nullptr), 907);
  Free(loaded);
  ScriptFreeDescription(description);
  ScriptEndEngine(g_engine);
}

}  // namespace
