#include "platform/mfc/CFrameWnd.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "platform/mfc/CDockState.h"
#include "platform/mfc/CDocument.h"
#include "platform/mfc/CStatusBar.h"
#include "platform/mfc/CToolBar.h"
#include "platform/mfc/CView.h"
#include "platform/mfc/CWinApp.h"
#include "platform/win32/Accelerator.h"
#include "platform/win32/Mdi.h"
#include "platform/win32/Menu.h"
#include "platform/win32/Message.h"
#include "platform/win32/Resource.h"
#include "platform/win32/Window.h"
#include "platform/win32/WindowRegion.h"

IMPLEMENT_DYNCREATE(CFrameWnd, CWnd)
IMPLEMENT_DYNCREATE(CMDIFrameWnd, CFrameWnd)
IMPLEMENT_DYNCREATE(CMDIChildWnd, CFrameWnd)

namespace {

CFrameWnd* gMainFrame = nullptr;

const char* TitleOf(const CCreateContext* context) {
  if (context && context->m_pCurrentDoc) return context->m_pCurrentDoc->GetTitle().c_str();
  return "";
}

}  // namespace

void SetMainFrame(CFrameWnd* frame) {
  gMainFrame = frame;
}

CFrameWnd* GetMainFrame() {
  return gMainFrame;
}

namespace {

CommandUnderPointerWatcher& Watcher() {
  static CommandUnderPointerWatcher watcher;
  return watcher;
}

}  // namespace

void SetCommandUnderPointerWatcher(CommandUnderPointerWatcher watcher) {
  Watcher() = std::move(watcher);
}

void NoteCommandUnderPointer(UINT command) {
  if (Watcher()) Watcher()(command);
}

// ---------------------------------------------------------------------------------------------

void CFrameWnd::SetMessageText(const char* text) {
  if (!text || !m_hWnd) return;
  if (const HWND bar = ::GetDlgItem(m_hWnd, static_cast<int32_t>(AFX_IDW_STATUS_BAR)))
    ::SetWindowText(bar, text);
}

void CFrameWnd::ResetMessageText() {
  char idle[256] = "";
  const LPCSTR block = MAKEINTRESOURCEA(static_cast<uint16_t>(AFX_IDS_IDLEMESSAGE / 16 + 1));
  if (const HMODULE module = FindResourceModule(block, RT_STRING))
    LoadString(module, AFX_IDS_IDLEMESSAGE, idle, static_cast<int>(sizeof idle));
  SetMessageText(idle);
}

CFrameWnd::~CFrameWnd() {
  if (gMainFrame == this) gMainFrame = nullptr;
  if (ownsAccelerators_) DestroyAcceleratorTable(accelerators_);
}

BOOL CFrameWnd::LoadFrame(UINT, DWORD style, CWnd* parent, CCreateContext* context) {
  const RECT rect{CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT};
  return Create(nullptr, TitleOf(context), style & ~FWS_ADDTOTITLE, rect, parent, nullptr, 0,
                context);
}

BOOL CFrameWnd::Create(const char* className, const char* title, DWORD style, const RECT& rect,
                       CWnd* parent, const char*, DWORD exStyle, CCreateContext* context) {
  const bool useDefault = rect.left == CW_USEDEFAULT;
  return CreateEx(exStyle, className, title, style, rect.left, useDefault ? 0 : rect.top,
                  useDefault ? CW_USEDEFAULT : rect.right - rect.left,
                  useDefault ? 0 : rect.bottom - rect.top, parent ? parent->m_hWnd : nullptr,
                  nullptr, context);
}

CWnd* CFrameWnd::CreateView(CCreateContext* context, UINT id) {
  if (!context || !context->m_pNewViewClass) return nullptr;
  CObject* made = context->m_pNewViewClass->CreateObject();
  auto* view = dynamic_cast<CWnd*>(made);
  if (!view) {
    delete made;
    return nullptr;
  }
  const RECT rect{0, 0, 0, 0};
  // A view that cannot be created deletes itself (PostNcDestroy).
  if (!view->Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE, rect, this, id, context))
    return nullptr;
  return view;
}

BOOL CFrameWnd::OnCreateClient(CREATESTRUCT*, CCreateContext* context) {
  if (!context || !context->m_pNewViewClass) return TRUE;
  CWnd* view = CreateView(context);
  if (!view) return FALSE;
  if (auto* asView = dynamic_cast<CView*>(view)) SetActiveView(asView, FALSE);
  return TRUE;
}

namespace {

DWORD SideOf(DWORD style) {
  if (style & CBRS_LEFT) return CBRS_LEFT;
  if (style & CBRS_RIGHT) return CBRS_RIGHT;
  if (style & CBRS_BOTTOM) return CBRS_BOTTOM;
  return CBRS_TOP;
}

// One row of bars along a side: its outer edge, its thickness and where the next bar in it goes.
struct DockRow {
  DWORD side = CBRS_TOP;
  int32_t edge = 0;
  int32_t thickness = 0;
  int32_t next = 0;
};

// Takes `amount` from the client rectangle on `side`.
void Consume(RECT& client, DWORD side, int32_t amount) {
  if (side == CBRS_LEFT) {
    client.left += amount;
  } else if (side == CBRS_RIGHT) {
    client.right -= amount;
  } else if (side == CBRS_BOTTOM) {
    client.bottom -= amount;
  } else {
    client.top += amount;
  }
}

// Moves each bar after the bar on its side it was docked beside, so that the neighbour is placed
// first whatever order the bars were made in (a bar the user moved beside a later one).
void PlaceNeighboursFirst(std::vector<HWND>& children) {
  const auto barOf = [](HWND window) {
    return dynamic_cast<const CControlBar*>(CWnd::FromHandlePermanent(window));
  };
  for (size_t pass = 0; pass < children.size(); ++pass) {
    bool moved = false;
    for (size_t i = 0; i < children.size(); ++i) {
      const CControlBar* bar = barOf(children[i]);
      if (bar == nullptr || bar->GetDockNeighbour() == nullptr) continue;
      const auto neighbour = std::find(children.begin() + static_cast<std::ptrdiff_t>(i) + 1,
                                       children.end(), bar->GetDockNeighbour());
      if (neighbour == children.end()) continue;
      const CControlBar* beside = barOf(*neighbour);
      if (beside == nullptr || SideOf(beside->GetBarStyle()) != SideOf(bar->GetBarStyle())) continue;
      std::rotate(children.begin() + static_cast<std::ptrdiff_t>(i),
                  children.begin() + static_cast<std::ptrdiff_t>(i) + 1, neighbour + 1);
      moved = true;
    }
    if (!moved) return;
  }
}

}  // namespace

void CFrameWnd::RecalcLayout(BOOL) {
  RECT client;
  GetClientRect(&client);
  // Control bars take their sides first, each in a row of its own or in the row of
  // the bar it was docked beside; the pane gets what is left.
  std::vector<DockRow> rows;
  std::vector<std::pair<HWND, size_t>> placed;
  // The rows along the top and bottom span the frame, those at the sides fit between them;
  // within each, in the order the bars were made (the bottom of the z-order first), so a bar's
  // neighbour is placed before it.
  std::vector<HWND> children;
  for (HWND child = ::GetWindow(m_hWnd, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
    children.insert(children.begin(), child);
  std::stable_partition(children.begin(), children.end(), [](HWND child) {
    const auto* bar = dynamic_cast<const CControlBar*>(FromHandlePermanent(child));
    return bar != nullptr && (SideOf(bar->GetBarStyle()) & (CBRS_TOP | CBRS_BOTTOM)) != 0;
  });
  PlaceNeighboursFirst(children);
  for (const HWND child : children) {
    auto* bar = dynamic_cast<CControlBar*>(FromHandlePermanent(child));
    // The bar's own visibility: a frame still hidden lays its bars out all the same.
    if (!bar || !(::GetWindowLongPtr(child, GWL_STYLE) & WS_VISIBLE)) continue;
    const DWORD side = SideOf(bar->GetBarStyle());
    const bool horizontal = side == CBRS_TOP || side == CBRS_BOTTOM;
    const SIZE size = bar->CalcFixedLayout(FALSE, horizontal);
    const int32_t thickness = horizontal ? size.cy : size.cx;
    int32_t length = horizontal ? size.cx : size.cy;
    const auto neighbour = std::find_if(placed.begin(), placed.end(), [&](const auto& entry) {
      return entry.first == bar->GetDockNeighbour() && rows[entry.second].side == side;
    });
    size_t rowIndex = 0;
    if (neighbour != placed.end() && !bar->FillsItsRow()) {
      rowIndex = neighbour->second;
      DockRow& row = rows[rowIndex];
      const bool innermost =
          std::none_of(rows.begin() + static_cast<std::ptrdiff_t>(rowIndex) + 1, rows.end(),
                       [&](const DockRow& other) { return other.side == side; });
      // Only the innermost row of a side can grow without covering the rows inside it.
      if (thickness > row.thickness && innermost) {
        Consume(client, side, thickness - row.thickness);
        row.thickness = thickness;
      }
    } else {
      DockRow row;
      row.side = side;
      row.thickness = thickness;
      row.edge = side == CBRS_LEFT     ? client.left
                 : side == CBRS_RIGHT  ? client.right
                 : side == CBRS_BOTTOM ? client.bottom
                                       : client.top;
      row.next = horizontal ? client.left : client.top;
      if (bar->FillsItsRow())
        length = horizontal ? client.right - client.left : client.bottom - client.top;
      Consume(client, side, thickness);
      rows.push_back(row);
      rowIndex = rows.size() - 1;
    }
    DockRow& row = rows[rowIndex];
    const int32_t along = row.next;
    row.next += length;
    RECT rect;
    if (side == CBRS_LEFT) {
      rect = RECT{row.edge, along, row.edge + thickness, along + length};
    } else if (side == CBRS_RIGHT) {
      rect = RECT{row.edge - thickness, along, row.edge, along + length};
    } else if (side == CBRS_BOTTOM) {
      rect = RECT{along, row.edge - thickness, along + length, row.edge};
    } else {
      rect = RECT{along, row.edge, along + length, row.edge + thickness};
    }
    ::MoveWindow(child, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, TRUE);
    placed.emplace_back(child, rowIndex);
  }
  const HWND pane = ::GetDlgItem(m_hWnd, static_cast<int32_t>(AFX_IDW_PANE_FIRST));
  if (!pane) return;
  ::MoveWindow(pane, client.left, client.top, client.right - client.left,
               client.bottom - client.top, TRUE);
}

void CFrameWnd::EnableDocking(DWORD sides) {
  dockSides_ = sides & CBRS_ALIGN_ANY;
}

BOOL CFrameWnd::DockControlBar(CControlBar* bar, UINT dockBarId, const RECT* rect) {
  DWORD side = 0;
  switch (dockBarId) {
    case AFX_IDW_DOCKBAR_TOP:
      side = CBRS_TOP;
      break;
    case AFX_IDW_DOCKBAR_BOTTOM:
      side = CBRS_BOTTOM;
      break;
    case AFX_IDW_DOCKBAR_LEFT:
      side = CBRS_LEFT;
      break;
    case AFX_IDW_DOCKBAR_RIGHT:
      side = CBRS_RIGHT;
      break;
    default:
      return FALSE;
  }
  // Neither the frame nor the bar may refuse the side.
  if (bar == nullptr || !(dockSides_ & side) || !(bar->GetDockSides() & side)) return FALSE;
  bar->SetBarStyle(side);
  bar->SetDockNeighbour(nullptr);
  if (rect != nullptr) {
    const POINT corner{rect->left, rect->top};
    for (HWND child = ::GetWindow(m_hWnd, GW_CHILD); child;
         child = ::GetWindow(child, GW_HWNDNEXT)) {
      const auto* other = dynamic_cast<const CControlBar*>(FromHandlePermanent(child));
      if (other == nullptr || other == bar || SideOf(other->GetBarStyle()) != side) continue;
      RECT window;
      ::GetWindowRect(child, &window);
      if (PtInRect(window, corner)) {
        bar->SetDockNeighbour(child);
        break;
      }
    }
  }
  RecalcLayout();
  return TRUE;
}

BOOL CFrameWnd::DockControlBarAt(CControlBar* bar, POINT screenPoint) {
  if (bar == nullptr) return FALSE;
  RECT client;
  GetClientRect(&client);
  POINT origin{0, 0};
  ::ClientToScreen(m_hWnd, &origin);
  ::OffsetRect(&client, origin.x, origin.y);
  if (!PtInRect(client, screenPoint)) return FALSE;
  struct Side {
    DWORD side;
    UINT dockBar;
    int32_t distance;
  };
  const Side sides[] = {
      {CBRS_TOP, AFX_IDW_DOCKBAR_TOP, screenPoint.y - client.top},
      {CBRS_BOTTOM, AFX_IDW_DOCKBAR_BOTTOM, client.bottom - screenPoint.y},
      {CBRS_LEFT, AFX_IDW_DOCKBAR_LEFT, screenPoint.x - client.left},
      {CBRS_RIGHT, AFX_IDW_DOCKBAR_RIGHT, client.right - screenPoint.x},
  };
  const Side* nearest = nullptr;
  for (const Side& side : sides) {
    if (!(dockSides_ & bar->GetDockSides() & side.side)) continue;
    if (nearest == nullptr || side.distance < nearest->distance) nearest = &side;
  }
  if (nearest == nullptr) return FALSE;
  // A bar let go on the bar beside it would otherwise be each other's neighbour.
  for (HWND child = ::GetWindow(m_hWnd, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
    auto* other = dynamic_cast<CControlBar*>(FromHandlePermanent(child));
    if (other != nullptr && other->GetDockNeighbour() == bar->m_hWnd) other->SetDockNeighbour(nullptr);
  }
  const RECT at{screenPoint.x, screenPoint.y, screenPoint.x + 1, screenPoint.y + 1};
  return DockControlBar(bar, nearest->dockBar, &at);
}

void CFrameWnd::GetDockState(CDockState& state) const {
  state.Clear();
  for (HWND child = ::GetWindow(m_hWnd, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
    const auto* bar = dynamic_cast<const CControlBar*>(FromHandlePermanent(child));
    const int32_t id = ::GetDlgCtrlID(child);
    if (bar == nullptr || id <= 0) continue;
    CControlBarInfo info;
    info.m_nBarID = static_cast<UINT>(id);
    info.m_bVisible = (::GetWindowLongPtr(child, GWL_STYLE) & WS_VISIBLE) != 0;
    info.m_dwSide = SideOf(bar->GetBarStyle());
    if (const HWND neighbour = bar->GetDockNeighbour();
        neighbour != nullptr && ::IsWindow(neighbour))
      info.m_nBesideID = static_cast<UINT>(std::max(::GetDlgCtrlID(neighbour), 0));
    state.m_arrBarInfo.push_back(info);
  }
}

void CFrameWnd::SetDockState(const CDockState& state) {
  for (const CControlBarInfo& info : state.m_arrBarInfo) {
    const HWND child = ::GetDlgItem(m_hWnd, static_cast<int32_t>(info.m_nBarID));
    auto* bar = dynamic_cast<CControlBar*>(FromHandlePermanent(child));
    if (bar == nullptr) continue;
    bar->SetBarStyle(info.m_dwSide);
    const HWND neighbour = info.m_nBesideID != 0 && info.m_nBesideID != info.m_nBarID
                               ? ::GetDlgItem(m_hWnd, static_cast<int32_t>(info.m_nBesideID))
                               : nullptr;
    bar->SetDockNeighbour(neighbour);
    ::ShowWindow(child, info.m_bVisible ? SW_SHOWNOACTIVATE : SW_HIDE);
  }
  RecalcLayout();
}

void CFrameWnd::SetActiveView(CView* view, BOOL notify) {
  activeView_ = view;
  if (view && notify && view->m_hWnd) ::SetFocus(view->m_hWnd);
}

void CFrameWnd::SetAccelerators(HACCEL table) {
  if (ownsAccelerators_) DestroyAcceleratorTable(accelerators_);
  accelerators_ = table;
  ownsAccelerators_ = table != nullptr;
}

BOOL CFrameWnd::PreTranslateMessage(MSG* message) {
  if (!accelerators_ || !message) return FALSE;
  if (message->message < WM_KEYFIRST || message->message > WM_KEYLAST) return FALSE;
  return TranslateAccelerator(m_hWnd, accelerators_, message) != 0;
}

BOOL CFrameWnd::OnCmdMsg(UINT id, int32_t code, void* extra) {
  if (activeView_ && activeView_->OnCmdMsg(id, code, extra)) return TRUE;
  if (CWnd::OnCmdMsg(id, code, extra)) return TRUE;
  CDocument* document = activeView_ ? activeView_->GetDocument() : nullptr;
  if (document && document->OnCmdMsg(id, code, extra)) return TRUE;
  // The application is the last stop, reached from the top-level frame only.
  if (GetParentFrame() != nullptr) return FALSE;
  CWinApp* const application = CWinApp::Current();
  return application != nullptr && application->OnCmdMsg(id, code, extra);
}

int32_t CFrameWnd::OnCreateHelper(CREATESTRUCT* create, CCreateContext* context) {
  if (CWnd::OnCreate(create) == -1) return -1;
  if (!OnCreateClient(create, context)) return -1;
  RecalcLayout();
  return 0;
}

BOOL CFrameWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  switch (message) {
    case WM_CREATE: {
      auto* create = reinterpret_cast<CREATESTRUCT*>(lParam);
      *result = OnCreateHelper(create, create ? static_cast<CCreateContext*>(create->lpCreateParams)
                                              : nullptr);
      return TRUE;
    }
    case WM_SIZE:
      *result = Default();
      RecalcLayout();
      return TRUE;
    case WM_MENUSELECT: {
      // A closing menu brings back the idle prompt; a popup or separator has no prompt.
      const UINT flags = HIWORD(wParam);
      UINT id = LOWORD(wParam);
      if (flags == 0xFFFF && lParam == 0) {
        id = AFX_IDS_IDLEMESSAGE;
      } else if (flags & (MF_POPUP | MF_SEPARATOR)) {
        id = 0;
      }
      NoteCommandUnderPointer(id == AFX_IDS_IDLEMESSAGE ? 0 : id);
      SetMessageText(id);
      *result = 0;
      return TRUE;
    }
    case WM_SETFOCUS:
      *result = Default();
      if (activeView_ && activeView_->m_hWnd) ::SetFocus(activeView_->m_hWnd);
      return TRUE;
    default:
      return CWnd::OnWndMsg(message, wParam, lParam, result);
  }
}

void CFrameWnd::SetMessageText(UINT id) {
  SetMessageText(id == 0 ? std::string().c_str() : GetMessageString(id).c_str());
}

std::string CFrameWnd::GetMessageString(UINT id) const {
  const HMODULE module = FindResourceModule(MAKEINTRESOURCEA(static_cast<uint16_t>(id / 16 + 1)),
                                            RT_STRING);
  char text[512];
  if (!module || LoadStringA(module, id, text, sizeof text) <= 0) return {};
  std::string prompt = text;
  const size_t end = prompt.find('\n');
  if (end != std::string::npos) prompt.resize(end);
  return prompt;
}

void CFrameWnd::PostNcDestroy() {
  delete this;
}

// ---------------------------------------------------------------------------------------------

BOOL CMDIFrameWnd::OnCreateClient(CREATESTRUCT* create, CCreateContext*) {
  return CreateClient(create);
}

BOOL CMDIFrameWnd::CreateClient(CREATESTRUCT*) {
  RegisterMdiClientClass();
  RECT client;
  GetClientRect(&client);
  CLIENTCREATESTRUCT clientCreate;
  m_hWndMDIClient = CreateWindowEx(
      0, kMdiClientClass, "", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, client.right,
      client.bottom, m_hWnd,
      reinterpret_cast<HMENU>(static_cast<uintptr_t>(AFX_IDW_PANE_FIRST)), &clientCreate);
  return m_hWndMDIClient != nullptr;
}

void CMDIFrameWnd::RecalcLayout(BOOL notify) {
  // The MDI client is the pane: it gets what the control bars leave.
  if (!m_hWndMDIClient) return;
  CFrameWnd::RecalcLayout(notify);
}

CFrameWnd* CMDIFrameWnd::GetActiveFrame() {
  CMDIChildWnd* child = MDIGetActive();
  return child ? static_cast<CFrameWnd*>(child) : this;
}

CMDIChildWnd* CMDIFrameWnd::MDIGetActive(BOOL* maximized) const {
  BOOL zoomed = FALSE;
  const auto active = reinterpret_cast<HWND>(
      ::SendMessage(m_hWndMDIClient, WM_MDIGETACTIVE, 0, reinterpret_cast<LPARAM>(&zoomed)));
  if (maximized) *maximized = zoomed;
  return dynamic_cast<CMDIChildWnd*>(FromHandlePermanent(active));
}

void CMDIFrameWnd::MDIActivate(CWnd* child) {
  if (child) ::SendMessage(m_hWndMDIClient, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(child->m_hWnd), 0);
}

void CMDIFrameWnd::MDIMaximize(CWnd* child) {
  if (child) ::SendMessage(m_hWndMDIClient, WM_MDIMAXIMIZE, reinterpret_cast<WPARAM>(child->m_hWnd), 0);
}

void CMDIFrameWnd::MDIRestore(CWnd* child) {
  if (child) ::SendMessage(m_hWndMDIClient, WM_MDIRESTORE, reinterpret_cast<WPARAM>(child->m_hWnd), 0);
}

void CMDIFrameWnd::MDITile(WPARAM how) {
  ::SendMessage(m_hWndMDIClient, WM_MDITILE, how, 0);
}

void CMDIFrameWnd::MDICascade() {
  ::SendMessage(m_hWndMDIClient, WM_MDICASCADE, 0, 0);
}

void CMDIFrameWnd::MDIIconArrange() {
  ::SendMessage(m_hWndMDIClient, WM_MDIICONARRANGE, 0, 0);
}

BOOL CMDIFrameWnd::OnCmdMsg(UINT id, int32_t code, void* extra) {
  if (CMDIChildWnd* child = MDIGetActive(); child && child->OnCmdMsg(id, code, extra)) return TRUE;
  return CFrameWnd::OnCmdMsg(id, code, extra);
}

int32_t CMDIFrameWnd::NextCascadeOffset() {
  const int32_t offset = cascade_;
  cascade_ = (cascade_ + 24) % 168;
  return offset;
}

LRESULT CMDIFrameWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  return ::DefFrameProc(m_hWnd, m_hWndMDIClient, message, wParam, lParam);
}

// ---------------------------------------------------------------------------------------------

BOOL CMDIChildWnd::LoadFrame(UINT, DWORD style, CWnd* parent, CCreateContext* context) {
  auto* main = dynamic_cast<CMDIFrameWnd*>(parent ? parent : GetMainFrame());
  if (!main || !main->m_hWndMDIClient) {
    PostNcDestroy();
    return FALSE;
  }
  RECT area;
  ::GetClientRect(main->m_hWndMDIClient, &area);
  const DWORD childStyle = (style & ~(FWS_ADDTOTITLE | WS_VISIBLE | WS_POPUP)) | WS_CHILD |
                           WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
  const int32_t offset = main->NextCascadeOffset();
  return CreateEx(0, nullptr, TitleOf(context), childStyle, offset, offset,
                  std::max<int32_t>(200, area.right * 3 / 4), std::max<int32_t>(150, area.bottom * 3 / 4),
                  main->m_hWndMDIClient, nullptr, context);
}

CMDIFrameWnd* CMDIChildWnd::GetMDIFrame() const {
  const HWND client = ::GetParent(m_hWnd);
  return dynamic_cast<CMDIFrameWnd*>(FromHandlePermanent(::GetParent(client)));
}

void CMDIChildWnd::MDIActivate() {
  ::SendMessage(::GetParent(m_hWnd), WM_MDIACTIVATE, reinterpret_cast<WPARAM>(m_hWnd), 0);
}

void CMDIChildWnd::MDIMaximize() {
  ::SendMessage(::GetParent(m_hWnd), WM_MDIMAXIMIZE, reinterpret_cast<WPARAM>(m_hWnd), 0);
}

void CMDIChildWnd::MDIRestore() {
  ::SendMessage(::GetParent(m_hWnd), WM_MDIRESTORE, reinterpret_cast<WPARAM>(m_hWnd), 0);
}

void CMDIChildWnd::MDIDestroy() {
  ::SendMessage(::GetParent(m_hWnd), WM_MDIDESTROY, reinterpret_cast<WPARAM>(m_hWnd), 0);
}

BOOL CMDIChildWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  if (message == WM_MDIACTIVATE) {
    // A box or dialog that holds the program (the frame disabled meanwhile) keeps the keyboard.
    const CMDIFrameWnd* frame = GetMDIFrame();
    const bool held = frame != nullptr && !::IsWindowEnabled(frame->m_hWnd);
    if (reinterpret_cast<HWND>(lParam) == m_hWnd && GetActiveView() && !held)
      ::SetFocus(GetActiveView()->m_hWnd);
    *result = 0;
    return TRUE;
  }
  return CFrameWnd::OnWndMsg(message, wParam, lParam, result);
}

LRESULT CMDIChildWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  return ::DefMDIChildProc(m_hWnd, message, wParam, lParam);
}
