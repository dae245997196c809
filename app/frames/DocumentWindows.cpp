#include "app/frames/DocumentWindows.h"

#include "app/TApp.h"

#include <filesystem>
#include <utility>

#include "core/Alert.h"
#include "core/Failure.h"
#include "platform/mfc/CDocManager.h"

#include "app/frames/ChildFrame.h"
#include "app/frames/MainFrame.h"
#include "app/services/ClipboardView.h"
#include "app/services/EmbeddedWorlds.h"
#include "app/services/InPlaceFrame.h"
#include "app/shell/StartupHooks.h"
#include "platform/win32/Window.h"
#include "ui/periphery/StatusBarProgress.h"
#include "ui/views/OwlSubview.h"
#include "ui/views/OwlView.h"
#include "ui/views/WindowBuilder.h"
#include "model/world/WorldHost.h"
#include "views/offscreen/GroupView.h"
#include "views/offscreen/OffScreenMgr.h"

namespace {

// Counts a question or dialog of the document as open for as long as it lives.
class AskingScope {
 public:
  explicit AskingScope(int& asking) : asking_(asking) { ++asking_; }
  ~AskingScope() { --asking_; }
  AskingScope(const AskingScope&) = delete;
  AskingScope& operator=(const AskingScope&) = delete;

 private:
  int& asking_;
};

}  // namespace

TWorldWindowDocument::TWorldWindowDocument(std::unique_ptr<TQVDoc> document,
                                           const std::string& path)
    : document_(std::move(document)), path_(path) {
  SetTitle(std::filesystem::path(path).filename().string().c_str());
  // Every save of the world, from the menus or from a script, keeps its embedded items.
  document_->SetTrailerWriter(
      [this](const std::string& saving) { WriteItemsAfterDocument(items_, saving); });
}

// The world's window goes before the world it shows.
TWorldWindowDocument::~TWorldWindowDocument() {
  worldWindow_.reset();
  if (const auto& closed = StartupHooks().documentClosed) closed(*document_);
}

BOOL TWorldWindowDocument::DoFileSave() {
  const std::string& path = document_->Path();
  return DoSave(path.empty() ? nullptr : path.c_str());
}

BOOL TWorldWindowDocument::DoSave(const char* path) {
  auto* application = dynamic_cast<TApp*>(CWinApp::Current());
  std::string target = path != nullptr ? path : "";
  if (target.empty()) {
    target = document_->Path().empty() ? document_->Title() + ".yb" : document_->Path();
    CDocManager* const manager = application != nullptr ? application->GetDocManager() : nullptr;
    if (manager == nullptr) return FALSE;
    const AskingScope asking(asking_);
    if (!manager->DoPromptFileName(target, "Save the world as", false)) return FALSE;
    // A document whose windows went while its dialog was open has nothing left to save.
    if (Windows().empty()) return FALSE;
  }
  try {
    document_->WriteDocument(target);
  } catch (const QVException& failure) {
    const std::string detail = "The world was not saved as \"" + target + "\".";
    FailureDetailText() = Str255(detail.c_str());
    if (application != nullptr) application->ShowError(failure.error(), failure.message());
    return FALSE;
  }
  path_ = FullDocumentPath(target);
  const std::string name = std::filesystem::path(path_).filename().string();
  SetTitle(name.c_str());
  for (TOwlSubview* window : Windows())
    window->SetTitle(name);
  SetModifiedFlag(FALSE);
  if (application != nullptr) application->DocumentSaved(path_);
  return TRUE;
}

BOOL TWorldWindowDocument::SaveModified() {
  SetModifiedFlag(document_->GetChangeCount() != 0 ? TRUE : FALSE);
  // An embedded world keeps its changes in its item, not in a file of its own.
  if (saveItem_) {
    if (IsModified()) saveItem_();
    return TRUE;
  }
  const AskingScope asking(asking_);
  return CDocument::SaveModified();
}

void TWorldWindowDocument::ServeItem(std::function<void()> save, std::function<void()> closed) {
  saveItem_ = std::move(save);
  itemClosed_ = std::move(closed);
}

bool TWorldWindowDocument::MayClose() {
  // A document closed while it asked is not closed again.
  return SaveModified() != FALSE && !Windows().empty();
}

void TWorldWindowDocument::Close() {
  // The embedded worlds' windows go with the document.
  items_.CloseAll();
  TWindowDocument::Close();
  // Scripts no longer see a document whose windows are gone.
  if (const auto& closed = StartupHooks().documentClosed) closed(*document_);
  if (CDocTemplate* const docTemplate = GetDocTemplate()) docTemplate->RemoveDocument(this);
  if (auto* application = dynamic_cast<TApp*>(CWinApp::Current()))
    application->KeepWindowPlacesWhenNoDocumentIsOpen();
  saveItem_ = nullptr;
  if (const std::function<void()> closed = std::exchange(itemClosed_, nullptr)) closed();
}

CQVDocTemplate::CQVDocTemplate()
    : CMultiDocTemplate(0, nullptr, RUNTIME_CLASS(CChildFrame), RUNTIME_CLASS(TOwlWindow)) {}

CDocument* CQVDocTemplate::OpenDocumentFile(const char* path, BOOL) {
  auto* application = dynamic_cast<TApp*>(CWinApp::Current());
  if (application == nullptr || application->Documents() == nullptr) return nullptr;
  TDocumentWindows& documents = *application->Documents();
  try {
    if (path != nullptr && *path != '\0') {
      if (!application->OpenDocumentFile(path)) return nullptr;
      return documents.FindDocumentOfFile(FullDocumentPath(path));
    }
    application->NewDocument();
  } catch (const QVException& failure) {
    application->ShowError(failure.error(), failure.message());
    return nullptr;
  }
  return documents.NewestOpenDocument();
}

TDocumentWindows::~TDocumentWindows() {
  for (auto& document : documents_)
    document->Close();
}

TOwlSubview* TDocumentWindows::Open(std::unique_ptr<TQVDoc> document, const std::string& path) {
  documents_.push_back(std::make_unique<TWorldWindowDocument>(std::move(document), path));
  TWorldWindowDocument* windowDocument = documents_.back().get();
  template_.AddDocument(windowDocument);
  TWorldDoc& world = windowDocument->Document().World();
  auto worldWindow = std::make_unique<TWorldWindow>(world, *windowDocument);
  // Document windows open maximised while the zoom state kept between runs says so.
  const auto* application = dynamic_cast<const TApp*>(CWinApp::Current());
  worldWindow->SetZoomDocuments(application != nullptr && application->DocZoomState() != 0);
  // A world whose view was never placed is shown whole.
  worldWindow->SetZoomToExtents(world.GetHorizontalOffset() == 0.0 &&
                                world.GetVerticalOffset() == 0.0);
  // A drawing's view was made before its window: it is framed in the window it opens in.
  worldWindow->SetFitDrawing(windowDocument->Document().ReadFromDrawing());
  worldWindow->OpenWindow();
  TOwlSubview* window = worldWindow->FrameWindow();
  if (!window) ThrowFailure(kErrOutOfMemory, 0);
  windowDocument->SetWorldWindow(std::move(worldWindow));
  // An untitled world has no file of its own: its name is no path to read items from.
  if (!windowDocument->Document().Path().empty())
    ReadItemsAfterDocument(windowDocument->Items(), path);
  ShowItemsInView(*windowDocument);
  // The new frame comes up in front, its window object active.
  if (CFrameWnd* frame = windowDocument->GetWindowFrame()) frame->ShowWindow(SW_SHOW);
  window->SelectWindow();
  if (const auto& opened = StartupHooks().documentOpened) opened(windowDocument->Document());
  return window;
}

TWorldWindowDocument* TDocumentWindows::FindDocumentOfFile(const std::string& path) const {
  for (const auto& document : documents_) {
    if (!document->Windows().empty() && document->Path() == path) return document.get();
  }
  return nullptr;
}

TWorldWindowDocument* TDocumentWindows::NewestOpenDocument() const {
  for (auto it = documents_.rbegin(); it != documents_.rend(); ++it) {
    if (!(*it)->Windows().empty()) return it->get();
  }
  return nullptr;
}

size_t TDocumentWindows::OpenCount() const {
  size_t open = 0;
  for (const auto& document : documents_)
    open += document->Windows().empty() ? 0 : 1;
  return open;
}

TOwlSubview* TDocumentWindows::FindWindowOfFile(const std::string& path) const {
  for (const auto& document : documents_) {
    if (document->Path().empty() || document->Path() != path) continue;
    if (!document->Windows().empty()) return document->Windows().front();
  }
  return nullptr;
}

void InstallWindowLayer(CMainFrame* mainFrame) {
  SetMainFrame(mainFrame);
  TWindowBuilderHooks hooks;
  hooks.makeDocumentWindow = []() -> TOwlWindow* {
    auto* main = dynamic_cast<CMainFrame*>(GetMainFrame());
    return main ? main->MakeDocumentWindow() : nullptr;
  };
  hooks.joinClipboardViewer = [](TOwlSubview* windowObject) {
    TClipboardView::JoinViewerChain(windowObject);
  };
  hooks.layOutMainFrame = [](int16_t notify) {
    if (CFrameWnd* main = GetMainFrame()) main->RecalcLayout(notify);
  };
  hooks.showFramePalettes = [](bool show) {
    // A world edited in place shows and hides the bars of its own frame.
    TOwlSubview* const current = TOwlSubview::CurrentWindow();
    auto* const document =
        current != nullptr ? dynamic_cast<TWorldWindowDocument*>(current->GetDocument()) : nullptr;
    if (auto* inPlace = document != nullptr
                            ? dynamic_cast<CInPlaceFrame*>(document->Items().GetInPlaceFrame())
                            : nullptr) {
      inPlace->ShowPalettes(show);
      return;
    }
    if (auto* main = dynamic_cast<CMainFrame*>(GetMainFrame())) main->ShowPalettes(show);
  };
  SetWindowBuilderHooks(hooks);
  // A document file being read shows how far it has gone in the status bar.
  TQVDoc::SetReadIndicatorMaker([](const std::string& path)
                                     -> std::unique_ptr<TQVDoc::ReadIndicator> {
    auto* main = dynamic_cast<CMainFrame*>(GetMainFrame());
    return main ? MakeDocumentReadIndicator(&main->StatusBar(), path) : nullptr;
  });
  RegisterWorldServer();
  RegisterGroupView();
  // Drawing buffers lost for lack of memory are told as the program tells failures.
  OffScreenGlobals().alertTime = OffScreenTicks();
  OffScreenGlobals().showError = [](int16_t error, int32_t message) {
    TWorldHost::Default().ShowError(error, message);
  };
}
