// Every example of the language reference (docs/basic-language.md) that is followed by its
// output runs and prints exactly that; an example without an output block at least compiles.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/basic/ScriptRunner.h"

namespace {

struct Example {
  std::string code;
  bool hasOutput = false;
  std::string output;
};

// The fenced blocks of the page: a "basic" block, and the "text" block right after it.
std::vector<Example> Examples(const std::string& page) {
  std::vector<Example> examples;
  size_t at = 0;
  std::string* open = nullptr;
  for (;;) {
    const size_t fence = page.find("```", at);
    if (fence == std::string::npos) break;
    const size_t lineEnd = page.find('\n', fence);
    const std::string tag = page.substr(fence + 3, lineEnd - fence - 3);
    const size_t close = page.find("\n```", lineEnd);
    const std::string body = page.substr(lineEnd + 1, close - lineEnd);
    at = close + 4;
    if (tag == "basic") {
      examples.push_back({body, false, ""});
      open = &examples.back().code;
    } else if (tag == "text" && open != nullptr) {
      examples.back().hasOutput = true;
      examples.back().output = body;
      open = nullptr;
    }
  }
  return examples;
}

// A stand-in for the program's own library, so that examples using its objects compile: the
// application object YB, whose ActiveDocument is Nothing.
ScriptDescription* DescribeStandIn(ScriptEngine* engine) {
  static int application;
  ScriptBuilder* b = ScriptBeginDescription();
  ScriptDefineClass(b, ".YB", kScriptNoId, nullptr);
  ScriptDefineProperty(b, 0, "ActiveDocument", kScriptNoId, 1, kScriptObject, "YBDocument");
  ScriptDefineClass(b, "YBDocument", kScriptNoId, nullptr);
  ScriptDefineProperty(b, 0, "Bodies", kScriptNoId, 2, kScriptObject, "YBBodyCollection");
  ScriptDefineCollectionClass(b, 1, "YBBodyCollection", kScriptNoId, nullptr);
  ScriptDefineFunction(b, 0, "Count", 3, kScriptLong, nullptr, 0, 0, {});
  ScriptDefineGlobal(b, "YB", kScriptObject, ".YB", &application);
  ScriptDescription* description = nullptr;
  ScriptFinishDescription(b, &description, nullptr);
  ScriptRegisterLibrary(engine, "StandIn", description,
                        +[](ScriptRunContext*, uint32_t, int32_t, ScriptFrame* frame) {
                          ScriptReturnObject(frame, 0, nullptr);
                        });
  return description;
}

TEST(BasicLanguageReference, ExamplesPrintWhatThePageSays) {
  const char* root = std::getenv("YB_SOURCE_DIR");
  std::ifstream in(std::filesystem::path(root != nullptr ? root : ".") / "docs/basic-language.md");
  const std::string page{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  const std::vector<Example> examples = Examples(page);
  ASSERT_GE(examples.size(), 8u);
  for (const Example& example : examples) {
    SCOPED_TRACE(example.code);
    if (!example.hasOutput) {
      // An example of the program's objects runs against the stand-in, where no document is open.
      uint16_t status = 0;
      ScriptEngine* engine = ScriptNewEngine(3, 0, &status, nullptr, nullptr);
      ScriptDescription* description = DescribeStandIn(engine);
      const ScriptOutcome outcome = RunScript(example.code, engine);
      EXPECT_TRUE(outcome.compiled) << outcome.compileError;
      EXPECT_FALSE(outcome.failed) << outcome.errorText;
      EXPECT_EQ(outcome.output, "no document is open\n");
      ScriptFreeDescription(description);
      ScriptEndEngine(engine);
      continue;
    }
    const ScriptOutcome outcome = RunScript(example.code);
    ASSERT_TRUE(outcome.compiled) << outcome.errorLine << ":" << outcome.errorColumn << " " << outcome.compileError;
    EXPECT_FALSE(outcome.failed) << outcome.errorText;
    EXPECT_EQ(outcome.output, example.output);
  }
}

}  // namespace
