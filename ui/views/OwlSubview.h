#pragma once
// The window object: the view at the root of a window's view tree, over the framework window
// that carries it, and a link of the chain of command. It opens, closes, activates (making its
// target view the current target), resizes with its size box, moves, centres, updates, and
// sorts a click by the part of the window it falls on. A window belongs to a document, which
// must agree before it closes, or is a free window of the application.

#include <cstdint>
#include <memory>

#include "model/command/CommandCore.h"
#include "ui/views/WrappedWindow.h"

class TWindowDocument;

// Where a click falls, in the window-part codes of the view layer.
enum class TWindowPart : int16_t {
  kDesk = 0,
  kMenuBar = 1,
  kSystemWindow = 2,
  kContent = 3,
  kDragBar = 4,
  kSizeBox = 5,
  kCloseBox = 6,
  kZoomIn = 7,
  kZoomOut = 8,
};

class TOwlSubview : public TWrappedWindow {
  DECLARE_CLASS_ID(336, TWrappedWindow)

 public:
  static constexpr int16_t kCloseWindowCommand = 31;
  static constexpr int32_t kStaggerStep = 12;

  TOwlSubview();
  // Tells the frame, the document (or the application's free windows) and the window.
  ~TOwlSubview() override;

  // Takes the port (its window is the framework window that carries this object), places the
  // object where that window is, links it to its document (or the free windows) and activates
  // it as the window is.
  void IOwlView(TWindowDocument* owner, std::unique_ptr<TWindowPort> port, bool hasSizeBox,
                bool closable, bool keep);

  TCommandCore* DoMenuCommand(int16_t commandNumber) override;
  void DoSetupMenus() override;
  void Activate(bool on) override;
  void Open() override;
  void Close() override;
  void Resize(int32_t width, int32_t height, bool invalidate) override;
  void MoveTo(int32_t h, int32_t v, bool invalidate) override;
  bool Focus() override;
  bool NeedsUpdate() override;
  void Update() override;
  void Show(bool show, bool invalidate) override;
  bool IsShown() const override;
  TWrappedWindow* GetWindowObject() override { return this; }
  bool ReplaceTargetView(TWrappedWindow* removed, TWrappedWindow* replacement) override;
  bool HandleMouseDown(const TViewPoint& point, TMouseEvent* event, int32_t hint,
                       TCommandCore** command) override;

  // The click's window part decides: a click for another window counts as handled.
  bool HandleMouseDownInPart(TWindowPart part, const TViewPoint& point, TMouseEvent* event,
                             TCommandCore** command);
  // The first sub-view containing the point that answers, skipping the passed-over view.
  TWrappedWindow* FindSubviewAt(const TViewPoint& point, void* argument);
  void Drag();
  virtual void DrawSizeBox() {}
  void Centre(bool horizontally, bool vertically, bool menusOff);
  // Staggering is what the derived window kinds do; nothing here.
  virtual void Stagger(int32_t /*dh*/, int32_t /*dv*/, const MacRect* /*area*/) {}
  virtual void SetTargetView(TWrappedWindow* view);
  // Activation together with the window that carries the object.
  virtual void ActivateWithWindow(int16_t on, int16_t withWindow);
  void SetActive(bool on) { active_ = on; }
  TWrappedWindow* GetTargetView() const { return targetView_; }
  void Erase();
  void ShowNow();
  // A window without owner closes itself; otherwise the owner agrees and then closes.
  void CloseRequest();
  // Destroys the document frame that holds the window (or the window itself).
  void DestroyWindowAndFrame();
  // Brings the window forward and makes it the active one.
  void SelectWindow();

  // Title: at most 255 characters.
  std::string GetTitle() const;
  void SetTitle(const std::string& title);

  bool IsActive() const { return active_; }
  bool IsClosable() const { return closable_; }
  bool HasSizeBox() const { return hasSizeBox_; }
  TWindowDocument* GetDocument() const { return document_; }
  // Minimum height, minimum width, maximum height, maximum width.
  MacRect GetLimitRect() const { return limits_; }
  // The program-wide limits that every new window copies.
  static MacRect& DefaultLimits();
  // The window the application reports as current (the active window object), or null.
  static TOwlSubview*& CurrentWindow();

  // Placement and behaviour flags.
  bool minimiseOnClose = false;
  bool menusOff = false;
  bool clickThrough = false;
  bool centreHorizontally = false;
  bool suppressCentreHorizontally = false;
  bool centreVertically = false;
  bool suppressCentreVertically = false;
  bool stagger = false;
  bool suppressStagger = false;
  bool showOnOpen = false;
  bool suppressShowOnOpen = false;

 private:
  void LinkToOwner();
  void Redraw();
  HWND FrameWindow() const;

  TWindowDocument* document_ = nullptr;
  TWrappedWindow* targetView_ = this;
  MacRect limits_;
  bool active_ = false;
  bool hasSizeBox_ = false;
  bool closable_ = false;
  bool keep_ = false;
  HWND portWindow_ = nullptr;
};

// The close-window command of a window object.
class TCloseWindowCommand : public TSmallCommand {
  DECLARE_CLASS_ID(330, TSmallCommand)

 public:
  explicit TCloseWindowCommand(TOwlSubview* window);
  void Perform() override;

 private:
  TOwlSubview* window_;
};
