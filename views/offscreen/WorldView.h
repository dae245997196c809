#pragma once
// The views of a document window's world display. A world view has a window of its own, knows
// the off-screen manager that encloses it, and tells two kinds of damage apart: deep (everything
// under an area must be drawn again, background included) and shallow (only what lies above the
// background). It draws in three passes, background, objects and overlay, which the manager runs
// for every view it encloses; without a manager everything goes straight to the window.
//
//   TWrappedWindow (340) > TMovableView (529) > TWorldView (530) > TOffScreenMgr (531)
//                                                                > TOffScreenViewBase (644)

#include <cstdint>

#include "ui/views/WrappedWindow.h"

class CDocument;
class TOffScreenMgr;

class TMovableView : public TWrappedWindow {
  DECLARE_CLASS_ID(529, TWrappedWindow)

 public:
  // Moves the top-left corner by the amounts and keeps the bottom-right one.
  virtual void MoveTopLeft(int32_t dh, int32_t dv, bool redraw);
  virtual void GrowBy(int32_t dh, int32_t dv, bool redraw);
  virtual void OffsetBy(int32_t dh, int32_t dv, bool redraw);
};

class TWorldView : public TMovableView {
  DECLARE_CLASS_ID(530, TMovableView)

 public:
  TWorldView() = default;

  // Makes the view's window (unless it has one, or there is no parent), places the view in the
  // parent and looks up its manager. A window that cannot be made raises -108.
  virtual void BuildWindow(CDocument* document, TWrappedWindow* parent, TViewPoint location,
                           TViewPoint size, int32_t horizontalRule, int32_t verticalRule);
  // The name of the window built for the view, by its class.
  const char* WindowName() const;
  TOffScreenMgr* GetManager() const { return manager_; }
  void SetManager(TOffScreenMgr* manager) { manager_ = manager; }

  // The three passes; rectangles are in the view's own coordinates.
  virtual void DrawOverlay(const MacRect& rect);
  virtual void DrawObjects(const MacRect&) {}
  virtual void DrawBackground(const MacRect&) {}
  virtual void DrawDeepExtras(const MacRect&) {}
  virtual bool WantsDeepExtras() const { return false; }

  // Damage, in port coordinates of the view.
  virtual void InvalidateAllShallow();
  virtual void InvalidateAllDeep();
  virtual void InvalidateShallow(const MacRect& rect);
  virtual void InvalidateDeep(const MacRect& rect);
  virtual void Validate(const MacRect& rect);
  virtual void ValidateDeep(const MacRect& rect);
  virtual void InvalidateDirect(const MacRect& rect);
  virtual void InvalidateAllDirect();

  // What the manager does before each pass draws into the rectangle (nothing without one).
  virtual void BeginShallowPass(const MacRect& rect);
  virtual void BeginOverlayPass(const MacRect& rect);
  virtual void BeginDeepPass(const MacRect& rect);
  // (top = v, left = h, bottom = v + height, right = h + width) in the superview.
  MacRect GetFrame16() const;
  virtual bool IsDrawnOffScreen() const;
  virtual void DrawSubviews(const MacRect& rect);
  virtual void ClearPendingFlags();
  // A one-pixel solid copying pen, black on white.
  virtual void PreparePort();
  // The picture of a pass (0 background, 1 objects) as the manager keeps it; without a manager
  // the sizes are 0 and the rest is left as given.
  virtual void GetPassPicture(int16_t which, HDC* dc, HBITMAP* bitmap, int16_t* width,
                              int16_t* height);
  // -108 when the manager's pictures are missing; nothing without a manager.
  virtual void CheckBuffers();
  // The manager's window paints at once.
  virtual void UpdateNow();

  bool PendingShallow() const { return pendingShallow_ != 0; }
  bool PendingDeep() const { return pendingDeep_ != 0; }

  // Window-layer operations.
  bool Focus() override;
  void DrawContents() override;
  void Draw(const MacRect& area) override;
  void HighlightChanged(int16_t oldState, int16_t newState) override;
  void InvalidRect(const MacRect& portRect) override;
  void Show(bool show, bool invalidate) override;

 protected:
  // Hands the rectangle, clipped to the view and moved into the manager's coordinates, to the
  // operation of the manager; false when there is no manager (the caller then uses the window).
  bool PassToManager(const MacRect& rect, void (TOffScreenMgr::*operation)(const MacRect&));
  void ClearPendingShallow() { pendingShallow_ = 0; }
  void ClearPendingDeep() { pendingDeep_ = 0; }

 private:
  TOffScreenMgr* manager_ = nullptr;
  int16_t pendingDirect_ = 0;
  int16_t pendingShallow_ = 0;
  int16_t pendingDeep_ = 0;
};

// Standard colours of the port: black on white.
void SetStandardPortColours();
