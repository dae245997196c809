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

TEST(BasicLanguageReference, ExamplesPrintWhatThePageSays) {
  const char* root = std::getenv("YB_SOURCE_DIR");
  std::ifstream in(std::filesystem::path(root != nullptr ? root : ".") / "docs/basic-language.md");
  const std::string page{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  const std::vector<Example> examples = Examples(page);
  ASSERT_GE(examples.size(), 8u);
  for (const Example& example : examples) {
    SCOPED_TRACE(example.code);
    const ScriptOutcome outcome = RunScript(example.code);
    if (!example.hasOutput) {
      // Examples that need the program's objects are checked by the compiler only.
      EXPECT_EQ(outcome.compileError.rfind("Unknown type", 0) == 0 || outcome.compiled, true)
          << outcome.compileError;
      continue;
    }
    ASSERT_TRUE(outcome.compiled) << outcome.errorLine << ":" << outcome.errorColumn << " " << outcome.compileError;
    EXPECT_FALSE(outcome.failed) << outcome.errorText;
    EXPECT_EQ(outcome.output, example.output);
  }
}

}  // namespace
