// A module the engine shares answers the names other scripts lack, in the order modules were
// shared, until it is unloaded.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "basic/ScriptApi.h"
#include "tests/basic/ScriptRunner.h"

namespace {

class SharedModules : public ::testing::Test {
 protected:
  void SetUp() override {
    uint16_t status = 0;
    engine_ = ScriptNewEngine(3, 0, &status, nullptr, nullptr);
    ASSERT_NE(engine_, nullptr);
  }
  void TearDown() override {
    for (ScriptModule* module : modules_) ScriptUnloadModule(module);
    for (ScriptCode* code : codes_) ScriptFreeCode(code);
    ScriptEndEngine(engine_);
  }
  // Compiles, loads and shares a library; answers its module.
  ScriptModule* Share(const std::string& text) {
    ScriptCompileRequest request;
    request.text = text.c_str();
    request.engine = engine_;
    EXPECT_EQ(ScriptCompile(&request), kScriptCompiled) << request.errorMessage;
    if (request.code == nullptr) return nullptr;
    codes_.push_back(request.code);
    uint16_t error = 0;
    ScriptModule* module = ScriptLoadModule(engine_, request.code, &error);
    EXPECT_NE(module, nullptr);
    modules_.push_back(module);
    ScriptShareModule(module, true);
    return module;
  }
  void Unload(ScriptModule* module) {
    std::erase(modules_, module);
    ScriptUnloadModule(module);
  }

  ScriptEngine* engine_ = nullptr;
  std::vector<ScriptModule*> modules_;
  std::vector<ScriptCode*> codes_;
};

TEST_F(SharedModules, ANameTheScriptLacksCallsTheSharedProcedure) {
  Share("Dim calls\nFunction Twice(x)\n  calls = calls + 1\n  Twice = 2 * x + calls - 1\nEnd Function\n"
        "Sub Shout(text)\n  Print \"lib: \"; text\n  text = \"changed\"\nEnd Sub\n");
  const ScriptOutcome outcome = RunScript(
      "Sub Main()\n  Dim s\n  s = \"hi\"\n  Print Twice(21); \" \"; Twice(Twice(1))\n  Shout s\n"
      "  Call Shout(\"there\")\n  Print s\nEnd Sub\n",
      engine_);
  ASSERT_TRUE(outcome.compiled) << outcome.compileError;
  EXPECT_FALSE(outcome.failed) << outcome.errorText;
  // Each call runs afresh: the library's variable starts at Empty every time. Arguments go by
  // value.
  EXPECT_EQ(outcome.output, "42 4\nlib: hi\nlib: there\nhi\n");
}

TEST_F(SharedModules, TheScriptsOwnNamesAndTheFirstSharedModuleWin) {
  Share("Function Name()\n  Name = \"first\"\nEnd Function\n");
  Share("Function Name()\n  Name = \"second\"\nEnd Function\nFunction Other()\n  Other = Name()\nEnd Function\n");
  // A library's own code calls its own procedure.
  EXPECT_EQ(RunScript("Sub Main()\n  Print Name; \" \"; Other()\nEnd Sub\n", engine_).output,
            "first second\n");
  EXPECT_EQ(RunScript("Function Name()\n  Name = \"own\"\nEnd Function\n"
                      "Sub Main()\n  Print Name()\nEnd Sub\n", engine_).output,
            "own\n");
}

TEST_F(SharedModules, AFailureInTheLibraryIsTheCallersToHandle) {
  Share("Function Inverse(x)\n  Inverse = 1 / x\nEnd Function\n");
  const ScriptOutcome handled = RunScript(
      "Sub Main()\n  On Error Resume Next\n  Print Inverse(0)\n  Print \"error \"; Err.Number\nEnd Sub\n",
      engine_);
  EXPECT_FALSE(handled.failed);
  EXPECT_NE(handled.output.find("error 11"), std::string::npos) << handled.output;
  const ScriptOutcome wrongCount = RunScript("Sub Main()\n  Print Inverse(1, 2)\nEnd Sub\n", engine_);
  EXPECT_FALSE(wrongCount.compiled);
}

TEST_F(SharedModules, UnloadedTheNameIsUndefinedAgain) {
  ScriptModule* library = Share("Function Twice(x)\n  Twice = 2 * x\nEnd Function\n");
  const std::string script = "Sub Main()\n  Print Twice(21)\nEnd Sub\n";
  EXPECT_EQ(RunScript(script, engine_).output, "42\n");
  Unload(library);
  const ScriptOutcome after = RunScript(script, engine_);
  EXPECT_FALSE(after.compiled);
  EXPECT_NE(after.compileError.find("Twice"), std::string::npos) << after.compileError;
  // Without a share, a loaded module keeps its procedures to itself.
  ScriptModule* unshared = Share("Function Thrice(x)\n  Thrice = 3 * x\nEnd Function\n");
  ScriptShareModule(unshared, false);
  EXPECT_FALSE(RunScript("Sub Main()\n  Print Thrice(1)\nEnd Sub\n", engine_).compiled);
}

}  // namespace
