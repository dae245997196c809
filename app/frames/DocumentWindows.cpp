#include "app/frames/DocumentWindows.h"

#include <filesystem>

#include "core/Failure.h"

#include "app/frames/ChildFrame.h"
#include "app/frames/MainFrame.h"
#include "app/services/ClipboardView.h"
#include "platform/win32/Window.h"
#include "ui/views/OwlSubview.h"
#include "ui/views/OwlView.h"
#include "ui/views/WindowBuilder.h"
#include "views/offscreen/GroupView.h"

TWorldWindowDocument::TWorldWindowDocument(std::unique_ptr<TQVDoc> document,
                                           const std::string& path)
    : document_(std::move(document)), path_(path) {
  SetTitle(std::filesystem::path(path).filename().string().c_str());
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
  TOwlSubview* window = OpenWindow(kDocumentWindowKind, windowDocument);
  if (!window) ThrowFailure(kErrOutOfMemory, 0);
  // The new frame comes up in front, its window object active.
  if (CFrameWnd* frame = windowDocument->GetWindowFrame()) frame->ShowWindow(SW_SHOW);
  window->SelectWindow();
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
}
