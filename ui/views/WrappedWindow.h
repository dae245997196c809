#pragma once
// The view object of the window layer: a node of a tree of rectangular views (location in the
// enclosing view, size, sub-views, highlight, shown and enabled states) whose presence on screen
// is a child window (a TOwlView) that it creates when it is placed in a superview. It is a link
// of the chain of command: its next handler is its superview, so commands, keys and menu set-up
// climb the view tree before they reach the window object, the document and the application.
//
// Size rules, per axis: 0 the superview's extent, 1 the old value plus the superview's change,
// 2 to 4 what GetSize answers, 5 the stored size.

#include <cstdint>
#include <memory>
#include <vector>

#include "core/Handle.h"
#include "core/port/PortRegion.h"
#include "core/port/WindowBinding.h"
#include "model/handler/TargetHandler.h"
#include "ui/views/ViewGeometry.h"

class TOwlView;
class CWnd;
class CView;
struct TMouseEvent;

class TWrappedWindow : public TTargetHandler, public TWrappedView {
  DECLARE_CLASS_ID(340, TTargetHandler)

 public:
  static constexpr int32_t kRuleSuperview = 0;
  static constexpr int32_t kRuleFollow = 1;
  static constexpr int32_t kRuleStored = 5;
  static constexpr int16_t kHighlightNew = 1;
  static constexpr int16_t kHighlightInactive = 2;
  static constexpr int16_t kHighlightActive = 4;
  // The identifier InitFromParent gives: a blank, which no four-character identifier equals.
  static constexpr int32_t kBlankIdentifier = 32;

  using SubviewAction = void (*)(TWrappedWindow* view, void* argument);
  using SubviewTest = bool (*)(TWrappedWindow* view, void* argument);

  TWrappedWindow();
  // Sub-views go first; the window, when there still is one, goes last but one, the port last.
  ~TWrappedWindow() override;

  // Places a constructed view: in its superview (with a window and a port of its own when there
  // is a superview), registered with its owner. The location and size come back as PostInit
  // left them.
  void InitFromParent(TWrappedWindow* owner, TWrappedWindow* superview, TViewPoint& location,
                      TViewPoint& size, int32_t horizontalRule, int32_t verticalRule);

  // Tree.
  virtual void LocalToSuperview(TViewPoint& point) const;
  virtual void AddSubview(TWrappedWindow* view);
  virtual void RemoveSubview(TWrappedWindow* view);
  virtual TWrappedWindow* FindSubview(int32_t identifier);
  void NotifySubviews(SubviewAction action, void* argument);
  TWrappedWindow* FirstSubviewThat(SubviewTest test, void* argument);
  TWrappedWindow* LastSubviewThat(SubviewTest test, void* argument);
  int32_t CountSubviews() const { return static_cast<int32_t>(subviews_.size()); }
  TWrappedWindow* SubviewAt(int32_t index) const { return subviews_[static_cast<size_t>(index)]; }
  void MoveSubviewToFirst(TWrappedWindow* view);
  void MoveSubviewToLast(TWrappedWindow* view);
  TWrappedWindow* GetSuperview() const { return superview_; }
  TWrappedWindow* GetOwner() const { return owner_; }

  // A window object whose target view is `removed` makes `replacement` its target and answers
  // true; false here.
  virtual bool ReplaceTargetView(TWrappedWindow* removed, TWrappedWindow* replacement);
  // The window object keeps a list of its views; these are its hooks (nothing here).
  virtual void RegisterView(TWrappedWindow* view);
  virtual void UnregisterView(TWrappedWindow* view);

  // State.
  virtual void Activate(bool on);
  virtual void Open();
  virtual void Close();
  virtual void GetSize(TViewPoint& size) const;
  virtual void Resize(int32_t width, int32_t height, bool invalidate);
  virtual void SuperviewResized(const TViewPoint& change, bool invalidate);
  virtual void MoveTo(int32_t h, int32_t v, bool invalidate);
  virtual void SuperviewMoved(bool invalidate);
  void ComputeSize(TViewPoint& size) const;
  void AdjustSize();
  void AdjustSizeAndRedraw();
  virtual void Show(bool show, bool invalidate);
  virtual bool IsShown() const;
  void SetEnabled(bool enabled, bool invalidate);
  bool IsEnabled() const { return enabled_; }
  int16_t GetHighlight() const { return highlight_; }
  int32_t GetIdentifier() const { return identifier_; }
  void SetIdentifier(int32_t identifier) { identifier_ = identifier; }
  const TViewPoint& GetLocation() const { return location_; }
  const TViewPoint& GetStoredSize() const { return size_; }
  int32_t GetHorizontalRule() const { return horizontalRule_; }
  int32_t GetVerticalRule() const { return verticalRule_; }
  // How the width follows the superview from now on.
  void SetHorizontalRule(int32_t rule) { horizontalRule_ = rule; }
  // Takes the handler; it receives the menu commands 176 to 195 and 201 to 250.
  void SetCommandDelegate(TTargetHandler* delegate);

  // Geometry.
  void GetExtent(TViewRect& rect) const;
  void GetFrame(TViewRect& rect) const;
  void GetExtentInPort(MacRect& rect) const;
  void OffsetByPortOrigin(const TViewRect& rect, MacRect& out) const;
  void SuperviewToLocal(TViewPoint& point) const;
  void LocalToRoot(TViewPoint& point) const;
  void RootToLocal(TViewPoint& point) const;
  void LocalToPortPoint(const TViewPoint& point, MacPoint& out) const;
  void PortToLocalPoint(uint32_t packedPoint, TViewPoint& out) const;
  void PortToLocalRect(const MacRect& rect, TViewRect& out) const;
  HWND GetWindowHandle() const;
  static bool IsMouseUp();

  // Drawing.
  virtual bool Focus();
  virtual bool FocusOnSuperview();
  void InvalidateFocus();
  bool IsFocused() const { return FocusedView() == this; }
  virtual void SetClip(const MacRect& rect, int16_t dh, int16_t dv);
  virtual void DrawContents();
  virtual void Draw(const MacRect& area);
  virtual void HighlightChanged(int16_t oldState, int16_t newState);
  virtual bool NeedsUpdate();
  virtual void Update();
  virtual void InvalidRect(const MacRect& portRect);
  void InvalidRectInView(const TViewRect& rect);
  void RedrawExtent();
  void ValidRect(const TViewRect& rect);
  bool IsVisibleInPort() const;

  // Mouse and cursor.
  virtual bool HandleMouseDown(const TViewPoint& point, TMouseEvent* event, int32_t hint,
                               TCommandCore** command);
  virtual TCommandCore* DoMouseCommand(const MacPoint& portPoint, TMouseEvent* event,
                                       int32_t hint);
  virtual TWrappedWindow* FindCursorView(const TViewPoint& point, RegionRec* cursorRegion);
  virtual bool DoSetCursor(const MacPoint& portPoint, RegionRec* cursorRegion);

  // Clipboard and outlines.
  // Reads the clipboard's data of the scrap type into the handle; an error code, 0 when read.
  virtual int16_t GetScrap(Handle data, uint32_t scrapType);
  // With `draw` set, frames the rectangle (view coordinates) in the port with a dashed pen; the
  // two points are the corners the user dragged between.
  virtual void FrameOutline(const TViewPoint& from, const TViewPoint& to, const TViewRect& rect,
                            bool draw);

  // Window and port.
  virtual TWindowPort* GetPort() const;
  virtual TWrappedWindow* GetWindowObject();
  virtual void PostInit();
  virtual CWnd* GetMFCWindow() const;
  virtual CView* GetMFCView() const;
  virtual TOwlView* CreateMFCWindow(TWrappedWindow* superview);
  // The window tells the view it is going (null) or the view is handed a window.
  void SetWindow(TOwlView* window) { window_ = window; }
  TOwlView* GetWindow() const { return window_; }
  // Disposal: a view without owner deletes itself, otherwise its window object closes.
  void CloseOrFree();

  // Chain of command.
  TCommandCore* DoMenuCommand(int16_t commandNumber) override;
  void DoSetupMenus() override;
  void NotifyUp(intptr_t first, intptr_t second) override;

  // The process-wide port origin that Focus resets and scrolling views move.
  static TViewPoint& PortOrigin();
  // The view whose port is bound now, or null.
  static TWrappedWindow*& FocusedView();

  // What BindPortToWindow asks of the focused view.
  void ReleasePortUse() override;
  int16_t OffsetH() const override { return NarrowTo16(PortOrigin().h); }
  int16_t OffsetV() const override { return NarrowTo16(PortOrigin().v); }

 protected:
  void SetPort(std::unique_ptr<TWindowPort> port);
  void SetStoredSize(const TViewPoint& size) { size_ = size; }
  void SetLocation(const TViewPoint& location) { location_ = location; }

 private:
  bool IsDelegatedCommand(int16_t commandNumber) const;

  TOwlView* window_ = nullptr;
  TWrappedWindow* superview_ = nullptr;
  std::vector<TWrappedWindow*> subviews_;
  TWrappedWindow* owner_ = nullptr;
  TViewPoint location_;
  TViewPoint size_;
  int32_t verticalRule_ = kRuleStored;
  int32_t horizontalRule_ = kRuleStored;
  int16_t highlight_ = kHighlightNew;
  int32_t identifier_ = 0;
  bool shown_ = false;
  bool enabled_ = false;
  std::unique_ptr<TTargetHandler> delegate_;
  std::unique_ptr<TWindowPort> port_;
};
