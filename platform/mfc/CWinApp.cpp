#include "platform/mfc/CWinApp.h"

#include "platform/mfc/CDocManager.h"
#include "platform/mfc/CDocument.h"
#include "platform/win32/Window.h"

IMPLEMENT_DYNAMIC(CWinApp, CCmdTarget)

namespace {

CWinApp*& CurrentSlot() {
  static CWinApp* application = nullptr;
  return application;
}

}  // namespace

CWinApp::CWinApp() : previous_(CurrentSlot()) {
  CurrentSlot() = this;
}

CWinApp::~CWinApp() {
  if (CurrentSlot() == this) CurrentSlot() = previous_;
}

CWinApp* CWinApp::Current() {
  return CurrentSlot();
}

int32_t CWinApp::RunApplication() {
  if (!InitInstance()) return ExitInstance();
  return Run();
}

BOOL CWinApp::InitInstance() {
  return TRUE;
}

int32_t CWinApp::ExitInstance() {
  return exitCode_;
}

int32_t CWinApp::Run() {
  RunMessageLoop();
  return ExitInstance();
}

int32_t CWinApp::RunMessageLoop() {
  bool idle = true;
  int32_t count = 0;
  for (;;) {
    MSG waiting;
    // A loop kept busy (a run going on) never waits in GetMessage, which serves outside work
    // (a script sent to the program) otherwise.
    ServeReadySources();
    while (idle && PeekMessage(&waiting, nullptr, 0, 0, PM_NOREMOVE) == 0) {
      if (!OnIdle(count++)) idle = false;
      NoteIdlePass();
    }
    do {
      if (!PumpMessage()) return exitCode_;
      if (IsIdleMessage(&m_msgCur)) {
        idle = true;
        count = 0;
      }
    } while (PeekMessage(&waiting, nullptr, 0, 0, PM_NOREMOVE) != 0);
  }
}

BOOL CWinApp::PumpMessage() {
  return PumpOneMessage(true);
}

BOOL CWinApp::PumpOneMessage(bool wait) {
  BOOL result = 0;
  if (wait) {
    result = GetMessage(&m_msgCur, nullptr, 0, 0);
  } else {
    // Without waiting, the desktop's events are not taken in on their own.
    PollDesktop();
    // A loop that never waits (a run going on) still settles between its passes.
    NoteIdlePass();
    if (PeekMessage(&m_msgCur, nullptr, 0, 0, PM_REMOVE) == 0) {
      // Nothing waited: nothing to make a new idle period of either.
      m_msgCur = MSG{};
      m_msgCur.message = WM_KICKIDLE;
      return TRUE;
    }
    result = m_msgCur.message == WM_QUIT ? 0 : 1;
  }
  if (result <= 0) {
    exitCode_ = result == 0 ? static_cast<int32_t>(m_msgCur.wParam) : -1;
    return FALSE;
  }
  if (m_msgCur.message != WM_KICKIDLE && !PreTranslateMessage(&m_msgCur)) {
    TranslateMessage(&m_msgCur);
    DispatchMessage(&m_msgCur);
  }
  return TRUE;
}

// At the start of an idle period the main window and its descendants are told, so that bars
// and panes bring their command interfaces up to date.
BOOL CWinApp::OnIdle(int32_t count) {
  if (count <= 0 && m_pMainWnd != nullptr && IsWindow(m_pMainWnd->m_hWnd)) {
    SendMessage(m_pMainWnd->m_hWnd, WM_IDLEUPDATECMDUI, TRUE, 0);
    m_pMainWnd->SendMessageToDescendants(WM_IDLEUPDATECMDUI, TRUE);
  }
  return count < 1 ? TRUE : FALSE;
}

BOOL CWinApp::IsIdleMessage(const MSG* message) {
  switch (message->message) {
    case WM_PAINT:
    case WM_TIMER:
    case WM_KICKIDLE:
      return FALSE;
    case WM_MOUSEMOVE:
    case WM_NCMOUSEMOVE: {
      const POINT point = message->pt;
      const bool same = message->message == lastMouseMessage_ && point.x == lastMousePoint_.x &&
                        point.y == lastMousePoint_.y;
      lastMousePoint_ = point;
      lastMouseMessage_ = message->message;
      return same ? FALSE : TRUE;
    }
    default:
      return TRUE;
  }
}

BOOL CWinApp::PreTranslateMessage(MSG* message) {
  const HWND top = m_pMainWnd != nullptr ? m_pMainWnd->m_hWnd : nullptr;
  return CWnd::WalkPreTranslateTree(top, message);
}

BOOL CWinApp::SaveAllModified() {
  return m_pDocManager != nullptr ? m_pDocManager->SaveAllModified() : TRUE;
}

void CWinApp::AddDocTemplate(std::unique_ptr<CDocTemplate> docTemplate) {
  if (docTemplate == nullptr) return;
  if (m_pDocManager == nullptr) m_pDocManager = std::make_unique<CDocManager>();
  m_pDocManager->AddDocTemplate(std::move(docTemplate));
}

CDocTemplate* CWinApp::FirstDocTemplate() const {
  return m_pDocManager != nullptr ? m_pDocManager->GetFirstDocTemplate() : nullptr;
}

CDocument* CWinApp::OpenDocumentFile(const char* path) {
  return m_pDocManager != nullptr ? m_pDocManager->OpenDocumentFile(path) : nullptr;
}

CDocument* CWinApp::OnFileNew() {
  return m_pDocManager != nullptr ? m_pDocManager->OnFileNew() : nullptr;
}

void CWinApp::SetDocManager(std::unique_ptr<CDocManager> manager) {
  m_pDocManager = std::move(manager);
}
