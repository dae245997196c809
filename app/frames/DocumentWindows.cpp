#include "app/frames/DocumentWindows.h"

#include "app/TApp.h"

#include <filesystem>

#include "core/Failure.h"

#include "app/frames/ChildFrame.h"
#include "app/frames/MainFrame.h"
#include "app/services/ClipboardView.h"
#include "app/shell/StartupHooks.h"
#include "platform/win32/Window.h"
#include "ui/views/OwlSubview.h"
#include "ui/views/OwlView.h"
#include "ui/views/WindowBuilder.h"
#include "model/world/WorldHost.h"
#include "views/offscreen/GroupView.h"
#include "views/offscreen/OffScreenMgr.h"

TWorldWindowDocument::TWorldWindowDocument(std::unique_ptr<TQVDoc> document,
                                           const std::string& path)
    : document_(std::move(document)), path_(path) {
  SetTitle(std::filesystem::path(path).filename().string().c_str());
}

// The world's window goes before the world it shows.
TWorldWindowDocument::~TWorldWindowDocument() {
  worldWindow_.reset();
  if (const auto& closed = StartupHooks().documentClosed) closed(*document_);
}

TWorldDocTemplate::TWorldDocTemplate()
    : CDocTemplate(0, nullptr, RUNTIME_CLASS(CChildFrame), RUNTIME_CLASS(TOwlWindow)) {}

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
  worldWindow->OpenWindow();
  TOwlSubview* window = worldWindow->FrameWindow();
  if (!window) ThrowFailure(kErrOutOfMemory, 0);
  windowDocument->SetWorldWindow(std::move(worldWindow));
  // The new frame comes up in front, its window object active.
  if (CFrameWnd* frame = windowDocument->GetWindowFrame()) frame->ShowWindow(SW_SHOW);
  window->SelectWindow();
  if (const auto& opened = StartupHooks().documentOpened) opened(windowDocument->Document());
  return window;
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
  SetWindowBuilderHooks(hooks);
  RegisterGroupView();
  // Drawing buffers lost for lack of memory are told as the program tells failures.
  OffScreenGlobals().alertTime = OffScreenTicks();
  OffScreenGlobals().showError = [](int16_t error, int32_t message) {
    TWorldHost::Default().ShowError(error, message);
  };
}
