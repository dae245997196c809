// Compiled code kept as bytes runs as the text did, and bytes that are damaged or come from
// another engine version are refused with the reason.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "basic/Bytecode.h"
#include "basic/Compiler.h"
#include "basic/ScriptApi.h"

namespace {

const char* kScript =
    "Dim total As Long\n"
    "Function Square(x As Long) As Long\n  Square = x * x\nEnd Function\n"
    "Sub Main()\n  Dim i As Long\n  For i = 1 To 4\n    total = total + Square(i)\n  Next\n"
    "  Print \"total \"; total\nEnd Sub\n";

std::string g_printed;

int32_t Collect(ScriptRunContext*, int32_t kind, const char* text) {
  if (kind == kScriptShowPrint) g_printed += std::string(text) + "\n";
  return 0;
}

class CodeImage : public ::testing::Test {
 protected:
  void SetUp() override {
    uint16_t status = 0;
    engine_ = ScriptNewEngine(3, 0, &status, nullptr, nullptr);
    ScriptControl(engine_, kScriptSetOutput, 0, reinterpret_cast<void*>(&Collect));
    ScriptCompileRequest request;
    request.text = kScript;
    request.engine = engine_;
    ASSERT_EQ(ScriptCompile(&request), kScriptCompiled) << request.errorMessage;
    const auto size = static_cast<size_t>(ScriptControl(request.code, kScriptCodeSize, 0, request.code));
    bytes_.assign(ScriptCodeBytes(request.code), ScriptCodeBytes(request.code) + size);
    ScriptFreeCode(request.code);
    g_printed.clear();
  }
  void TearDown() override { ScriptEndEngine(engine_); }

  // Loads the bytes as kept code and runs Main; the printed text, or why it was refused.
  std::string LoadAndRun(const std::vector<uint8_t>& bytes) {
    int16_t error = 0;
    ScriptCode* code = ScriptCodeFromBytes(bytes.data(), bytes.size(), &error);
    if (code == nullptr) return "refused " + std::to_string(error);
    uint16_t loadError = 0;
    ScriptModule* module = ScriptLoadModule(engine_, code, &loadError);
    EXPECT_NE(module, nullptr);
    EXPECT_EQ(ScriptFindEntry(code, ScriptEntrySpec{}), 0);
    uint32_t contextError = 0;
    ScriptRunContext* context = ScriptNewRunContext(module, ScriptEntrySpec{}, 4, &contextError);
    EXPECT_EQ(ScriptRun(context), 0);
    ScriptFreeRunContext(context);
    ScriptUnloadModule(module);
    ScriptFreeCode(code);
    return g_printed;
  }

  ScriptEngine* engine_ = nullptr;
  std::vector<uint8_t> bytes_;
};

TEST_F(CodeImage, KeptBytesRunWithoutTheText) {
  EXPECT_EQ(LoadAndRun(bytes_), "total 30\n");
}

TEST_F(CodeImage, DamagedBytesAreRefused) {
  // Every single changed byte, and every shorter length, is refused rather than run.
  for (size_t at = 0; at < bytes_.size(); ++at) {
    std::vector<uint8_t> damaged = bytes_;
    damaged[at] ^= 0x5A;
    EXPECT_EQ(LoadAndRun(damaged).rfind("refused ", 0), 0u) << "byte " << at;
  }
  for (size_t length = 0; length < bytes_.size(); ++length) {
    const std::vector<uint8_t> cut(bytes_.begin(), bytes_.begin() + length);
    EXPECT_EQ(LoadAndRun(cut), "refused 1") << "length " << length;
  }
  std::vector<uint8_t> longer = bytes_;
  longer.push_back(0);
  EXPECT_EQ(LoadAndRun(longer), "refused 1");
  const std::string text = "Sub Main()\nEnd Sub\n";
  EXPECT_EQ(LoadAndRun(std::vector<uint8_t>(text.begin(), text.end())), "refused 1");
}

TEST_F(CodeImage, CodeOfAnotherEngineVersionIsRefused) {
  std::vector<uint8_t> other = bytes_;
  other[4] = 0x7F;  // the format version follows the four-byte magic
  EXPECT_EQ(LoadAndRun(other), "refused 2");
}

// The machine pairs instructions of loaded code under operation numbers of its own; kept code
// that holds one of them is damaged, never run.
TEST_F(CodeImage, CodeHoldingTheMachinesOwnInstructionsIsRefused) {
  basic::CompileEnvironment environment;
  environment.knowsClass = [](const std::string&) { return false; };
  environment.knowsGlobal = [](const std::string&) { return false; };
  const basic::CodeImage image = basic::CompileText(kScript, environment);
  EXPECT_EQ(LoadAndRun(basic::WriteImage(image)), "total 30\n");
  g_printed.clear();
  const auto first = static_cast<int>(basic::Op::kCount);
  const auto last = static_cast<int>(basic::Op::kArithmeticStore);
  for (int op = first; op <= last; ++op) {
    for (size_t at = 0; at < image.code.size(); ++at) {
      basic::CodeImage changed = image;
      changed.code[at].op = static_cast<basic::Op>(op);
      EXPECT_EQ(LoadAndRun(basic::WriteImage(changed)), "refused 1") << "op " << op << " at " << at;
    }
  }
}

// An instruction no path reaches is never checked by the loader: one with indexes out of every
// table, left after a procedure's last return, changes nothing.
TEST_F(CodeImage, InstructionsNoPathReachesAreLeftAlone) {
  basic::CompileEnvironment environment;
  environment.knowsClass = [](const std::string&) { return false; };
  environment.knowsGlobal = [](const std::string&) { return false; };
  for (const basic::Op op : {basic::Op::kForNext, basic::Op::kForPrep, basic::Op::kLoadLocal}) {
    basic::CodeImage image = basic::CompileText(kScript, environment);
    basic::ProcInfo& last = image.procs.back();
    ASSERT_EQ(last.codeEnd, static_cast<int32_t>(image.code.size()));
    image.code.push_back(basic::Instr{op, 1 << 20, 1 << 20});
    image.lines.push_back(image.lines.back());
    ++last.codeEnd;
    if (op == basic::Op::kLoadLocal) {  // a pair of loads, the second out of range
      image.code.push_back(basic::Instr{basic::Op::kLoadLocal, 1 << 20, 0});
      image.lines.push_back(image.lines.back());
      ++last.codeEnd;
    }
    g_printed.clear();
    EXPECT_EQ(LoadAndRun(basic::WriteImage(image)), "total 30\n") << static_cast<int>(op);
  }
}

TEST_F(CodeImage, EntriesAreFoundByNameCountAndKind) {
  int16_t error = 0;
  ScriptCode* code = ScriptCodeFromBytes(bytes_.data(), bytes_.size(), &error);
  ASSERT_NE(code, nullptr);
  const int16_t oneLong[] = {kScriptLong};
  EXPECT_EQ(ScriptFindEntry(code, ScriptEntrySpec{"main", 0, nullptr, false}), 0);
  EXPECT_EQ(ScriptFindEntry(code, ScriptEntrySpec{"Square", 1, oneLong, true}), 0);
  EXPECT_EQ(ScriptFindEntry(code, ScriptEntrySpec{"Square", 1, oneLong, false}), 1);
  EXPECT_EQ(ScriptFindEntry(code, ScriptEntrySpec{"Main", 1, oneLong, false}), 1);
  EXPECT_EQ(ScriptFindEntry(code, ScriptEntrySpec{"Start", 0, nullptr, false}), 1);
  ScriptFreeCode(code);
}

TEST(CodeImageClasses, CodeNamingAClassTheEngineLacksIsNotLoaded) {
  uint16_t status = 0;
  ScriptEngine* with = ScriptNewEngine(3, 0, &status, nullptr, nullptr);
  ScriptBuilder* b = ScriptBeginDescription();
  ScriptDefineClass(b, "Widget", kScriptNoId, nullptr);
  ScriptDescription* description = nullptr;
  ScriptFinishDescription(b, &description, nullptr);
  ScriptRegisterLibrary(with, "Parts", description, +[](ScriptRunContext*, uint32_t, int32_t, ScriptFrame*) {});
  ScriptCompileRequest request;
  request.text = "Sub Main()\n  Dim w As Parts.Widget\nEnd Sub\n";
  request.engine = with;
  ASSERT_EQ(ScriptCompile(&request), kScriptCompiled) << request.errorMessage;
  ScriptEngine* without = ScriptNewEngine(3, 0, &status, nullptr, nullptr);
  uint16_t error = 0;
  EXPECT_EQ(ScriptLoadModule(without, request.code, &error), nullptr);
  EXPECT_EQ(error, kScriptUnknownName);
  ScriptModule* module = ScriptLoadModule(with, request.code, &error);
  EXPECT_NE(module, nullptr);
  ScriptUnloadModule(module);
  ScriptFreeCode(request.code);
  ScriptFreeDescription(description);
  ScriptEndEngine(without);
  ScriptEndEngine(with);
}

}  // namespace
