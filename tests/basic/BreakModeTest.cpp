// Break mode: a run stops on breakpoint lines and where steps ask, shows its variables by name
// while stopped, and goes on, or ends, as the break handler says.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "basic/ScriptApi.h"

namespace {

// What the handler does at each stop; it records the lines stopped at.
std::function<void(ScriptRunContext*, int32_t)> g_onBreak;
std::vector<int32_t> g_stops;

void OnBreak(ScriptRunContext* context, int32_t line) {
  g_stops.push_back(line);
  if (g_onBreak) g_onBreak(context, line);
}

class BreakMode : public ::testing::Test {
 protected:
  void SetUp() override {
    uint16_t status = 0;
    engine_ = ScriptNewEngine(3, 0, &status, nullptr, nullptr);
    ScriptControl(engine_, kScriptSetOutput, 0, reinterpret_cast<void*>(&Collect));
    g_output.clear();
    g_stops.clear();
    g_onBreak = nullptr;
  }
  void TearDown() override {
    if (context_ != nullptr) ScriptFreeRunContext(context_);
    if (module_ != nullptr) ScriptUnloadModule(module_);
    ScriptFreeCode(code_);
    ScriptEndEngine(engine_);
    g_onBreak = nullptr;
  }

  void Load(const char* text) {
    ScriptCompileRequest request;
    request.text = text;
    request.engine = engine_;
    ASSERT_EQ(ScriptCompile(&request), kScriptCompiled) << request.errorMessage;
    code_ = request.code;
    uint16_t error = 0;
    module_ = ScriptLoadModule(engine_, code_, &error);
    ASSERT_NE(module_, nullptr);
    uint32_t contextError = 0;
    context_ = ScriptNewRunContext(module_, ScriptEntrySpec{}, 4, &contextError);
    ASSERT_NE(context_, nullptr);
    ScriptSetBreakHandler(context_, &OnBreak);
  }
  void Breakpoints(std::vector<int32_t> lines) {
    ScriptSetBreakpoints(context_, lines.data(), lines.size());
  }

  static int32_t Collect(ScriptRunContext*, int32_t kind, const char* text) {
    if (kind == kScriptShowPrint) g_output += std::string(text) + "\n";
    return 0;
  }
  static inline std::string g_output;

  ScriptEngine* engine_ = nullptr;
  ScriptCode* code_ = nullptr;
  ScriptModule* module_ = nullptr;
  ScriptRunContext* context_ = nullptr;
};

const char* const kLoop =
    "Dim total As Long\n"             // 1
    "Sub Main()\n"                    // 2
    "  Dim i As Integer\n"            // 3
    "  For i = 1 To 3\n"              // 4
    "    total = total + i\n"         // 5
    "  Next\n"                        // 6
    "  Print total\n"                 // 7
    "End Sub\n";                      // 8

TEST_F(BreakMode, ABreakpointStopsEachTimeTheRunComesToItsLineAndShowsTheVariables) {
  Load(kLoop);
  Breakpoints({5});
  std::vector<std::string> seen;
  g_onBreak = [&](ScriptRunContext* context, int32_t) {
    EXPECT_TRUE(ScriptIsInBreak(context));
    std::string i, total;
    ASSERT_TRUE(ScriptReadVariable(context, "I", &i));
    ASSERT_TRUE(ScriptReadVariable(context, "Total", &total));
    seen.push_back(i + ":" + total);
    EXPECT_FALSE(ScriptReadVariable(context, "nothere", &i));
  };
  EXPECT_EQ(ScriptRun(context_), 0);
  EXPECT_EQ(g_stops, (std::vector<int32_t>{5, 5, 5}));
  EXPECT_EQ(seen, (std::vector<std::string>{"1:0", "2:1", "3:3"}));
  EXPECT_EQ(g_output, "6\n");  // the stops change nothing the script computes
  EXPECT_FALSE(ScriptIsInBreak(context_));
  std::string text;
  EXPECT_FALSE(ScriptReadVariable(context_, "total", &text)) << "only while stopped";
}

TEST_F(BreakMode, StepsGoIntoOverAndOutOfCalls) {
  Load("Sub Twice(n As Integer)\n"   // 1
       "  n = n * 2\n"                // 2
       "End Sub\n"                    // 3
       "Sub Main()\n"                 // 4
       "  Dim a As Integer\n"         // 5
       "  a = 1\n"                    // 6
       "  Twice a\n"                  // 7
       "  Twice a\n"                  // 8
       "  Print a\n"                  // 9
       "End Sub\n");                  // 10
  const std::vector<int16_t> plan = {kScriptStepInto, kScriptStepInto, kScriptStepOut,
                                     kScriptStepOver, kScriptStepOver, kScriptContinue};
  size_t next = 0;
  g_onBreak = [&](ScriptRunContext* context, int32_t) {
    ScriptStep(context, next < plan.size() ? plan[next++] : kScriptContinue);
  };
  ScriptStep(context_, kScriptStepInto);  // stop at the first statement
  EXPECT_EQ(ScriptRun(context_), 0);
  // 6 first; into: 7; into the call: 2; out: back in Main after the call (its End Sub counts as
  // the callee's, so the next stop is line 8); over: 9 without entering; over: End Sub.
  EXPECT_EQ(g_stops, (std::vector<int32_t>{6, 7, 2, 8, 9, 10}));
  EXPECT_EQ(g_output, "4\n");
}

TEST_F(BreakMode, AStopWhileStoppedEndsTheRunAndARunWithoutHandlerNeverStops) {
  Load(kLoop);
  Breakpoints({5});
  g_onBreak = [](ScriptRunContext* context, int32_t) { ScriptControl(context, kScriptStop, 1, nullptr); };
  ScriptRun(context_);
  EXPECT_EQ(g_stops, (std::vector<int32_t>{5}));
  EXPECT_NE(ScriptControl(context_, kScriptRunStopped, 0, nullptr), 0);
  EXPECT_EQ(g_output, "");

  uint32_t error = 0;
  ScriptRunContext* plain = ScriptNewRunContext(module_, ScriptEntrySpec{}, 4, &error);
  ScriptSetBreakpoints(plain, std::vector<int32_t>{5}.data(), 1);
  g_stops.clear();
  EXPECT_EQ(ScriptRun(plain), 0);
  EXPECT_TRUE(g_stops.empty());
  EXPECT_EQ(g_output, "6\n");
  ScriptFreeRunContext(plain);
}

TEST_F(BreakMode, CompiledCodeKnowsTheLinesThatHoldStatements) {
  Load(kLoop);
  EXPECT_FALSE(ScriptLineHasStatement(code_, 2)) << "a Sub line";
  EXPECT_FALSE(ScriptLineHasStatement(code_, 3)) << "a declaration without bounds";
  EXPECT_TRUE(ScriptLineHasStatement(code_, 5));
  EXPECT_TRUE(ScriptLineHasStatement(code_, 7));
  EXPECT_FALSE(ScriptLineHasStatement(code_, 100));
  // Code read back from its bytes runs and breaks the same, but knows no names.
  int16_t error = 0;
  ScriptCode* copy = ScriptCodeFromBytes(ScriptCodeBytes(code_),
                                         static_cast<size_t>(ScriptControl(code_, kScriptCodeSize, 0, nullptr)), &error);
  ASSERT_NE(copy, nullptr);
  uint16_t loadError = 0;
  ScriptModule* module = ScriptLoadModule(engine_, copy, &loadError);
  uint32_t contextError = 0;
  ScriptRunContext* context = ScriptNewRunContext(module, ScriptEntrySpec{}, 4, &contextError);
  ScriptSetBreakHandler(context, &OnBreak);
  ScriptSetBreakpoints(context, std::vector<int32_t>{7}.data(), 1);
  bool named = true;
  g_onBreak = [&](ScriptRunContext* stopped, int32_t) { named = ScriptReadVariable(stopped, "total", nullptr); };
  EXPECT_EQ(ScriptRun(context), 0);
  EXPECT_EQ(g_stops, (std::vector<int32_t>{7}));
  EXPECT_FALSE(named);
  ScriptFreeRunContext(context);
  ScriptUnloadModule(module);
  ScriptFreeCode(copy);
}

}  // namespace
