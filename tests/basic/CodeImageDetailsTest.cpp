// Kept code whose sealed bytes are sound but whose tables claim more than they hold is refused;
// an engine ended while modules are loaded lives on for them until the last one goes.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "basic/Bytecode.h"
#include "basic/ScriptApi.h"

namespace {

// The refusal's number for the bytes, or 0 when they load as code.
int16_t Refusal(const std::vector<uint8_t>& bytes) {
  // An allocation of exactly the bytes, so that reading one past them is caught.
  const auto copy = std::make_unique<uint8_t[]>(bytes.size());
  std::copy(bytes.begin(), bytes.end(), copy.get());
  int16_t error = 0;
  ScriptCode* code = ScriptCodeFromBytes(copy.get(), bytes.size(), &error);
  if (code == nullptr) return error;
  ScriptFreeCode(code);
  return 0;
}

TEST(CodeImageDetails, AStringLongerThanWhatRemainsIsRefusedThoughTheChecksumIsRight) {
  basic::CodeImage image;
  image.constants.push_back(basic::Value::String("abcdef"));
  const std::vector<uint8_t> sound = basic::WriteImage(image);
  ASSERT_EQ(Refusal(sound), 0);
  const size_t header = basic::SealImage({}).size();
  std::vector<uint8_t> payload(sound.begin() + static_cast<ptrdiff_t>(header), sound.end());
  ASSERT_EQ(basic::SealImage(payload), sound);

  // The string's length follows the constants' count and the constant's type.
  constexpr size_t kLength = 4 + 1;
  ASSERT_EQ(payload[kLength], 6);
  const size_t remaining = payload.size() - kLength - 4;
  for (const size_t length : {remaining + 1, remaining + 2, remaining + 40, size_t{0x7FFFFFFF}}) {
    std::vector<uint8_t> damaged = payload;
    for (int i = 0; i < 4; ++i)
      damaged[kLength + static_cast<size_t>(i)] = static_cast<uint8_t>(length >> (8 * i));
    EXPECT_EQ(Refusal(basic::SealImage(damaged)), 1) << length;
  }
  // A string taking exactly what remains leaves no room for the tables after it.
  std::vector<uint8_t> exact = payload;
  exact[kLength] = static_cast<uint8_t>(remaining);
  EXPECT_EQ(Refusal(basic::SealImage(exact)), 1);
  // The code's count, the last in the bytes, may not run past them either.
  std::vector<uint8_t> code = payload;
  code[code.size() - 4] = 1;
  EXPECT_EQ(Refusal(basic::SealImage(code)), 1);
}

std::string g_printed;

int32_t Collect(ScriptRunContext*, int32_t kind, const char* text) {
  if (kind == kScriptShowPrint) g_printed += std::string(text) + "\n";
  return 0;
}

// Runs Main of the module to its end.
void RunMain(ScriptModule* module) {
  uint32_t error = 0;
  ScriptRunContext* context = ScriptNewRunContext(module, ScriptEntrySpec{}, 4, &error);
  ASSERT_NE(context, nullptr);
  EXPECT_EQ(ScriptRun(context), 0);
  ScriptFreeRunContext(context);
}

// Run under the leak checker, this also shows the engine and its modules freed at the end.
TEST(CodeImageDetails, AnEndedEngineLivesOnForItsLoadedModulesUntilTheLastIsUnloaded) {
  uint16_t status = 0;
  ScriptEngine* engine = ScriptNewEngine(3, 0, &status, nullptr, nullptr);
  ASSERT_NE(engine, nullptr);
  ScriptControl(engine, kScriptSetOutput, 0, reinterpret_cast<void*>(&Collect));
  ScriptCompileRequest request;
  request.text = "Sub Main()\n  Print \"still here\"\nEnd Sub\n";
  request.engine = engine;
  ASSERT_EQ(ScriptCompile(&request), kScriptCompiled) << request.errorMessage;
  uint16_t error = 0;
  ScriptModule* first = ScriptLoadModule(engine, request.code, &error);
  ScriptModule* second = ScriptLoadModule(engine, request.code, &error);
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  ScriptFreeCode(request.code);

  g_printed.clear();
  ScriptEndEngine(engine);
  RunMain(first);
  ScriptUnloadModule(first);
  // The other module still prints through the engine's output.
  RunMain(second);
  EXPECT_EQ(g_printed, "still here\nstill here\n");
  ScriptUnloadModule(second);
}

}  // namespace
