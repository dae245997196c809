#include "platform/mfc/CWnd.h"

#include <algorithm>
#include <map>
#include <memory>
#include <unordered_map>

#include "platform/mfc/CFrameWnd.h"
#include "platform/win32/GdiObjects.h"
#include "platform/win32/Menu.h"
#include "platform/win32/Message.h"
#include "platform/win32/OwnerDraw.h"
#include "platform/win32/Window.h"
#include "platform/win32/WindowPaint.h"

IMPLEMENT_DYNAMIC(CCmdTarget, CObject)
IMPLEMENT_DYNCREATE(CWnd, CCmdTarget)

namespace {

std::unordered_map<HWND, CWnd*>& HandleMap() {
  static std::unordered_map<HWND, CWnd*> map;
  return map;
}

// Temporary objects never own their window: they let go of it before they go.
struct TemporaryDeleter {
  void operator()(CWnd* window) const {
    window->m_hWnd = nullptr;
    delete window;
  }
};
using TemporaryWnd = std::unique_ptr<CWnd, TemporaryDeleter>;

std::map<HWND, TemporaryWnd>& TempMap() {
  static std::map<HWND, TemporaryWnd> map;
  return map;
}

// The object whose window is being created: the first message of the new window attaches it.
struct Creation {
  CWnd* window = nullptr;
  bool attached = false;
};
Creation* gCreation = nullptr;

void RegisterCWndClass() {
  if (GetClassInfo(kCWndClass, nullptr)) return;
  WNDCLASS windowClass;
  windowClass.style = CS_DBLCLKS;
  windowClass.lpfnWndProc = CWndProcedure;
  windowClass.lpszClassName = kCWndClass;
  RegisterClass(&windowClass);
}

}  // namespace

const char* AfxRegisterWndClass(UINT classStyle, HCURSOR cursor, HBRUSH background, void*) {
  uint32_t colour = kNoBackground;
  LOGBRUSH brush;
  if (background && GetObject(background, sizeof brush, &brush) == sizeof brush)
    colour = brush.lbColor & 0xFFFFFF;
  static std::map<std::string, std::unique_ptr<std::string>> names;
  const std::string name = "Afx:" + std::to_string(classStyle) + ":" +
                           std::to_string(reinterpret_cast<uintptr_t>(cursor)) + ":" +
                           std::to_string(colour);
  auto& kept = names[name];
  if (!kept) kept = std::make_unique<std::string>(name);
  if (!GetClassInfo(kept->c_str(), nullptr)) {
    WNDCLASS windowClass;
    windowClass.style = classStyle;
    windowClass.lpfnWndProc = CWndProcedure;
    windowClass.hCursor = cursor;
    windowClass.background = colour;
    windowClass.lpszClassName = kept->c_str();
    RegisterClass(&windowClass);
  }
  return kept->c_str();
}

BOOL CCmdTarget::OnCmdMsg(UINT, int32_t, void*) {
  return FALSE;
}

// ---------------------------------------------------------------------------------------------

void CCmdUI::Enable(BOOL enable) {
  if (m_hMenu) EnableMenuItem(m_hMenu, m_nIndex, MF_BYPOSITION | (enable ? MF_ENABLED : MF_GRAYED));
  m_bEnableChanged = TRUE;
}

void CCmdUI::SetCheck(int32_t check) {
  if (m_hMenu) CheckMenuItem(m_hMenu, m_nIndex, MF_BYPOSITION | (check ? MF_CHECKED : MF_UNCHECKED));
}

void CCmdUI::SetText(const char* text) {
  if (!m_hMenu) return;
  const UINT state = GetMenuState(m_hMenu, m_nIndex, MF_BYPOSITION);
  ModifyMenu(m_hMenu, m_nIndex, MF_BYPOSITION | MF_STRING | (state & (MF_GRAYED | MF_CHECKED)),
             m_nID, text);
}

BOOL CCmdUI::DoUpdate(CCmdTarget* target) {
  m_bEnableChanged = FALSE;
  if (!target) return FALSE;
  return target->OnCmdMsg(m_nID, CN_UPDATE_COMMAND_UI, this);
}

// ---------------------------------------------------------------------------------------------

void CWndCreationHook(HWND window) {
  if (!gCreation || gCreation->attached) return;
  gCreation->attached = true;
  gCreation->window->SubclassWindow(window);
}

LRESULT CWndProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  CWnd* object = CWnd::FromHandlePermanent(window);
  if (!object) return DefWindowProc(window, message, wParam, lParam);
  const CWnd::CurrentMessage saved = object->current_;
  object->current_ = {message, wParam, lParam};
  const LRESULT result = object->WindowProc(message, wParam, lParam);
  // The window may be gone by now, and the object with it (PostNcDestroy).
  if (CWnd::FromHandlePermanent(window) == object) object->current_ = saved;
  return result;
}

CWnd::~CWnd() {
  if (!m_hWnd) return;
  // The window's own procedure gets it back, so that it hears its own destruction.
  const HWND window = m_pfnSuper ? UnsubclassWindow() : Detach();
  ::DestroyWindow(window);
}

CWnd* CWnd::FromHandlePermanent(HWND window) {
  const auto found = HandleMap().find(window);
  return found == HandleMap().end() ? nullptr : found->second;
}

CWnd* CWnd::FromHandle(HWND window) {
  if (!window || !IsWindow(window)) return nullptr;
  if (CWnd* permanent = FromHandlePermanent(window)) return permanent;
  TemporaryWnd& temporary = TempMap()[window];
  if (!temporary) {
    temporary.reset(new CWnd);
    temporary->m_hWnd = window;  // not in the handle map: it never receives messages
  }
  return temporary.get();
}

void CWnd::DeleteTempMap() {
  TempMap().clear();
}

BOOL CWnd::Attach(HWND window) {
  if (!window || m_hWnd || FromHandlePermanent(window)) return FALSE;
  m_hWnd = window;
  HandleMap()[window] = this;
  return TRUE;
}

HWND CWnd::Detach() {
  const HWND window = m_hWnd;
  if (window) HandleMap().erase(window);
  m_hWnd = nullptr;
  return window;
}

BOOL CWnd::SubclassWindow(HWND window) {
  if (!Attach(window)) return FALSE;
  const auto old = reinterpret_cast<WNDPROC>(
      SetWindowLongPtr(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CWndProcedure)));
  m_pfnSuper = old == &CWndProcedure ? nullptr : old;
  return TRUE;
}

BOOL CWnd::SubclassDlgItem(UINT id, CWnd* parent) {
  if (!parent) return FALSE;
  const HWND control = ::GetDlgItem(parent->m_hWnd, static_cast<int32_t>(id));
  return control ? SubclassWindow(control) : FALSE;
}

HWND CWnd::UnsubclassWindow() {
  if (!m_hWnd) return nullptr;
  if (m_pfnSuper)
    SetWindowLongPtr(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
  m_pfnSuper = nullptr;
  return Detach();
}

BOOL CWnd::Create(const char* className, const char* windowName, DWORD style, const RECT& rect,
                  CWnd* parent, UINT id, CCreateContext* context) {
  return CreateEx(0, className, windowName, style | WS_CHILD, rect.left, rect.top,
                  rect.right - rect.left, rect.bottom - rect.top, parent ? parent->m_hWnd : nullptr,
                  reinterpret_cast<HMENU>(static_cast<uintptr_t>(id)), context);
}

BOOL CWnd::CreateEx(DWORD exStyle, const char* className, const char* windowName, DWORD style,
                    int32_t x, int32_t y, int32_t width, int32_t height, HWND parent,
                    HMENU idOrMenu, void* param) {
  RegisterCWndClass();
  CREATESTRUCT create;
  create.dwExStyle = exStyle;
  create.lpszClass = className ? className : kCWndClass;
  create.lpszName = windowName;
  create.style = static_cast<LONG>(style);
  create.x = x;
  create.y = y;
  create.cx = width;
  create.cy = height;
  create.hwndParent = parent;
  create.hMenu = idOrMenu;
  create.lpCreateParams = param;
  if (!PreCreateWindow(create)) {
    PostNcDestroy();
    return FALSE;
  }
  // The new window is taken over before its first message, whatever its class.
  bool tookOver = false;
  const HWND window = MakeTakenOver([&create] {
    return CreateWindowEx(create.dwExStyle, create.lpszClass, create.lpszName,
                          static_cast<DWORD>(create.style), create.x, create.y, create.cx,
                          create.cy, create.hwndParent, create.hMenu, create.lpCreateParams);
  }, &tookOver);
  if (!window) {
    // A window that was made and went again has told PostNcDestroy already.
    if (!tookOver) PostNcDestroy();
    return FALSE;
  }
  return TRUE;
}

HWND CWnd::MakeTakenOver(const std::function<HWND()>& make, bool* tookOver) {
  Creation creation{this, false};
  Creation* outer = gCreation;
  gCreation = &creation;
  const CreateWindowHook outerHook = SetCreateWindowHook(&CWndCreationHook);
  const HWND window = make();
  SetCreateWindowHook(outerHook);
  gCreation = outer;
  if (tookOver) *tookOver = creation.attached;
  return window;
}

BOOL CWnd::WalkPreTranslateTree(HWND top, MSG* message) {
  if (!message) return FALSE;
  for (HWND window = message->hwnd; window; window = ::GetParent(window)) {
    CWnd* object = FromHandlePermanent(window);
    if (object && object->PreTranslateMessage(message)) return TRUE;
    if (window == top) break;
  }
  return FALSE;
}

BOOL CWnd::PreCreateWindow(CREATESTRUCT&) {
  return TRUE;
}

BOOL CWnd::DestroyWindow() {
  if (!m_hWnd) return FALSE;
  return ::DestroyWindow(m_hWnd);
}

void CWnd::PostNcDestroy() {}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  if (OnWndMsg(message, wParam, lParam, &result)) return result;
  return DefWindowProc(message, wParam, lParam);
}

BOOL CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  switch (message) {
    case WM_CREATE:
      *result = OnCreate(reinterpret_cast<CREATESTRUCT*>(lParam));
      return TRUE;
    case WM_DESTROY:
      OnDestroy();
      return TRUE;
    case WM_NCDESTROY:
      OnNcDestroy();
      *result = 0;
      return TRUE;
    case WM_COMMAND:
      if (lParam && ReflectToChild(reinterpret_cast<HWND>(lParam), message, wParam, lParam, result))
        return TRUE;
      if (OnCommand(wParam, lParam)) {
        *result = 0;
        return TRUE;
      }
      return FALSE;
    case WM_HSCROLL:
    case WM_VSCROLL:
      return lParam && ReflectToChild(reinterpret_cast<HWND>(lParam), message, wParam, lParam,
                                      result);
    case WM_DRAWITEM: {
      const auto* draw = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      if (!draw || !ReflectToChild(draw->hwndItem, message, wParam, lParam, result)) return FALSE;
      *result = TRUE;
      return TRUE;
    }
    case WM_MEASUREITEM: {
      const auto* measure = reinterpret_cast<const MEASUREITEMSTRUCT*>(lParam);
      if (!measure) return FALSE;
      const HWND control = ::GetDlgItem(m_hWnd, static_cast<int32_t>(measure->CtlID));
      if (!control || !ReflectToChild(control, message, wParam, lParam, result)) return FALSE;
      *result = TRUE;
      return TRUE;
    }
    case WM_INITMENUPOPUP:
      OnInitMenuPopup(reinterpret_cast<HMENU>(wParam), LOWORD(static_cast<uintptr_t>(lParam)),
                      HIWORD(static_cast<uintptr_t>(lParam)));
      *result = 0;
      return TRUE;
    default:
      return FALSE;
  }
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (m_pfnSuper) return CallWindowProc(m_pfnSuper, m_hWnd, message, wParam, lParam);
  return ::DefWindowProc(m_hWnd, message, wParam, lParam);
}

BOOL CWnd::ReflectToChild(HWND child, UINT message, WPARAM wParam, LPARAM lParam,
                          LRESULT* result) {
  CWnd* control = FromHandlePermanent(child);
  if (!control || control == this) return FALSE;
  return control->OnChildNotify(message, wParam, lParam, result);
}

BOOL CWnd::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  LRESULT ignored = 0;
  return OnWndMsg(WM_REFLECT_BASE + message, wParam, lParam, result ? result : &ignored);
}

LRESULT CWnd::Default() {
  return DefWindowProc(current_.message, current_.wParam, current_.lParam);
}

BOOL CWnd::PreTranslateMessage(MSG*) {
  return FALSE;
}

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM) {
  return OnCmdMsg(LOWORD(wParam), CN_COMMAND, nullptr);
}

int32_t CWnd::OnCreate(CREATESTRUCT*) {
  return static_cast<int32_t>(Default());
}

void CWnd::OnDestroy() {
  Default();
}

void CWnd::OnNcDestroy() {
  const HWND window = m_hWnd;
  DefWindowProc(WM_NCDESTROY, 0, 0);
  m_pfnSuper = nullptr;
  Detach();
  TempMap().erase(window);
  PostNcDestroy();
}

void CWnd::OnInitMenuPopup(HMENU menu, UINT, BOOL systemMenu) {
  if (systemMenu || !menu) return;
  // Commands of a frame's menus are routed from the frame; other windows route themselves.
  CCmdTarget* target = this;
  if (CFrameWnd* frame = dynamic_cast<CFrameWnd*>(this); !frame && GetParentFrame())
    target = GetParentFrame();
  const auto* frame = dynamic_cast<const CFrameWnd*>(target);
  const bool autoEnable = frame == nullptr || frame->m_bAutoMenuEnable;
  CCmdUI item;
  item.m_hMenu = menu;
  item.m_nIndexMax = static_cast<UINT>(std::max(GetMenuItemCount(menu), 0));
  for (item.m_nIndex = 0; item.m_nIndex < item.m_nIndexMax; ++item.m_nIndex) {
    const UINT id = GetMenuItemID(menu, static_cast<int32_t>(item.m_nIndex));
    if (id == 0 || id == static_cast<UINT>(-1)) continue;  // separators and pop-ups
    item.m_nID = id;
    if (item.DoUpdate(target) || !autoEnable) continue;
    // No target brings the item up to date: a command that no target answers is greyed.
    AFX_CMDHANDLERINFO probe;
    if (!target->OnCmdMsg(id, CN_COMMAND, &probe)) item.Enable(FALSE);
  }
}

CWnd* CWnd::GetParent() const {
  return FromHandle(::GetParent(m_hWnd));
}

CWnd* CWnd::SetParent(CWnd* parent) {
  return FromHandle(::SetParent(m_hWnd, parent ? parent->m_hWnd : nullptr));
}

CWnd* CWnd::GetOwner() const {
  if (owner_ && IsWindow(owner_)) return FromHandle(owner_);
  return GetParent();
}

void CWnd::SetOwner(CWnd* owner) {
  owner_ = owner ? owner->m_hWnd : nullptr;
}

CFrameWnd* CWnd::GetParentFrame() const {
  for (HWND window = ::GetParent(m_hWnd); window; window = ::GetParent(window)) {
    if (auto* frame = dynamic_cast<CFrameWnd*>(FromHandlePermanent(window))) return frame;
  }
  return nullptr;
}

CWnd* CWnd::GetTopWindow() const {
  return FromHandle(::GetTopWindow(m_hWnd));
}

BOOL CWnd::ShowWindow(int32_t command) {
  return ::ShowWindow(m_hWnd, command);
}

void CWnd::MoveWindow(int32_t x, int32_t y, int32_t width, int32_t height, BOOL repaint) {
  ::MoveWindow(m_hWnd, x, y, width, height, repaint);
}

void CWnd::GetWindowRect(RECT* rect) const {
  ::GetWindowRect(m_hWnd, rect);
}

void CWnd::GetClientRect(RECT* rect) const {
  ::GetClientRect(m_hWnd, rect);
}

void CWnd::SetWindowText(const char* text) {
  ::SetWindowText(m_hWnd, text);
}

std::string CWnd::GetWindowText() const {
  return GetWindowTextString(m_hWnd);
}

void CWnd::Invalidate(BOOL erase) {
  ::InvalidateRect(m_hWnd, nullptr, erase);
}

void CWnd::UpdateWindow() {
  ::UpdateWindow(m_hWnd);
}

BOOL CWnd::IsWindowVisible() const {
  return ::IsWindowVisible(m_hWnd);
}

int32_t CWnd::GetDlgCtrlID() const {
  return ::GetDlgCtrlID(m_hWnd);
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  return ::SendMessage(m_hWnd, message, wParam, lParam);
}

namespace {

void SendToDescendants(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  for (HWND child = ::GetWindow(window, GW_CHILD); child != nullptr;
       child = ::GetWindow(child, GW_HWNDNEXT)) {
    ::SendMessage(child, message, wParam, lParam);
    if (::IsWindow(child)) SendToDescendants(child, message, wParam, lParam);
  }
}

}  // namespace

void CWnd::SendMessageToDescendants(UINT message, WPARAM wParam, LPARAM lParam) {
  if (m_hWnd != nullptr) SendToDescendants(m_hWnd, message, wParam, lParam);
}

BOOL CWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  return ::PostMessage(m_hWnd, message, wParam, lParam);
}

CWnd* CWnd::GetDlgItem(int32_t id) const {
  return FromHandle(::GetDlgItem(m_hWnd, id));
}

void CWnd::SetFont(HFONT font, BOOL redraw) {
  ::SendMessage(m_hWnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), redraw);
}

HFONT CWnd::GetFont() const {
  return reinterpret_cast<HFONT>(::SendMessage(m_hWnd, WM_GETFONT, 0, 0));
}

BOOL CWnd::EnableWindow(BOOL enable) {
  return ::EnableWindow(m_hWnd, enable);
}

BOOL CWnd::IsWindowEnabled() const {
  return ::IsWindowEnabled(m_hWnd);
}

DWORD CWnd::GetStyle() const {
  return static_cast<DWORD>(GetWindowLongPtr(m_hWnd, GWL_STYLE));
}
