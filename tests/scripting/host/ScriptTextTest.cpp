// Script texts and their files: text, compiled scripts and libraries written byte for byte and
// read back, damaged and missing files refused, saves that replace a file only when whole.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "core/Failure.h"
#include "core/MacFile.h"
#include "scripting/host/ScriptText.h"

namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFile(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

int16_t ErrorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const QVException& failure) {
    return failure.error();
  }
  return 0;
}

class ScriptFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() /
              ("yb-script-text-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
               "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(folder_);
    fs::create_directories(folder_);
    uint16_t status = 0;
    engine_ = ScriptNewEngine(3, 0, &status, nullptr, nullptr);
  }
  void TearDown() override {
    ScriptEndEngine(engine_);
    fs::remove_all(folder_);
  }
  // A script for the file, reset, file-backed.
  std::unique_ptr<TScriptText> ScriptFor(const std::string& name) {
    auto script = std::make_unique<TScriptText>();
    script->Reset();
    FSSpec spec;
    spec.name = Str255((folder_ / name).string().c_str());
    script->SetFileSpec(spec, true);
    return script;
  }
  void Compile(TScriptText& script) {
    std::string text;
    script.GetText(text);
    TEngineCompileRequest request;
    request.text = text.c_str();
    request.engine = engine_;
    ASSERT_EQ(EngineCompile(&request), kEngineCompiled);
    script.SetLibraryCode(request.code);
    script.SetCode(request.code, kScriptCodeVersion, false);
  }
  std::vector<std::string> Files() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder_)) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }

  fs::path folder_;
  ScriptEngine* engine_ = nullptr;
};

const char* const kSource = "Sub Main()\r\n  Print 42\r\nEnd Sub\r\n";

TEST_F(ScriptFiles, CompiledScriptHasTheHeaderCodeAndTextAndReadsBackWhole) {
  auto script = ScriptFor("run.YBC");
  ASSERT_EQ(script->FileType(), kScriptFileCompiled);
  script->SetText(kSource);
  Compile(*script);
  ASSERT_EQ(script->Save(), 1);
  const std::string bytes = ReadFile(folder_ / "run.YBC");
  const auto size = static_cast<uint32_t>(ScriptControl(script->LibraryCode(), kScriptCodeSize, 0, nullptr));
  ASSERT_EQ(bytes.size(), 56 + size + std::strlen(kSource));
  std::string header(56, '\0');
  header.replace(0, 4, "PsSc");
  header.replace(4, 9, std::string("\x07YBB=2.5\0", 9));
  header[38] = 3;
  std::memcpy(header.data() + 40, &size, 4);
  header[48] = 56;
  EXPECT_EQ(bytes.substr(0, 56), header);
  EXPECT_EQ(bytes.substr(56, size),
            std::string(reinterpret_cast<const char*>(ScriptCodeBytes(script->LibraryCode())), size));
  EXPECT_EQ(bytes.substr(56 + size), kSource);

  auto again = ScriptFor("run.YBC");
  ASSERT_EQ(again->Load(), 1);
  std::string text;
  again->GetText(text);
  EXPECT_EQ(text, kSource);
  ASSERT_NE(again->GetCode(kScriptCodeVersion), nullptr);
  EXPECT_EQ(again->FindEntry("Main", 0, nullptr, false), 0);
  // Saved again, the same bytes.
  ASSERT_EQ(again->Save(), 1);
  EXPECT_EQ(ReadFile(folder_ / "run.YBC"), bytes);
}

TEST_F(ScriptFiles, LibraryHoldsHeaderAndCodeOnly) {
  auto library = ScriptFor("tools.ybx");
  ASSERT_EQ(library->FileType(), kScriptFileLibrary);
  library->SetText(kSource);
  Compile(*library);
  ASSERT_EQ(library->Save(), 1);
  const std::string bytes = ReadFile(folder_ / "tools.ybx");
  EXPECT_EQ(bytes.substr(0, 4), "PsSx");
  EXPECT_EQ(bytes.size(), 56 + ScriptControl(library->LibraryCode(), kScriptCodeSize, 0, nullptr));
  auto again = ScriptFor("tools.ybx");
  ASSERT_EQ(again->Load(), 1);
  EXPECT_NE(again->LibraryCode(), nullptr);
}

TEST_F(ScriptFiles, FileTypeFollowsTheExtensionInAnyCase) {
  EXPECT_EQ(ScriptFileTypeOfName("/a.b/c/tools.YbX"), kScriptFileLibrary);
  EXPECT_EQ(ScriptFileTypeOfName("C:\\Scripts\\run.ybc"), kScriptFileCompiled);
  EXPECT_EQ(ScriptFileTypeOfName("/x.ybc/plain"), kScriptFileText);
  EXPECT_EQ(ScriptFileTypeOfName("run.ybs"), kScriptFileText);
}

TEST_F(ScriptFiles, ShortFileIsTextAndSavingOverItLeavesNoOtherFile) {
  WriteFile(folder_ / "short.ybs", "PsSx Sub Main()\nEnd Sub\n");
  auto script = ScriptFor("short.ybs");
  ASSERT_EQ(script->Load(), 1);
  std::string text;
  script->GetText(text);
  EXPECT_EQ(text, "PsSx Sub Main()\nEnd Sub\n");
  script->SetText(kSource);
  ASSERT_EQ(script->Save(), 1);
  EXPECT_EQ(ReadFile(folder_ / "short.ybs"), kSource);
  EXPECT_EQ(Files(), std::vector<std::string>{"short.ybs"});
  auto fresh = ScriptFor("new.ybs");
  ASSERT_EQ(fresh->Save(), 1);
  EXPECT_EQ(Files(), (std::vector<std::string>{"new.ybs", "short.ybs"}));
}

TEST_F(ScriptFiles, MissingFileRaisesNotFoundAndCreatesNothing) {
  auto script = ScriptFor("absent.ybs");
  EXPECT_EQ(ErrorOf([&] { script->Load(); }), kErrFileNotFound);
  EXPECT_TRUE(Files().empty());
  script->SetReadOnly(true);
  EXPECT_EQ(ErrorOf([&] { script->Load(); }), kErrFileNotFound);
  EXPECT_TRUE(Files().empty());
}

TEST_F(ScriptFiles, CodeOutsideTheFileIsRefused) {
  auto library = ScriptFor("tools.ybx");
  library->SetText(kSource);
  Compile(*library);
  ASSERT_EQ(library->Save(), 1);
  const std::string good = ReadFile(folder_ / "tools.ybx");
  auto damaged = [&](size_t at, uint32_t value) {
    std::string bytes = good;
    std::memcpy(bytes.data() + at, &value, 4);
    WriteFile(folder_ / "tools.ybx", bytes);
    return ErrorOf([&] { ScriptFor("tools.ybx")->Load(); });
  };
  EXPECT_EQ(damaged(40, 0xFFFFFFF0u), kErrEndOfFile);  // size past the end, wrapping
  EXPECT_EQ(damaged(40, 0), kErrEndOfFile);
  EXPECT_EQ(damaged(48, 12), kErrEndOfFile);           // offset inside the header
  EXPECT_EQ(damaged(48, static_cast<uint32_t>(good.size())), kErrEndOfFile);
  // Another version loads no code.
  std::string other = good;
  other[11] = '9';
  WriteFile(folder_ / "tools.ybx", other);
  auto script = ScriptFor("tools.ybx");
  ASSERT_EQ(script->Load(), 1);
  EXPECT_EQ(script->LibraryCode(), nullptr);
}

TEST_F(ScriptFiles, CompiledTypeWithoutCodeIsNotSavedAndTheOldFileStays) {
  WriteFile(folder_ / "keep.ybc", "old contents");
  auto script = ScriptFor("keep.ybc");
  EXPECT_EQ(ErrorOf([&] { script->Save(); }), -25210);
  EXPECT_EQ(ReadFile(folder_ / "keep.ybc"), "old contents");
  EXPECT_EQ(Files(), std::vector<std::string>{"keep.ybc"});
}

TEST_F(ScriptFiles, EntryIsFoundOnlyWhenTheCodeHasIt) {
  auto script = ScriptFor("run.ybs");
  script->SetText("Sub Other()\r\nEnd Sub\r\n");
  EXPECT_EQ(script->FindEntry("Main", 0, nullptr, false), 1);  // no code yet
  Compile(*script);
  EXPECT_EQ(script->FindEntry("Main", 0, nullptr, false), 1);
  EXPECT_EQ(script->FindEntry("Other", 0, nullptr, false), 0);
  EXPECT_TRUE(script->EntryFound());
  script->SetText(kSource);
  EXPECT_FALSE(script->EntryFound());
  EXPECT_EQ(script->Entry()->ArgumentCount(), 0);
  EXPECT_STREQ(script->Entry()->Name(), "Other");
}

}  // namespace
