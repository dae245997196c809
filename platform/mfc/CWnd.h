#pragma once
// Window objects over the window layer: a CWnd is attached to one window handle (the handle map
// finds the object of a handle), receives the window's messages through WindowProc and
// OnWndMsg, hands what it does not handle to Default, and hears PostNcDestroy once the window is
// gone. Commands travel through OnCmdMsg; menu items are brought up to date through CCmdUI.

#include <cstdint>
#include <functional>
#include <string>

#include "platform/mfc/CObject.h"
#include "platform/win32/GdiTypes.h"
#include "platform/win32/WindowMessages.h"
#include "platform/win32/WindowTypes.h"

class CDocument;
class CDocTemplate;
class CFrameWnd;
class CView;
class CWnd;

// What the frame and document machinery hands to window creation: the view class to make in a
// new frame, the document, its template, the last view made and the frame being built.
struct CCreateContext {
  const CRuntimeClass* m_pNewViewClass = nullptr;
  CDocument* m_pCurrentDoc = nullptr;
  CDocTemplate* m_pNewDocTemplate = nullptr;
  CView* m_pLastView = nullptr;
  CFrameWnd* m_pCurrentFrame = nullptr;
};

// A notification a parent hands back to the control it came from arrives there as this base
// plus the original message (WM_COMMAND becomes 0xBD11).
inline constexpr UINT WM_REFLECT_BASE = 0xBC00;
// The message the framework's loops send themselves to run idle processing; never dispatched.
inline constexpr UINT WM_KICKIDLE = 0x036A;

// OnCmdMsg codes: perform the command, or bring its interface (a CCmdUI) up to date.
inline constexpr int32_t CN_COMMAND = 0;
inline constexpr int32_t CN_UPDATE_COMMAND_UI = -1;
// Sent by the application at the start of idle time to the main window and its descendants:
// bars bring their buttons up to date (wParam set: a button no target answers is disabled).
inline constexpr UINT WM_IDLEUPDATECMDUI = 0x0363;

// The identifiers the frames give their parts.
inline constexpr UINT AFX_IDW_PANE_FIRST = 0xE900;
inline constexpr UINT AFX_IDW_STATUS_BAR = 0xE801;
// The status line's text while nothing else is shown there.
inline constexpr UINT AFX_IDS_IDLEMESSAGE = 0xE001;

class CCmdUI;
class CCmdTarget;

// Passed as extra with CN_COMMAND, it asks only whether a target has a handler for the command:
// the target answers without performing it.
struct AFX_CMDHANDLERINFO {
  CCmdTarget* pTarget = nullptr;
};

class CCmdTarget : public CObject {
  DECLARE_DYNAMIC(CCmdTarget)

 public:
  // Performs the command (CN_COMMAND) or updates its interface (CN_UPDATE_COMMAND_UI, with the
  // CCmdUI as extra); answers whether this target handled it. With CN_COMMAND and an
  // AFX_CMDHANDLERINFO as extra it only answers whether it would. Nothing here.
  virtual BOOL OnCmdMsg(UINT id, int32_t code, void* extra);
};

// One menu item being brought up to date before its menu opens.
class CCmdUI {
 public:
  UINT m_nID = 0;
  UINT m_nIndex = 0;
  // Where the update of the menu ends: a handler that adds or removes items moves it (and
  // m_nIndex to the last item it handled).
  UINT m_nIndexMax = 0;
  HMENU m_hMenu = nullptr;
  BOOL m_bEnableChanged = FALSE;

  virtual ~CCmdUI() = default;
  // On a menu item here; a tool bar's button update acts on its button instead.
  virtual void Enable(BOOL enable = TRUE);
  virtual void SetCheck(int32_t check = 1);
  virtual void SetText(const char* text);
  // Asks the target to update the item; answers whether some target did.
  BOOL DoUpdate(CCmdTarget* target);
};

class CWnd : public CCmdTarget {
  DECLARE_DYNCREATE(CWnd)

 public:
  CWnd() = default;
  // A window still attached is destroyed (its messages no longer reach this object).
  ~CWnd() override;
  CWnd(const CWnd&) = delete;
  CWnd& operator=(const CWnd&) = delete;

  HWND m_hWnd = nullptr;
  HWND GetSafeHwnd() const { return m_hWnd; }

  // The object attached to a handle, or null.
  static CWnd* FromHandlePermanent(HWND window);
  // The attached object, or a temporary one that lives until DeleteTempMap or the window's end.
  static CWnd* FromHandle(HWND window);
  static void DeleteTempMap();
  BOOL Attach(HWND window);
  HWND Detach();
  // Attaches the object to a window made elsewhere and takes over its procedure; the window's
  // own procedure becomes the default processing (DefWindowProc).
  BOOL SubclassWindow(HWND window);
  // The control `id` of the parent (a dialog's template control, for instance).
  BOOL SubclassDlgItem(UINT id, CWnd* parent);
  // Gives the window its own procedure back and lets go of it.
  HWND UnsubclassWindow();

  // Creation. A null class name is the layer's own class (double clicks, white background).
  // The context reaches WM_CREATE as the creation parameter. When creation fails the object
  // hears PostNcDestroy, so objects that delete themselves there are gone.
  virtual BOOL Create(const char* className, const char* windowName, DWORD style,
                      const RECT& rect, CWnd* parent, UINT id, CCreateContext* context = nullptr);
  BOOL CreateEx(DWORD exStyle, const char* className, const char* windowName, DWORD style,
                int32_t x, int32_t y, int32_t width, int32_t height, HWND parent, HMENU idOrMenu,
                void* param);
  virtual BOOL PreCreateWindow(CREATESTRUCT& create);
  virtual BOOL DestroyWindow();
  virtual void PostNcDestroy();

  // Messages: WindowProc gives OnWndMsg the first word, then DefWindowProc.
  virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  virtual BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
  virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
  // Default processing of the message being handled now.
  LRESULT Default();
  virtual BOOL PreTranslateMessage(MSG* message);
  // Offers the message to PreTranslateMessage of its window and each ancestor up to `top`
  // (null: the top-level window); true when one of them used it.
  static BOOL WalkPreTranslateTree(HWND top, MSG* message);
  virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
  // A parent received a notification of this control (WM_COMMAND, WM_DRAWITEM,
  // WM_MEASUREITEM, WM_HSCROLL, WM_VSCROLL) and hands it back: the control's OnWndMsg gets it
  // as WM_REFLECT_BASE + message. True when the control handled it, which ends it.
  virtual BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);

  // Relations: the owner falls back to the parent.
  CWnd* GetParent() const;
  CWnd* SetParent(CWnd* parent);
  CWnd* GetOwner() const;
  void SetOwner(CWnd* owner);
  // The nearest ancestor that is a frame, or null.
  CFrameWnd* GetParentFrame() const;
  CWnd* GetTopWindow() const;

  // Conveniences over the window layer.
  BOOL ShowWindow(int32_t command);
  void MoveWindow(int32_t x, int32_t y, int32_t width, int32_t height, BOOL repaint = TRUE);
  void GetWindowRect(RECT* rect) const;
  void GetClientRect(RECT* rect) const;
  void SetWindowText(const char* text);
  std::string GetWindowText() const;
  void Invalidate(BOOL erase = TRUE);
  void UpdateWindow();
  BOOL IsWindowVisible() const;
  int32_t GetDlgCtrlID() const;
  LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
  BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
  // Sends the message to every child window, and to theirs, depth first.
  void SendMessageToDescendants(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
  CWnd* GetDlgItem(int32_t id) const;
  void SetFont(HFONT font, BOOL redraw = TRUE);
  HFONT GetFont() const;
  BOOL EnableWindow(BOOL enable = TRUE);
  BOOL IsWindowEnabled() const;
  DWORD GetStyle() const;

 protected:
  int32_t OnCreate(CREATESTRUCT* create);
  void OnDestroy();
  void OnNcDestroy();
  // Brings the items of a menu about to open up to date through OnCmdMsg.
  void OnInitMenuPopup(HMENU menu, UINT index, BOOL systemMenu);
  // Hands a notification back to the control it names (OnChildNotify); true when handled.
  BOOL ReflectToChild(HWND child, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
  // Runs `make`, which creates a window: the first window it creates is taken over by this
  // object before its first message. Answers what `make` answers; `tookOver` tells whether a
  // window was taken over (the object may be gone by then, if the window went again and the
  // object deletes itself in PostNcDestroy).
  HWND MakeTakenOver(const std::function<HWND()>& make, bool* tookOver = nullptr);
  // The window's own procedure when the object took it over, else null.
  WNDPROC m_pfnSuper = nullptr;

 private:
  friend LRESULT CWndProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  struct CurrentMessage {
    UINT message = 0;
    WPARAM wParam = 0;
    LRESULT lParam = 0;
  };
  CurrentMessage current_;
  HWND owner_ = nullptr;
  friend void CWndCreationHook(HWND window);
};

// While CWnd::CreateEx runs: the new window is taken over before its first message.
void CWndCreationHook(HWND window);

// The procedure of every window made through CWnd: it routes to the attached object.
LRESULT CWndProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
inline constexpr char kCWndClass[] = "YbWnd";

// A class for framework windows with the class style, the cursor over the client area and the
// background brush (null: no background, the window paints all of it); registered once for
// each combination. Answers its name, which lives as long as the program. The icon is only
// kept by top-level windows, which this layer draws without one; it is not used.
const char* AfxRegisterWndClass(UINT classStyle, HCURSOR cursor = nullptr, HBRUSH background = nullptr,
                                void* icon = nullptr);
