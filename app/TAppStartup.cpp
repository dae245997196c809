// The application's start-up and shut-down sequences, and its documents. The order of each
// sequence matters: later steps read what earlier ones set (resources before any lookup, the
// class registry frozen before any document is read, the main frame before the hooks that
// build on it).

#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <vector>

#include "app/ActionHost.h"
#include "app/services/ClipboardWindow.h"
#include "app/services/ShellPictures.h"
#include "inout/gadgets/PictGadget.h"
#include "app/OpenDocument.h"
#include "app/TApp.h"
#include "app/frames/DocumentWindows.h"
#include "app/AppDialogServices.h"
#include "app/frames/MainFrame.h"
#include "app/frames/SplashWindow.h"
#include "app/shell/AboutDialog.h"
#include "app/shell/OpenFileDialog.h"
#include "app/shell/StartupHooks.h"
#include "core/Alert.h"
#include "core/Failure.h"
#include "core/Resources.h"
#include "core/FileCalls.h"
#include "exchange/export/ExportCommand.h"
#include "exchange/dde/DocManagers.h"
#include "exchange/tables/DataTable.h"
#include "inout/inputs/InputEdit.h"
#include "platform/mfc/CRecentFileList.h"
#include "platform/win32/OpenFileDialog.h"
#include "platform/win32/Profile.h"
#include "platform/win32/Resource.h"
#include "platform/win32/Window.h"
#include "platform/win32/WindowPaint.h"
#include "ui/views/OwlSubview.h"

namespace {

constexpr UINT kProfileFolderString = 24339;
constexpr UINT kFirstLabelString = 271828;
constexpr UINT kSecondLabelString = 314159;
constexpr char kUntitled[] = "Untitled";
// The document New starts from, in the configuration directory, when it is there.
constexpr char kPrefsFile[] = "YBPREFS4.YB";
constexpr char kZoomStateKey[] = "Doc Zoom State";
constexpr int kRecentFiles = 4;
constexpr char kProfileName[] = "yb.ini";

// $XDG_CONFIG_HOME, else ~/.config, else the working directory.
std::string DefaultConfigDirectory() {
  if (const char* config = std::getenv("XDG_CONFIG_HOME"); config != nullptr && *config != '\0')
    return config;
  if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0')
    return std::string(home) + "/.config";
  return ".";
}

// A string of the main library, else of the second; empty when neither has it.
std::string LoadProgramString(UINT id) {
  char text[256] = "";
  if (LoadStringA(GetResourceModule1(), id, text, sizeof text) > 0) return text;
  if (LoadStringA(GetResourceModule2(), id, text, sizeof text) > 0) return text;
  return {};
}

// The main frame's title names the document opened last.
void NameDocumentInTitle(HWND frame, const std::string& path) {
  if (frame == nullptr || !IsWindow(frame)) return;
  const std::string name = std::filesystem::path(path).filename().string();
  SetWindowText(frame, ("Yarrowby - " + name).c_str());
}

TWorldWindowDocument* FrontWorldDocument() {
  TOwlSubview* const front = TOwlSubview::CurrentWindow();
  return front != nullptr ? dynamic_cast<TWorldWindowDocument*>(front->GetDocument()) : nullptr;
}

}  // namespace

std::string FullDocumentPath(const std::string& path) {
  std::error_code error;
  std::filesystem::path full = std::filesystem::weakly_canonical(path, error);
  if (error) full = std::filesystem::absolute(path, error).lexically_normal();
  return error ? path : full.string();
}

TApp::TApp(std::FILE* errorStream) : errorStream_(errorStream) {}

TApp::~TApp() {
  if (TActionButton::Host() != actionHost_.get()) return;
  TActionButton::SetHost(nullptr);
  TPictGadget::SetPictureConverter(nullptr);
}

CMainFrame* TApp::MainFrame() const {
  if (mainWindow_ == nullptr || !IsWindow(mainWindow_)) return nullptr;
  return dynamic_cast<CMainFrame*>(CWnd::FromHandlePermanent(mainWindow_));
}

void TApp::LoadLabelStrings() {
  labels_[0] = Str255(LoadProgramString(kFirstLabelString).c_str());
  labels_[1] = Str255(LoadProgramString(kSecondLabelString).c_str());
}

bool TApp::InitInstance(const CCommandLineInfo& line) {
  TQVApp::InitInstance();
  LoadResourceDlls();
  resourcesLoaded_ = true;
  profileFolder_ = LoadProgramString(kProfileFolderString);
  {
    std::filesystem::path profile(configDirectory_.empty() ? DefaultConfigDirectory()
                                                           : configDirectory_);
    if (!profileFolder_.empty()) profile /= profileFolder_;
    SetProfileFile((profile / kProfileName).string());
    // Files named without a folder ("YB.INI") live beside the profile.
    SetWindowsDirectory(profile.string());
  }
  try {
    InitUnits();
  } catch (const QVException& failure) {
    ShowError(failure.error(), failure.message());
    return false;
  }
  unitsStarted_ = true;
  EnableSplashScreen(line.m_bShowSplash && !line.m_bRunEmbedded && !line.m_bRunAutomated);
  ShowSplashScreen(nullptr);
  if (const auto& splash = StartupHooks().showSplash) splash(line.m_bShowSplash);

  // The application's own handler is where commands start until a window takes over.
  CreateHelpers();
  recentFiles_ = std::make_unique<CRecentFileList>(CRecentFileList::kFirstCommand,
                                                   "Recent File List", "File%d", kRecentFiles);
  recentFiles_->ReadList();
  LoadDocZoomState();

  documents_ = std::make_unique<TDocumentWindows>();
  GetDocManager()->AddDocTemplate(&documents_->Template());
  auto* frame = new CMainFrame;  // deleted with its window, also when creation fails
  if (!frame->CreateMainWindow()) return false;
  mainWindow_ = frame->m_hWnd;
  m_pMainWnd = frame;
  recentFiles_->UpdateMenu(GetMenu(mainWindow_));
  InstallWindowLayer(frame);
  InstallServices();
  InstallAppDialogServices();
  // The floating windows stand where the user left them, hidden until asked for.
  try {
    LayoutWindows(frame->WindowSettings());
  } catch (const QVException& failure) {
    ShowError(failure.error(), failure.message());
  }
  // The file dialogs of the program are the window layer's open dialog over the main frame.
  SetFileDialogAnswerer([this](FileDialogRequest& request) -> std::optional<std::string> {
    OpenFileRequest open;
    open.owner = mainWindow_ != nullptr && IsWindow(mainWindow_) ? mainWindow_ : nullptr;
    open.title = request.title;
    open.filter = request.filter;
    if (request.open) return RunOpenFileDialog(open);
    open.defaultExtension = request.defaultExtension;
    return RunSaveFileDialog(open);
  });
  if (const auto& after = StartupHooks().afterMainFrame) after(*this, frame->m_hWnd);

  if (line.m_bRunEmbedded || line.m_bRunAutomated) return true;
  switch (line.m_nShellCommand) {
    case CCommandLineInfo::FileOpen:
      if (!OpenDocumentFile(line.m_strFileName)) return false;
      break;
    case CCommandLineInfo::FilePrint:
    case CCommandLineInfo::FilePrintTo:
    case CCommandLineInfo::FileDDE:
      std::fprintf(errorStream_, "Yarrowby: documents cannot be printed from the command line.\n");
      return false;
    default:
      break;
  }
  if (!IsWindowVisible(frame->m_hWnd)) {
    const bool maximised = frame->StartPlacement().showCmd == SW_SHOWMAXIMIZED;
    ShowWindow(frame->m_hWnd, maximised ? SW_SHOWMAXIMIZED : SW_SHOW);
  }
  UpdateWindow(frame->m_hWnd);
  if (const auto& script = StartupHooks().runStartupScript) {
    const std::filesystem::path directory(programDirectory_.empty() ? "." : programDirectory_);
    script((directory / kStartupScriptName).string());
  }
  return true;
}

BOOL TApp::InitInstance() {
  if (InitInstance(commandLine_)) return TRUE;
  SetExitCode(1);
  return FALSE;
}

int32_t TApp::Run() {
  if (MainFrame() == nullptr) return ExitInstance();
  return TQVApp::Run();
}

int32_t TApp::RunProgram(const CCommandLineInfo& line) {
  commandLine_ = line;
  return RunApplication();
}

void TApp::LoadDocZoomState() {
  zoomState_ = static_cast<int16_t>(GetProfileInt(kSettingsSection, kZoomStateKey, 1));
}

void TApp::SaveDocZoomState() {
  WriteProfileInt(kSettingsSection, kZoomStateKey, zoomState_);
}

int32_t TApp::ExitInstance() {
  FreeQueuedCommands();
  if (recentFiles_ != nullptr) {
    SaveDocZoomState();
    recentFiles_->WriteList();
  }
  if (const auto& exit = StartupHooks().beforeExit) exit(*this);
  if (MainFrame() != nullptr) DestroyWindow(mainWindow_);
  mainWindow_ = nullptr;
  m_pMainWnd = nullptr;
  SetMainFrame(nullptr);
  SetFileDialogAnswerer(nullptr);
  RemoveAppDialogServices();
  if (documents_ != nullptr && GetDocManager() != nullptr)
    GetDocManager()->RemoveDocTemplate(&documents_->Template());
  documents_.reset();
  CommitLastCommand();
  if (unitsStarted_) TermUnits();
  unitsStarted_ = false;
  if (resourcesLoaded_) FreeResourceDlls();
  resourcesLoaded_ = false;
  recentFiles_.reset();
  SetProfileFile("");
  SetWindowsDirectory("");
  HideSplashScreen();
  return ExitCode();
}

void TApp::InstallServices() {
  actionHost_ = std::make_unique<TProgramActionHost>(*this);
  TActionButton::SetHost(actionHost_.get());
  TPictGadget::SetPictureConverter([](const std::vector<uint8_t>& bytes) {
    const Handle picture = NewHandleFromBytes(bytes.data(), static_cast<uint32_t>(bytes.size()));
    std::optional<METAFILEPICT> converted = ConvertPictureToMetafile(picture);
    FreeHandleIfAny(picture);
    return converted;
  });
  TApplicationHandler::Services& services = GetServices();
  services.newDocument = [this](int16_t) { NewDocument(); };
  services.openDocument = [this](int16_t command) { OpenDocumentByDialog(command); };
  services.closeFrontWindow = [] {
    if (TOwlSubview* front = TOwlSubview::CurrentWindow()) front->CloseRequest();
  };
  services.exitProgram = [this] {
    if (MainFrame() != nullptr) PostMessage(mainWindow_, WM_CLOSE, 0, 0);
  };
  services.stopRunning = [] {
    if (TWorldWindowDocument* front = FrontWorldDocument()) front->Document().World().StopRunning();
  };
  services.frontDocument = []() -> TCommandDocument* {
    TWorldWindowDocument* front = FrontWorldDocument();
    return front != nullptr ? &front->Document() : nullptr;
  };
  services.memoryLow = [] { return IsMemoryLow(); };
  services.showAbout = [this] { OnAppAbout(); };
  services.showClipboard = [] { ShowClipboardWindow(); };
  services.openRecentFile = [this](int index) { OpenRecentFile(index); };
  services.setUpFrameworkItems = [this] {
    const HMENU bar = MainFrame() != nullptr ? GetMenu(mainWindow_) : nullptr;
    if (bar == nullptr || recentFiles_ == nullptr) return;
    for (int i = 0; i < recentFiles_->GetCount(); ++i) {
      EnableMenuItem(bar, CRecentFileList::kFirstCommand + static_cast<UINT>(i),
                     MF_BYCOMMAND | MF_ENABLED);
    }
  };
  services.closeAllDocuments = [this] {
    // The documents close their windows as they go.
    if (GetDocManager() != nullptr && documents_ != nullptr)
      GetDocManager()->RemoveDocTemplate(&documents_->Template());
    documents_ = std::make_unique<TDocumentWindows>();
    if (GetDocManager() != nullptr) GetDocManager()->AddDocTemplate(&documents_->Template());
  };
  // Undo in a value field that has nothing typed yet is the program's Undo.
  TInputEdit::SetApplicationUndo([] {
    auto* application = dynamic_cast<TApplicationHandler*>(TCommandHandler::Application());
    return application != nullptr && application->ChooseMenuItem(TApplicationHandler::kUndoCommand);
  });
  services.exportFrontWorld = [this](int16_t command) -> TCommandCore* {
    TWorldWindowDocument* const front = FrontWorldDocument();
    if (front == nullptr) return nullptr;
    return MakeExportMenuCommand(command, front->Document().World(), mainWindow_).release();
  };
  services.loadTableFrontWorld = [](int16_t command) -> TCommandCore* {
    TWorldWindowDocument* const front = FrontWorldDocument();
    if (front == nullptr) return nullptr;
    return DataTableManagerFor(front->Document().World()).DoMenuCommand(command);
  };
  services.linkExternalFrontWorld = [](int16_t command) -> TCommandCore* {
    TWorldWindowDocument* const front = FrontWorldDocument();
    if (front == nullptr) return nullptr;
    bool handled = false;
    TWorldDoc& world = front->Document().World();
    TAEWorldTableMgr& manager = ExternalTableManagerFor(world);
    // The table manager's own command places a new table document by the mouse.
    if (manager.HandlesCommand(command)) {
      ArmExternalTablePlacing(world);
      return nullptr;
    }
    try {
      return manager.DoMenuCommand(command, handled);
    } catch (const QVException& failure) {
      // Nothing selected ends the command without a word.
      if (failure.error() != 0) throw;
      return nullptr;
    }
  };
  services.saveFrontDocument = [](bool saveAs) {
    TWorldWindowDocument* const front = FrontWorldDocument();
    if (front == nullptr) return;
    if (saveAs) {
      front->DoSave(nullptr);
    } else {
      front->DoFileSave();
    }
  };
}

void TApp::KeepWindowPlacesWhenNoDocumentIsOpen() {
  CMainFrame* const frame = MainFrame();
  if (frame == nullptr || documents_ == nullptr || documents_->OpenCount() != 0) return;
  StoreWindowPlaces(frame->WindowSettings());
}

void TApp::OpenRecentFile(int index) {
  if (recentFiles_ == nullptr || index < 0 || index >= recentFiles_->GetCount()) return;
  const std::string path = (*recentFiles_)[index];
  if (OpenDocumentFile(path)) return;
  recentFiles_->Remove(index);
  if (MainFrame() != nullptr) recentFiles_->UpdateMenu(GetMenu(mainWindow_));
}

void TApp::DocumentSaved(const std::string& path) {
  NameDocumentInTitle(mainWindow_, path);
  if (recentFiles_ == nullptr) return;
  recentFiles_->Add(path);
  if (MainFrame() != nullptr) recentFiles_->UpdateMenu(GetMenu(mainWindow_));
}

void TApp::OnAppAbout() {
  TAboutDialog about(GetResourceModule1());
  about.DoModal(mainWindow_);
}

void TApp::MakeDocumentsByKind(TOpenDocumentCommand& command) {
  command.MakeDocumentWith([this, path = command.Path()] {
    // A file whose type cannot be read is reported by the read that follows.
    uint32_t type = kNoFileType;
    try {
      type = GetFileTypeOfPath(path.c_str());
    } catch (const QVException&) {
    }
    return CreateDocument(DocumentKindOfFile(&type));
  });
}

void TApp::NewDocument() {
  if (documents_ == nullptr) return;
  // The preferences document, when there is one, is what a new world starts from.
  const std::filesystem::path prefs = std::filesystem::path(GetWindowsDirectory()) / kPrefsFile;
  std::error_code error;
  std::unique_ptr<TQVDoc> document;
  if (!GetWindowsDirectory().empty() && std::filesystem::is_regular_file(prefs, error)) {
    TOpenDocumentCommand command(prefs.string());
    MakeDocumentsByKind(command);
    SetOpeningPreferences(true);
    HandleCommand(&command);
    SetOpeningPreferences(false);
    if (command.Document() == nullptr) return;  // the failure was shown
    document = command.TakeDocument();
    document->ForgetPath();
  } else {
    document = CreateDocument(DocumentKindOfFile(nullptr));
  }
  // Each new world counts one more untitled document; the second and later are numbered so
  // their windows and the names offered on saving tell them apart.
  CQVDocTemplate& docTemplate = documents_->Template();
  docTemplate.CountUntitled();
  const int count = docTemplate.GetUntitledCount();
  const std::string name = count <= 1 ? std::string(kUntitled)
                                      : std::string(kUntitled) + " " + std::to_string(count);
  document->SetUntitledName(name);
  documents_->Open(std::move(document), name);
  NameDocumentInTitle(mainWindow_, name);
}

bool TApp::OpenDocumentFile(const std::string& path) {
  if (documents_ == nullptr || !MayOpenDocument()) return false;
  const std::string full = FullDocumentPath(path);
  if (TOwlSubview* open = documents_->FindWindowOfFile(full)) {
    open->SelectWindow();
    return true;
  }
  TOpenDocumentCommand command(path);
  MakeDocumentsByKind(command);
  HandleCommand(&command);
  if (command.Document() == nullptr) return false;
  const std::string note = command.Document()->TakeImportNote();
  documents_->Open(command.TakeDocument(), full);
  NameDocumentInTitle(mainWindow_, full);
  if (recentFiles_ != nullptr) {
    recentFiles_->Add(full);
    if (MainFrame() != nullptr) recentFiles_->UpdateMenu(GetMenu(mainWindow_));
  }
  // What the file held that the world did not take is told once the world shows the rest.
  if (!note.empty()) WarnMayCancel(Str255(note.c_str()), false);
  return true;
}

void TApp::OpenDocumentByDialog(int16_t command) {
  TFileReply reply;
  DoOpenFileDialog(command, "Open a world", "", reply);
  if (reply.good == 0) return;
  // A document that cannot be read is reported by the open command; the dialog's command ends
  // quietly then.
  if (!OpenDocumentFile(reply.name.AsCString())) ThrowFailure(kErrNone, 0);
}
