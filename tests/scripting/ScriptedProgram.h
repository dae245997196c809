#pragma once
// The program as scripts see it, for tests: an application with documents, the Scripts menu with
// its host and engine, and the application's script object as YB. Scripts run from text or
// files; what they print and the messages they show are collected.

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "core/List.h"
#include "model/world/QVDoc.h"
#include "scripting/host/Application.h"
#include "scripting/host/ScriptApplication.h"
#include "scripting/shell/ScriptsMenu.h"

namespace world_test {
class WorldScope;
}

class TTestApplication : public TScriptApplication {
 public:
  TTestApplication() { documents.IList(); }
  bool QuitRequested() const override { return quit; }
  HWND MainWindow() const override { return nullptr; }
  TList* OpenDocuments() override { return &documents; }
  TQVDoc* FrontDocument() override { return front; }
  void ActivateDocument(TQVDoc& document) override { activated.push_back(&document); }
  void NewDocument() override;
  void OpenDocument(const FSSpec& file) override;
  bool FloatingWindowVisible(int16_t showCommand) override {
    return (showCommand == 10200 && geometryShown) || (showCommand == 10000 && propertiesShown);
  }
  void FloatingWindowCommand(int16_t command) override;
  void ShowScriptMessage(int32_t kind, const char* text) override {
    messages.push_back(std::to_string(kind) + ":" + text);
  }
  void ScriptObjectGone() override { scriptObjectGone = true; }
  bool CloseDocument(TQVDoc& document) override {
    if (!closes) return false;
    Close(&document);
    return true;
  }

  // Closes a document: it leaves the list and is deleted.
  void Close(TQVDoc* document);
  ~TTestApplication() override;

  bool quit = false;
  bool geometryShown = false;
  bool propertiesShown = false;
  bool scriptObjectGone = false;
  bool closes = true;  // false: documents cannot be closed
  TList documents;
  TQVDoc* front = nullptr;
  std::vector<TQVDoc*> activated;
  std::vector<int16_t> commands;
  std::vector<std::string> messages;
  std::string openable;  // the one path OpenDocument accepts
};

class ScriptedProgram : public ::testing::Test {
 protected:
  ScriptedProgram();
  ~ScriptedProgram() override;
  void SetUp() override;
  void TearDown() override;

  // Runs Main of the text; answers what it printed.
  std::string Run(const std::string& body);
  // Writes a script file into the test's folder; answers its path.
  std::string WriteScript(const std::string& name, const std::string& text);

  // The classes and resources documents need; made before the application's documents.
  std::unique_ptr<world_test::WorldScope> worlds_;
  TTestApplication application_;
  TAPICallLog callLog_;
  TAPIApplication* yb_ = nullptr;
  std::unique_ptr<ScriptsMenu> menu_;
  std::filesystem::path folder_;
};
