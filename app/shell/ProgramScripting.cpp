#include "app/shell/ProgramScripting.h"

#include <algorithm>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <system_error>

#include "app/TApp.h"
#include "app/frames/DocumentWindows.h"
#include "app/frames/MainFrame.h"
#include "core/Failure.h"
#include "core/Keys.h"
#include "model/command/CommandHandler.h"
#include "model/world/QVDoc.h"
#include "model/world/WorldDisplay.h"
#include "platform/win32/MessageBox.h"
#include "scripting/document/APIDocument.h"
#include "scripting/host/Application.h"
#include "scripting/shell/ScriptsMenu.h"
#include "ui/dialogs/FloatingWindows.h"
#include "ui/views/OwlSubview.h"
#include "views/world/MainWorldView.h"
#include "views/world/WorldWindow.h"

namespace {

// The application while it shows documents in windows of its main frame; null without one (unit
// tests, a program run without windows), where scripts keep documents of their own.
TApp* WindowedApplication() {
  auto* application = dynamic_cast<TApp*>(CWinApp::Current());
  if (application == nullptr || application->Documents() == nullptr) return nullptr;
  return application->MainFrame() != nullptr ? application : nullptr;
}

// The window document that shows the document in a window, or null.
TWorldWindowDocument* WindowDocumentOf(const TQVDoc& document) {
  TApp* application = WindowedApplication();
  if (application == nullptr) return nullptr;
  for (const auto& shown : application->Documents()->Documents())
    if (&shown->Document() == &document && !shown->Windows().empty()) return shown.get();
  return nullptr;
}

// The world document of the front window, as the menus find it: the current window object,
// else the active document frame of the main frame.
TWorldWindowDocument* FrontWindowDocument(TApp& application) {
  if (TOwlSubview* const front = TOwlSubview::CurrentWindow())
    if (auto* document = dynamic_cast<TWorldWindowDocument*>(front->GetDocument())) return document;
  CMainFrame* const frame = application.MainFrame();
  CMDIChildWnd* const active = frame != nullptr ? frame->MDIGetActive() : nullptr;
  if (active == nullptr) return nullptr;
  for (const auto& shown : application.Documents()->Documents())
    if (shown->GetWindowFrame() == active && !shown->Windows().empty()) return shown.get();
  return nullptr;
}

}  // namespace

TProgramScripting::TProgramScripting() {
  documents_.IList();
  SetScriptApplication(this);
}

TProgramScripting::~TProgramScripting() {
  menu_.reset();
  delete scriptObject_;  // made but never handed to a host
  if (ScriptApplication() == this) SetScriptApplication(nullptr);
  documents_.DeleteAll();
}

void TProgramScripting::InstallHooks(TStartupHooks& hooks) {
  hooks.afterMainFrame = [this](TCommandHandler& application, HWND mainFrame) {
    AfterMainFrame(application, mainFrame);
  };
  hooks.runStartupScript = [this](const std::string& path) { RunStartupScript(path); };
  hooks.beforeExit = [this](TCommandHandler& application) { BeforeExit(application); };
  hooks.documentOpened = [this](TQVDoc& document) { DocumentOpened(document); };
  hooks.documentClosed = [this](TQVDoc& document) { DocumentClosed(document); };
}

TAPIApplication* TProgramScripting::GetScriptApplication() {
  if (scriptObject_ == nullptr) {
    scriptObject_ = new TAPIApplication(&callLog_, this);
    scriptObject_->AddRef();
  }
  return scriptObject_;
}

void TProgramScripting::AfterMainFrame(TCommandHandler& application, HWND mainFrame) {
  mainFrame_ = mainFrame;
  if (menu_) return;
  TAPIApplication* yb = GetScriptApplication();
  menu_ = std::make_unique<ScriptsMenu>();
  menu_->Initialize(1, yb);
  application.InstallIdleHandler(menu_.get(), true);
}

void TProgramScripting::RunStartupScript(const std::string& path) {
  std::error_code ignored;
  if (scriptObject_ == nullptr || !std::filesystem::is_regular_file(path, ignored)) return;
  scriptObject_->RunScript(Str255(path.c_str()));
}

void TProgramScripting::BeforeExit(TCommandHandler& application) {
  // The last command and the documents scripts made go while the units their worlds need are
  // still there.
  application.CommitLastCommand();
  for (const auto& document : ownDocuments_) DocumentClosed(*document);
  ownDocuments_.clear();
  if (!menu_) return;
  application.InstallIdleHandler(menu_.get(), false);
  menu_.reset();
}

void TProgramScripting::DocumentOpened(TQVDoc& document) {
  if (!documents_.Contains(&document)) documents_.InsertLast(&document);
  front_ = &document;
}

void TProgramScripting::DocumentClosed(TQVDoc& document) {
  documents_.Delete(&document);
  if (front_ == &document)
    front_ = documents_.GetCount() > 0 ? static_cast<TQVDoc*>(documents_.At(documents_.GetCount())) : nullptr;
  // A script that still holds the document's script object is told from now on that the
  // document is gone, even while the closed document itself lives on.
  auto* scriptObject = static_cast<TAPIDispatcher*>(document.GetAPIDocument(nullptr));
  if (scriptObject == nullptr) return;
  document.ForgetAPIDocument();
  scriptObject->DeleteIfUnreferenced();
}

TQVDoc* TProgramScripting::FrontDocument() {
  TApp* application = WindowedApplication();
  if (application == nullptr) return front_;
  TWorldWindowDocument* front = FrontWindowDocument(*application);
  return front != nullptr ? &front->Document() : nullptr;
}

void TProgramScripting::ActivateDocument(TQVDoc& document) {
  TApp* application = WindowedApplication();
  if (application == nullptr) {
    if (documents_.Contains(&document)) front_ = &document;
    return;
  }
  TWorldWindowDocument* shown = WindowDocumentOf(document);
  CFrameWnd* const frame = shown != nullptr ? shown->GetWindowFrame() : nullptr;
  auto* const main = dynamic_cast<CMDIFrameWnd*>(application->MainFrame());
  if (frame == nullptr || main == nullptr) return;
  // A hidden document comes back whole, its world's window with its frame, before it is active.
  if (!frame->IsWindowVisible()) {
    if (TWorldDisplay* display = document.World().GetDisplay()) display->SetShown(true);
    ShowDocumentFrame(document, true);
  }
  main->MDIActivate(frame);
}

void TProgramScripting::NewDocument() {
  if (TApp* application = WindowedApplication()) {
    application->NewDocument();
    return;
  }
  ownDocuments_.push_back(std::make_unique<TQVDoc>());
  DocumentOpened(*ownDocuments_.back());
}

void TProgramScripting::OpenDocument(const FSSpec& file) {
  if (TApp* application = WindowedApplication()) {
    // A file that cannot be read was reported by the open; the script gets no document.
    if (!application->OpenDocumentFile(file.name.Chars())) ThrowFailure(kErrNone, 0);
    return;
  }
  auto document = std::make_unique<TQVDoc>();
  document->ReadDocument(file.name.Chars());
  ownDocuments_.push_back(std::move(document));
  DocumentOpened(*ownDocuments_.back());
}

bool TProgramScripting::CloseDocument(TQVDoc& document) {
  // A document in a window closes as the window's Close does: a changed world asks first, and
  // an answer of Cancel keeps it open. One that is already asking is left to its question.
  if (TWorldWindowDocument* shown = WindowDocumentOf(document)) {
    if (shown->Asking()) return false;
    shown->Windows().front()->CloseRequest();
    return true;
  }
  // Documents that scripts made without an application end here.
  const auto own = std::find_if(ownDocuments_.begin(), ownDocuments_.end(),
                                [&document](const auto& d) { return d.get() == &document; });
  if (own == ownDocuments_.end()) return false;
  DocumentClosed(document);
  std::unique_ptr<TQVDoc> closing = std::move(*own);
  ownDocuments_.erase(own);
  return true;
}

std::optional<bool> TProgramScripting::SaveDocument(TQVDoc& document) {
  TWorldWindowDocument* shown = WindowDocumentOf(document);
  if (shown == nullptr) return std::nullopt;
  return shown->DoFileSave() != FALSE;
}

std::optional<bool> TProgramScripting::SaveDocumentAs(TQVDoc& document, const std::string& path) {
  TWorldWindowDocument* shown = WindowDocumentOf(document);
  if (shown == nullptr) return std::nullopt;
  return shown->DoSave(path.c_str()) != FALSE;
}

bool TProgramScripting::ShowDocumentFrame(TQVDoc& document, bool show) {
  TWorldWindowDocument* shown = WindowDocumentOf(document);
  CFrameWnd* const frame = shown != nullptr ? shown->GetWindowFrame() : nullptr;
  if (frame == nullptr) return false;
  frame->ShowWindow(show ? SW_SHOW : SW_HIDE);
  // A document that comes back while no other is active becomes the active one.
  TApp* application = WindowedApplication();
  auto* const main =
      application != nullptr ? dynamic_cast<CMDIFrameWnd*>(application->MainFrame()) : nullptr;
  if (show && main != nullptr && main->MDIGetActive() == nullptr) main->MDIActivate(frame);
  return true;
}

bool TProgramScripting::FloatingWindowVisible(int16_t showCommand) {
  return IsFloatingWindowVisible(showCommand);
}

void TProgramScripting::FloatingWindowCommand(int16_t command) {
  if (front_ == nullptr) return;
  auto* window = dynamic_cast<TWorldWindow*>(front_->World().GetDisplay());
  if (window == nullptr || window->MainView() == nullptr) return;
  // The world's menu switch shows or hides the window at once and makes no command.
  const std::unique_ptr<TCommandCore> made(window->MainView()->DoMenuCommand(command));
}

// Every one of the main frame's nine bars, the display bar made hidden included.
bool TProgramScripting::ToolBarsVisible() const {
  auto* frame = dynamic_cast<CMainFrame*>(CWnd::FromHandlePermanent(mainFrame_));
  if (frame == nullptr) return false;
  // The display bar is made hidden and shows only when the user's saved arrangement has it: a
  // palette showing as it starts reads as shown.
  auto visible = frame->GetBarVisibility();
  visible[CMainFrame::kBar1] = true;
  return !frame->PalettesHidden() &&
         std::all_of(visible.begin(), visible.end(), [](bool shown) { return shown; });
}

void TProgramScripting::ShowScriptMessage(int32_t, const char* text) {
  if (mainFrame_ != nullptr) {
    MessageBox(mainFrame_, text, "Yarrowby Script", MB_OK);
    return;
  }
  std::fprintf(stderr, "%s\n", text);
}

TStartupScriptCommand::TStartupScriptCommand(TProgramScripting& scripting, std::string path)
    : scripting_(scripting), path_(std::move(path)) {
  InitCommand(0, nullptr, nullptr, nullptr);
  SetCanUndo(0);
  SetCausesChange(0);
  SetFreeWhenDone(0);
}

void TStartupScriptCommand::Perform() { scripting_.RunStartupScript(path_); }

std::string StartupScriptPath() {
  int32_t length = 0;
  GetProgramDirectory(nullptr, &length);
  std::string directory(static_cast<size_t>(length), '\0');
  GetProgramDirectory(directory.data(), &length);
  return directory + kStartupScriptName;
}
