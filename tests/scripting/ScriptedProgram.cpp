#include "tests/scripting/ScriptedProgram.h"

#include <fstream>

#include "core/Failure.h"
#include "tests/model/world/WorldTestSupport.h"

void TTestApplication::NewDocument() {
  auto* document = new TQVDoc;
  documents.InsertLast(document);
  front = document;
}

void TTestApplication::OpenDocument(const FSSpec& file) {
  if (file.name.Chars() != openable) ThrowFailure(-43, 0);
  NewDocument();
}

void TTestApplication::FloatingWindowCommand(int16_t command) {
  commands.push_back(command);
  if (command == 10200) geometryShown = true;
  if (command == 10201) geometryShown = false;
  if (command == 10000) propertiesShown = true;
  if (command == 10001) propertiesShown = false;
  // The properties window's hide command stands in for a command that closes the document.
  if (command == 10001 && front != nullptr) Close(front);
}

void TTestApplication::Close(TQVDoc* document) {
  documents.Delete(document);
  if (front == document) front = nullptr;
  delete document;
}

TTestApplication::~TTestApplication() {
  while (documents.GetCount() > 0) Close(static_cast<TQVDoc*>(documents.At(1)));
}

ScriptedProgram::ScriptedProgram() : worlds_(std::make_unique<world_test::WorldScope>()) {}
ScriptedProgram::~ScriptedProgram() = default;

void ScriptedProgram::SetUp() {
  const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
  folder_ = std::filesystem::temp_directory_path() /
            (std::string("yb-scripts-") + test->test_suite_name() + "-" + test->name());
  std::filesystem::remove_all(folder_);
  std::filesystem::create_directories(folder_);
  SetScriptApplication(&application_);
  yb_ = new TAPIApplication(&callLog_, &application_);
  yb_->AddRef();
  menu_ = std::make_unique<ScriptsMenu>();
  menu_->Initialize(1, yb_);
  ASSERT_NE(menu_->Host()->GetEngine(), nullptr);
}

void ScriptedProgram::TearDown() {
  menu_.reset();  // the host deletes YB
  EXPECT_TRUE(application_.scriptObjectGone);
  SetScriptApplication(nullptr);
  std::filesystem::remove_all(folder_);
}

std::string ScriptedProgram::Run(const std::string& body) {
  const std::string text = "Sub Main()\n" + body + "\nEnd Sub\n";
  ::testing::internal::CaptureStdout();
  ScriptResult result;
  try {
    menu_->RunScriptText(result, text.c_str(), static_cast<int32_t>(text.size()));
  } catch (const QVException& failure) {
    ::testing::internal::GetCapturedStdout();
    ADD_FAILURE() << "the run failed with " << failure.error();
    return {};
  }
  return ::testing::internal::GetCapturedStdout();
}

std::string ScriptedProgram::WriteScript(const std::string& name, const std::string& text) {
  const std::filesystem::path path = folder_ / name;
  std::ofstream(path, std::ios::binary) << text;
  return path.string();
}
