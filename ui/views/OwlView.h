#pragma once
// The framework windows that show view objects. A TOwlView is the child window of every view
// that has a superview; a TOwlWindow is the view window of a document's frame and carries the
// document's window object. Both turn window messages into calls on their view: size, move,
// activation, close, destroy, clicks, characters, drawing, the question before the session
// ends and the clipboard-viewer chain. The window owns its view and deletes it when it goes.

#include <cstdint>
#include <string>

#include "core/MacTypes.h"
#include "core/port/WindowBinding.h"
#include "platform/mfc/CView.h"
#include "ui/views/ViewGeometry.h"

class TWrappedWindow;
class TTargetHandler;

class TOwlView : public CView {
  DECLARE_DYNCREATE(TOwlView)

 public:
  static constexpr int16_t kClassID = 339;
  static constexpr DWORD kViewStyle = 0x56000000;    // child, visible, clipping both ways
  static constexpr DWORD kWindowStyle = 0x46000000;  // the same, hidden
  static constexpr UINT kFirstViewId = 0xE901;

  TOwlView();
  // The rectangle is (x, y, x + width, y + height) in the parent's client coordinates.
  TOwlView(CWnd* parent, const char* title, TWrappedWindow* view, const TViewPoint& position,
           const TViewPoint& size);
  // A view still attached is deleted; a clipboard viewer leaves the chain.
  ~TOwlView() override;

  virtual bool IsMemberClass(int16_t id) const { return id == kClassID; }
  virtual int16_t GetClassIDAt(int16_t depth) const { return depth == 0 ? kClassID : 0; }
  // Creates the window with the rectangle, title and style fields; the parent given replaces the
  // stored one. A TOwlView takes the next identifier of a counter that only grows.
  virtual BOOL CreateView(CCreateContext* context, CWnd* parent);
  TWrappedWindow* GetView() const { return view_; }
  TWrappedWindow* GetViewObject() const { return view_; }
  virtual void SetView(TWrappedWindow* view);
  const RECT& GetRect() const { return rect_; }
  virtual const char* GetClassName() const { return "TOwlView"; }
  void ArrangeIcons();
  // Top, left, bottom, right become the rectangle; a null rectangle changes nothing.
  void SetRectFromMacRect(const MacRect* rect);
  void Tile();
  void Cascade();
  DWORD GetStyle() const { return style_; }
  int16_t GetActiveState() const { return activeState_; }

  // Whether the main frame's active document window is maximised.
  static bool IsChildMaximized();
  // Records the view in the port's view field; nothing without a port.
  static void SetPortView(TWindowPort* port, TWrappedWindow* view);

  // The clipboard-viewer chain: the window joins it and keeps the next viewer.
  void JoinClipboardViewerChain();
  HWND GetNextClipboardViewer() const { return nextViewer_; }

  // The answer this window gives when the session ends.
  BOOL QueryEndSession();

  void OnDraw(CDC* dc) override;
  BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

 protected:
  // The view a message goes to: the view, or the window object of a document window.
  virtual TWrappedWindow* MessageView() const { return view_; }
  void OnSize(int32_t width, int32_t height);
  void OnMove(int32_t x, int32_t y);
  // Single and double clicks: the command a click makes is performed at once, a double click's
  // is queued.
  void OnClick(UINT message, WPARAM keys, LPARAM point);
  void OnCharacter(WPARAM character, LPARAM data);
  void OnChangeClipboardChain(HWND removed, HWND after);

  RECT rect_{0, 0, 0, 0};
  TWrappedWindow* view_ = nullptr;
  CWnd* parent_ = nullptr;
  std::string title_;
  DWORD style_ = kViewStyle;
  int16_t activeState_ = 0;
  bool notSizing_ = true;
  bool notMoving_ = true;
  HWND nextViewer_ = nullptr;
  HWND viewerWindow_ = nullptr;  // this window's handle while it is in the chain
};

class TOwlWindow : public TOwlView {
  DECLARE_DYNCREATE(TOwlWindow)

 public:
  static constexpr int16_t kClassID = 337;
  static constexpr UINT kWindowId = 0xE900;

  TOwlWindow();
  // The rectangle is (x, y, x + width, y + height).
  TOwlWindow(CWnd* parent, const char* title, TWrappedWindow* view, const TViewPoint& position,
             const TViewPoint& size);
  ~TOwlWindow() override;

  bool IsMemberClass(int16_t id) const override { return id == kClassID || TOwlView::IsMemberClass(id); }
  int16_t GetClassIDAt(int16_t depth) const override {
    return depth == 0 ? kClassID : TOwlView::GetClassIDAt(depth - 1);
  }
  BOOL CreateView(CCreateContext* context, CWnd* parent) override;
  void SetView(TWrappedWindow* view) override;
  const char* GetClassName() const override { return "TOwlWindow"; }
  TWrappedWindow* GetWindowView() const { return windowView_; }
  void SetWindowView(TWrappedWindow* view);

  void OnDraw(CDC* dc) override;
  BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

  // While set, document windows do not follow size messages (the off-screen views resize
  // themselves).
  static bool& SuspendSizeHandling();

 protected:
  TWrappedWindow* MessageView() const override { return windowView_ ? windowView_ : view_; }

 private:
  void OnGetMinMaxInfo(MINMAXINFO* info);
  void OnWindowSize();

  TWrappedWindow* windowView_ = nullptr;
};

// What a document window asks of the child frame that holds it: to forget the window object
// when the window goes.
class TWindowObjectHolder {
 public:
  virtual void ForgetWindowObject() = 0;

 protected:
  ~TWindowObjectHolder() = default;
};
