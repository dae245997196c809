#include "app/frames/DocumentWindows.h"

#include <filesystem>

#include "app/frames/ChildFrame.h"
#include "app/frames/MainFrame.h"
#include "app/services/ClipboardView.h"
#include "ui/views/OwlView.h"
#include "ui/views/WindowBuilder.h"
#include "views/offscreen/GroupView.h"

TWorldWindowDocument::TWorldWindowDocument(std::unique_ptr<TQVDoc> document,
                                           const std::string& path)
    : document_(std::move(document)) {
  SetTitle(std::filesystem::path(path).filename().string().c_str());
}

TWorldDocTemplate::TWorldDocTemplate()
    : CDocTemplate(0, nullptr, RUNTIME_CLASS(CChildFrame), RUNTIME_CLASS(TOwlWindow)) {}

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
