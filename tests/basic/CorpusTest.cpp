// Runs every script of the corpus and compares what it printed, and how it ended, with the
// expected output kept beside it.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "tests/basic/ScriptRunner.h"

namespace {

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::filesystem::path CorpusFolder() {
  const char* root = std::getenv("YB_SOURCE_DIR");
  return std::filesystem::path(root != nullptr ? root : ".") / "tests/basic/corpus";
}

TEST(BasicCorpus, EveryScriptPrintsItsExpectedOutput) {
  int scripts = 0;
  for (const auto& entry : std::filesystem::directory_iterator(CorpusFolder())) {
    if (entry.path().extension() != ".bas") continue;
    ++scripts;
    SCOPED_TRACE(entry.path().filename().string());
    const ScriptOutcome outcome = RunScript(ReadFile(entry.path()));
    ASSERT_TRUE(outcome.compiled) << outcome.errorLine << ":" << outcome.errorColumn << " "
                                  << outcome.compileError;
    std::string printed = outcome.output;
    if (outcome.failed) {
      printed += "FAILED " + std::to_string(outcome.errorNumber) + " line " +
                 std::to_string(outcome.errorLine) + ": " + outcome.errorText + "\n";
    }
    std::filesystem::path expected = entry.path();
    expected.replace_extension(".out");
    EXPECT_EQ(printed, ReadFile(expected));
  }
  EXPECT_GE(scripts, 6);
}

}  // namespace
