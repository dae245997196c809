#pragma once
// The program's side of scripting until the application object takes it over: the documents
// scripts see, the application's script object (YB), the Scripts menu that owns the engine, and
// the start-up hooks that make them after the main frame, run the start-up script and end them
// at exit.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/shell/StartupHooks.h"
#include "core/List.h"
#include "model/command/CommandCore.h"
#include "scripting/host/APIDispatcher.h"
#include "scripting/host/ScriptApplication.h"

class ScriptsMenu;
class TAPIApplication;
class TCommandHandler;
class TQVDoc;

class TProgramScripting : public TScriptApplication {
 public:
  TProgramScripting();
  // Ends scripting (when BeforeExit did not) and closes the documents it opened.
  ~TProgramScripting() override;
  TProgramScripting(const TProgramScripting&) = delete;
  TProgramScripting& operator=(const TProgramScripting&) = delete;

  // Fills the program's start-up hooks with the steps below.
  void InstallHooks(TStartupHooks& hooks);
  // Makes YB and the Scripts menu (which starts the engine) and puts the menu in the
  // application's window-less handler chain.
  void AfterMainFrame(TCommandHandler& application, HWND mainFrame);
  // Runs the script through YB when the file exists; a missing file is no error.
  void RunStartupScript(const std::string& path);
  // The menu leaves the chain and ends the engine.
  void BeforeExit(TCommandHandler& application);

  // The application's script object, made once.
  TAPIApplication* GetScriptApplication();
  ScriptsMenu* Menu() const { return menu_.get(); }

  // A document the program shows from now on; it becomes the front document.
  void DocumentOpened(TQVDoc& document);
  // The document is closing: scripts no longer see it.
  void DocumentClosed(TQVDoc& document);
  void SetQuitRequested(bool quit) { quit_ = quit; }

  bool QuitRequested() const override { return quit_; }
  HWND MainWindow() const override { return mainFrame_; }
  TList* OpenDocuments() override { return &documents_; }
  // With windows: the document of the front window, as the menus find it.
  TQVDoc* FrontDocument() override;
  void ActivateDocument(TQVDoc& document) override;
  void NewDocument() override;
  void OpenDocument(const FSSpec& file) override;
  bool FloatingWindowVisible(int16_t showCommand) override;
  bool ToolBarsVisible() const override;
  void FloatingWindowCommand(int16_t command) override;
  void ShowScriptMessage(int32_t kind, const char* text) override;
  void ScriptObjectGone() override { scriptObject_ = nullptr; }
  bool CloseDocument(TQVDoc& document) override;
  std::optional<bool> SaveDocument(TQVDoc& document) override;
  std::optional<bool> SaveDocumentAs(TQVDoc& document, const std::string& path) override;
  bool ShowDocumentFrame(TQVDoc& document, bool show) override;

 private:
  TList documents_;
  TQVDoc* front_ = nullptr;  // the front document while there are no windows
  // Made or opened by scripts while there is no application that shows documents.
  std::vector<std::unique_ptr<TQVDoc>> ownDocuments_;
  HWND mainFrame_ = nullptr;
  bool quit_ = false;
  TAPICallLog callLog_;
  TAPIApplication* scriptObject_ = nullptr;  // the host's once the menu has started
  std::unique_ptr<ScriptsMenu> menu_;
};

// A command that runs the start-up script when performed; posted after the commands that open
// the documents of the command line, so that the script runs last.
class TStartupScriptCommand : public TCommandCore {
 public:
  TStartupScriptCommand(TProgramScripting& scripting, std::string path);
  void Perform() override;

 private:
  TProgramScripting& scripting_;
  std::string path_;
};

// The path of the start-up script in the program's directory.
std::string StartupScriptPath();
