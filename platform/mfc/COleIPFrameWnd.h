#pragma once
// Editing an item in place. The server's in-place frame is a child window of the container's
// view laid over the item's place, with a resize bar around its edge; the server's bars go into
// the container's frame while the container's own tool bars step aside, and the container frame's
// menu bar shares the container's menus with the server's.
//
//   COleResizeBar   the hatched edge of an item being edited in place; dragging one of its
//                   handles asks for a new place
//   COleDropTarget  registers a window as a place where dragged data may be dropped
//   COleIPFrameWnd  the frame around an item being edited in place

#include <vector>

#include "platform/mfc/CFrameWnd.h"
#include "platform/mfc/CToolBar.h"

class COleClientItem;

// The resize bar's identifier, which no frame's own bars use.
inline constexpr UINT AFX_IDW_RESIZE_BAR = 0xE810;

class COleResizeBar : public CControlBar {
  DECLARE_DYNAMIC(COleResizeBar)

 public:
  // The width of the hatched edge, and of the square handles on it.
  static constexpr int32_t kBorder = 4;

  COleResizeBar() = default;
  using CWnd::Create;
  BOOL Create(CWnd* parent, DWORD style = WS_CHILD | WS_VISIBLE, UINT id = AFX_IDW_RESIZE_BAR);
  // The handle under a point of the bar (one of the sides CBRS_LEFT ... CBRS_BOTTOM, combined at
  // a corner), or 0.
  DWORD HitHandle(POINT point) const;

  BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

 private:
  void Paint();
  void EndDrag(POINT point);

  DWORD dragging_ = 0;
  POINT start_{0, 0};
};

enum DROPEFFECT : uint32_t { DROPEFFECT_NONE = 0, DROPEFFECT_COPY = 1, DROPEFFECT_MOVE = 2 };

// A window that accepts drops. Registration lasts until Revoke, the target's end or the window's.
class COleDropTarget {
 public:
  COleDropTarget() = default;
  virtual ~COleDropTarget();
  COleDropTarget(const COleDropTarget&) = delete;
  COleDropTarget& operator=(const COleDropTarget&) = delete;

  // False when the window is gone or already has a target.
  BOOL Register(CWnd* window);
  void Revoke();
  HWND Window() const { return window_; }
  // The target registered for the window or its nearest ancestor that has one; null for none.
  static COleDropTarget* FromWindow(HWND window);

  // What a drop of the data at the point (client coordinates of the window) would do; the
  // target that no one taught to take data refuses it.
  virtual DROPEFFECT OnDragOver(CWnd* window, uint32_t dataFormat, POINT point);
  virtual BOOL OnDrop(CWnd* window, uint32_t dataFormat, const std::vector<uint8_t>& data,
                      POINT point);

 private:
  HWND window_ = nullptr;
};

class COleIPFrameWnd : public CFrameWnd {
  DECLARE_DYNAMIC(COleIPFrameWnd)

 public:
  COleIPFrameWnd();
  ~COleIPFrameWnd() override;

  // Creates the frame as a hidden child of the container's view over the item's place, given in
  // pixels of `placeWindow` (the container's window the item is drawn in), with its edge
  // outside that place. False when the window cannot be made.
  BOOL CreateInPlace(CWnd* containerView, HWND placeWindow, const RECT& itemPixels,
                     COleClientItem* item);
  // The item's place in pixels of the place window; the frame follows it.
  void SetItemRect(const RECT& itemPixels);
  RECT ItemRect() const { return itemRect_; }
  COleClientItem* Item() const { return item_; }

  // The server's bars in the container's frame; false abandons editing in place.
  virtual BOOL OnCreateControlBars(CFrameWnd* frame, CFrameWnd* documentFrame);
  // The resize bar asks for a new place (pixels of the place window): the item decides, and the
  // frame goes where the item is then.
  virtual void OnRequestPositionChange(const RECT& itemPixels);

  // The container frame's tool bars hide while the server's show; the ones hidden come back.
  void HideContainerBars(CFrameWnd* containerFrame);
  void ShowContainerBars();
  // The container frame's menu bar becomes the container's menus with the server's among them:
  // the container's menus but its last, the server's but its last, the container's last and the
  // server's last. Both menus are taken over. The bar that was there comes back on unsharing.
  BOOL ShareMenus(CFrameWnd* containerFrame, HMENU containerMenu, HMENU serverMenu);
  void UnshareMenus();
  HMENU SharedMenu() const { return sharedMenu_; }
  CFrameWnd* ContainerFrame() const { return containerFrame_; }

  // The resize bar spans the frame; the pane fills what lies inside its edge.
  void RecalcLayout(BOOL notify = TRUE) override;
  BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

 protected:
  // The resize bar, when the frame has made one.
  COleResizeBar* resizeBar_ = nullptr;

 private:
  COleClientItem* item_ = nullptr;
  HWND placeWindow_ = nullptr;
  RECT itemRect_{0, 0, 0, 0};
  CFrameWnd* containerFrame_ = nullptr;
  HMENU sharedMenu_ = nullptr;
  HMENU previousMenu_ = nullptr;
  std::vector<HWND> hiddenBars_;
};
